#include "upgrader/finisher/finisher.h"

namespace tallivo::finisher {
namespace {

bool EndsWith(std::wstring_view text, std::wstring_view tail, bool ignore_ascii_case) {
  if (tail.size() > text.size()) return false;
  const wchar_t* start = text.data() + (text.size() - tail.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    wchar_t a = start[i];
    wchar_t b = tail[i];
    if (ignore_ascii_case) {
      if (a >= L'A' && a <= L'Z') a = static_cast<wchar_t>(a - L'A' + L'a');
      if (b >= L'A' && b <= L'Z') b = static_cast<wchar_t>(b - L'A' + L'a');
    }
    if (a != b) return false;
  }
  return true;
}

}  // namespace

std::wstring_view View(const wchar_t* text) {
  std::size_t size = 0;
  if (text != nullptr) {
    while (text[size] != L'\0') ++size;
  }
  return {text, size};
}

std::size_t SplitArguments(std::wstring_view line, wchar_t* out) {
  std::size_t count = 0;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && line[i] <= L' ') ++i;
    if (i == line.size()) break;
    bool quoted = false;
    for (; i < line.size() && (quoted || line[i] > L' '); ++i) {
      if (line[i] == L'"') {
        quoted = !quoted;
      } else {
        *out++ = line[i];
      }
    }
    *out++ = L'\0';
    ++count;
  }
  return count;
}

Request ReadRequest(std::wstring_view line, wchar_t* buffer) {
  Request request;
  const std::size_t count = SplitArguments(line, buffer);
  if (count < 2) return request;

  // The arguments lie one after another, each ended by one L'\0': joining a
  // run of them with single spaces is turning the L'\0's between into spaces.
  wchar_t* first = buffer;
  while (*first != L'\0') ++first;
  ++first;
  wchar_t* last = first;
  wchar_t* end = first;
  for (std::size_t n = 1; n < count; ++n) {
    last = end;
    while (*end != L'\0') ++end;
    if (n + 1 < count) ++end;
  }

  wchar_t* program_end = end;
  if (count >= 3 && *last == L'+') {
    program_end = last - 1;
    std::wstring_view params{last + 1, static_cast<std::size_t>(end - last - 1)};
    if (!params.empty() && params[params.size() - 1] >= L'0' && params[params.size() - 1] <= L'9') {
      if (params[params.size() - 1] == L'1') request.method = Method::kSetup;
      params = {params.data(), params.size() - 1};
    }
    request.params = params;
  }
  for (wchar_t* p = first; p < program_end; ++p) {
    if (*p == L'\0') *p = L' ';
  }
  request.program = {first, static_cast<std::size_t>(program_end - first)};
  return request;
}

std::size_t FolderLength(std::wstring_view path) {
  std::size_t length = path.size();
  while (length > 0 && path[length - 1] != L'\\') --length;
  return length;
}

Target DecideTarget(std::wstring_view listed, std::wstring_view program_name, Method method,
                    bool& replacement_seen) {
  // The folder lists short names too: "*.uTMP" can match a name that does not end so.
  if (listed.size() <= kPendingSuffix.size() || !EndsWith(listed, kPendingSuffix, true)) return {};
  Target target{{listed.data(), listed.size() - kPendingSuffix.size()}, Role::kFile};
  // Only a lower-case "exe" is the program's: "SETUP.EXE" is a file like any other.
  if (!replacement_seen && EndsWith(target.name, {L"exe", 3}, false)) {
    if (method == Method::kSetup) {
      target.role = Role::kSetup;
      replacement_seen = true;
    } else if (!program_name.empty()) {
      target = {program_name, Role::kProgram};
      replacement_seen = true;
    }
  }
  return target;
}

bool FindCheck(std::wstring_view list, std::wstring_view name, Check& check) {
  int lines = 0;
  bool valid = false;
  std::size_t start = 0;
  for (std::size_t end = 0; end < list.size(); ++end) {
    if (list[end] != L'\n') continue;
    const wchar_t* line = list.data() + start;
    const std::size_t length = end - start;
    start = end + 1;
    // At most 19 digits, which cannot overflow: no file is that large.
    std::size_t digits = 0;
    unsigned long long size = 0;
    for (unsigned digit;
         digits < 20 && digits < length && (digit = static_cast<unsigned>(line[digits] - L'0')) <= 9;
         ++digits) {
      size = size * 10 + digit;
    }
    // The name starts after the digits, a space, 64 hex digits and a space, and is not empty.
    if (digits == 0 || digits == 20 || length <= digits + 66 || line[digits] != L' ' ||
        line[digits + 65] != L' ' || length - digits - 66 != name.size() ||
        !EndsWith({line + digits + 66, name.size()}, name, true)) {
      continue;
    }
    ++lines;
    check.size = size;
    valid = true;
    for (std::size_t k = 0; k < 64; ++k) {
      unsigned c = static_cast<unsigned>(line[digits + 1 + k]);
      if (c - L'0' <= 9) {
        c -= L'0';
      } else if ((c | 0x20U) - L'a' <= 5) {  // either case
        c = (c | 0x20U) - L'a' + 10;
      } else {
        valid = false;
      }
      check.sha256[k / 2] = static_cast<unsigned char>(k % 2 == 0 ? c << 4 : check.sha256[k / 2] | c);
    }
  }
  return lines == 1 && valid;
}

wchar_t* Append(wchar_t* out, std::wstring_view text) {
  for (wchar_t c : text) *out++ = c;
  return out;
}

std::size_t BuildCommandLine(std::wstring_view program, std::wstring_view params, wchar_t* out) {
  wchar_t* p = out;
  *p++ = L'"';
  p = Append(p, program);
  *p++ = L'"';
  if (!params.empty()) {
    *p++ = L' ';
    p = Append(p, params);
  }
  *p = L'\0';
  return static_cast<std::size_t>(p - out);
}

}  // namespace tallivo::finisher
