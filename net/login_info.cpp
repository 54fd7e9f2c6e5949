#include "net/login_info.h"

#include <algorithm>
#include <iterator>

namespace tallivo {

std::vector<std::uint8_t> EncodeLInfo(const LoginInfo& login) {
  if (login.userName.empty() && login.password.empty()) return {};
  const std::string_view userName = std::string_view(login.userName).substr(0, kMaxLInfoTextLength);
  const std::string_view password =
      std::string_view(login.password).substr(0, kMaxLInfoTextLength - userName.size());
  const auto count = static_cast<std::uint8_t>(userName.size() + password.size() + 1);
  const auto mask = static_cast<std::uint8_t>(count ^ kLInfoScrambleKey);

  std::vector<std::uint8_t> block;
  block.reserve(std::size_t{count} + 1);
  block.push_back(count);
  block.push_back(static_cast<std::uint8_t>(userName.size() ^ mask));
  for (const std::string_view text : {userName, password}) {
    for (const char c : text) block.push_back(static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) ^ mask));
  }
  return block;
}

std::optional<LoginInfo> DecodeLInfo(const std::vector<std::uint8_t>& block) {
  if (block.empty()) return std::nullopt;
  const std::size_t count = block[0];
  if (count == 0 || block.size() < count + 1) return std::nullopt;
  const auto mask = static_cast<std::uint8_t>(block[0] ^ kLInfoScrambleKey);
  const std::size_t userLength = block[1] ^ mask;
  if (userLength > count - 1) return std::nullopt;

  std::string text;
  text.reserve(count - 1);
  std::transform(block.begin() + 2, block.begin() + static_cast<std::ptrdiff_t>(count) + 1,
                 std::back_inserter(text), [mask](std::uint8_t b) { return static_cast<char>(b ^ mask); });
  return LoginInfo{text.substr(0, userLength), text.substr(userLength)};
}

}  // namespace tallivo
