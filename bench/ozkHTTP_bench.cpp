// The HTTP client beside libcurl, in the same run and against the same local nginx (started
// here with a 1 GiB static file). Every client verifies the server's certificate, and every
// figure is the median of interleaved rounds (OZK_BENCH_ROUNDS, default 5): in each round
// every client of a scenario runs once, the first one rotating from round to round.
//
// What each side does:
//   download HTTP/HTTPS   one 1 GiB GET into a sink that counts and drops. ours: TozkIdHTTP
//                         (32 KiB receive buffer); libcurl: one easy handle with its default
//                         16 KiB buffer, and "libcurl_ourbuf" with CURLOPT_BUFFERSIZE 32 KiB.
//   GETs HTTP/HTTPS       small GETs in sequence, each on a new connection with a full TLS
//                         handshake. ours: the executor (TozkHTTPAPI_client), a fresh client,
//                         connection and TLS context per request, the trust store loaded once
//                         per process; "ours_rootcert" the same with RootCertFile naming the
//                         test root (trusted then: the default store plus that file).
//                         "libcurl_fair": one reused easy handle with CURLOPT_FRESH_CONNECT
//                         and CURLOPT_FORBID_REUSE (a new connection per request), its TLS
//                         session cache off (full handshakes, as ours), and its CA store kept
//                         between requests (CURLOPT_CA_CACHE_TIMEOUT, CURLOPT_CAPATH cleared,
//                         since a default CApath turns the cache off). "libcurl_naive": a new
//                         easy handle per request, which parses the whole CA bundle every
//                         time; it runs fewer requests (the rate is what is compared).
//                         Both libcurl clients trust the CA bundle of the system's roots plus
//                         the test root, which is exactly the set ours trusts either way.
//   upload HTTP           a multipart POST of the 1 GiB file. ours: the executor with
//                         TIdMultiPartFormDataStream (1 MiB send blocks); libcurl: curl_mime
//                         with a file part and its default buffers, and "libcurl_ourbuf" with
//                         CURLOPT_UPLOAD_BUFFERSIZE 1 MiB and CURLOPT_BUFFERSIZE 32 KiB. The
//                         peak resident memory of each upload is its increase over the
//                         resident size just before it (the high-water mark is reset first).
//
// The summary gives, per comparison, the ratio of the median rates (real time) and the ratio
// of the median CPU time this process spent per request or MiB: the clients' own cost, which
// other work on a shared machine disturbs far less than the real time.
//
// Run: ozk_http_bench [--benchmark_filter=...]; the summary with the ratios follows the table.
// OZK_BENCH_CLIENT=<client> runs one client alone, for profiling.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/ozkText.h"
#include "http/ozkHTTP_API.h"
#include "http/ozkHTTP_Client.h"
#include "ozkBenchRounds.h"
#include "support/ozkTestPeers.h"
#include "support/ozkTestTLS.h"

namespace {

constexpr uint64_t BigSize = uint64_t(1) << 30;
// Every request leaves a loopback port in TIME_WAIT for a minute, and the executor binds its
// socket before connecting, which needs a port that is not (the range has about 28,000): the
// counts keep a whole run well below that. Leave a minute between runs.
constexpr int HttpGets = 500;
constexpr int HttpsGets = 500;
constexpr int NaiveHttpsGets = 50;       // about 20 ms each: the CA bundle is parsed every time
constexpr long OurRecvBuffer = 32768;    // the I/O handler's receive buffer
constexpr long OurSendBuffer = 1L << 20; // TozkIdHTTP::SendBlockSize

ozktest::TTestNginx* GNginx = nullptr;
std::string GBundle; // system trust store + test root
// "scenario/client" -> seconds of every round (real time, and the CPU time of this process,
// which is the client's own: nginx runs in processes of its own), and the units (MiB or
// requests) of one run.
std::map<std::string, std::vector<double>> GSeconds, GCPUSeconds;
std::map<std::string, double> GUnits;
// "scenario/client" -> increase of the peak resident memory (MiB) of every upload.
std::map<std::string, std::vector<double>> GPeakMiB;
uint64_t GCurlUploaded = 0; // bytes libcurl reports as sent in its last upload

// Counts and drops what it is given.
class TDiscardStream : public TStream {
 public:
  int64_t Written = 0;
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t ACount) override {
    Written += ACount;
    return ACount;
  }
  int64_t Seek(int64_t, TSeekOrigin) override { return Written; }
  int64_t Size() override { return Written; }
  void SetSize(int64_t) override {}
};

