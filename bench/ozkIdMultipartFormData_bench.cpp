// Producing the multipart/form-data body of a 1 GiB file upload into a sink, beside a plain read
// of the same file in the same run, with the reader's buffer of the I/O handler (32 KiB) and a
// large one (1 MiB). Each benchmark also runs one pass in a forked child and reports that child's
// peak resident memory, so the figure belongs to the body producer alone.
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

void Run(benchmark::State& state, int64_t (*aPass)(std::vector<uint8_t>&)) {
  const size_t bufferSize = static_cast<size_t>(state.range(0));
  std::vector<uint8_t> buffer(bufferSize);
  int64_t bytes = 0;
  for (auto _ : state) {
    const int64_t n = aPass(buffer);
    benchmark::DoNotOptimize(buffer.data());
    bytes += n;
  }
  state.SetBytesProcessed(bytes);
  state.counters["child_peak_rss_MiB"] = ChildPeakRSS(aPass, bufferSize);
}

void BM_PlainFileRead(benchmark::State& state) {
  Run(state, PlainPass);
}
void BM_MultipartBody(benchmark::State& state) {
  Run(state, MultipartPass);
}

BENCHMARK(BM_PlainFileRead)
    ->Arg(32768)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_MultipartBody)
    ->Arg(32768)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PlainFileRead)
    ->Arg(1 << 20)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_MultipartBody)
    ->Arg(1 << 20)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  CreateFile();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(gPath.c_str());
  rusage self{};
  ::getrusage(RUSAGE_SELF, &self);
  std::printf("benchmark process peak RSS: %.1f MiB\n",
              static_cast<double>(self.ru_maxrss) / 1024.0);
  return 0;
}
