// The stored form of the HTTP log-in: the "LInfo" block of bytes, scrambled
// so that the user name and password do not show as plain text in a form.
// Scrambling is not encryption: anyone with the form can read them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallivo {

struct LoginInfo {
  std::string userName;
  std::string password;
  bool operator==(const LoginInfo&) const = default;
};

// The fixed byte the scrambling mixes with the block's length.
inline constexpr std::uint8_t kLInfoScrambleKey = 0xA7;

// User name and password hold at most this many bytes together: the block's
// first byte counts them plus one.
inline constexpr std::size_t kMaxLInfoTextLength = 254;

// The "LInfo" block for this log-in; empty (nothing is stored) when both are
// empty. Beyond 254 bytes together the password, then the user name, is cut.
std::vector<std::uint8_t> EncodeLInfo(const LoginInfo& login);

// The log-in stored in a "LInfo" block (bytes after the counted ones are
// ignored); nullopt for a block that is too short or inconsistent.
std::optional<LoginInfo> DecodeLInfo(const std::vector<std::uint8_t>& block);

}  // namespace tallivo
