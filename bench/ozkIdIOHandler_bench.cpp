// Plain-socket half of the transport benchmark: 1 GiB sent over loopback by a sender thread and
// received once through the stack handler's ReadStream (known size, into a sink that keeps
// nothing) and once by a bare recv() loop into a 32 KiB buffer, in the same run. The bare loop
// is the physical limit; the ratio of the two rates is the handler's cost.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/ozkStream.h"
#include "net/ozkIdTCPClient.h"
#include "ozkBenchRounds.h"
#include "support/ozkTestStreams.h"

namespace {

constexpr int64_t kBytes = int64_t(1) << 30;

// Accepts connections one after another and sends kBytes on each from a 1 MiB block.
class TSender {
 public:
  TSender() {
    FListener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    if (::bind(FListener, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(FListener, 4) != 0 ||
        ::getsockname(FListener, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      throw std::runtime_error("sender: cannot listen");
    FPort = ntohs(addr.sin_port);
    FThread = std::thread([this] { Run(); });
  }
  ~TSender() {
    FStop = true;
    ::shutdown(FListener, SHUT_RDWR);
    ::close(FListener);
    FThread.join();
  }
  uint16_t Port() const { return FPort; }

 private:
  void Run() {
    std::vector<char> block(1 << 20, 'x');
    while (!FStop) {
      const int handle = ::accept(FListener, nullptr, nullptr);
      if (handle < 0) return;
      int64_t left = kBytes;
      while (left > 0) {
        const ssize_t n = ::send(
            handle, block.data(),
            size_t(std::min<int64_t>(left, static_cast<int64_t>(block.size()))), MSG_NOSIGNAL);
        if (n <= 0) break;
        left -= n;
      }
      ::shutdown(handle, SHUT_WR);
      char drain[256];
      while (::recv(handle, drain, sizeof(drain), 0) > 0) {
      }
      ::close(handle);
    }
  }

  int FListener = -1;
  uint16_t FPort = 0;
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

TSender& Sender() {
  static TSender sender;
  return sender;
}

void BM_Receive_BareRecvLoop(benchmark::State& state) {
  const uint16_t port = Sender().Port();
  std::vector<uint8_t> buffer(32768);
  for (auto _ : state) {
    const int handle = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (::connect(handle, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
      throw std::runtime_error("connect failed");
    int64_t received = 0;
    while (received < kBytes) {
      const ssize_t n = ::recv(handle, buffer.data(), buffer.size(), 0);
      if (n <= 0) throw std::runtime_error("bare loop: peer closed early");
      received += n;
    }
    benchmark::DoNotOptimize(buffer.data());
    ::close(handle);
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_Receive_ReadStream(benchmark::State& state) {
  const uint16_t port = Sender().Port();
  for (auto _ : state) {
    TIdTCPClient client;
    client.Connect(u"127.0.0.1", port);
    TSinkStream sink;
    client.IOHandler()->ReadStream(&sink, kBytes);
    if (sink.Size() != kBytes) throw std::runtime_error("ReadStream: short read");
    client.Disconnect();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

// Prints the usual table, then the ratio of the median rates.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& ARuns) override {
    ConsoleReporter::ReportRuns(ARuns);
    for (const Run& run : ARuns) {
      const auto rate = run.counters.find("bytes_per_second");
      if (rate == run.counters.end()) continue;
      const std::string name = run.benchmark_name();
      if (name.find("BareRecvLoop") != std::string::npos)
        FBare.push_back(rate->second.value);
      else if (name.find("ReadStream") != std::string::npos)
        FHandler.push_back(rate->second.value);
    }
  }
  void PrintRatio() {
    if (FBare.empty() || FHandler.empty()) return;
    std::vector<double> ratios;
    for (size_t i = 0; i < std::min(FBare.size(), FHandler.size()); ++i)
      ratios.push_back(FHandler[i] / FBare[i]);
    const double bare = ozkbench::Median(FBare), handler = ozkbench::Median(FHandler);
    std::printf("median bare recv loop: %.1f MiB/s, median ReadStream: %.1f MiB/s, ratio of "
                "medians %.3f, median of per-round ratios %.3f\n",
                bare / 1048576.0, handler / 1048576.0, handler / bare, ozkbench::Median(ratios));
  }

 private:
  std::vector<double> FBare, FHandler;
};

} // namespace

// The two receivers take turns (OZK_BENCH_ROUNDS rounds, default 5), so that a change in the
// machine's load hits both alike.
int main(int argc, char** argv) {
  const int rounds = ozkbench::Rounds();
  for (int round = 0; round < rounds; ++round) {
    const std::string suffix = "/round:" + std::to_string(round);
    benchmark::RegisterBenchmark(("BM_Receive_BareRecvLoop" + suffix).c_str(),
                                 BM_Receive_BareRecvLoop)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1);
    benchmark::RegisterBenchmark(("BM_Receive_ReadStream" + suffix).c_str(), BM_Receive_ReadStream)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1);
  }
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio();
  benchmark::Shutdown();
  return 0;
}
