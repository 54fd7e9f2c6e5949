// The upgrade information file published beside the program's files: which
// files to download, the version or date it announces, the message and the
// upgrade method. The file comes from the update server: any bytes are
// accepted, nothing throws, and the time taken grows linearly with its size.
//
// Entries are "#name=value" anywhere in the text; names match without regard
// to ASCII case, values keep theirs. The first occurrence of "#name=" counts,
// even inside another entry's value. A line value runs up to the first
// character below 32; a block value ("#name={...}") up to the first "}".
// Either ends at the end of the text. An empty value is an absent one.
#pragma once

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tallivo {

// The value of `key`; empty when the text has none.
std::string GetInfoValue(std::string_view text, std::string_view key, bool isBlock);

// The files to download: "url", then "url0", then "url<N>" for N counting up
// from the number of those two present plus one, up to the first one missing.
// (So with "url0" but no "url", "url1" is never read.)
// Values that hold later entries overlap, and a hostile file of them would
// make the list quadratic in size. So the list also ends before a URL that
// would bring its total length beyond the text's plus kDownloadListSlack;
// URLs that do not overlap never reach that.
inline constexpr std::size_t kDownloadListSlack = std::size_t{1} << 20;
std::vector<std::string> BuildDownloadList(std::string_view text);

// -1, 0 or +1 as `remote` is older than, the same as or newer than `local`.
// Each is read as four dot-separated integers (missing ones 0, extra ones
// ignored): decimal or hexadecimal ("$1F", "0x1F"), optionally signed,
// leading spaces allowed. When any part on either side is not an integer, the
// whole strings are compared byte by byte instead.
// Parts are read as 64-bit integers, and one beyond that range counts as not
// an integer: a huge part never wraps around into a small one. A negative
// part is an ordinary number ("1.-1" is older than "1.0"); no value stands
// for "not an integer".
int CompareVersions(std::string_view remote, std::string_view local);

struct InfoDate {
  int year;
  int month;
  int day;
  friend auto operator<=>(const InfoDate&, const InfoDate&) = default;
  friend bool operator==(const InfoDate&, const InfoDate&) = default;
};

// A month/day/year date ("01/15/2008"), the parts integers as in
// CompareVersions; `today` for anything that is not a calendar date between
// the years 1 and 9999.
InfoDate ParseInfoDate(std::string_view s, InfoDate today);

// "MM/DD/YYYY", as ParseInfoDate reads it.
std::string FormatInfoDate(InfoDate d);

enum class TupVersionControl { byNumber, byDate };

// Whether the file announces a version newer than the installed one: by the
// "version" key against `versionNumber`, or by the "date" key against
// `versionDate` (an unreadable or missing date counts as `today`).
bool IsNewerVersion(std::string_view text, TupVersionControl control, std::string_view versionNumber,
                    std::string_view versionDate, InfoDate today);

enum class TupUpgradeMethod { umSelfUpgrade, umUseExternalSetup, umRedirectToURL };

// By the first character of the "method" key: "1" external setup, "2"
// redirect to a URL, anything else (or none) the program upgrades itself.
TupUpgradeMethod UpgradeMethodOf(std::string_view text);

}  // namespace tallivo
