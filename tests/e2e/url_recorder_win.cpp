// Stands in for the web browser in the end-to-end tests. Started as
//   url_recorder.exe <record file> <arguments...>
// it writes the arguments after the record file, one a line in UTF-8, and
// exits 0. The file appears complete or not at all, so a test can wait for it.
#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

#include <string>

namespace {

class Arguments {
 public:
  Arguments() : argv_(CommandLineToArgvW(GetCommandLineW(), &count_)) {}
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;
  ~Arguments() { LocalFree(argv_); }
  int Count() const { return argv_ ? count_ : 0; }
  const wchar_t* operator[](int i) const { return argv_[i]; }

 private:
  int count_ = 0;
  wchar_t** argv_;
};

class File {
 public:
  explicit File(const std::wstring& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr)) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool Write(const std::string& bytes) {
    DWORD written = 0;
    return handle_ != INVALID_HANDLE_VALUE &&
           WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }

 private:
  HANDLE handle_;
};

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.pop_back();
  return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const Arguments arguments;
  if (arguments.Count() < 2) return 2;
  std::string record;
  for (int i = 2; i < arguments.Count(); ++i) record += Utf8(arguments[i]) + "\n";
  const std::wstring target = arguments[1];
  const std::wstring partial = target + L".part";
  {
    File file(partial);
    if (!file.Write(record)) return 1;
  }
  return MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
