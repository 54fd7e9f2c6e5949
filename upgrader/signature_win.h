// Windows' own cryptography (CNG) for signed updates: SHA-256 of texts and
// files, ECDSA P-256 signatures, and the maker's keys the program carries.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "upgrader/signed_info.h"

namespace tallivo {

struct FileDigest {
  std::uint64_t size = 0;
  Sha256Digest sha256{};
};

// nullopt when the file cannot be opened or read to its end.
std::optional<FileDigest> DigestFile(const std::string& path);

// Whether `signature` is the key's signature of the SHA-256 of `text`.
bool VerifySignature(const EcPublicKey& key, std::string_view text, const EcdsaSignature& signature);

// The maker's keys in `module`'s resources UPDKEY1 and UPDKEY2 (RCDATA, PEM).
// `required` as soon as either resource exists, even one that does not read:
// such a build trusts nothing rather than everything.
struct UpdateKeys {
  bool required = false;
  std::vector<EcPublicKey> keys;
};
UpdateKeys BuiltInUpdateKeys(HMODULE module);

// Whether one of the keys signed `signedText`.
bool SignedByOneOf(const UpdateKeys& keys, const SignedText& signedText);

}  // namespace tallivo
