// Producing the multipart/form-data body of a 1 GiB file upload into a sink, beside a plain read
// of the same file in the same run, with the reader's buffer of the I/O handler (32 KiB) and a
// large one (1 MiB): both sides read the whole file through the same buffer, the multipart side
// adds the part headers and boundaries around it. The rows take turns in interleaved rounds
// (OZK_BENCH_ROUNDS, default 5) and the summary compares medians. In its first round each row
// also runs one pass in a forked child and reports that child's peak resident memory, so the
// figure belongs to the body producer alone.
//
// The file is generated at start (in $TMPDIR, else /tmp) and removed at the end.
#include "http/ozkIdMultipartFormData.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "base/ozkText.h"
#include "ozkBenchRounds.h"

namespace {

constexpr int64_t kFileSize = int64_t(1) << 30;
std::string gPath;

void CreateFile() {
  const char* tmp = std::getenv("TMPDIR");
  gPath = std::string(tmp && *tmp ? tmp : "/tmp") + "/ozk_multipart_bench_" +
          std::to_string(::getpid()) + ".bin";
  FILE* f = std::fopen(gPath.c_str(), "wb");
  if (!f) {
    std::perror("benchmark file");
    std::exit(1);
  }
  std::vector<uint8_t> block(1 << 20);
  uint32_t x = 12345;
  for (auto& b : block) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24);
  for (int64_t written = 0; written < kFileSize; written += static_cast<int64_t>(block.size())) {
    block[0] = static_cast<uint8_t>(written >> 20); // no two blocks alike
    if (std::fwrite(block.data(), 1, block.size(), f) != block.size()) {
      std::perror("benchmark file");
      std::exit(1);
    }
  }
  std::fclose(f);
}

int64_t PlainPass(std::vector<uint8_t>& aBuffer) {
  TIdReadFileExclusiveStream file(UTF8ToUTF16(gPath));
  int64_t total = 0, n;
  while ((n = file.Read(aBuffer.data(), static_cast<int64_t>(aBuffer.size()))) > 0) total += n;
  return total;
}

int64_t MultipartPass(std::vector<uint8_t>& aBuffer) {
  TIdMultiPartFormDataStream form;
  form.AddFile(u"file", UTF8ToUTF16(gPath));
  form.AddFormField(u"purpose", u"assistants");
  const int64_t size = form.Size();
  form.Seek(0, TSeekOrigin::soBeginning);
  int64_t total = 0, n;
  while ((n = form.Read(aBuffer.data(), static_cast<int64_t>(aBuffer.size()))) > 0) total += n;
  if (total != size) {
    std::fprintf(stderr, "body of %lld bytes, announced %lld\n", static_cast<long long>(total),
                 static_cast<long long>(size));
    std::abort();
  }
  return total;
}

// Peak resident memory (MiB) of a child that runs one pass.
double ChildPeakRSS(int64_t (*aPass)(std::vector<uint8_t>&), size_t aBufferSize) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::vector<uint8_t> buffer(aBufferSize);
    aPass(buffer);
    ::_exit(0);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || status != 0) return -1;
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

using TPass = int64_t (*)(std::vector<uint8_t>&);

void Run(benchmark::State& state, TPass aPass, size_t aBufferSize, bool aChildPass) {
  std::vector<uint8_t> buffer(aBufferSize);
  int64_t bytes = 0;
  for (auto _ : state) {
    const int64_t n = aPass(buffer);
    benchmark::DoNotOptimize(buffer.data());
    bytes += n;
  }
  state.SetBytesProcessed(bytes);
  if (aChildPass) state.counters["child_peak_rss_MiB"] = ChildPeakRSS(aPass, aBufferSize);
}

} // namespace

int main(int argc, char** argv) {
  struct TRow {
    std::string Name;
    TPass Pass;
    size_t Buffer;
  };
  const std::vector<TRow> rows = {{"BM_PlainFileRead/32768", PlainPass, 32768},
                                  {"BM_MultipartBody/32768", MultipartPass, 32768},
                                  {"BM_PlainFileRead/1048576", PlainPass, 1 << 20},
                                  {"BM_MultipartBody/1048576", MultipartPass, 1 << 20}};
  ozkbench::RegisterRounds<TRow>(rows, [](const TRow& aRow, const std::string& aSuffix) {
    const bool firstRound = aSuffix == "/round:0"; // the child pass runs once per row
    benchmark::RegisterBenchmark((aRow.Name + aSuffix).c_str(),
                                 [aRow, firstRound](benchmark::State& state) {
                                   Run(state, aRow.Pass, aRow.Buffer, firstRound);
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  });
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  CreateFile();
  ozkbench::TRoundsReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::remove(gPath.c_str());
  std::printf("\n");
  reporter.PrintRateRatio("multipart body / plain read, 32 KiB buffer", "BM_MultipartBody/32768",
                          "BM_PlainFileRead/32768");
  reporter.PrintRateRatio("multipart body / plain read, 1 MiB buffer", "BM_MultipartBody/1048576",
                          "BM_PlainFileRead/1048576");
  benchmark::Shutdown();
  rusage self{};
  ::getrusage(RUSAGE_SELF, &self);
  std::printf("benchmark process peak RSS: %.1f MiB\n",
              static_cast<double>(self.ru_maxrss) / 1024.0);
  return 0;
}