// A /proc/self/status field in KiB, -1 when missing.
long StatusKiB(const char* AField) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t length = std::char_traits<char>::length(AField);
  while (std::getline(in, line))
    if (line.compare(0, length, AField) == 0) return std::stol(line.substr(length));
  return -1;
}

// Resets the high-water mark to the current resident size; false when the kernel refused.
bool ResetPeakRSS() {
  std::ofstream("/proc/self/clear_refs") << "5";
  return StatusKiB("VmHWM:") <= StatusKiB("VmRSS:") + 1024;
}

// Runs AUpload and records how far the resident memory rose above its size just before.
void MeasureUpload(const std::string& AKey, const std::function<void()>& AUpload) {
  const bool reset = ResetPeakRSS();
  const long before = StatusKiB("VmRSS:");
  AUpload();
  const long peak = StatusKiB("VmHWM:");
  if (reset) GPeakMiB[AKey].push_back(static_cast<double>(peak - before) / 1024.0);
}

void ConfigureTLS(TozkIdHTTPTLS_Options& ATLS, bool ARootCertFile) {
  ATLS.SetVersion(tls1_2);
  ATLS.SetVerifyCertificate(true);
  ATLS.SetVerifyDepth(10);
  ATLS.SetRootCertFile(ARootCertFile ? GNginx->CAFile() : std::u16string());
}

size_t CurlDiscard(char*, size_t ASize, size_t ACount, void* AUser) {
  *static_cast<uint64_t*>(AUser) += ASize * ACount;
  return ASize * ACount;
}

// The settings every libcurl client shares: HTTP/1.1, TLS 1.2 only, full verification
// against the bundle.
void SetUpCurl(CURL* c, const std::string& AURL, uint64_t* ACounter) {
  curl_easy_setopt(c, CURLOPT_URL, AURL.c_str());
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, CurlDiscard);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, ACounter);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(c, CURLOPT_CAINFO, GBundle.c_str());
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(c, CURLOPT_SSLVERSION,
                   static_cast<long>(CURL_SSLVERSION_TLSv1_2) |
                       static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
}

// A new connection per request on a reused handle, no TLS session reuse, the CA store kept.
void SetUpCurlFair(CURL* c) {
  curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_SESSIONID_CACHE, 0L);
  curl_easy_setopt(c, CURLOPT_CAPATH, nullptr);
  curl_easy_setopt(c, CURLOPT_CA_CACHE_TIMEOUT, 86400L);
}

void CurlPerform(CURL* c) {
  CURLcode rc = curl_easy_perform(c);
  long code = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
  if (rc != CURLE_OK || code != 200)
    throw std::runtime_error(std::string("libcurl: ") + curl_easy_strerror(rc));
}

std::string URL(bool ATLS, const std::string& APath) {
  return ATLS ? GNginx->HttpsURL(APath) : GNginx->HttpURL(APath);
}

void Check(bool AOk, const char* AWhat) {
  if (!AOk) throw std::runtime_error(AWhat);
}

double ProcessCPUSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct TClient {
  std::string Name;
  double Units; // MiB or requests of one run
  std::function<void()> Run;
};

