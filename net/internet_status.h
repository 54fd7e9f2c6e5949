// WinInet status notifications as the HTTP component reports them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tallivo {

inline constexpr std::uint32_t kInternetStatusRedirect = 110;  // INTERNET_STATUS_REDIRECT

// The text shown for a status code (INTERNET_STATUS_...), "Unknown status"
// for a code without one.
std::string_view InternetStatusText(std::uint32_t statusCode);

// The new URL of a redirect notification: the status information without its
// terminating zero (length counts it), ending at the first zero byte; empty
// for no information or a length of 0.
std::string RedirectURL(const char* statusInformation, std::uint32_t length);

}  // namespace tallivo
