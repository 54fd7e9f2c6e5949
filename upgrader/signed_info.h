// The signed form of the upgrade information file: what the signature covers,
// the signature itself, the files' sizes and digests, and the maker's public
// key as a PEM file gives it. The text comes from the update server and the
// key from the build: any bytes are accepted and nothing throws.
//
// The signed text is the file up to its first "#signature=" (ASCII letter
// case aside), with CR LF and lone CR turned into LF, trailing spaces, tabs
// and LFs removed and one LF added. Once the signature checks out, only that
// text is read: entries after the signature count for nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "upgrader/info_file.h"

namespace tallivo {

using Sha256Digest = std::array<std::uint8_t, 32>;
// ECDSA P-256: r then s, each 32 bytes big-endian.
using EcdsaSignature = std::array<std::uint8_t, 64>;
// A P-256 public key's point: x then y, each 32 bytes big-endian.
using EcPublicKey = std::array<std::uint8_t, 64>;

struct SignedText {
  std::string text;  // canonical: what the signature covers
  EcdsaSignature signature{};
};

// nullopt without a "#signature=" entry, or when its value is not exactly
// 128 hex digits (trailing spaces allowed).
std::optional<SignedText> SplitSignedText(std::string_view file);

// The canonical form of the part before the signature.
std::string CanonicalSignedText(std::string_view part);

// One line of the "files" block: "<size> <sha256> <name>".
struct FileCheck {
  std::uint64_t size = 0;
  Sha256Digest sha256{};
  std::string name;
};

// Every non-empty line of the block; nullopt when any is malformed (a size
// that is not plain decimal or is beyond 64 bits, a digest that is not 64 hex
// digits, no name, a name with control characters).
std::optional<std::vector<FileCheck>> ParseFileChecks(std::string_view block);

// The check for `name`, its ASCII letters matched regardless of case; nullptr
// when there is none.
const FileCheck* FindFileCheck(const std::vector<FileCheck>& checks, std::string_view name);

// "<size> <sha256> <name>\n", as the block has it.
std::string FormatFileCheck(const FileCheck& check);

enum class SignedInfoVerdict {
  kTrusted,
  kExpired,    // "expires" lies before today
  kMalformed,  // no readable "expires", "version" or "files"
};

// Reads what a text whose signature checked out says about itself. `checks`
// gets the "files" block when the verdict is kTrusted.
SignedInfoVerdict ReadSignedInfo(std::string_view signedText, InfoDate today, std::vector<FileCheck>& checks);

// The point of a P-256 key in a PEM "PUBLIC KEY" (SubjectPublicKeyInfo)
// block; nullopt for any other key or text.
std::optional<EcPublicKey> PublicKeyFromPEM(std::string_view pem);

}  // namespace tallivo
