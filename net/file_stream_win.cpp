#include "net/file_stream_win.h"

#include <algorithm>
#include <climits>

#include "base/text_win.h"

namespace tallivo {
namespace {

std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::wstring message(text ? text : L"", n);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
  return Narrow(message);
}

std::wstring FullName(const std::wstring& name) {
  const DWORD n = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (n == 0) return name;
  std::wstring full(n, L'\0');
  const DWORD got = GetFullPathNameW(name.c_str(), n, full.data(), nullptr);
  if (got == 0 || got >= n) return name;
  full.resize(got);
  return full;
}

}  // namespace

TupFileStream::TupFileStream(const std::string& fileName, bool liftProtection) {
  const std::wstring name = Widen(fileName);
  const DWORD before = liftProtection ? GetFileAttributesW(name.c_str()) : INVALID_FILE_ATTRIBUTES;
  const bool existed = before != INVALID_FILE_ATTRIBUTES;
  if (existed && (before & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY)))
    SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_ARCHIVE);
  file_.Reset(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) {
    const DWORD error = GetLastError();
    throw EFCreateError("Cannot create file \"" + Narrow(FullName(name)) + "\". " + SystemMessage(error));
  }
  if (existed) SetFileAttributesW(name.c_str(), before);
}

bool TupFileStream::Write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size, UINT_MAX / 2));
    DWORD written = 0;
    if (!WriteFile(file_.Get(), bytes, chunk, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

std::size_t TupFileStream::Read(void* data, std::size_t size) {
  auto* bytes = static_cast<std::uint8_t*>(data);
  std::size_t total = 0;
  while (total < size) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size - total, UINT_MAX / 2));
    DWORD read = 0;
    if (!ReadFile(file_.Get(), bytes + total, chunk, &read, nullptr) || read == 0) break;
    total += read;
  }
  return total;
}

std::int64_t TupFileStream::Position() const {
  LARGE_INTEGER zero{};
  LARGE_INTEGER position{};
  return SetFilePointerEx(file_.Get(), zero, &position, FILE_CURRENT) ? position.QuadPart : -1;
}

bool TupFileStream::SetPosition(std::int64_t position) {
  LARGE_INTEGER to{};
  to.QuadPart = position;
  return position >= 0 && SetFilePointerEx(file_.Get(), to, nullptr, FILE_BEGIN);
}

std::int64_t TupFileStream::Size() const {
  LARGE_INTEGER size{};
  return GetFileSizeEx(file_.Get(), &size) ? size.QuadPart : -1;
}

}  // namespace tallivo
