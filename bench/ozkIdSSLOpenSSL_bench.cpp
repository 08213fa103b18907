// TLS half of the transport benchmark: 1 GiB sent by the loopback test server (TLS 1.3,
// TLS_AES_128_GCM_SHA256) and received once through the TLS handler's ReadStream into a sink
// that keeps nothing, and once by a bare SSL_read loop into a 32 KiB buffer over a plain
// socket (both without certificate verification, one handshake each), in the same run. The two
// take turns in interleaved rounds (OZK_BENCH_ROUNDS, default 5); the ratio of the median
// rates is the handler's cost.
#include <benchmark/benchmark.h>

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "base/ozkStream.h"
#include "net/ozkIdSSLOpenSSL.h"
#include "ozkBenchRounds.h"
#include "support/ozkTestStreams.h"
#include "support/ozkTestTLS.h"

namespace {

constexpr int64_t kBytes = int64_t(1) << 30;

ozktest::TTestTLSServer& Server() {
  static ozktest::TTestTLSServer server(
      [] {
        ozktest::TTestTLSServerOptions o;
        o.MinVersion = TLS1_3_VERSION;
        o.CipherSuites = "TLS_AES_128_GCM_SHA256";
        o.IOTimeoutMs = 60000;
        return o;
      }(),
      ozktest::SendBytesBehaviour(kBytes, ozktest::TTestTLSEnd::WaitForClient));
  return server;
}

void BM_TLSReceive_BareSSLRead(benchmark::State& state) {
  uint16_t port = Server().Port();
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  SSL_CTX_set_min_proto_version(ctx, TLS1_3_VERSION);
  std::vector<uint8_t> buf(32768);
  for (auto _ : state) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
      throw std::runtime_error("connect failed");
    SSL* ssl = SSL_new(ctx);
    SSL_set_fd(ssl, fd);
    if (SSL_connect(ssl) != 1) throw std::runtime_error("handshake failed");
    int64_t total = 0;
    while (total < kBytes) {
      int n = SSL_read(ssl, buf.data(), static_cast<int>(buf.size()));
      if (n <= 0) throw std::runtime_error("read failed");
      total += n;
    }
    benchmark::DoNotOptimize(buf.data());
    SSL_shutdown(ssl);
    SSL_free(ssl);
    close(fd);
  }
  SSL_CTX_free(ctx);
  state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_TLSReceive_HandlerReadStream(benchmark::State& state) {
  uint16_t port = Server().Port();
  for (auto _ : state) {
    TIdSSLIOHandlerSocketOpenSSL io;
    io.SetPassThrough(false);
    io.SSLOptions().SetMethod(sslvTLSv1_3);
    io.SSLOptions().SetMode(sslmClient);
    io.SetHost(u"127.0.0.1");
    io.SetPort(port);
    io.Open();
    TSinkStream sink;
    io.ReadStream(&sink, kBytes);
    if (sink.Position() != kBytes) throw std::runtime_error("short read");
    io.Close();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

} // namespace

int main(int argc, char** argv) {
  struct TRow {
    const char* Name;
    void (*Body)(benchmark::State&);
  };
  ozkbench::RegisterRounds<TRow>(
      {{"BM_TLSReceive_BareSSLRead", BM_TLSReceive_BareSSLRead},
       {"BM_TLSReceive_HandlerReadStream", BM_TLSReceive_HandlerReadStream}},
      [](const TRow& aRow, const std::string& aSuffix) {
        benchmark::RegisterBenchmark((aRow.Name + aSuffix).c_str(), aRow.Body)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1);
      });
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ozkbench::TRoundsReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n");
  reporter.PrintRateRatio("TLS receive 1 GiB: handler / bare SSL_read",
                          "BM_TLSReceive_HandlerReadStream", "BM_TLSReceive_BareSSLRead");
  benchmark::Shutdown();
  return 0;
}
