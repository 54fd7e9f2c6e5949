// What checking a signed update costs the program: reading and verifying the
// signed information file, and the SHA-256 of a downloaded file, by Windows'
// own CNG. Arguments: a signed information file, the public key (PEM) it
// was signed with, and a file to hash (Tallivo.exe is typical).
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/text_win.h"
#include "bench/stats.h"
#include "upgrader/signature_win.h"

using namespace tallivo;

namespace {

constexpr int kRounds = 50;

std::string ReadAll(const wchar_t* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

double NowMs() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: signature_bench INFOFILE PUBLIC.pem FILE\n");
    return 2;
  }
  const std::string info = ReadAll(argv[1]);
  const std::optional<EcPublicKey> key = PublicKeyFromPEM(ReadAll(argv[2]));
  const std::string file = Narrow(argv[3]);
  if (!key || !SplitSignedText(info)) {
    std::fprintf(stderr, "signature_bench: no key or no signed information file\n");
    return 1;
  }
  const UpdateKeys keys{true, {*key}};
  std::vector<double> verify, digest;
  std::uint64_t size = 0;
  for (int round = 0; round < kRounds; ++round) {
    double start = NowMs();
    const std::optional<SignedText> signedText = SplitSignedText(info);
    if (!signedText || !SignedByOneOf(keys, *signedText)) {
      std::fprintf(stderr, "signature_bench: the signature does not verify\n");
      return 1;
    }
    verify.push_back(NowMs() - start);
    start = NowMs();
    const std::optional<FileDigest> d = DigestFile(file);
    if (!d) return 1;
    digest.push_back(NowMs() - start);
    size = d->size;
  }
  const bench::Summary v = bench::Summarize(verify);
  const bench::Summary h = bench::Summarize(digest);
  std::printf("information file verified (ECDSA P-256): median %s ms, max %s ms (%d rounds)\n",
              bench::FormatFixed(v.median, 2, 0).c_str(), bench::FormatFixed(v.max, 2, 0).c_str(), kRounds);
  std::printf("SHA-256 of a %llu-byte file: median %s ms (%s MB/s)\n", static_cast<unsigned long long>(size),
              bench::FormatFixed(h.median, 2, 0).c_str(),
              bench::FormatFixed(static_cast<double>(size) / 1e3 / h.median, 1, 0).c_str());
  return 0;
}
