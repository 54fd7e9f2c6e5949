#include "upgrader/info_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallivo {
namespace {

using namespace std::string_literals;

TEST(InfoFile, ReadsLineValues) {
  const struct {
    std::string text;
    const char* key;
    std::string value;
  } cases[] = {
      {"#VERSION=1.1", "version", "1.1"},
      {"#version=1.1", "VERSION", "1.1"},
      {"# version=1.1", "version", ""},
      {"#version =1.1", "version", ""},
      {"#version= 1.1 ", "version", " 1.1 "},  // not trimmed
      {"#url=Http://Host/A.ZIP\r\n", "url", "Http://Host/A.ZIP"},
      {"#version=1.2\rx", "version", "1.2"},
      {"#version=1.2\r\n#date=01/15/2008\r\n", "date", "01/15/2008"},
      {"#date=01/15/2008\r#version=1.3\r", "version", "1.3"},
      {"#version=1.2\t# comment", "version", "1.2"},
      {"#version=a\x1f"
       "b",
       "version", "a"},
      {"#version=a\0b"s, "version", "a"},
      {"#version=\x7f\x80\xff\xe9", "version", "\x7f\x80\xff\xe9"},  // 8-bit bytes kept as received
      {"#version=", "version", ""},
      {"#version=\r\n#version=2", "version", ""},  // the first one counts, empty as it is
      {"#message={#version=9}\n#version=1", "version", "9}"},
      {"\xef\xbb\xbf#version=1.4", "version", "1.4"},  // a UTF-8 BOM is just bytes before it
      {"text before # #version=1.5 text after", "version", "1.5 text after"},
      {"#url1=a\n", "url", ""},
      {"#url10=a\n#url1=b", "url1", "b"},
      {"#url10=a", "url1", ""},
      {"#url01=a", "url1", ""},
      {"##url=a", "url", "a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(GetInfoValue(c.text, c.key, false), c.value);
  }
}

TEST(InfoFile, ReadsBlockValues) {
  const struct {
    std::string text;
    std::string value;
  } cases[] = {
      {"#message={Hello}", "Hello"},
      {"#message=Hello", ""},
      {"#message= {Hello}", ""},
      {"#message={a}b}", "a"},
      {"#message={runs to the end", "runs to the end"},
      {"#message={line 1\r\nline 2\rline 3\n\tend}", "line 1\r\nline 2\rline 3\n\tend"},
      {"#message={}#message={x}", ""},
      {"#message={a\0b}"s, "a\0b"s},
      {"#message=x\n#message={y}", "y"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(GetInfoValue(c.text, "message", true), c.value);
  }
}

TEST(InfoFile, BuildsTheDownloadList) {
  const struct {
    const char* text;
    std::vector<std::string> list;
  } cases[] = {
      {"", {}},
      {"#url0=a\n#url1=b\n#url2=c", {"a", "c"}},
      {"#url=a\n#url2=b", {"a", "b"}},
      {"#url1=a\n#url2=b\n#url3=c", {"a", "b", "c"}},
      {"#url=a\n#url0=b\n#url1=c\n#url2=d\n#url3=e", {"a", "b", "e"}},
      {"#url1=a\n#url3=c", {"a"}},
      {"#url1=a\n#url2=\n#url3=c", {"a"}},
      {"#url=\n#url0=\n#url1=a", {"a"}},
      {"#url10=x\n#url1=a", {"a"}},
      {"#url01=x\n#url1=a\n#url02=y", {"a"}},
      {"#URL1=A\r#Url2=b\r\n#uRl3=C\n", {"A", "b", "C"}},
      {"#url2=b\n#url1=a\n#url1=z", {"a", "b"}},
      {"#url1=\n#url1=a", {}},
      {"#message={#url1=inside}\n#url1=outside\n#url2=b", {"inside}", "b"}},
      {"#url1=a\tb\n#url 2=c", {"a"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(BuildDownloadList(c.text), c.list);
  }
}

TEST(InfoFile, BuildsAHugeDownloadList) {
  constexpr int kEntries = 200000;
  std::string text;
  for (int n = kEntries; n >= 1; --n) {
    const std::string digits = std::to_string(n);
    text.append("#url").append(digits).append("=f").append(digits).append("\r\n");
  }
  const std::vector<std::string> list = BuildDownloadList(text);
  ASSERT_EQ(list.size(), 200000u);
  EXPECT_EQ(list.front(), "f1");
  EXPECT_EQ(list.back(), "f200000");
}

TEST(InfoFile, EndsADownloadListOfOverlappingValues) {
  // No line breaks: each value runs on through all later entries, 2 GB in all.
  std::string text;
  for (int n = 1; n <= 20000; ++n) text.append("#url").append(std::to_string(n)).append("=x");
  const std::vector<std::string> list = BuildDownloadList(text);
  ASSERT_FALSE(list.empty());
  EXPECT_LT(list.size(), 20000u);
  EXPECT_EQ(list[0], text.substr(6));
  std::size_t total = 0;
  for (const std::string& url : list) total += url.size();
  EXPECT_LE(total, text.size() + kDownloadListSlack);
}

TEST(InfoFile, ComparesVersions) {
  const struct {
    std::string remote;
    std::string local;
    int result;
  } cases[] = {
      {"1.10", "1.9", 1},
      {"1.9", "1.10", -1},
      {"1.2", "1.2.0.0", 0},
      {"1.2.3.4.5", "1.2.3.4", 0},
      {"1.2.3.4.5", "1.2.3.4.x", 0},  // a fifth part is never read
      {"2", "1.9.9.9", 1},
      {"1.9.9.9", "2", -1},
      {"1.0.1.1b", "1.0.1.1", 1},  // not a number: byte by byte
      {"1.0.1.1", "1.0.1.1b", -1},
      {"1.0.1.1 ", "1.0.1.1", 1},
      {"", "1.0", -1},
      {"1.0", "", 1},
      {"", "", 0},
      {"1..2", "1.0.2", -1},  // an empty part: byte by byte, "." < "0"
      {"$A", "10", 0},
      {"0x10", "16", 0},
      {"0X1f.0", "$1F", 0},
      {"-$1", "-1", 0},
      {" 3", "3", 0},
      {"3 ", "3", 1},
      {"+3", "3", 0},
      {"-1", "0", -1},  // negative numbers are numbers
      {"0", "-1", 1},
      {"1.-1", "1.0", -1},
      {"4294967297.0", "2.0", 1},  // no 32-bit wrap to 1
      {"2.0", "4294967297.0", -1},
      {"9223372036854775807", "9223372036854775806", 1},
      {"9223372036854775808", "9", 1},  // beyond 64 bits: byte by byte, not wrapped negative
      {"-9223372036854775808", "-9223372036854775807", -1},
      {"18446744073709551617", "1", 1},  // would wrap to 1 and compare equal
      {"1", "18446744073709551617", -1},
      {"$10000000000000001", "1", -1},  // '$' < '1' byte by byte
      {"0x", "0", 1},
      {"$", "0", -1},
      {"1.\xe9", "1.a", 1},  // bytes compare unsigned
      {"1.a", "1.\xe9", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.remote + " vs " + c.local);
    EXPECT_EQ(CompareVersions(c.remote, c.local), c.result);
  }
}

TEST(InfoFile, ReadsAndWritesDates) {
  const InfoDate today{2026, 3, 4};
  const struct {
    const char* text;
    InfoDate date;
  } cases[] = {
      {"12/27/2007", {2007, 12, 27}},
      {" 1/ 2/ 2003", {2003, 1, 2}},
      {"27/12/2007", today},
      {"2007-12-27", today},
      {"12/27/2007/", today},
      {"12/27/2007 ", today},
      {"2/29/2008", {2008, 2, 29}},
      {"2/29/2007", today},
      {"2/29/2000", {2000, 2, 29}},
      {"2/29/1900", today},
      {"4/31/2008", today},
      {"1/0/2008", today},
      {"1/1/0", today},
      {"1/1/1", {1, 1, 1}},
      {"12/31/9999", {9999, 12, 31}},
      {"1/1/10000", today},
      {"1/1/-2008", today},
      {"4294967297/1/2008", today},
      {"", today},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseInfoDate(c.text, today), c.date);
  }
  EXPECT_EQ(FormatInfoDate({2008, 1, 15}), "01/15/2008");
  EXPECT_EQ(FormatInfoDate({1, 12, 31}), "12/31/0001");
}

TEST(InfoFile, DecidesWhetherTheVersionIsNewer) {
  const InfoDate today{2008, 1, 15};
  const struct {
    const char* text;
    TupVersionControl control;
    const char* number;
    const char* date;
    bool newer;
  } cases[] = {
      {"#version=1.0.5\n#date=01/01/2000", TupVersionControl::byNumber, "1.0.4.5", "", true},
      {"#version=1.0.4", TupVersionControl::byNumber, "1.0.4.5", "", false},
      {"#date=01/01/2099", TupVersionControl::byNumber, "1.0.4.5", "", false},
      {"", TupVersionControl::byNumber, "", "", false},
      {"#date=01/16/2008\n#version=0.1", TupVersionControl::byDate, "9.9", "01/15/2008", true},
      {"#date=01/14/2008", TupVersionControl::byDate, "", "01/15/2008", false},
      {"#version=9", TupVersionControl::byDate, "1.0", "01/14/2008", true},  // missing: today
      {"#version=9", TupVersionControl::byDate, "1.0", "01/15/2008", false},
      {"#date=01/16/2008", TupVersionControl::byDate, "", "garbage", true},
      {"#date=13/01/2008", TupVersionControl::byDate, "", "garbage", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(IsNewerVersion(c.text, c.control, c.number, c.date, today), c.newer);
  }
}

TEST(InfoFile, ReadsTheUpgradeMethod) {
  const struct {
    const char* text;
    TupUpgradeMethod method;
  } cases[] = {
      {"", TupUpgradeMethod::umSelfUpgrade},
      {"#method=1", TupUpgradeMethod::umUseExternalSetup},
      {"#METHOD=2 (redirect)", TupUpgradeMethod::umRedirectToURL},
      {"#method=3", TupUpgradeMethod::umSelfUpgrade},
      {"#method= 1", TupUpgradeMethod::umSelfUpgrade},
      {"#method=\n#method=2", TupUpgradeMethod::umSelfUpgrade},
  };
  for (const auto& c : cases) EXPECT_EQ(UpgradeMethodOf(c.text), c.method) << c.text;
}

}  // namespace
}  // namespace tallivo
