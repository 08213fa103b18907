// The HTTP client beside libcurl, in the same run and against the same local nginx (started
// here with a 1 GiB static file): (a) a 1 GiB download over HTTP and HTTPS, (b) 2,000
// sequential small GETs, each on a fresh connection (the executor's way; libcurl with a fresh
// handle per request), over HTTP and HTTPS, (c) a multipart upload of a 1 GiB file with the
// peak resident memory of the upload. Every client verifies the server's certificate.
//
// Run: ozk_http_bench [--benchmark_filter=...]; the summary with the ratios follows the table.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#include "base/ozkText.h"
#include "http/ozkHTTP_API.h"
#include "http/ozkHTTP_Client.h"
#include "support/ozkTestPeers.h"
#include "support/ozkTestTLS.h"

namespace {

constexpr uint64_t BigSize = uint64_t(1) << 30;
constexpr int SmallRequests = 2000;

ozktest::TTestNginx* GNginx = nullptr;
std::map<std::string, double> GBest; // scenario/client -> best seconds
std::map<std::string, long> GPeakKiB;
std::string GBundle;        // system trust store + test root
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

void Record(const std::string& AKey, double ASeconds) {
  auto it = GBest.find(AKey);
  if (it == GBest.end() || ASeconds < it->second) GBest[AKey] = ASeconds;
}

// Peak resident memory since the last reset, in KiB (VmHWM), and its reset.
void ResetPeakRSS() {
  std::ofstream("/proc/self/clear_refs") << "5";
}
long PeakRSSKiB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

std::u16string CAFile() {
  return GNginx->CAFile();
}
std::string CAFileUTF8() {
  return UTF16ToUTF8(GNginx->CAFile());
}

// The executor's TLS settings; ARootCertFile names the test root explicitly instead of relying
// on the default store.
void ConfigureTLS(TozkIdHTTPTLS_Options& ATLS, bool ARootCertFile) {
  ATLS.SetVersion(tls1_2);
  ATLS.SetVerifyCertificate(true);
  ATLS.SetVerifyDepth(10);
  ATLS.SetRootCertFile(ARootCertFile ? CAFile() : std::u16string());
}

size_t CurlDiscard(char*, size_t ASize, size_t ACount, void* AUser) {
  *static_cast<uint64_t*>(AUser) += ASize * ACount;
  return ASize * ACount;
}

CURL* NewCurl(const std::string& AURL, uint64_t* ACounter, const std::string& ACAFile) {
  CURL* c = curl_easy_init();
  curl_easy_setopt(c, CURLOPT_URL, AURL.c_str());
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, CurlDiscard);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, ACounter);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(c, CURLOPT_CAINFO, ACAFile.c_str());
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(c, CURLOPT_SSLVERSION,
                   static_cast<long>(CURL_SSLVERSION_TLSv1_2) |
                       static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
  return c;
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

// Each benchmark iteration runs both clients back to back (alternating which goes first), so
// both see the same machine load; the best time of each client counts.
template <typename TOurs, typename TCurl>
void SideBySide(benchmark::State& state, const std::string& AName, double AUnits, bool ARate,
                TOurs AOurs, TCurl ACurl) {
  double bestOurs = 1e300, bestCurl = 1e300;
  int iteration = 0;
  for (auto _ : state) {
    auto timed = [](auto& AFn) {
      auto start = std::chrono::steady_clock::now();
      AFn();
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    double ours, curl;
    if (iteration++ % 2 == 0) {
      ours = timed(AOurs);
      curl = timed(ACurl);
    } else {
      curl = timed(ACurl);
      ours = timed(AOurs);
    }
    bestOurs = std::min(bestOurs, ours);
    bestCurl = std::min(bestCurl, curl);
    state.SetIterationTime(ours);
  }
  Record(AName + "/ours", bestOurs);
  Record(AName + "/libcurl", bestCurl);
  const char* unit = ARate ? "req/s" : "MiB/s";
  state.counters[std::string("ours_") + unit] = AUnits / bestOurs;
  state.counters[std::string("curl_") + unit] = AUnits / bestCurl;
  state.counters["ratio"] = bestCurl / bestOurs;
}

void Check(bool AOk, const char* AWhat) {
  if (!AOk) throw std::runtime_error(AWhat);
}

// --- (a) 1 GiB download ---

void Download(benchmark::State& state, bool ATLS) {
  const std::string url = URL(ATLS, "/big.bin");
  SideBySide(
      state, std::string("download ") + (ATLS ? "HTTPS" : "HTTP"), BigSize / 1048576.0, false,
      [&] {
        TozkIdHTTP http;
        ConfigureTLS(http.TLSOptions(), false);
        TDiscardStream sink;
        http.Get(UTF8ToUTF16(url), &sink);
        Check(static_cast<uint64_t>(sink.Written) == BigSize, "short download");
      },
      [&] {
        uint64_t received = 0;
        CURL* c = NewCurl(url, &received, GBundle);
        CurlPerform(c);
        curl_easy_cleanup(c);
        Check(received == BigSize, "short download");
      });
}

// --- (b) small GETs, a fresh connection each ---

void SmallGets(benchmark::State& state, bool ATLS, bool ARootCertFile) {
  const std::string url = URL(ATLS, "/hello.txt");
  std::string name = std::string("2000 GETs ") + (ATLS ? "HTTPS" : "HTTP");
  if (ARootCertFile) name += " RootCertFile";
  SideBySide(
      state, name, SmallRequests, true,
      [&] {
        TozkHTTPAPI_client api; // the executor: a fresh client, connection and context per call
        ConfigureTLS(api.TLSOptions(), ARootCertFile);
        for (int i = 0; i < SmallRequests; ++i)
          Check(api.Get(UTF8ToUTF16(url)) == u"Hello from nginx\n", "wrong body");
      },
      [&] {
        const std::string ca = ARootCertFile ? CAFileUTF8() : GBundle;
        for (int i = 0; i < SmallRequests; ++i) {
          uint64_t received = 0;
          CURL* c = NewCurl(url, &received, ca);
          CurlPerform(c);
          curl_easy_cleanup(c);
          Check(received == 17, "wrong body");
        }
      });
}

// --- (c) multipart upload of 1 GiB ---

std::string UploadFile() {
  return GNginx->DocRoot() + "/big.bin";
}

void Upload(benchmark::State& state) {
  SideBySide(
      state, "upload HTTP", BigSize / 1048576.0, false,
      [&] {
        ResetPeakRSS();
        TozkHTTPAPI_client api;
        TIdMultiPartFormDataStream form;
        form.AddFile(u"file", UTF8ToUTF16(UploadFile()));
        form.AddFormField(u"purpose", u"assistants");
        Check(api.Post(UTF8ToUTF16(URL(false, "/upload")), u"", nullptr, &form) == u"ok\n",
              "upload refused");
        GPeakKiB["upload HTTP/ours"] = std::max(GPeakKiB["upload HTTP/ours"], PeakRSSKiB());
      },
      [&] {
        ResetPeakRSS();
        uint64_t received = 0;
        CURL* c = NewCurl(URL(false, "/upload"), &received, GBundle);
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
        GPeakKiB["upload HTTP/libcurl"] = std::max(GPeakKiB["upload HTTP/libcurl"], PeakRSSKiB());
      });
}

void Summary() {
  std::printf("\n%-32s %12s %12s %8s  %s\n", "scenario", "ours", "libcurl", "ratio", "goal");
  struct TRow {
    std::string Name;
    bool Rate; // requests per second rather than MiB/s
    double Goal;
  };
  for (const TRow& row :
       {TRow{"download HTTP", false, 0.9}, TRow{"download HTTPS", false, 0.9},
        TRow{"2000 GETs HTTP", true, 0.8}, TRow{"2000 GETs HTTPS", true, 0.8},
        TRow{"2000 GETs HTTPS RootCertFile", true, 0}, TRow{"upload HTTP", false, 0.9}}) {
    auto ours = GBest.find(row.Name + "/ours");
    auto curl = GBest.find(row.Name + "/libcurl");
    if (ours == GBest.end() || curl == GBest.end()) continue;
    double a = row.Rate ? SmallRequests / ours->second : BigSize / 1048576.0 / ours->second;
    double b = row.Rate ? SmallRequests / curl->second : BigSize / 1048576.0 / curl->second;
    const char* unit = row.Rate ? "r/s" : "M/s";
    if (row.Goal > 0)
      std::printf("%-32s %8.1f %s %8.1f %s %7.2fx  >= %.1fx %s\n", row.Name.c_str(), a, unit, b,
                  unit, a / b, row.Goal, a / b >= row.Goal ? "met" : "NOT met");
    else
      std::printf("%-32s %8.1f %s %8.1f %s %7.2fx  (no goal)\n", row.Name.c_str(), a, unit, b, unit,
                  a / b);
  }
  if (GCurlUploaded)
    std::printf("libcurl upload sent %llu bytes\n", (unsigned long long)GCurlUploaded);
  for (const auto& [name, kib] : GPeakKiB)
    std::printf("peak RSS %-23s %8.1f MiB\n", name.c_str(), kib / 1024.0);
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
  auto reg = [](const char* AName, auto AFn) {
    return benchmark::RegisterBenchmark(AName, AFn)->UseManualTime()->Unit(benchmark::kMillisecond);
  };
  reg("download_HTTP", [](benchmark::State& s) { Download(s, false); })->Iterations(4);
  reg("download_HTTPS", [](benchmark::State& s) { Download(s, true); })->Iterations(4);
  reg("gets2000_HTTP", [](benchmark::State& s) { SmallGets(s, false, false); })->Iterations(2);
  reg("gets2000_HTTPS", [](benchmark::State& s) { SmallGets(s, true, false); })->Iterations(2);
  reg("gets2000_HTTPS_RootCertFile", [](benchmark::State& s) {
    SmallGets(s, true, true);
  })->Iterations(1);
  reg("upload_HTTP", Upload)->Iterations(4);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Summary();
  delete GNginx;
  curl_global_cleanup();
  return 0;
}