// One benchmark iteration is one round: every client once, the first one rotating. The
// benchmark's own time is ours; the summary uses the medians of every client.
// OZK_BENCH_CLIENT=<name> runs only that client (for profiling one side).
void Rounds(benchmark::State& state, const std::string& AScenario, std::vector<TClient> AClients) {
  if (const char* only = std::getenv("OZK_BENCH_CLIENT"))
    AClients.erase(std::remove_if(AClients.begin(), AClients.end(),
                                  [only](const TClient& c) { return c.Name != only; }),
                   AClients.end());
  if (AClients.empty()) {
    state.SkipWithError("no client selected");
    return;
  }
  size_t round = 0;
  for (auto _ : state) {
    for (size_t k = 0; k < AClients.size(); ++k) {
      const TClient& client = AClients[(k + round) % AClients.size()];
      const double cpuStart = ProcessCPUSeconds();
      const auto start = std::chrono::steady_clock::now();
      client.Run();
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const std::string key = AScenario + "/" + client.Name;
      GSeconds[key].push_back(seconds);
      GCPUSeconds[key].push_back(ProcessCPUSeconds() - cpuStart);
      GUnits[key] = client.Units;
      if (client.Name == "ours") state.SetIterationTime(seconds);
    }
    ++round;
  }
}

// --- 1 GiB download ---

void CurlDownload(const std::string& AURL, bool AOurBuffers) {
  uint64_t received = 0;
  CURL* c = curl_easy_init();
  SetUpCurl(c, AURL, &received);
  if (AOurBuffers) curl_easy_setopt(c, CURLOPT_BUFFERSIZE, OurRecvBuffer);
  CurlPerform(c);
  curl_easy_cleanup(c);
  Check(received == BigSize, "short download");
}

void Download(benchmark::State& state, bool ATLS) {
  const std::string url = URL(ATLS, "/big.bin");
  const double mib = BigSize / 1048576.0;
  Rounds(state, std::string("download ") + (ATLS ? "HTTPS" : "HTTP"),
         {{"ours", mib,
           [&] {
             TozkIdHTTP http;
             ConfigureTLS(http.TLSOptions(), false);
             TDiscardStream sink;
             http.Get(UTF8ToUTF16(url), &sink);
             Check(static_cast<uint64_t>(sink.Written) == BigSize, "short download");
           }},
          {"libcurl", mib, [&] { CurlDownload(url, false); }},
          {"libcurl_ourbuf", mib, [&] { CurlDownload(url, true); }}});
}

// --- small GETs, a new connection each ---

void OursGets(const std::string& AURL, int ACount, bool ARootCertFile) {
  TozkHTTPAPI_client api; // the executor: a fresh client, connection and context per call
  ConfigureTLS(api.TLSOptions(), ARootCertFile);
  const std::u16string url = UTF8ToUTF16(AURL);
  for (int i = 0; i < ACount; ++i) Check(api.Get(url) == u"Hello from nginx\n", "wrong body");
}

void CurlGetsFair(const std::string& AURL, int ACount) {
  uint64_t received = 0;
  CURL* c = curl_easy_init();
  SetUpCurl(c, AURL, &received);
  SetUpCurlFair(c);
  for (int i = 0; i < ACount; ++i) CurlPerform(c);
  curl_easy_cleanup(c);
  Check(received == 17u * static_cast<uint64_t>(ACount), "wrong body");
}

void CurlGetsNaive(const std::string& AURL, int ACount) {
  for (int i = 0; i < ACount; ++i) {
    uint64_t received = 0;
    CURL* c = curl_easy_init();
    SetUpCurl(c, AURL, &received);
    CurlPerform(c);
    curl_easy_cleanup(c);
    Check(received == 17, "wrong body");
  }
}

void SmallGets(benchmark::State& state, bool ATLS) {
  const std::string url = URL(ATLS, "/hello.txt");
  const int count = ATLS ? HttpsGets : HttpGets;
  const int naive = ATLS ? NaiveHttpsGets : HttpGets;
  std::vector<TClient> clients = {
      {"ours", double(count), [=] { OursGets(url, count, false); }},
      {"libcurl_fair", double(count), [=] { CurlGetsFair(url, count); }},
      {"libcurl_naive", double(naive), [=] { CurlGetsNaive(url, naive); }}};
  if (ATLS)
    clients.push_back({"ours_rootcert", double(count), [=] { OursGets(url, count, true); }});
  Rounds(state, std::string("GETs ") + (ATLS ? "HTTPS" : "HTTP"), clients);
}

