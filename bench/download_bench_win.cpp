// Downloads through TupCustomHTTP from a local static server: a big file
// into a file with a progress handler, at two block sizes, for throughput
// and CPU time per MB; then many small transfers, for what a transfer
// leaves behind (handles, private bytes).
//
//   download_bench --port P --big NAME --small NAME [--out FILE] [--runs N]
//                  [--curl-mb-per-s X]
//
// The server serves /NAME. With --curl-mb-per-s (curl's speed on the same
// file, measured by the caller) the ratio to it is reported against its goal.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "base/text_win.h"
#include "bench/bench_win.h"
#include "bench/stats.h"
#include "net/custom_http_win.h"
#include "ui/application_win.h"

namespace tallivo::bench {
namespace {

constexpr double kGoalRatio = 0.5;

struct Options {
  std::string port, big, small, out = "download_bench.bin";
  int runs = 3;
  double curlMBps = 0;
};

double CpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  const auto ms = [](FILETIME t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e4;
  };
  return ms(kernel) + ms(user);
}

struct Footprint {
  DWORD handles = 0;
  SIZE_T privateBytes = 0;
};

// Counted directly: Wine answers GetProcessHandleCount and the private-bytes
// counter with 0.
Footprint Measure() {
  Footprint f;
  for (ULONG_PTR value = 4; value < (1u << 14); value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++f.handles;
  }
  MEMORY_BASIC_INFORMATION info{};
  for (const char* at = nullptr; VirtualQuery(at, &info, sizeof info) == sizeof info;
       at = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) f.privateBytes += info.RegionSize;
    if (info.RegionSize == 0) break;
  }
  return f;
}

// One waited transfer; the bytes it delivered, 0 when it failed.
std::uint32_t Fetch(TupCustomHTTP& http, const std::string& url, const std::string& out) {
  std::uint32_t got = 0;
  http.OnDone = [&](TupCustomHTTP*, const std::string&, std::uint32_t total, TupStream*) { got = total; };
  http.SetURL(url);
  http.SetOutputFileName(out);
  if (!http.StartTransfer(true)) return 0;
  return got;
}

bool Throughput(const Options& o, std::uint32_t blockSize, bool progress, double& mbPerS,
                double& cpuMsPerMB) {
  std::vector<double> rates, cpu;
  for (int run = 0; run < o.runs; ++run) {
    TupCustomHTTP http(nullptr);
    http.SetTransferBufferSize(blockSize);
    // Into our own file only, not WinInet's cache as well.
    http.SetCacheOptions({TupCacheOption::coAlwaysReload, TupCacheOption::coNoCacheWrite});
    std::uint64_t steps = 0;
    http.OnTransferProgress = [&](TupCustomHTTP*, const std::string&, std::uint32_t, std::uint32_t,
                                  std::int32_t, std::int32_t, std::uint8_t, float, TupStream*) { ++steps; };
    const double cpu0 = CpuMs();
    const double t0 = NowMs();
    const std::uint32_t bytes = Fetch(http, "http://127.0.0.1:" + o.port + "/" + o.big, o.out);
    const double ms = NowMs() - t0;
    const double cpuMs = CpuMs() - cpu0;
    if (bytes == 0 || (progress && steps == 0)) {
      std::printf("download of %s failed (block %u)\n", o.big.c_str(), blockSize);
      return false;
    }
    const double mb = bytes / 1048576.0;
    rates.push_back(mb / (ms / 1000.0));
    cpu.push_back(cpuMs / mb);
  }
  DeleteFileW(Widen(o.out).c_str());
  mbPerS = Summarize(rates).median;
  cpuMsPerMB = Summarize(cpu).median;
  return true;
}

int Run(const Options& o) {
  ui::Application().Initialize();
  std::printf("download of /%s into a file, with a progress handler, median of %d:\n", o.big.c_str(), o.runs);
  double mbPerS4k = 0, cpu4k = 0, mbPerS64k = 0, cpu64k = 0, mbPerSBare = 0, cpuBare = 0;
  if (!Throughput(o, 4096, true, mbPerS4k, cpu4k) || !Throughput(o, 65536, true, mbPerS64k, cpu64k) ||
      !Throughput(o, 65536, false, mbPerSBare, cpuBare))
    return 1;
  std::printf("  block  4 KB: %8.1f MB/s  %6.2f ms CPU per MB\n", mbPerS4k, cpu4k);
  std::printf("  block 64 KB: %8.1f MB/s  %6.2f ms CPU per MB\n", mbPerS64k, cpu64k);
  std::printf("  block 64 KB without the handler: %8.1f MB/s  %6.2f ms CPU per MB\n", mbPerSBare, cpuBare);
  if (o.curlMBps > 0) {
    const double ratio = mbPerS4k / o.curlMBps;
    std::printf("  curl:        %8.1f MB/s\n", o.curlMBps);
    std::printf("  ratio at the default 4 KB block: %.2f of curl's (goal >= %.1f: %s)\n", ratio, kGoalRatio,
                ratio >= kGoalRatio ? "met" : "NOT met");
  }

  // What transfers leave behind: the 10 first warm WinInet up.
  TupCustomHTTP http(nullptr);
  const std::string small = "http://127.0.0.1:" + o.port + "/" + o.small;
  Footprint after10, after1000;
  for (int i = 1; i <= 1000; ++i) {
    if (Fetch(http, small, "") == 0) {
      std::printf("small transfer %d failed\n", i);
      return 1;
    }
    if (i == 10) after10 = Measure();
  }
  after1000 = Measure();
  const long long handleGrowth = static_cast<long long>(after1000.handles) - after10.handles;
  const long long byteGrowth = static_cast<long long>(after1000.privateBytes) - after10.privateBytes;
  std::printf("small transfers into memory:\n");
  std::printf("  after   10: %5lu handles, %8.1f KB private\n", after10.handles,
              after10.privateBytes / 1024.0);
  std::printf("  after 1000: %5lu handles, %8.1f KB private\n", after1000.handles,
              after1000.privateBytes / 1024.0);
  // Allocators keep some slack; a leak of even a few hundred bytes a transfer shows as hundreds of KB.
  std::printf("  growth: %lld handles, %.1f KB (goal: none: %s)\n", handleGrowth, byteGrowth / 1024.0,
              handleGrowth <= 0 && byteGrowth < 256 * 1024 ? "met" : "NOT met");
  return 0;
}

}  // namespace
}  // namespace tallivo::bench

int wmain(int argc, wchar_t** argv) {
  tallivo::bench::Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring name = argv[i];
    const std::string value = tallivo::Narrow(argv[i + 1]);
    if (name == L"--port") o.port = value;
    if (name == L"--big") o.big = value;
    if (name == L"--small") o.small = value;
    if (name == L"--out") o.out = value;
    if (name == L"--runs") o.runs = std::max(1, std::atoi(value.c_str()));
    if (name == L"--curl-mb-per-s") o.curlMBps = std::atof(value.c_str());
  }
  if (o.port.empty() || o.big.empty() || o.small.empty()) {
    std::fputs(
        "usage: download_bench --port P --big NAME --small NAME [--out FILE] [--runs N] [--curl-mb-per-s "
        "X]\n",
        stderr);
    return 2;
  }
  return tallivo::bench::Run(o);
}
