// The hand-over at the end of an update, measured from outside:
//  - the finisher's CPU use while the program it waits for still runs, and
//    how soon after that program's exit the new files are in place;
//  - from the moment the finisher is started (what OK in the wizard does,
//    with the download already done) until the restarted Tallivo has
//    painted its window, for an update of Tallivo.exe and a 5 MB file.
// Works in a folder of its own under the temporary folder; the finisher and
// both Tallivo builds come from this program's folder.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_win.h"
#include "bench/minimal_window.h"
#include "bench/stats.h"

namespace fs = std::filesystem;
using namespace tallivo::bench;

namespace {

constexpr int kRounds = 5;

std::wstring Quoted(const fs::path& p) {
  return L"\"" + p.wstring() + L"\"";
}

// Starts `commandLine` in `folder`; the process handle, or null.
HANDLE Run(std::wstring commandLine, const fs::path& folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

double CpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  const auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

void Kill(HANDLE process) {
  if (!process) return;
  TerminateProcess(process, 1);
  WaitForSingleObject(process, kTimeoutMs);
  CloseHandle(process);
}

// A process whose top-level window of `className` is visible, other than `not`.
DWORD ProcessWithWindow(const wchar_t* className, DWORD not_) {
  DWORD found = 0;
  for (HWND h = FindWindowExW(nullptr, nullptr, className, nullptr); h && !found;
       h = FindWindowExW(nullptr, h, className, nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != not_ && IsWindowVisible(h)) found = pid;
  }
  return found;
}

void Waiting(const fs::path& work) {
  const fs::path dir = work / L"waiting here";
  fs::create_directories(dir);
  const fs::path program = dir / L"prog.exe";
  fs::copy_file(fs::path(ExecutableDir()) / L"minimal_window.exe", program,
                fs::copy_options::overwrite_existing);
  fs::copy_file(program, dir / L"prog.exe.uTMP", fs::copy_options::overwrite_existing);
  HANDLE prog = Run(Quoted(program), dir);
  PollUntil([&] { return ProcessWithWindow(kMinimalWindowClass, 0) != 0; });
  const fs::path finisherPath = fs::path(ExecutableDir()) / L"UpdFinish.exe";
  HANDLE finisher = Run(Quoted(finisherPath) + L" " + Quoted(program) + L" \"+/afterupgrade0\"", dir);
  if (!prog || !finisher) {
    std::printf("could not start the program or the finisher\n");
    Kill(prog);
    Kill(finisher);
    return;
  }
  const double waitMs = 3000;
  const double before = CpuMs(finisher);
  Sleep(static_cast<DWORD>(waitMs));  // what is measured is the finisher's use of this time
  const double cpu = CpuMs(finisher) - before;
  const DWORD oldPid = GetProcessId(prog);
  Kill(prog);
  const double exited = NowMs();
  const bool placed = PollUntil([&] { return !fs::exists(dir / L"prog.exe.uTMP"); }, kTimeoutMs);
  const double inPlace = NowMs() - exited;
  const bool restarted = PollUntil([&] { return ProcessWithWindow(kMinimalWindowClass, oldPid) != 0; });
  std::printf(
      "Finisher waiting for a running program: %.1f ms CPU in %.0f ms = %.2f %% of one core (goal < 5 %%)\n",
      cpu, waitMs, 100.0 * cpu / waitMs);
  if (placed) {
    std::printf("Files in place %.1f ms after the program's exit; program started again: %s\n", inPlace,
                restarted ? "yes" : "no");
  } else {
    std::printf("Files not in place %u ms after the program's exit\n", static_cast<unsigned>(kTimeoutMs));
  }
  if (DWORD again = ProcessWithWindow(kMinimalWindowClass, oldPid)) {
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, again)) Kill(h);
  }
  WaitForSingleObject(finisher, kTimeoutMs);
  CloseHandle(finisher);
}

std::optional<double> HandOverOnce(const fs::path& work) {
  const fs::path dir = work / L"Tallivo install";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path bin = ExecutableDir();
  const fs::path installed = dir / L"Tallivo.exe";
  fs::copy_file(bin / L"Tallivo.exe", installed);
  const fs::path next =
      fs::exists(bin / L"next" / L"Tallivo.exe") ? bin / L"next" / L"Tallivo.exe" : installed;
  fs::copy_file(next, dir / L"Tallivo.exe.uTMP");
  std::ofstream(dir / L"data.bin.uTMP", std::ios::binary) << std::string(5u << 20, 'x');
  HANDLE old = Run(Quoted(installed), dir);
  if (!old) return std::nullopt;
  const DWORD oldPid = GetProcessId(old);
  HWND window = nullptr;
  PollUntil([&] { return (window = FindVisibleWindow(oldPid, L"TFmMain")) != nullptr; });
  if (!window || !WaitPainted(window)) {
    Kill(old);
    return std::nullopt;
  }
  const double start = NowMs();
  HANDLE finisher =
      Run(Quoted(bin / L"UpdFinish.exe") + L" " + Quoted(installed) + L" \"+/afterupgrade0\"", work);
  // As the program ends itself once the finisher runs.
  TerminateProcess(old, 0);
  DWORD newPid = 0;
  HWND fresh = nullptr;
  PollUntil([&] {
    newPid = ProcessWithWindow(L"TFmMain", oldPid);
    return newPid != 0 && (fresh = FindVisibleWindow(newPid, L"TFmMain")) != nullptr;
  });
  std::optional<double> elapsed;
  if (fresh && WaitPainted(fresh)) elapsed = NowMs() - start;
  if (HANDLE h = newPid ? OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, newPid) : nullptr) Kill(h);
  Kill(old);
  if (finisher) {
    WaitForSingleObject(finisher, kTimeoutMs);
    CloseHandle(finisher);
  }
  return elapsed;
}

}  // namespace

int wmain() {
  const fs::path work = fs::temp_directory_path() / L"tallivo update bench";
  fs::remove_all(work);
  fs::create_directories(work);
  const auto size = fs::file_size(fs::path(ExecutableDir()) / L"UpdFinish.exe");
  std::printf("Finisher UpdFinish.exe: %llu bytes (goal <= 6144)\n", static_cast<unsigned long long>(size));
  Waiting(work);
  std::vector<double> times;
  for (int i = 0; i < kRounds; ++i) {
    if (const auto t = HandOverOnce(work)) times.push_back(*t);
  }
  if (times.empty()) {
    std::printf("Hand-over: no round completed\n");
  } else {
    const Summary s = Summarize(times);
    std::printf(
        "Hand-over of Tallivo.exe + 5 MB, finisher start to the new program's first paint: median %.1f ms, "
        "min %.1f, max %.1f (%zu rounds)\n",
        s.median, s.min, s.max, times.size());
  }
  fs::remove_all(work);
  return 0;
}
