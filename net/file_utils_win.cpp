// Files through the Unicode API: paths are UTF-8 inside and may be longer
// than MAX_PATH.
#include "net/file_utils_win.h"

#include <cmath>
#include <optional>

#include "base/handles_win.h"
#include "base/text_win.h"
#include "net/text_util.h"

namespace tallivo {
namespace {

std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    // A cut-off path fills the whole buffer.
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring TempPath() {
  std::wstring path(MAX_PATH + 1, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n = GetTempPathW(static_cast<DWORD>(path.size()), path.data());
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(n + 1);  // n is the size needed, null included
  }
  return {};
}

// The DOS date and time of a date-time in the years 1980..2107, seconds
// rounded down to even; nullopt outside them.
std::optional<std::pair<WORD, WORD>> ToDosDateTime(double dateTime) {
  constexpr double kFirstDay = 29221;     // 1 January 1980
  constexpr double kPastLastDay = 76338;  // 1 January 2108
  if (!std::isfinite(dateTime) || dateTime < kFirstDay || dateTime >= kPastLastDay) return std::nullopt;
  const long long ms = std::llround(dateTime * 86400000.0);
  const long long days = ms / 86400000;
  const long long msOfDay = ms % 86400000;
  // Civil date from a day count (days from 1 March of year 0).
  const long long z = days - 25569 + 719468;  // 25569: 1 January 1970
  const long long era = z / 146097;
  const long long dayOfEra = z - era * 146097;
  const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long mp = (5 * dayOfYear + 2) / 153;
  const long long day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const long long month = mp < 10 ? mp + 3 : mp - 9;
  const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  if (year < 1980 || year > 2107) return std::nullopt;
  const long long seconds = msOfDay / 1000;
  const auto dosDate = static_cast<WORD>(day | (month << 5) | ((year - 1980) << 9));
  const auto dosTime =
      static_cast<WORD>((seconds % 60) / 2 | ((seconds / 60 % 60) << 5) | ((seconds / 3600) << 11));
  return std::pair{dosDate, dosTime};
}

// Replaces `time` with `dateTime` unless that is -1 or cannot be converted.
void ReplaceTime(FILETIME& time, double dateTime) {
  if (dateTime == -1) return;
  const auto dos = ToDosDateTime(dateTime);
  if (!dos) return;
  FILETIME converted{};
  if (DosDateTimeToFileTime(dos->first, dos->second, &converted)) time = converted;
}

}  // namespace

bool FolderExists(std::string_view path) {
  try {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  } catch (...) {
    return false;
  }
}

std::string GetTempDirectory() {
  try {
    std::string folder = Narrow(TempPath());
    // An empty answer stays empty: "\" would name the root of the current drive.
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    if (FolderExists(folder)) return folder;
    return std::string(FileFolder(Narrow(ExecutablePath())));
  } catch (...) {
    return {};
  }
}

bool SetFileTimes(std::string_view fileName, double creationTime, double lastWriteTime,
                  double lastAccessTime) {
  try {
    // Opened for writing, as the change needs, plus the right to read the old times.
    const UniqueFile file(CreateFileW(Widen(fileName).c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    if (!file) return false;
    FILETIME creation{};
    FILETIME lastAccess{};
    FILETIME lastWrite{};
    GetFileTime(file.Get(), &creation, &lastAccess, &lastWrite);
    ReplaceTime(creation, creationTime);
    ReplaceTime(lastWrite, lastWriteTime);
    ReplaceTime(lastAccess, lastAccessTime);
    return SetFileTime(file.Get(), &creation, &lastAccess, &lastWrite) != FALSE;
  } catch (...) {
    return false;
  }
}

std::int64_t FileSizeOf(std::string_view fileName) {
  try {
    const UniqueFile file(CreateFileW(Widen(fileName).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    if (!file) return -1;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) return -1;
    return size.QuadPart;
  } catch (...) {
    return -1;
  }
}

bool CopyResourceToStream(HMODULE module, std::string_view name, std::string_view resourceType,
                          TupStream* stream) {
  if (!stream) return false;
  try {
    const HRSRC info = FindResourceW(module, Widen(name).c_str(), Widen(resourceType).c_str());
    if (!info) return false;
    // Loaded resources belong to the module: nothing to free.
    const HGLOBAL loaded = LoadResource(module, info);
    if (!loaded) return false;
    const void* data = LockResource(loaded);
    const DWORD size = SizeofResource(module, info);
    if (!data || size == 0) return false;
    return stream->Write(data, size);
  } catch (...) {
    return false;
  }
}

bool ApplyFileAttributes(std::string_view fileName, TupFileAttributes attributes) {
  try {
    return SetFileAttributesW(Widen(fileName).c_str(), FileAttributeFlags(attributes)) != FALSE;
  } catch (...) {
    return false;
  }
}

}  // namespace tallivo
