#include "net/http_options.h"

#include <array>
#include <utility>

#include "net/text_util.h"

namespace tallivo {

std::uint32_t InternetAccessType(TupHTTPAccessType accessType) {
  switch (accessType) {
    case TupHTTPAccessType::atDirect:
      return kInternetOpenTypeDirect;
    case TupHTTPAccessType::atUseProxy:
      return kInternetOpenTypeProxy;
    case TupHTTPAccessType::atPreconfig:
      break;
  }
  return kInternetOpenTypePreconfig;
}

std::uint32_t RequestFlags(std::string_view scheme, TupCacheOptions cacheOptions,
                           TupInternetOptions internetOptions) {
  using enum TupCacheOption;
  using enum TupInternetOption;
  static constexpr std::array<std::pair<TupCacheOption, std::uint32_t>, 6> kCacheFlags = {{
      {coAlwaysReload, kInternetFlagReload},
      {coReloadIfNoExpireInformation, kInternetFlagHyperlink},
      {coReloadUpdatedObjects, kInternetFlagResynchronize},
      {coPragmaNoCache, kInternetFlagPragmaNoCache},
      {coNoCacheWrite, kInternetFlagNoCacheWrite},
      {coUseCacheIfNetFail, kInternetFlagCacheIfNetFail},
  }};
  static constexpr std::array<std::pair<TupInternetOption, std::uint32_t>, 8> kInternetFlags = {{
      {ioIgnoreCertificateInvalid, kInternetFlagIgnoreCertCNInvalid},
      {ioIgnoreCertificateDateInvalid, kInternetFlagIgnoreCertDateInvalid},
      {ioIgnoreRedirectToHTTP, kInternetFlagIgnoreRedirectToHTTP},
      {ioIgnoreRedirectToHTTPS, kInternetFlagIgnoreRedirectToHTTPS},
      {ioKeepConnection, kInternetFlagKeepConnection},
      {ioNoAuthentication, kInternetFlagNoAuth},
      {ioNoAutoRedirect, kInternetFlagNoAutoRedirect},
      {ioNoCookies, kInternetFlagNoCookies},
  }};

  std::uint32_t flags = 0;
  const bool secure = AsciiLower(scheme) == "https";
  if (secure) flags |= kInternetFlagSecure;
  if (!secure && cacheOptions.Has(coCreateTempFilesIfCantCache)) flags |= kInternetFlagNeedFile;
  for (const auto& [option, flag] : kCacheFlags) {
    if (cacheOptions.Has(option)) flags |= flag;
  }
  for (const auto& [option, flag] : kInternetFlags) {
    if (internetOptions.Has(option)) flags |= flag;
  }
  return flags;
}

}  // namespace tallivo
