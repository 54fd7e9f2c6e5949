// The HTTP component's option sets and how they map onto WinInet's numbers.
// The numbers are WinInet's documented values, spelled out here so that this
// file needs no Windows header.
#pragma once

#include <cstdint>
#include <string_view>

#include "ui/published.h"

namespace tallivo {

enum class TupHTTPAccessType { atPreconfig, atDirect, atUseProxy };

// Stored sets use the member positions as bit numbers: keep this order.
enum class TupCacheOption {
  coAlwaysReload,
  coReloadIfNoExpireInformation,
  coReloadUpdatedObjects,
  coPragmaNoCache,
  coNoCacheWrite,
  coCreateTempFilesIfCantCache,
  coUseCacheIfNetFail
};
using TupCacheOptions = ui::Set<TupCacheOption>;

// Stored sets use the member positions as bit numbers: keep this order.
// The two ioIgnoreCertificate... options switch off the check that the server
// is who it claims to be: never set them for downloads that will be run.
enum class TupInternetOption {
  ioIgnoreCertificateInvalid,
  ioIgnoreCertificateDateInvalid,
  ioIgnoreRedirectToHTTP,
  ioIgnoreRedirectToHTTPS,
  ioKeepConnection,
  ioNoAuthentication,
  ioNoAutoRedirect,
  ioNoCookies
};
using TupInternetOptions = ui::Set<TupInternetOption>;

inline constexpr TupCacheOptions kDefaultCacheOptions = {TupCacheOption::coReloadIfNoExpireInformation,
                                                         TupCacheOption::coReloadUpdatedObjects,
                                                         TupCacheOption::coCreateTempFilesIfCantCache};
inline constexpr TupInternetOptions kDefaultInternetOptions = {TupInternetOption::ioKeepConnection};

// InternetOpenA access types.
inline constexpr std::uint32_t kInternetOpenTypePreconfig = 0;  // INTERNET_OPEN_TYPE_PRECONFIG
inline constexpr std::uint32_t kInternetOpenTypeDirect = 1;     // INTERNET_OPEN_TYPE_DIRECT
inline constexpr std::uint32_t kInternetOpenTypeProxy = 3;      // INTERNET_OPEN_TYPE_PROXY

// HttpOpenRequestA flags (INTERNET_FLAG_...).
inline constexpr std::uint32_t kInternetFlagNeedFile = 0x00000010;
inline constexpr std::uint32_t kInternetFlagPragmaNoCache = 0x00000100;
inline constexpr std::uint32_t kInternetFlagHyperlink = 0x00000400;
inline constexpr std::uint32_t kInternetFlagResynchronize = 0x00000800;
inline constexpr std::uint32_t kInternetFlagIgnoreCertCNInvalid = 0x00001000;
inline constexpr std::uint32_t kInternetFlagIgnoreCertDateInvalid = 0x00002000;
inline constexpr std::uint32_t kInternetFlagIgnoreRedirectToHTTPS = 0x00004000;
inline constexpr std::uint32_t kInternetFlagIgnoreRedirectToHTTP = 0x00008000;
inline constexpr std::uint32_t kInternetFlagCacheIfNetFail = 0x00010000;
inline constexpr std::uint32_t kInternetFlagNoAuth = 0x00040000;
inline constexpr std::uint32_t kInternetFlagNoCookies = 0x00080000;
inline constexpr std::uint32_t kInternetFlagNoAutoRedirect = 0x00200000;
inline constexpr std::uint32_t kInternetFlagKeepConnection = 0x00400000;
inline constexpr std::uint32_t kInternetFlagSecure = 0x00800000;
inline constexpr std::uint32_t kInternetFlagNoCacheWrite = 0x04000000;
inline constexpr std::uint32_t kInternetFlagReload = 0x80000000;

// The InternetOpenA access type for `accessType`.
std::uint32_t InternetAccessType(TupHTTPAccessType accessType);

// The HttpOpenRequestA flags for a request of `scheme` (ASCII case-insensitive
// "https" is secure) with these cache and connection options.
std::uint32_t RequestFlags(std::string_view scheme, TupCacheOptions cacheOptions,
                           TupInternetOptions internetOptions);

}  // namespace tallivo
