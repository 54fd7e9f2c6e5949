#include "upgrader/signature_win.h"

#include <bcrypt.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/handles_win.h"
#include "ui/text_win.h"

namespace tallivo {
namespace {

struct AlgorithmTraits {
  using Handle = BCRYPT_ALG_HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { BCryptCloseAlgorithmProvider(h, 0); }
};
struct HashTraits {
  using Handle = BCRYPT_HASH_HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { BCryptDestroyHash(h); }
};
struct KeyTraits {
  using Handle = BCRYPT_KEY_HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { BCryptDestroyKey(h); }
};
using UniqueAlgorithm = UniqueHandle<AlgorithmTraits>;
using UniqueHash = UniqueHandle<HashTraits>;
using UniqueKey = UniqueHandle<KeyTraits>;

bool Succeeded(NTSTATUS status) {
  return status >= 0;
}

UniqueAlgorithm OpenAlgorithm(const wchar_t* id) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (!Succeeded(BCryptOpenAlgorithmProvider(&algorithm, id, nullptr, 0))) return {};
  return UniqueAlgorithm(algorithm);
}

// Feeds what `read` hands out until it hands out nothing; nullopt when
// `read` fails or CNG does.
template <typename Read>
std::optional<Sha256Digest> Sha256Of(Read read) {
  const UniqueAlgorithm algorithm = OpenAlgorithm(BCRYPT_SHA256_ALGORITHM);
  BCRYPT_HASH_HANDLE raw = nullptr;
  if (!algorithm || !Succeeded(BCryptCreateHash(algorithm.Get(), &raw, nullptr, 0, nullptr, 0, 0))) return {};
  const UniqueHash hash(raw);
  for (;;) {
    const std::optional<std::string_view> chunk = read();
    if (!chunk) return std::nullopt;
    if (chunk->empty()) break;
    if (!Succeeded(BCryptHashData(hash.Get(), reinterpret_cast<PUCHAR>(const_cast<char*>(chunk->data())),
                                  static_cast<ULONG>(chunk->size()), 0)))
      return std::nullopt;
  }
  Sha256Digest digest{};
  if (!Succeeded(BCryptFinishHash(hash.Get(), digest.data(), static_cast<ULONG>(digest.size()), 0)))
    return std::nullopt;
  return digest;
}

std::optional<EcPublicKey> KeyResource(HMODULE module, const wchar_t* name, bool& present) {
  HRSRC info = FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!info) return std::nullopt;
  present = true;
  const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, info)));
  if (!bytes) return std::nullopt;
  return PublicKeyFromPEM(std::string_view(bytes, SizeofResource(module, info)));
}

}  // namespace

std::optional<FileDigest> DigestFile(const std::string& path) {
  const UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return std::nullopt;
  std::vector<char> buffer(64 * 1024);
  FileDigest result;
  const std::optional<Sha256Digest> digest = Sha256Of([&]() -> std::optional<std::string_view> {
    DWORD count = 0;
    if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr)) return {};
    result.size += count;
    return std::string_view(buffer.data(), count);
  });
  if (!digest) return std::nullopt;
  result.sha256 = *digest;
  return result;
}

bool VerifySignature(const EcPublicKey& key, std::string_view text, const EcdsaSignature& signature) {
  bool done = false;
  const std::optional<Sha256Digest> digest = Sha256Of([&]() -> std::optional<std::string_view> {
    if (std::exchange(done, true)) return std::string_view();
    return text;
  });
  const UniqueAlgorithm algorithm = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!digest || !algorithm) return false;
  std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
  const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  std::copy_n(reinterpret_cast<const UCHAR*>(&header), sizeof header, blob.begin());
  std::copy(key.begin(), key.end(), blob.begin() + sizeof header);
  BCRYPT_KEY_HANDLE raw = nullptr;
  if (!Succeeded(BCryptImportKeyPair(algorithm.Get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &raw, blob.data(),
                                     static_cast<ULONG>(blob.size()), 0)))
    return false;
  const UniqueKey imported(raw);
  Sha256Digest hash = *digest;
  EcdsaSignature copy = signature;
  return Succeeded(BCryptVerifySignature(imported.Get(), nullptr, hash.data(),
                                         static_cast<ULONG>(hash.size()), copy.data(),
                                         static_cast<ULONG>(copy.size()), 0));
}

UpdateKeys BuiltInUpdateKeys(HMODULE module) {
  UpdateKeys keys;
  for (const wchar_t* name : {L"UPDKEY1", L"UPDKEY2"}) {
    if (std::optional<EcPublicKey> key = KeyResource(module, name, keys.required)) keys.keys.push_back(*key);
  }
  return keys;
}

bool SignedByOneOf(const UpdateKeys& keys, const SignedText& signedText) {
  return std::any_of(keys.keys.begin(), keys.keys.end(), [&](const EcPublicKey& key) {
    return VerifySignature(key, signedText.text, signedText.signature);
  });
}

}  // namespace tallivo
