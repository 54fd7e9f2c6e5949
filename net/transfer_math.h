// The pieces of an HTTP transfer that are text and arithmetic: header values
// read from the server, the request's extra headers, progress statistics.
// Server text: any bytes are accepted, nothing throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallivo {

// A Content-Length value: decimal digits, blanks (TrimBlanks) around them allowed; nullopt
// for anything else or a value beyond 64 bits.
std::optional<std::uint64_t> ParseContentLength(std::string_view text);

// A status line's code: its text as an integer, 0 when it is not a number.
int ParseStatusCode(std::string_view text);

// The realm of a WWW-Authenticate value: the text between `="` and the next
// double quote (or the end); the whole value when it has no `="`.
std::string RealmOf(std::string_view wwwAuthenticate);

// The request's extra header text: each line followed by CR LF, then the
// range line when either end is non-zero (an end of 0 leaves the range
// open). Lines holding CR or LF are left out: they would smuggle headers.
std::string ExtraHeaderText(const std::vector<std::string>& lines, std::uint32_t startRange,
                            std::uint32_t endRange);

struct TransferStatistics {
  std::uint8_t percentDone = 0;
  std::int32_t elapsedTime = 0;    // seconds
  std::int32_t remainingTime = 0;  // seconds; minus elapsedTime when the total is not known
  float transferRate = 0;          // KB per second
};

// The statistics after `bytesTransferred` of `contentLength` (0: not known)
// bytes in `elapsedMs` milliseconds.
TransferStatistics ComputeStatistics(std::uint32_t contentLength, std::uint32_t bytesTransferred,
                                     std::uint32_t elapsedMs);

}  // namespace tallivo
