#include "upgrader/signed_info.h"

#include <algorithm>

namespace tallivo {
namespace {

constexpr std::string_view kSignatureKey = "#signature=";

char LowerASCII(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringASCIICase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return LowerASCII(x) == LowerASCII(y); });
}

std::size_t FindIgnoringASCIICase(std::string_view text, std::string_view lowerNeedle) {
  const auto at = std::search(text.begin(), text.end(), lowerNeedle.begin(), lowerNeedle.end(),
                              [](char x, char y) { return LowerASCII(x) == y; });
  return at == text.end() ? std::string_view::npos : static_cast<std::size_t>(at - text.begin());
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = LowerASCII(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Exactly 2 * N hex digits.
template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> ParseHex(std::string_view hex) {
  if (hex.size() != 2 * N) return std::nullopt;
  std::array<std::uint8_t, N> bytes{};
  for (std::size_t i = 0; i < N; ++i) {
    const int high = HexDigit(hex[2 * i]);
    const int low = HexDigit(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return bytes;
}

std::optional<std::uint64_t> ParseSize(std::string_view digits) {
  if (digits.empty() || digits.size() > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<FileCheck> ParseFileCheck(std::string_view line) {
  const std::size_t space1 = line.find(' ');
  if (space1 == std::string_view::npos) return std::nullopt;
  const std::size_t space2 = line.find(' ', space1 + 1);
  if (space2 == std::string_view::npos) return std::nullopt;
  const std::optional<std::uint64_t> size = ParseSize(line.substr(0, space1));
  const auto digest = ParseHex<32>(line.substr(space1 + 1, space2 - space1 - 1));
  const std::string_view name = line.substr(space2 + 1);
  if (!size || !digest || name.empty()) return std::nullopt;
  if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }))
    return std::nullopt;
  return FileCheck{*size, *digest, std::string(name)};
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Whitespace is skipped; anything else outside the alphabet, or data after
// the padding, fails.
std::optional<std::string> DecodeBase64(std::string_view text) {
  std::string bytes;
  std::uint32_t bits = 0;
  int count = 0;
  bool padded = false;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      padded = true;
      continue;
    }
    const int value = Base64Value(c);
    if (value < 0 || padded) return std::nullopt;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    if (++count == 4) {
      bytes += static_cast<char>(bits >> 16);
      bytes += static_cast<char>(bits >> 8);
      bytes += static_cast<char>(bits);
      bits = 0;
      count = 0;
    }
  }
  if (count == 1) return std::nullopt;
  if (count == 2) bytes += static_cast<char>(bits >> 4);
  if (count == 3) {
    bytes += static_cast<char>(bits >> 10);
    bytes += static_cast<char>(bits >> 2);
  }
  return bytes;
}

}  // namespace

std::string CanonicalSignedText(std::string_view part) {
  std::string text;
  text.reserve(part.size() + 1);
  for (std::size_t i = 0; i < part.size(); ++i) {
    if (part[i] != '\r') {
      text += part[i];
      continue;
    }
    text += '\n';
    if (i + 1 < part.size() && part[i + 1] == '\n') ++i;
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n')) text.pop_back();
  text += '\n';
  return text;
}

std::optional<SignedText> SplitSignedText(std::string_view file) {
  const std::size_t at = FindIgnoringASCIICase(file, kSignatureKey);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view value = file.substr(at + kSignatureKey.size());
  std::size_t end = 0;
  while (end < value.size() && static_cast<unsigned char>(value[end]) >= 32) ++end;
  value = value.substr(0, end);
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  const auto signature = ParseHex<64>(value);
  if (!signature) return std::nullopt;
  return SignedText{CanonicalSignedText(file.substr(0, at)), *signature};
}

std::optional<std::vector<FileCheck>> ParseFileChecks(std::string_view block) {
  std::vector<FileCheck> checks;
  while (!block.empty()) {
    std::size_t end = block.find('\n');
    if (end == std::string_view::npos) end = block.size();
    std::string_view line = block.substr(0, end);
    block.remove_prefix(std::min(end + 1, block.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    std::optional<FileCheck> check = ParseFileCheck(line);
    if (!check) return std::nullopt;
    checks.push_back(std::move(*check));
  }
  return checks;
}

const FileCheck* FindFileCheck(const std::vector<FileCheck>& checks, std::string_view name) {
  for (const FileCheck& check : checks)
    if (EqualsIgnoringASCIICase(check.name, name)) return &check;
  return nullptr;
}

std::string FormatFileCheck(const FileCheck& check) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string line = std::to_string(check.size) + ' ';
  for (const std::uint8_t byte : check.sha256) {
    line += kDigits[byte >> 4];
    line += kDigits[byte & 15];
  }
  return line + ' ' + check.name + '\n';
}

SignedInfoVerdict ReadSignedInfo(std::string_view signedText, InfoDate today,
                                 std::vector<FileCheck>& checks) {
  constexpr InfoDate kUnreadable{0, 0, 0};
  const InfoDate expires = ParseInfoDate(GetInfoValue(signedText, "expires", false), kUnreadable);
  std::optional<std::vector<FileCheck>> files = ParseFileChecks(GetInfoValue(signedText, "files", true));
  if (expires == kUnreadable || GetInfoValue(signedText, "version", false).empty() || !files)
    return SignedInfoVerdict::kMalformed;
  if (expires < today) return SignedInfoVerdict::kExpired;
  checks = std::move(*files);
  return SignedInfoVerdict::kTrusted;
}

std::optional<EcPublicKey> PublicKeyFromPEM(std::string_view pem) {
  constexpr std::string_view kBegin = "-----BEGIN PUBLIC KEY-----";
  constexpr std::string_view kEnd = "-----END PUBLIC KEY-----";
  const std::size_t begin = pem.find(kBegin);
  if (begin == std::string_view::npos) return std::nullopt;
  const std::size_t body = begin + kBegin.size();
  const std::size_t end = pem.find(kEnd, body);
  if (end == std::string_view::npos) return std::nullopt;
  const std::optional<std::string> der = DecodeBase64(pem.substr(body, end - body));
  // SEQUENCE { SEQUENCE { id-ecPublicKey, prime256v1 }, BIT STRING { 04 x y } }
  static constexpr std::uint8_t kPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                             0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                             0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};
  if (!der || der->size() != sizeof kPrefix + 64 ||
      !std::equal(std::begin(kPrefix), std::end(kPrefix), der->begin(),
                  [](std::uint8_t x, char y) { return x == static_cast<std::uint8_t>(y); }))
    return std::nullopt;
  EcPublicKey key{};
  std::copy(der->begin() + sizeof kPrefix, der->end(), key.begin());
  return key;
}

}  // namespace tallivo
