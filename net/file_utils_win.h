// Files and folders for the updater and the HTTP component: the temporary
// folder, file times, sizes and attributes, and resources copied out of a
// module. None throws; failures show in the result.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "net/file_attributes.h"
#include "net/stream.h"

namespace tallivo {

// True when `path` exists and is a folder.
bool FolderExists(std::string_view path);

// The temporary folder with a trailing backslash, or the folder of the
// running executable when the temporary one does not exist.
std::string GetTempDirectory();

// Sets the times of an existing file that can be opened for writing; -1 for a
// date-time leaves that time as it is, so does one outside the years
// 1980..2107. Times go in as given (no local-to-UTC conversion) at the
// 2-second resolution of DOS times. False when the file cannot be opened or
// the times not set.
bool SetFileTimes(std::string_view fileName, double creationTime, double lastWriteTime,
                  double lastAccessTime);

// The size of an existing file in bytes; -1 when it cannot be opened or measured.
std::int64_t FileSizeOf(std::string_view fileName);

// Writes the resource `name` of type `resourceType` in `module` to `stream`;
// false for a null stream, a missing or empty resource, or a failed write.
bool CopyResourceToStream(HMODULE module, std::string_view name, std::string_view resourceType,
                          TupStream* stream);

// Gives the file exactly `attributes` (the empty set: none); true when set.
bool ApplyFileAttributes(std::string_view fileName, TupFileAttributes attributes);

}  // namespace tallivo
