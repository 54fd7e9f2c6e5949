#include "net/login_info.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tallivo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Stored forms hold these bytes: a change of the scrambling key would make
// them unreadable, so the key is spelled out here (0xA7; mask = N ^ 0xA7).
TEST(LoginInfo, BlocksAsStored) {
  struct Case {
    LoginInfo login;
    Bytes block;
  };
  const std::vector<Case> cases = {
      {{"ab", "xyz"}, {6, 0xA3, 0xC0, 0xC3, 0xD9, 0xD8, 0xDB}},
      {{"u", ""}, {2, 0xA4, 0xD0}},
      {{"", "p"}, {2, 0xA5, 0xD5}},
      {{"", ""}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.login.userName + ":" + c.login.password);
    EXPECT_EQ(EncodeLInfo(c.login), c.block);
    // No block at all is no log-in; reading it back gives nothing.
    const std::optional<LoginInfo> expected = c.block.empty() ? std::nullopt : std::optional(c.login);
    EXPECT_EQ(DecodeLInfo(c.block), expected);
  }
}

TEST(LoginInfo, LongTextIsCutToWhatTheCountHolds) {
  struct Case {
    LoginInfo login;
    LoginInfo stored;
  };
  const std::vector<Case> cases = {
      {{std::string(200, 'u'), std::string(100, 'p')}, {std::string(200, 'u'), std::string(54, 'p')}},
      {{std::string(300, 'u'), "p"}, {std::string(254, 'u'), ""}},
      {{"", std::string(300, '\xff')}, {"", std::string(254, '\xff')}},
      {{std::string("a\0b", 3), std::string(253, 'p')}, {std::string("a\0b", 3), std::string(251, 'p')}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.login.userName.size() * 1000 + c.login.password.size());
    const Bytes block = EncodeLInfo(c.login);
    ASSERT_EQ(block.size(), c.stored.userName.size() + c.stored.password.size() + 2);
    EXPECT_EQ(block[0], block.size() - 1);
    EXPECT_EQ(DecodeLInfo(block), c.stored);
  }
}

TEST(LoginInfo, MalformedBlocksGiveNothing) {
  struct Case {
    Bytes block;
    std::optional<LoginInfo> login;
  };
  const std::vector<Case> cases = {
      {{}, std::nullopt},
      {{0}, std::nullopt},
      {{6, 0xA3, 0xC0, 0xC3}, std::nullopt},  // shorter than counted
      {{2, 0xA5 ^ 0x07}, std::nullopt},       // short, user name length 2 of 1
      {{2, 0xA5 ^ 0x02, 0}, std::nullopt},    // user name longer than the block
      {{6, 0xA3, 0xC0, 0xC3, 0xD9, 0xD8, 0xDB, 1, 2, 3}, LoginInfo{"ab", "xyz"}},  // extra bytes ignored
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(DecodeLInfo(cases[i].block), cases[i].login);
  }
}

}  // namespace
}  // namespace tallivo
