// UpdFinish.exe: completes a self-update once the program has closed. The
// program downloads its new files beside the old ones as "<name>.uTMP",
// writes this finisher to the temporary folder, starts it and exits; the
// finisher waits until the program's executable is free, moves each ".uTMP"
// file over the file it replaces and starts the program again. When the
// program lists each file's size and SHA-256 (see kChecksVariable), it moves
// the files only if every one of them matches, and otherwise deletes them all.
//
// It runs from the temporary folder, where anyone may drop a DLL, so it links
// no C runtime and nothing but kernel32 and user32, and its first act is to
// keep any later DLL load to the system folder. SHA-256 comes from the
// system's bcrypt.dll, loaded only when the checks are asked for.
#include <windows.h>
// For the function types only: bcrypt.dll is loaded by hand.
#include <bcrypt.h>

#include "upgrader/finisher/finisher.h"

using namespace tallivo::finisher;

namespace {

// The program has this long to close after starting the finisher. After that
// it is taken to be still running: nothing is replaced and no second copy is
// started; the files stay for the next update to try again.
constexpr DWORD kProgramWaitMs = 120 * 1000;
// A setup program waits for its user, who may take a while.
constexpr DWORD kSetupWaitMs = 30 * 60 * 1000;
// How often the program's file is tried while it is in use.
constexpr DWORD kPollMs = 100;
// A virus scanner may hold a new file for a moment: a move or a delete is
// tried this often, kRetryMs apart, before it is given up.
constexpr int kTries = 8;
constexpr DWORD kRetryMs = 250;

constexpr DWORD kBlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

constexpr wchar_t kCaption[] = L"Update finisher v1.0";
constexpr wchar_t kAbout[] = L"Self-upgrading mechanism for the updater component.\nComes with Tallivo.";

// How much of a file is hashed at a time.
constexpr DWORD kChunk = 64 * 1024;

// Memory is never freed: the process is short and ends with ExitProcess.
void* AllocateBytes(std::size_t bytes) {
  void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
  if (memory == nullptr) ExitProcess(0);
  return memory;
}

wchar_t* Allocate(std::size_t chars) {
  return static_cast<wchar_t*>(AllocateBytes(chars * sizeof(wchar_t)));
}

// a + b + c, zero-terminated.
wchar_t* Join(std::wstring_view a, std::wstring_view b = {}, std::wstring_view c = {}) {
  wchar_t* out = Allocate(a.size() + b.size() + c.size() + 1);
  *Append(Append(Append(out, a), b), c) = L'\0';
  return out;
}

// Waits up to `ms` for `handle` (none: just the time), handing on any message
// that arrives meanwhile; true when the handle was signalled.
// Tick differences are unsigned, so the counter wrapping around does no harm.
bool Wait(HANDLE handle, DWORD ms) {
  const DWORD start = GetTickCount();
  const DWORD count = handle != nullptr ? 1 : 0;
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return false;
    const DWORD result = MsgWaitForMultipleObjects(count, &handle, FALSE, ms - elapsed, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0 && count == 1) return true;
    if (result == WAIT_TIMEOUT || result == WAIT_FAILED) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

// Waits until the program's file can be opened for writing, which Windows
// refuses while the program runs from it; false when the time is up.
bool WaitUntilFree(const wchar_t* path) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
  const DWORD start = GetTickCount();
  for (;;) {
    const HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
    if (GetTickCount() - start >= kProgramWaitMs) return false;
    Wait(nullptr, kPollMs);
  }
}

// Opens a downloaded file so that, while it stays open, nobody can write,
// rename or delete it: what was checked through the handle is what is moved.
HANDLE Hold(const wchar_t* path) {
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (attempt > 0) Wait(nullptr, kRetryMs);
    const HANDLE file =
        CreateFileW(path, GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
  }
  return INVALID_HANDLE_VALUE;
}

// Moves the held file over `target` in one step, so that the target is never
// missing: the old file stays until the new one takes its place. On failure
// both are left as they were. Kept out of Run, as are Matches and the
// find data: a small stack frame there means short offsets, and so a much
// smaller 32-bit finisher.
[[gnu::noinline]] bool Replace(HANDLE file, const wchar_t* target, DWORD attributes) {
  const DWORD old = GetFileAttributesW(target);
  const bool unblock = old != INVALID_FILE_ATTRIBUTES && (old & kBlockingAttributes) != 0;
  if (unblock) {
    const DWORD plain = old & ~kBlockingAttributes;
    SetFileAttributesW(target, plain != 0 ? plain : FILE_ATTRIBUTE_NORMAL);
  }
  const std::size_t length = View(target).size();
  const DWORD size = static_cast<DWORD>(sizeof(FILE_RENAME_INFO) + length * sizeof(wchar_t));
  auto* rename = static_cast<FILE_RENAME_INFO*>(AllocateBytes(size));
  rename->ReplaceIfExists = TRUE;
  rename->FileNameLength = static_cast<DWORD>(length * sizeof(wchar_t));
  Append(rename->FileName, {target, length});
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (attempt > 0) Wait(nullptr, kRetryMs);
    if (SetFileInformationByHandle(file, FileRenameInfo, rename, size)) {
      SetFileAttributesW(target, attributes);
      return true;
    }
  }
  if (unblock) SetFileAttributesW(target, old);
  return false;
}

