// The update finisher's decisions, apart from Win32 so that they are tested
// natively: how its command line splits and reads, which file each
// downloaded ".uTMP" file replaces, and what each must be. The finisher links no C runtime, so
// nothing here allocates, throws or calls into a library: of
// std::wstring_view only data(), size(), [] and the (pointer, length)
// constructor are used, which are header-only.
#pragma once

#include <cstddef>
#include <string_view>

namespace tallivo::finisher {

// What the finisher does once the files are in place.
enum class Method {
  kSelfUpgrade,  // restart the program ("0")
  kSetup,        // run the downloaded setup program, then restart the program ("1")
};

// The finisher's command line, read. The views point into the caller's buffer.
struct Request {
  std::wstring_view program;  // the program's full path; empty when none was given
  std::wstring_view params;   // what the program is restarted with
  Method method = Method::kSelfUpgrade;
};

// What a downloaded file becomes.
enum class Role {
  kIgnore,   // not a downloaded file: leave it alone
  kFile,     // replaces its namesake
  kProgram,  // a new program under another name: replaces the program
  kSetup,    // the setup program to run
};

struct Target {
  std::wstring_view name;  // the file name in the program's folder
  Role role = Role::kIgnore;
};

// The suffix the program gives the files it downloads.
inline constexpr std::wstring_view kPendingSuffix{L".uTMP", 5};

// The characters of a zero-terminated string, without the terminator.
std::wstring_view View(const wchar_t* text);

// Splits `line` the way Windows programs split theirs: runs of characters up
// to ' ' separate arguments, double quotes group and are dropped (so `""` is
// an empty argument). Writes each argument into `out`, which must hold
// line.size() + 1 characters, followed by one L'\0'; returns their number.
std::size_t SplitArguments(std::wstring_view line, wchar_t* out);

// Reads the finisher's whole command line, its own path first, with `buffer`
// holding line.size() + 1 characters.
//   "<finisher>" "<program>" "+<params><digit>"   (quoted, as the program writes it)
//   <finisher> <program with spaces> +<params><digit>   (older programs)
// With two or more arguments after the finisher's own and the last starting
// with "+", the program path is the others joined with single spaces, and the
// last without its "+" holds the restart parameters and then the method digit
// ("1" setup, another digit self-upgrade; no digit at the end: self-upgrade,
// all of it parameters). Otherwise all of them joined are the program path.
Request ReadRequest(std::wstring_view line, wchar_t* buffer);

// The length of the folder in `path`: up to and including its last '\'.
std::size_t FolderLength(std::wstring_view path);

// Decides what the downloaded file `listed` (its name as the folder lists it)
// becomes. The first name ending in lower-case "exe" that comes while no
// replacement of the program has been seen is, by `method`, the new program
// (named `program_name`) or the setup program; that counts as a replacement
// from then on. Any other name just loses its ".uTMP".
Target DecideTarget(std::wstring_view listed, std::wstring_view program_name, Method method,
                    bool& replacement_seen);

// Writes `"<program>" <params>` and a terminator to `out`, which must hold
// program.size() + params.size() + 4 characters; returns the length written
// without the terminator. No space follows the path when there are no params.
std::size_t BuildCommandLine(std::wstring_view program, std::wstring_view params, wchar_t* out);

// What the program says a downloaded file must be.
struct Check {
  unsigned long long size;
  unsigned char sha256[32];
};

// The environment variable in which the program lists each file's check.
inline constexpr wchar_t kChecksVariable[] = L"UPDFINISH_FILES";

// Finds the check for the file `name` (its name without ".uTMP") in `list`:
// lines "<size> <sha256> <name>", each ended by LF. The size is decimal, at
// most 19 digits; the SHA-256 is 64 hex digits in either case; single spaces
// separate; the name, which may hold spaces, matches without regard to ASCII
// letter case. A line without its LF lists nothing. A name listed twice, or
// on a line with a malformed SHA-256, counts as not listed: nobody can tell
// what was meant.
bool FindCheck(std::wstring_view list, std::wstring_view name, Check& check);

// Copies `text` to `out` and returns the position after it (no terminator).
wchar_t* Append(wchar_t* out, std::wstring_view text);

}  // namespace tallivo::finisher
