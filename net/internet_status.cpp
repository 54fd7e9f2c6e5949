#include "net/internet_status.h"

#include <array>
#include <utility>

namespace tallivo {

std::string_view InternetStatusText(std::uint32_t statusCode) {
  static constexpr std::array<std::pair<std::uint32_t, std::string_view>, 18> kTexts = {{
      {10, "Resolving name"},          // INTERNET_STATUS_RESOLVING_NAME
      {11, "Name resolved"},           // INTERNET_STATUS_NAME_RESOLVED
      {20, "Connecting to server"},    // INTERNET_STATUS_CONNECTING_TO_SERVER
      {21, "Connected"},               // INTERNET_STATUS_CONNECTED_TO_SERVER
      {30, "Sending Request"},         // INTERNET_STATUS_SENDING_REQUEST
      {31, "Request sent"},            // INTERNET_STATUS_REQUEST_SENT
      {40, "Receiving response"},      // INTERNET_STATUS_RECEIVING_RESPONSE
      {41, "Response received"},       // INTERNET_STATUS_RESPONSE_RECEIVED
      {42, "CTL Response received"},   // INTERNET_STATUS_CTL_RESPONSE_RECEIVED
      {43, "Prefetch"},                // INTERNET_STATUS_PREFETCH
      {50, "Closing connection"},      // INTERNET_STATUS_CLOSING_CONNECTION
      {51, "Connection closed"},       // INTERNET_STATUS_CONNECTION_CLOSED
      {60, "Handle created"},          // INTERNET_STATUS_HANDLE_CREATED
      {70, "Handle closing"},          // INTERNET_STATUS_HANDLE_CLOSING
      {100, "Request complete"},       // INTERNET_STATUS_REQUEST_COMPLETE
      {110, "Redirect"},               // INTERNET_STATUS_REDIRECT
      {120, "Intermediate response"},  // INTERNET_STATUS_INTERMEDIATE_RESPONSE
      {200, "State change"},           // INTERNET_STATUS_STATE_CHANGE
  }};
  for (const auto& [code, text] : kTexts) {
    if (code == statusCode) return text;
  }
  return "Unknown status";
}

std::string RedirectURL(const char* statusInformation, std::uint32_t length) {
  if (statusInformation == nullptr || length == 0) return {};
  const std::string_view text(statusInformation, length - 1);
  return std::string(text.substr(0, text.find('\0')));
}

}  // namespace tallivo
