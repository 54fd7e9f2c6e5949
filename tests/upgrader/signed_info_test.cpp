#include "upgrader/signed_info.h"

#include <gtest/gtest.h>

#include <string>

namespace tallivo {
namespace {

const std::string kSig128(128, 'a');

TEST(SignedInfo, CanonicalTextNormalisesLineEndsAndTheEnd) {
  const struct {
    std::string part, expected;
  } cases[] = {
      {"", "\n"},
      {"#version=1\n", "#version=1\n"},
      {"#version=1\r\n#url=x\r\n", "#version=1\n#url=x\n"},
      {"a\rb\r\r\nc", "a\nb\n\nc\n"},
      {"a \t\n\n \r\n", "a\n"},
      {"  lead", "  lead\n"},
      {"x\n\n\ny", "x\n\n\ny\n"},
      {std::string("a\0b", 3), std::string("a\0b\n", 4)},
  };
  for (const auto& c : cases) EXPECT_EQ(CanonicalSignedText(c.part), c.expected) << c.part;
}

TEST(SignedInfo, SplitFindsTheFirstSignatureAndReadsItsValue) {
  const struct {
    std::string file;
    bool found;
    std::string text;
    std::uint8_t first = 0;
  } cases[] = {
      {"#version=1\r\n#signature=" + kSig128 + "\r\n", true, "#version=1\n", 0xaa},
      {"#version=1\n#SIGNATURE=" + std::string(128, 'F') + "  \n#url=evil\n", true, "#version=1\n", 0xff},
      {"#signature=" + kSig128, true, "\n", 0xaa},
      // The first one counts, wherever it stands; a later one is ordinary text.
      {"a#Signature=" + kSig128 + "\n#signature=" + std::string(128, '0'), true, "a\n", 0xaa},
      {"#version=1\n", false, ""},
      {"#signature=" + kSig128.substr(1), false, ""},
      {"#signature=" + kSig128 + "0", false, ""},
      {"#signature=" + kSig128.substr(2) + "g0", false, ""},
      {"#signature= " + kSig128, false, ""},
      {"#signature=" + kSig128.substr(0, 64) + "\t" + kSig128.substr(64), false, ""},
      {"#signature =" + kSig128, false, ""},
  };
  for (const auto& c : cases) {
    const auto split = SplitSignedText(c.file);
    ASSERT_EQ(split.has_value(), c.found) << c.file;
    if (!split) continue;
    EXPECT_EQ(split->text, c.text);
    EXPECT_EQ(split->signature[0], c.first);
    EXPECT_EQ(split->signature[63], c.first);
  }
}

TEST(SignedInfo, FileChecksParseStrictly) {
  const std::string hex = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  const auto one = ParseFileChecks("3 " + hex + " Tallivo.exe\n\n12 " + hex + " help file.chm\r\n");
  ASSERT_TRUE(one);
  ASSERT_EQ(one->size(), 2u);
  EXPECT_EQ((*one)[0].size, 3u);
  EXPECT_EQ((*one)[0].sha256[0], 0xba);
  EXPECT_EQ((*one)[0].sha256[31], 0xad);
  EXPECT_EQ((*one)[1].name, "help file.chm");
  EXPECT_EQ(FormatFileCheck((*one)[1]), "12 " + hex + " help file.chm\n");
  EXPECT_EQ(FindFileCheck(*one, "TALLIVO.EXE"), &(*one)[0]);
  EXPECT_EQ(FindFileCheck(*one, "Tallivo.ex"), nullptr);
  EXPECT_EQ(FindFileCheck(*one, "Tallivo.exe "), nullptr);
  EXPECT_TRUE(ParseFileChecks("18446744073709551615 " + hex + " a"));
  EXPECT_TRUE(ParseFileChecks(""));

  for (const std::string& bad :
       {"18446744073709551616 " + hex + " a", "-1 " + hex + " a", "+1 " + hex + " a", "0x1 " + hex + " a",
        "1  " + hex + " a", "1 " + hex + " ", "1 " + hex, "1 " + hex.substr(1) + " a", "1 " + hex + "0 a",
        "1 " + hex + " a\tb", " 1 " + hex + " a", "1 " + hex.substr(0, 63) + "z a"}) {
    EXPECT_FALSE(ParseFileChecks("1 " + hex + " ok\n" + bad)) << bad;
  }
}

TEST(SignedInfo, ReadSignedInfoNeedsVersionExpiryAndReadableFiles) {
  const std::string hex(64, '0');
  const std::string files = "#files={\n5 " + hex + " Tallivo.exe\n}\n";
  const InfoDate today{2026, 12, 10};
  const struct {
    std::string text;
    SignedInfoVerdict verdict;
  } cases[] = {
      {"#version=1.0.5.0\n#expires=12/10/2026\n" + files, SignedInfoVerdict::kTrusted},
      {"#version=1.0.5.0\n#expires=01/01/2027\n", SignedInfoVerdict::kTrusted},
      {"#version=1.0.5.0\n#expires=12/09/2026\n" + files, SignedInfoVerdict::kExpired},
      {"#version=1.0.5.0\n#expires=02/30/2027\n" + files, SignedInfoVerdict::kMalformed},
      {"#version=1.0.5.0\n#expires=tomorrow\n" + files, SignedInfoVerdict::kMalformed},
      {"#version=1.0.5.0\n" + files, SignedInfoVerdict::kMalformed},
      {"#expires=01/01/2027\n" + files, SignedInfoVerdict::kMalformed},
      {"#version=1.0.5.0\n#expires=01/01/2027\n#files={\n5 x Tallivo.exe\n}", SignedInfoVerdict::kMalformed},
  };
  for (const auto& c : cases) {
    std::vector<FileCheck> checks;
    EXPECT_EQ(ReadSignedInfo(c.text, today, checks), c.verdict) << c.text;
  }
  std::vector<FileCheck> checks;
  ASSERT_EQ(ReadSignedInfo("#version=2\n#expires=01/01/2027\n" + files, today, checks),
            SignedInfoVerdict::kTrusted);
  ASSERT_EQ(checks.size(), 1u);
  EXPECT_EQ(checks[0].size, 5u);
}

TEST(SignedInfo, PublicKeyFromPEMTakesOnlyP256) {
  // From "openssl pkey -pubin -outform DER": the key's last 64 bytes.
  const std::string pem =
      "-----BEGIN PUBLIC KEY-----\n"
      "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEhdBS9hptmRMkpqPmM/ix/pQvzLDk\n"
      "QFWla6R/HB7uDS2i+ggOJI5AxkUMVcxLu3s1aUHL4BD5EADmWDUxIxPmZg==\n"
      "-----END PUBLIC KEY-----\n";
  const auto key = PublicKeyFromPEM(pem);
  ASSERT_TRUE(key);
  EXPECT_EQ((*key)[0], 0x85);
  EXPECT_EQ((*key)[1], 0xd0);
  EXPECT_EQ((*key)[32], 0xa2);
  EXPECT_EQ((*key)[63], 0x66);
  EXPECT_TRUE(PublicKeyFromPEM("comment\r\n" + pem));

  const std::string p384 =
      "-----BEGIN PUBLIC KEY-----\n"
      "MHYwEAYHKoZIzj0CAQYFK4EEACIDYgAE1c9am/CHHm8Uver5SF0fnotAguGL2IZi\n"
      "4EIng5cuegkMa+0ROsvNrjaOejJcrL3iDgLw2XXEzgSJrJuO05Rk9sBtcw2YDhH6\n"
      "z/l4bD6G6OQWDh3QBprPKMQ02whYupfm\n"
      "-----END PUBLIC KEY-----\n";
  std::string flipped = pem;
  flipped[40] = 'B';  // inside the algorithm identifier
  std::string truncated = pem;
  truncated.erase(pem.find("Zg=="), 4);
  for (const std::string& bad : {p384, flipped, truncated, pem.substr(0, pem.size() - 10),
                                 std::string("-----BEGIN PUBLIC KEY-----\n!!!!\n-----END PUBLIC KEY-----")}) {
    EXPECT_FALSE(PublicKeyFromPEM(bad)) << bad;
  }
}

}  // namespace
}  // namespace tallivo
