#include "net/http_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/file_attributes.h"
#include "net/internet_status.h"

namespace tallivo {
namespace {

using enum TupCacheOption;
using enum TupInternetOption;

// Expected numbers are WinInet's documented values, written out here.
TEST(HttpOptions, AccessTypes) {
  EXPECT_EQ(InternetAccessType(TupHTTPAccessType::atPreconfig), 0u);
  EXPECT_EQ(InternetAccessType(TupHTTPAccessType::atDirect), 1u);
  EXPECT_EQ(InternetAccessType(TupHTTPAccessType::atUseProxy), 3u);
}

TEST(HttpOptions, RequestFlags) {
  struct Case {
    std::string scheme;
    TupCacheOptions cache;
    TupInternetOptions internet;
    std::uint32_t flags;
  };
  const TupCacheOptions allCache = {
      coAlwaysReload, coReloadIfNoExpireInformation, coReloadUpdatedObjects, coPragmaNoCache,
      coNoCacheWrite, coCreateTempFilesIfCantCache,  coUseCacheIfNetFail};
  const TupInternetOptions allInternet = {ioIgnoreCertificateInvalid, ioIgnoreCertificateDateInvalid,
                                          ioIgnoreRedirectToHTTP,     ioIgnoreRedirectToHTTPS,
                                          ioKeepConnection,           ioNoAuthentication,
                                          ioNoAutoRedirect,           ioNoCookies};
  const std::vector<Case> cases = {
      {"http", kDefaultCacheOptions, kDefaultInternetOptions, 0x00400C10},
      {"https", kDefaultCacheOptions, kDefaultInternetOptions, 0x00C00C00},
      {"HTTPS", kDefaultCacheOptions, kDefaultInternetOptions, 0x00C00C00},
      {"http", {}, {}, 0},
      {"https", {}, {}, 0x00800000},
      {"http", {coCreateTempFilesIfCantCache}, {}, 0x00000010},
      {"https", {coCreateTempFilesIfCantCache}, {}, 0x00800000},
      {"file", {coCreateTempFilesIfCantCache}, {}, 0x00000010},
      {"http", {coAlwaysReload}, {}, 0x80000000},
      {"http", {coReloadIfNoExpireInformation}, {}, 0x00000400},
      {"http", {coReloadUpdatedObjects}, {}, 0x00000800},
      {"http", {coPragmaNoCache}, {}, 0x00000100},
      {"http", {coNoCacheWrite}, {}, 0x04000000},
      {"http", {coUseCacheIfNetFail}, {}, 0x00010000},
      {"http", {}, {ioIgnoreCertificateInvalid}, 0x00001000},
      {"http", {}, {ioIgnoreCertificateDateInvalid}, 0x00002000},
      {"http", {}, {ioIgnoreRedirectToHTTP}, 0x00008000},
      {"http", {}, {ioIgnoreRedirectToHTTPS}, 0x00004000},
      {"http", {}, {ioKeepConnection}, 0x00400000},
      {"http", {}, {ioNoAuthentication}, 0x00040000},
      {"http", {}, {ioNoAutoRedirect}, 0x00200000},
      {"http", {}, {ioNoCookies}, 0x00080000},
      {"http", allCache, allInternet, 0x846DFD10},
      {"https", allCache, allInternet, 0x84EDFD00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scheme + " " + std::to_string(c.cache.Bits()) + "/" + std::to_string(c.internet.Bits()));
    EXPECT_EQ(RequestFlags(c.scheme, c.cache, c.internet), c.flags);
  }
}

TEST(HttpOptions, StatusTexts) {
  const std::vector<std::pair<std::uint32_t, std::string_view>> cases = {
      {10, "Resolving name"},         {11, "Name resolved"},
      {20, "Connecting to server"},   {21, "Connected"},
      {30, "Sending Request"},        {31, "Request sent"},
      {40, "Receiving response"},     {41, "Response received"},
      {42, "CTL Response received"},  {43, "Prefetch"},
      {50, "Closing connection"},     {51, "Connection closed"},
      {60, "Handle created"},         {70, "Handle closing"},
      {100, "Request complete"},      {110, "Redirect"},
      {120, "Intermediate response"}, {200, "State change"},
      {44, "Unknown status"},         {0, "Unknown status"},
      {101, "Unknown status"},        {0xFFFFFFFF, "Unknown status"},
  };
  for (const auto& [code, text] : cases) {
    SCOPED_TRACE(code);
    EXPECT_EQ(InternetStatusText(code), text);
  }
}

TEST(HttpOptions, RedirectURLStopsAtItsEnd) {
  struct Case {
    const char* information;
    std::uint32_t length;
    std::string url;
  };
  const std::vector<Case> cases = {
      {"http://x/y\0", 11, "http://x/y"},
      {"ab\0cd\0", 6, "ab"},
      {"x\0", 1, ""},
      {"abc", 0, ""},
      {nullptr, 5, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(RedirectURL(c.information, c.length), c.url);
  }
}

TEST(HttpOptions, FileAttributes) {
  using enum TupFileAttribute;
  const std::vector<std::pair<TupFileAttributes, std::uint32_t>> cases = {
      {{}, 0},
      {{atrArchive}, 32},
      {{atrHidden}, 2},
      {{atrReadOnly}, 1},
      {{atrSystem}, 4},
      {{atrTemporary}, 256},
      {{atrOffline}, 4096},
      {{atrArchive, atrTemporary}, 288},
      {{atrArchive, atrHidden, atrReadOnly, atrSystem, atrTemporary, atrOffline}, 4391},
  };
  for (const auto& [attributes, flags] : cases) {
    SCOPED_TRACE(attributes.Bits());
    EXPECT_EQ(FileAttributeFlags(attributes), flags);
  }
}

}  // namespace
}  // namespace tallivo
