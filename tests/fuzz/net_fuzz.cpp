// libFuzzer target: the parsers that read text from the update server or the
// registry, and the upgrade information file, fed arbitrary bytes. Besides the sanitizers' checks, it asserts
// what must hold for every input.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "net/command_line.h"
#include "net/http_date.h"
#include "net/login_info.h"
#include "net/text_util.h"
#include "net/transfer_math.h"
#include "net/url.h"
#include "upgrader/info_file.h"
#include "upgrader/signed_info.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool HasControl(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

void CheckDate(std::string_view text) {
  // Bias of a day at most; the result is a date between years 1 and 9999, a
  // day of offset and the bias away, or blank text's exact 0.
  const double local = tallivo::ParseHTTPDate(text, 0.5);
  Require(std::isfinite(local) && local > -693596 && local < 2958468);
}

void CheckCommandLine(std::string_view text) {
  std::string command(text);
  std::string parameters = "x";
  tallivo::SplitCommandLine(command, parameters);
  // Splitting only ever takes characters away.
  Require(command.size() + parameters.size() <= text.size());
  for (const std::string& part : {command, parameters}) {
    Require(part.empty() || (static_cast<unsigned char>(part.front()) > ' ' &&
                             static_cast<unsigned char>(part.back()) > ' '));
  }
}

void CheckURL(std::string_view text) {
  const std::optional<tallivo::URLParts> parts = tallivo::SplitURL(text);
  if (!parts) return;
  Require(!parts->scheme.empty() && parts->scheme.size() <= tallivo::kMaxSchemeLength);
  Require(parts->host.size() <= tallivo::kMaxHostLength && parts->path.size() <= tallivo::kMaxURLPathLength);
  Require(parts->userName.size() <= tallivo::kMaxUserNameLength &&
          parts->password.size() <= tallivo::kMaxPasswordLength);
  Require(parts->extraInfo.size() <= tallivo::kMaxExtraInfoLength);
  Require(!HasControl(parts->host) && !HasControl(parts->path) && !HasControl(parts->userName) &&
          !HasControl(parts->password));
  Require(!parts->host.empty() || parts->scheme == "file");
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void CheckEscape(std::string_view text) {
  const std::string escaped = tallivo::EscapeURLChars(text);
  // Only safe characters and well-formed escapes, which give the text back.
  std::string back;
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    const char c = escaped[i];
    Require(c != ' ' && c != '#' && c != '*' && c != '+' && c != '<' && c != '>');
    Require(static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 128);
    if (c == '%') {
      Require(i + 2 < escaped.size() && HexValue(escaped[i + 1]) >= 0 && HexValue(escaped[i + 2]) >= 0);
      back += static_cast<char>(HexValue(escaped[i + 1]) * 16 + HexValue(escaped[i + 2]));
      i += 2;
    } else {
      back += c;
    }
  }
  Require(back == text);
}

void CheckLoginInfo(std::string_view text) {
  const std::vector<std::uint8_t> block(text.begin(), text.end());
  if (const std::optional<tallivo::LoginInfo> login = tallivo::DecodeLInfo(block)) {
    Require(login->userName.size() + login->password.size() + 1 == block[0]);
    Require(tallivo::DecodeLInfo(tallivo::EncodeLInfo(*login)) == login || block[0] == 1);
  }
  const std::size_t half = text.size() / 2;
  const tallivo::LoginInfo login{std::string(text.substr(0, half)), std::string(text.substr(half))};
  const std::vector<std::uint8_t> encoded = tallivo::EncodeLInfo(login);
  Require(encoded.size() <= 256);
  if (text.size() <= tallivo::kMaxLInfoTextLength && !text.empty())
    Require(tallivo::DecodeLInfo(encoded) == login);
}

void CheckHeaderValues(std::string_view text) {
  // A length is exactly its digits: nothing else may pass for one.
  if (const std::optional<std::uint64_t> length = tallivo::ParseContentLength(text)) {
    std::string_view digits = tallivo::TrimBlanks(text);
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size() - 1));
    Require(std::to_string(*length) == digits);
  }
  Require(tallivo::ParseStatusCode(text) >= 0);
  Require(tallivo::RealmOf(text).size() <= text.size());
}