// --- multipart upload of 1 GiB ---

std::string UploadFile() {
  return GNginx->DocRoot() + "/big.bin";
}

void CurlUpload(bool AOurBuffers) {
  uint64_t received = 0;
  CURL* c = curl_easy_init();
  SetUpCurl(c, URL(false, "/upload"), &received);
  if (AOurBuffers) {
    curl_easy_setopt(c, CURLOPT_UPLOAD_BUFFERSIZE, OurSendBuffer);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, OurRecvBuffer);
  }
  curl_mime* mime = curl_mime_init(c);
  curl_mimepart* part = curl_mime_addpart(mime);
  curl_mime_name(part, "file");
  curl_mime_filedata(part, UploadFile().c_str());
  part = curl_mime_addpart(mime);
  curl_mime_name(part, "purpose");
  curl_mime_data(part, "assistants", CURL_ZERO_TERMINATED);
  curl_easy_setopt(c, CURLOPT_MIMEPOST, mime);
  curl_slist* headers = curl_slist_append(nullptr, "Expect:"); // as ours: no 100 wait
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
  CurlPerform(c);
  curl_off_t sent = 0;
  curl_easy_getinfo(c, CURLINFO_SIZE_UPLOAD_T, &sent);
  GCurlUploaded = static_cast<uint64_t>(sent);
  curl_easy_cleanup(c);
  curl_mime_free(mime);
  curl_slist_free_all(headers);
}

void Upload(benchmark::State& state) {
  const double mib = BigSize / 1048576.0;
  const std::string scenario = "upload HTTP";
  Rounds(
      state, scenario,
      {{"ours", mib,
        [&] {
          MeasureUpload(scenario + "/ours", [] {
            TozkHTTPAPI_client api;
            TIdMultiPartFormDataStream form;
            form.AddFile(u"file", UTF8ToUTF16(UploadFile()));
            form.AddFormField(u"purpose", u"assistants");
            Check(api.Post(UTF8ToUTF16(URL(false, "/upload")), u"", nullptr, &form) == u"ok\n",
                  "upload refused");
          });
        }},
       {"libcurl", mib, [&] { MeasureUpload(scenario + "/libcurl", [] { CurlUpload(false); }); }},
       {"libcurl_ourbuf", mib,
        [&] { MeasureUpload(scenario + "/libcurl_ourbuf", [] { CurlUpload(true); }); }}});
}