// SHA-256 by the system's CNG: its functions, in the order of kSha256Functions.
struct Sha256 {
  decltype(&BCryptOpenAlgorithmProvider) open;
  decltype(&BCryptCreateHash) create;
  decltype(&BCryptHashData) hash_data;
  decltype(&BCryptFinishHash) finish;
  decltype(&BCryptDestroyHash) destroy;
  BCRYPT_ALG_HANDLE algorithm;
};
constexpr char kSha256Functions[] =
    "BCryptOpenAlgorithmProvider\0BCryptCreateHash\0BCryptHashData\0BCryptFinishHash\0BCryptDestroyHash";

bool LoadSha256(Sha256& sha) {
  const HMODULE dll = LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (dll == nullptr) return false;
  auto* function = reinterpret_cast<FARPROC*>(&sha);
  for (const char* name = kSha256Functions; name < kSha256Functions + sizeof kSha256Functions; ++function) {
    if ((*function = GetProcAddress(dll, name)) == nullptr) return false;
    while (*name++ != '\0') {
    }
  }
  return sha.open(&sha.algorithm, L"SHA256", nullptr, 0) == 0;
}

// Reads the held file from its start; whether its size and SHA-256 are `check`'s.
[[gnu::noinline]] bool Matches(HANDLE file, const Check& check, const Sha256& sha, unsigned char* chunk) {
  BCRYPT_HASH_HANDLE hash;
  if (sha.create(sha.algorithm, &hash, nullptr, 0, nullptr, 0, 0) != 0) return false;
  unsigned long long size = 0;
  unsigned char digest[32];
  DWORD read;
  BOOL read_ok;
  // Any failure, any difference: a bit set.
  unsigned differs = 0;
  while ((read_ok = ReadFile(file, chunk, kChunk, &read, nullptr)) && read > 0) {
    size += read;
    differs |= static_cast<unsigned>(sha.hash_data(hash, chunk, read, 0));
  }
  differs |= static_cast<unsigned>(sha.finish(hash, digest, sizeof digest, 0));
  sha.destroy(hash);
  for (std::size_t i = 0; i < sizeof digest; ++i) differs |= digest[i] ^ check.sha256[i];
  return read_ok && differs == 0 && size == check.size;
}

void Delete(const wchar_t* path) {
  SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (attempt > 0) Wait(nullptr, kRetryMs);
    if (DeleteFileW(path)) return;
  }
}