bool IsSubstring(std::string_view part, std::string_view text) {
  return text.find(part) != std::string_view::npos;
}

bool HasLineBreakOrBelow32(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 32) return true;
  }
  return false;
}

void CheckInfoValues(std::string_view text) {
  for (const char* key : {"version", "url", "url1", "method"}) {
    const std::string line = tallivo::GetInfoValue(text, key, false);
    Require(IsSubstring(line, text) && !HasLineBreakOrBelow32(line));
  }
  const std::string block = tallivo::GetInfoValue(text, "message", true);
  Require(IsSubstring(block, text) && block.find('}') == std::string::npos);
  tallivo::UpgradeMethodOf(text);
}

void CheckDownloadList(std::string_view text) {
  const std::vector<std::string> list = tallivo::BuildDownloadList(text);
  for (const std::string& url : list)
    Require(!url.empty() && IsSubstring(url, text) && !HasLineBreakOrBelow32(url));
  // The one-pass index must agree with asking key by key.
  std::vector<std::string> slow;
  for (const char* key : {"url", "url0"}) {
    if (std::string url = tallivo::GetInfoValue(text, key, false); !url.empty()) slow.push_back(url);
  }
  for (std::size_t n = slow.size() + 1;; ++n) {
    std::string url = tallivo::GetInfoValue(text, "url" + std::to_string(n), false);
    if (url.empty()) break;
    slow.push_back(url);
  }
  // ... up to where overlapping values would exceed the slack.
  Require(list.size() <= slow.size() && std::equal(list.begin(), list.end(), slow.begin()));
  std::size_t total = 0;
  for (const std::string& url : list) total += url.size();
  Require(list.size() == slow.size() ||
          total + slow[list.size()].size() > text.size() + tallivo::kDownloadListSlack);
}

void CheckVersions(std::string_view text) {
  Require(tallivo::CompareVersions(text, text) == 0);
  const std::size_t half = text.size() / 2;
  const std::string_view a = text.substr(0, half);
  const std::string_view b = text.substr(half);
  const int ab = tallivo::CompareVersions(a, b);
  Require((ab == -1 || ab == 0 || ab == 1) && tallivo::CompareVersions(b, a) == -ab);
}

void CheckInfoDate(std::string_view text) {
  constexpr tallivo::InfoDate kToday{2008, 1, 15};
  const tallivo::InfoDate date = tallivo::ParseInfoDate(text, kToday);
  Require(date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 12 && date.day >= 1 &&
          date.day <= 31);
  // Any date it reads it also writes back, and reads again the same.
  Require(tallivo::ParseInfoDate(tallivo::FormatInfoDate(date), {1, 1, 1}) == date);
}

void CheckSignedInfo(std::string_view text) {
  // Canonical text is a fixed point: no CR, one LF at the end, nothing blank before it.
  const std::string canonical = tallivo::CanonicalSignedText(text);
  Require(canonical.find('\r') == std::string::npos && canonical.back() == '\n' &&
          tallivo::CanonicalSignedText(canonical) == canonical);
  if (const auto split = tallivo::SplitSignedText(text))
    Require(split->text.size() <= text.size() + 1 && split->text.back() == '\n');
  if (const auto checks = tallivo::ParseFileChecks(text)) {
    std::string again;
    for (const tallivo::FileCheck& check : *checks) again += tallivo::FormatFileCheck(check);
    const auto reread = tallivo::ParseFileChecks(again);
    Require(reread && reread->size() == checks->size());
  }
  std::vector<tallivo::FileCheck> checks;
  tallivo::ReadSignedInfo(text, {2026, 12, 10}, checks);
  tallivo::PublicKeyFromPEM(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckDate(text);
  CheckCommandLine(text);
  CheckURL(text);
  CheckEscape(text);
  CheckLoginInfo(text);
  CheckHeaderValues(text);
  tallivo::FileNameFromURLPath(text);
  CheckInfoValues(text);
  CheckDownloadList(text);
  CheckVersions(text);
  CheckInfoDate(text);
  CheckSignedInfo(text);
  return 0;
}
