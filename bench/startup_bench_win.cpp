// Start-up of Tallivo.exe against the minimal window program, measured the
// same way in the same run: from just before CreateProcess until the main
// window is visible, and until it and all its controls are painted. Both
// are observed from outside, so neither program carries any bench code.
//
//   startup_bench [--runs N]
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/bench_win.h"
#include "bench/minimal_window.h"
#include "bench/stats.h"

namespace tallivo::bench {
namespace {

constexpr int kDefaultRuns = 20;
// Runs whose figures are dropped: the first start loads files into the cache.
constexpr int kWarmupRuns = 1;
constexpr double kGoalRatio = 1.5;

struct Program {
  const wchar_t* file;
  const wchar_t* windowClass;
  std::vector<double> shown;
  std::vector<double> painted;
};

struct Times {
  double shown;
  double painted;
};

// A visible message box of process `pid`: it would stop the start-up (for
// Tallivo: "already running", or the hotkey being taken).
HWND FindMessageBox(DWORD pid) {
  return FindVisibleWindow(pid, L"#32770");
}

std::optional<Times> StartOnce(const Program& program, std::string& error) {
  const std::wstring path = ExecutableDir() + program.file;
  const std::string name = Utf8(program.file);
  const double start = NowMs();
  std::optional<ChildProcess> child = ChildProcess::Start(path, error);
  if (!child) return std::nullopt;

  HWND window = nullptr;
  HWND box = nullptr;
  PollUntil([&] {
    window = FindVisibleWindow(child->Id(), program.windowClass);
    if (!window) box = FindMessageBox(child->Id());
    return window || box || !child->Running();
  });
  const double shown = NowMs() - start;
  if (!window) {
    error = name + (box                ? " showed a message box instead of its window"
                    : child->Running() ? " showed no window"
                                       : " ended before showing its window");
    return std::nullopt;
  }
  if (!WaitPainted(window)) {
    error = name + " did not finish painting its window";
    return std::nullopt;
  }
  const double painted = NowMs() - start;
  if (!child->Terminate()) {
    error = name + " could not be ended";
    return std::nullopt;
  }
  return Times{shown, painted};
}

void PrintRow(const Program& p) {
  const Summary shown = Summarize(p.shown);
  const Summary painted = Summarize(p.painted);
  std::printf("%-20s %s %s %s %s %s\n", Utf8(p.file).c_str(), FormatFixed(shown.median, 1, 9).c_str(),
              FormatFixed(painted.median, 1, 9).c_str(), FormatFixed(painted.p90, 1, 8).c_str(),
              FormatFixed(painted.min, 1, 8).c_str(), FormatFixed(painted.max, 1, 8).c_str());
}

int Run(int runs) {
  Program programs[] = {{L"minimal_window.exe", kMinimalWindowClass, {}, {}},
                        {L"Tallivo.exe", L"TFmMain", {}, {}}};
  for (int run = 0; run < kWarmupRuns + runs; ++run) {
    // Alternate which program goes first, so neither always follows the other.
    for (int i = 0; i < 2; ++i) {
      Program& program = programs[(run + i) % 2];
      std::string error;
      const std::optional<Times> times = StartOnce(program, error);
      if (!times) {
        std::fprintf(stderr, "startup_bench: run %d: %s\n", run + 1, error.c_str());
        return 1;
      }
      if (run < kWarmupRuns) continue;
      program.shown.push_back(times->shown);
      program.painted.push_back(times->painted);
    }
  }

  std::printf("Start-up: ms from CreateProcess until the main window is shown, and until it is painted\n");
  std::printf("(%d runs of each program, alternating, after %d warm-up run dropped)\n", runs, kWarmupRuns);
  std::printf("%-20s %9s %9s %8s %8s %8s\n", "", "shown", "painted", "painted", "painted", "painted");
  std::printf("%-20s %9s %9s %8s %8s %8s\n", "program", "median", "median", "p90", "min", "max");
  for (const Program& p : programs) PrintRow(p);
  const Summary minimal = Summarize(programs[0].painted);
  const Summary tallivo = Summarize(programs[1].painted);
  const double ratio = minimal.median > 0 ? tallivo.median / minimal.median : 0;
  std::printf("Tallivo / minimal, median to first paint: %.2f (goal <= %.1f: %s)\n", ratio, kGoalRatio,
              ratio <= kGoalRatio ? "met" : "NOT met");
  // The two starts of one run follow each other, so their ratio is little
  // moved by a load on the machine that comes and goes between runs.
  std::vector<double> paired;
  for (std::size_t i = 0; i < programs[0].painted.size() && i < programs[1].painted.size(); ++i)
    paired.push_back(programs[1].painted[i] / programs[0].painted[i]);
  std::printf("(median of the ratios within each run: %.2f)\n", Summarize(paired).median);
  return 0;
}

}  // namespace
}  // namespace tallivo::bench

int wmain(int argc, wchar_t** argv) {
  int runs = tallivo::bench::kDefaultRuns;
  for (int i = 1; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--runs") == 0 && i + 1 < argc) {
      runs = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
    } else {
      runs = 0;
    }
    if (runs < 1) {
      std::fprintf(stderr, "usage: startup_bench [--runs N]\n");
      return 2;
    }
  }
  return tallivo::bench::Run(runs);
}