void Summary() {
  struct TRow {
    std::string Scenario, Ours, Peer;
    bool Rate; // requests per second rather than MiB/s
    double Goal;
  };
  const std::vector<TRow> rows = {{"download HTTP", "ours", "libcurl", false, 0.9},
                                  {"download HTTP", "ours", "libcurl_ourbuf", false, 0.9},
                                  {"download HTTPS", "ours", "libcurl", false, 0.9},
                                  {"download HTTPS", "ours", "libcurl_ourbuf", false, 0.9},
                                  {"GETs HTTP", "ours", "libcurl_fair", true, 0.8},
                                  {"GETs HTTP", "ours", "libcurl_naive", true, 0},
                                  {"GETs HTTPS", "ours", "libcurl_fair", true, 0.9},
                                  {"GETs HTTPS", "ours", "libcurl_naive", true, 0},
                                  {"GETs HTTPS", "ours_rootcert", "libcurl_fair", true, 0.9},
                                  {"GETs HTTPS", "ours_rootcert", "libcurl_naive", true, 0},
                                  {"GETs HTTPS", "ours_rootcert", "ours", true, 0},
                                  {"upload HTTP", "ours", "libcurl", false, 0.9},
                                  {"upload HTTP", "ours", "libcurl_ourbuf", false, 0.9}};
  std::printf("\n%-15s %-14s %-15s %11s %11s %7s %9s %6s  %s\n", "scenario", "ours", "peer", "ours",
              "peer", "ratio", "cpu ratio", "rounds", "goal (ratio)");
  for (const TRow& row : rows) {
    const std::string a = row.Scenario + "/" + row.Ours, b = row.Scenario + "/" + row.Peer;
    if (!GSeconds.count(a) || !GSeconds.count(b)) continue;
    const double rateA = GUnits[a] / ozkbench::Median(GSeconds[a]);
    const double rateB = GUnits[b] / ozkbench::Median(GSeconds[b]);
    // CPU per unit of the peer / CPU per unit of ours: above 1, ours costs less.
    const double cpuRatio = (ozkbench::Median(GCPUSeconds[b]) / GUnits[b]) /
                            (ozkbench::Median(GCPUSeconds[a]) / GUnits[a]);
    const int rounds = static_cast<int>(std::min(GSeconds[a].size(), GSeconds[b].size()));
    const char* unit = row.Rate ? "r/s" : "M/s";
    std::printf("%-15s %-14s %-15s %7.1f %s %7.1f %s %6.2fx %8.2fx %6d  ", row.Scenario.c_str(),
                row.Ours.c_str(), row.Peer.c_str(), rateA, unit, rateB, unit, rateA / rateB,
                cpuRatio, rounds);
    if (row.Goal > 0)
      std::printf(">= %.1f %s\n", row.Goal, rateA / rateB >= row.Goal ? "met" : "NOT met");
    else
      std::printf("-\n");
  }
  std::printf("ratio: median rate of the first client / median rate of the second; cpu ratio: "
              "median CPU time of this process per unit, second / first (the clients' own "
              "cost, least disturbed by other load)\n");
  if (GCurlUploaded)
    std::printf("libcurl upload sent %llu bytes\n", (unsigned long long)GCurlUploaded);
  for (const auto& [name, mib] : GPeakMiB)
    std::printf("upload peak RSS increase %-27s median %7.1f MiB, max %7.1f MiB (%zu uploads)\n",
                name.c_str(), ozkbench::Median(mib), *std::max_element(mib.begin(), mib.end()),
                mib.size());
  if (GPeakMiB.empty() && GSeconds.count("upload HTTP/ours"))
    std::printf("upload peak RSS not measured: the high-water mark could not be reset\n");
}

} // namespace

int main(int argc, char** argv) {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  // The system trust store plus the test root, as the default store of both clients: the
  // configuration of the real service (no RootCertFile), with a server this run can trust.
  ozktest::TTestTempDir bundleDir;
  {
    std::ifstream system("/etc/ssl/certs/ca-certificates.crt", std::ios::binary);
    std::stringstream all;
    all << system.rdbuf() << ozktest::TTestPKI::Get().CA.CertPEM();
    GBundle = UTF16ToUTF8(bundleDir.WriteFile("bundle.pem", all.str()));
    setenv("SSL_CERT_FILE", GBundle.c_str(), 1);
  }
  ozktest::TTestNginxOptions options;
  options.PatternFiles = {{"big.bin", BigSize}};
  GNginx = new ozktest::TTestNginx(options);
  if (!GNginx->Error().empty()) {
    std::fprintf(stderr, "%s\n", GNginx->Error().c_str());
    return 1;
  }
  const int rounds = ozkbench::Rounds();
  auto reg = [rounds](const char* AName, auto AFn) {
    benchmark::RegisterBenchmark(AName, AFn)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(rounds);
  };
  reg("download_HTTP", [](benchmark::State& s) { Download(s, false); });
  reg("download_HTTPS", [](benchmark::State& s) { Download(s, true); });
  reg("gets_HTTP", [](benchmark::State& s) { SmallGets(s, false); });
  reg("gets_HTTPS", [](benchmark::State& s) { SmallGets(s, true); });
  reg("upload_HTTP", Upload);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Summary();
  delete GNginx;
  curl_global_cleanup();
  return 0;
}