// Starts `"<path>" <params>` in `folder`; its process handle, or nullptr.
HANDLE Start(const wchar_t* path, std::wstring_view params, const wchar_t* folder) {
  const std::wstring_view program = View(path);
  wchar_t* command = Allocate(program.size() + params.size() + 4);
  BuildCommandLine(program, params, command);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(path, command, nullptr, nullptr, FALSE, 0, nullptr, *folder != L'\0' ? folder : nullptr,
                      &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

// The names of the downloaded files in `folder`, each zero-terminated, an
// empty one last, and their number. Read in full before any is moved, so
// that moving does not disturb the listing.
wchar_t* ListPending(std::wstring_view folder, std::size_t& count) {
  std::size_t capacity = 1024;
  std::size_t used = 0;
  wchar_t* names = Allocate(capacity);
  auto& found = *static_cast<WIN32_FIND_DATAW*>(AllocateBytes(sizeof(WIN32_FIND_DATAW)));
  const HANDLE find = FindFirstFileW(Join(folder, {L"*", 1}, kPendingSuffix), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
      const std::wstring_view name = View(found.cFileName);
      if (used + name.size() + 2 > capacity) {
        capacity = 2 * capacity + name.size();
        void* grown = HeapReAlloc(GetProcessHeap(), 0, names, capacity * sizeof(wchar_t));
        if (grown == nullptr) break;
        names = static_cast<wchar_t*>(grown);
      }
      *Append(names + used, name) = L'\0';
      used += name.size() + 1;
      ++count;
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  names[used] = L'\0';
  return names;
}

UINT Run() {
  const std::wstring_view line = View(GetCommandLineW());
  const Request request = ReadRequest(line, Allocate(line.size() + 1));
  if (request.program.empty()) {
    MessageBoxW(nullptr, kAbout, kCaption, MB_OK | MB_ICONINFORMATION);
    return 0;
  }
  // The checks, when the program lists them (even none). No program started
  // from here is to see them.
  bool checking = false;
  std::wstring_view checks;
  // Only a variable that is not there needs no room at all: an empty one needs its terminator.
  const DWORD checks_size = GetEnvironmentVariableW(kChecksVariable, nullptr, 0);
  if (checks_size != 0) {
    wchar_t* buffer = Allocate(checks_size);
    GetEnvironmentVariableW(kChecksVariable, buffer, checks_size);
    checks = View(buffer);
    checking = true;
    SetEnvironmentVariableW(kChecksVariable, nullptr);
  }
  const wchar_t* program = Join(request.program);
  const std::wstring_view folder_view{request.program.data(), FolderLength(request.program)};
  const wchar_t* folder = Join(folder_view);

  // The name as the folder lists it: the long one, also when the path gives the short one.
  std::wstring_view name{request.program.data() + folder_view.size(),
                         request.program.size() - folder_view.size()};
  auto& found = *static_cast<WIN32_FIND_DATAW*>(AllocateBytes(sizeof(WIN32_FIND_DATAW)));
  const HANDLE find = FindFirstFileW(program, &found);
  if (find != INVALID_HANDLE_VALUE) {
    FindClose(find);
    name = View(Join(View(found.cFileName)));
    // A read-only program would never open for writing; its replacement is not read-only either.
    const DWORD attributes = found.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      SetFileAttributesW(program, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (!WaitUntilFree(program)) {
      SetFileAttributesW(program, attributes);
      return 0;
    }
  }
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);

  // The folder and the long name, so that a short path finds the long-named replacement.
  const bool program_replaced =
      GetFileAttributesW(Join(folder_view, name, kPendingSuffix)) != INVALID_FILE_ATTRIBUTES;
  std::size_t count = 0;
  const wchar_t* const pending = ListPending(folder_view, count);
  auto* held = static_cast<HANDLE*>(AllocateBytes(count * sizeof(HANDLE)));
  Sha256 sha;
  auto* chunk = static_cast<unsigned char*>(AllocateBytes(kChunk));
  // Without SHA-256 nothing can pass the checks.
  bool passed = !checking || LoadSha256(sha);
  const wchar_t* setup = nullptr;

  // First every file is held, and checked when asked, then they are moved; or,
  // when one failed, none is moved or kept, and the program starts as it was.
  for (int moving = 0; moving < 2; ++moving) {
    bool replacement_seen = program_replaced;
    HANDLE* file = held;
    for (const wchar_t* listed = pending; *listed != L'\0'; listed += View(listed).size() + 1, ++file) {
      const std::wstring_view listed_view = View(listed);
      const Target target = DecideTarget(listed_view, name, request.method, replacement_seen);
      if (target.role == Role::kIgnore) continue;
      const wchar_t* pending_path = Join(folder_view, listed_view);
      if (moving == 0) {
        *file = Hold(pending_path);
        Check check;
        passed = passed && (!checking ||
                            (*file != INVALID_HANDLE_VALUE &&
                             FindCheck(checks, {listed, listed_view.size() - kPendingSuffix.size()}, check) &&
                             Matches(*file, check, sha, chunk)));
        continue;
      }
      if (*file != INVALID_HANDLE_VALUE) {
        const wchar_t* path = Join(folder_view, target.name);
        // The setup program is hidden while it runs; it is deleted when it ends.
        const DWORD attributes = target.role == Role::kSetup ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE
                                                             : FILE_ATTRIBUTE_ARCHIVE;
        if (passed && Replace(*file, path, attributes) && target.role == Role::kSetup) setup = path;
        CloseHandle(*file);
      }
      if (!passed) Delete(pending_path);
    }
  }

  // With the setup method but no setup program (none was downloaded, or the
  // program's own replacement came instead, or it could not be moved into
  // place) the program is simply started, as after a self-upgrade: waiting on
  // it and deleting it, as is done with a setup program, would lose
  // the program.
  if (setup != nullptr) {
    const HANDLE process = Start(setup, request.params, folder);
    if (process != nullptr) {
      const bool ended = Wait(process, kSetupWaitMs);
      CloseHandle(process);
      // Still running: it is in charge of the folder now, so leave it be.
      if (!ended) return 0;
    }
    Delete(setup);
  }
  const HANDLE process = Start(program, request.params, folder);
  if (process != nullptr) CloseHandle(process);
  return 0;
}

}  // namespace

// The entry point, in place of the C runtime's; on 32-bit x86 the stack comes
// 4-byte aligned and the compiler's code wants 16.
extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  ExitProcess(Run());
}
