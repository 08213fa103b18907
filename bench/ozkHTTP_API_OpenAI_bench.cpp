// REST client benchmark: COUNT RetrieveRun calls against the bundled local assistants service
// over HTTP and over HTTPS (test CA, verification on), beside the official OpenAI Node SDK
// making the same calls in the same run. Repetitions are interleaved (ours, Node with its
// default keep-alive agent, Node with a new connection per call, for each transport) and the
// medians are reported. Our time per call is split into connection set-up (client creation,
// resolve, connect and TLS handshake, up to the connection's OnConnected), request (writing the
// request and reading the answer), object building (the run object from the answer text, timed
// on the same text) and the rest (URL, headers, dispatch).
//
//   ozk_openai_rest_bench [--calls N] [--reps R]   (R defaults to $OZK_BENCH_ROUNDS, else 5)
//   (Node SDK folder: $OZK_NODE_SDK_DIR)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/ozkText.h"
#include "openai/ozkHTTP_API_OpenAI.h"
#include "support/ozkTestService.h"
#include "support/ozkTestTLS.h"

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::duration aDuration) {
  return std::chrono::duration<double>(aDuration).count();
}

// The executor's GET with time stamps: the same steps (a fresh client per request, the
// response body as UTF-8 text), split at the moment the connection is up.
class TTimedClient : public TozkHTTP_API_OpenAI {
 public:
  double SetupSeconds = 0;
  double RequestSeconds = 0;

 protected:
  std::u16string ExecuteGet(const std::u16string& aURL, const TStringList* aHeaders) override {
    return Run([&] {
      const TClock::time_point lStart = TClock::now();
      std::unique_ptr<TozkIdHTTP> lHttp = MakeClient(aHeaders);
      TClock::time_point lConnected = lStart;
      lHttp->OnConnected = [&lConnected](TComponent*) { lConnected = TClock::now(); };
      TMemoryStream lResponse;
      lHttp->Get(aURL, &lResponse);
      const TClock::time_point lEnd = TClock::now();
      SetupSeconds += Seconds(lConnected - lStart);
      RequestSeconds += Seconds(lEnd - lConnected);
      return UTF8ToUTF16(lResponse.Bytes().data(), lResponse.Bytes().size());
    });
  }
};

struct TTarget {
  std::string Name;
  std::unique_ptr<ozktest::TTestService> Service;
  std::u16string CAFile;
  std::u16string ThreadId, RunId;
};

void Configure(TozkHTTP_API_OpenAI& aClient, const TTarget& aTarget) {
  aClient.OpenAIOptions().SetApiKey(u"sk-local");
  aClient.OpenAIOptions().SetBaseURL(UTF8ToUTF16(aTarget.Service->BaseURL()));
  aClient.OpenAIOptions().HttpOptions().SetReadTimeout(10000);
  if (!aTarget.CAFile.empty()) aClient.TLSOptions().SetRootCertFile(aTarget.CAFile);
}

// An assistant, a thread with one message and a completed run to retrieve.
void Prepare(TTarget& aTarget) {
  TozkHTTP_API_OpenAI lClient;
  Configure(lClient, aTarget);
  TozkOpenAIClass_Request_Assistant lAssistant;
  lAssistant.SetModel(u"gpt-4o");
  lAssistant.SetName(u"bench");
  const std::u16string lAssistantId = lClient.CreateAssistant(lAssistant)->Id();
  TozkOpenAIClass_Request_Thread lThread;
  aTarget.ThreadId = lClient.CreateThread(lThread)->Id();
  TozkOpenAIClass_Request_Message lMessage;
  lMessage.SetRole(u"user");
  lMessage.SetContentText(u"What is 6 times 7?");
  lClient.CreateMessage(aTarget.ThreadId, lMessage);
  TozkOpenAIClass_Request_Run lRun;
  lRun.SetAssistantId(lAssistantId);
  aTarget.RunId = lClient.CreateRun(aTarget.ThreadId, lRun)->Id();
  for (int i = 0; i < 20; ++i)
    if (lClient.RetrieveRun(aTarget.ThreadId, aTarget.RunId)->Status() == u"completed") return;
  throw std::runtime_error("the run did not complete");
}

struct TOurs {
  double Total, Setup, Request, Build;
};

TOurs RunOurs(const TTarget& aTarget, int aCalls) {
  TTimedClient lClient;
  Configure(lClient, aTarget);
  lClient.RetrieveRun(aTarget.ThreadId, aTarget.RunId); // warm-up, as on the Node side
  lClient.SetupSeconds = lClient.RequestSeconds = 0;
  std::u16string lStatus;
  const TClock::time_point lStart = TClock::now();
  for (int i = 0; i < aCalls; ++i)
    lStatus = lClient.RetrieveRun(aTarget.ThreadId, aTarget.RunId)->Status();
  const double lTotal = Seconds(TClock::now() - lStart);
  if (lStatus != u"completed") throw std::runtime_error("unexpected run status");
  // Object building on the very text the service answers.
  const std::u16string lText = lClient._RetrieveRun(aTarget.ThreadId, aTarget.RunId);
  const TClock::time_point lBuildStart = TClock::now();
  size_t lCheck = 0;
  for (int i = 0; i < aCalls; ++i)
    lCheck += std::make_unique<TozkOpenAIClass_Run>(lText)->Id().size();
  const double lBuild = Seconds(TClock::now() - lBuildStart);
  if (lCheck == 0) throw std::runtime_error("empty run id");
  return {lTotal, lClient.SetupSeconds, lClient.RequestSeconds, lBuild};
}

// Seconds for aCalls retrievals by the Node SDK, or a negative value when it failed.
double RunNode(const std::string& aSDK, const TTarget& aTarget, int aCalls, const char* aMode) {
  std::string lCommand;
  if (!aTarget.CAFile.empty())
    lCommand = "NODE_EXTRA_CA_CERTS='" + UTF16ToUTF8(aTarget.CAFile) + "' ";
  lCommand += "node '" OZK_REST_BENCH_NODE_SCRIPT "' '" + aSDK + "' '" +
              aTarget.Service->BaseURL() + "' '" + UTF16ToUTF8(aTarget.ThreadId) + "' '" +
              UTF16ToUTF8(aTarget.RunId) + "' " + std::to_string(aCalls) + " " + aMode + " 2>&1";
  FILE* lPipe = ::popen(lCommand.c_str(), "r");
  if (!lPipe) return -1;
  std::string lOutput;
  char lLine[4096];
  while (std::fgets(lLine, sizeof lLine, lPipe)) lOutput += lLine;
  if (::pclose(lPipe) != 0) {
    std::fprintf(stderr, "node failed: %s\n", lOutput.c_str());
    return -1;
  }
  const size_t lAt = lOutput.find("\"ms\":");
  return lAt == std::string::npos ? -1 : std::atof(lOutput.c_str() + lAt + 5) / 1000.0;
}

double Median(std::vector<double> aValues) {
  std::sort(aValues.begin(), aValues.end());
  const size_t n = aValues.size();
  return n == 0 ? 0 : (n % 2 ? aValues[n / 2] : (aValues[n / 2 - 1] + aValues[n / 2]) / 2);
}

} // namespace

// A failure in this driver ends it with the runtime's report of the exception; there is
// nothing to clean up.
// NOLINTNEXTLINE(bugprone-exception-escape): a benchmark driver may end on an exception
int main(int argc, char** argv) {
  int lCalls = 1000, lReps = 5;
  if (const char* lRounds = std::getenv("OZK_BENCH_ROUNDS"))
    lReps = std::max(1, std::atoi(lRounds));
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--calls")) lCalls = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--reps")) lReps = std::atoi(argv[i + 1]);
  }
  const char* lSDKEnv = std::getenv("OZK_NODE_SDK_DIR");
  const std::string lSDK = lSDKEnv ? lSDKEnv : "";
  if (lSDK.empty()) std::fprintf(stderr, "OZK_NODE_SDK_DIR not set: the Node SDK is left out\n");

  const auto& lPKI = ozktest::TTestPKI::Get();
  ozktest::TTestTempDir lPKIDir;
  const std::u16string lCA = lPKIDir.WriteFile("ca.pem", lPKI.CA.CertPEM());
  const std::u16string lCert = lPKIDir.WriteFile("cert.pem", lPKI.Localhost.ChainPEM());
  const std::u16string lKey = lPKIDir.WriteFile("key.pem", lPKI.Localhost.KeyPEM());

  std::vector<TTarget> lTargets(2);
  lTargets[0].Name = "http";
  lTargets[0].Service = std::make_unique<ozktest::TTestService>();
  ozktest::TTestServiceOptions lTLS;
  lTLS.TLSCertFile = UTF16ToUTF8(lCert);
  lTLS.TLSKeyFile = UTF16ToUTF8(lKey);
  lTargets[1].Name = "https";
  lTargets[1].Service = std::make_unique<ozktest::TTestService>(lTLS);
  lTargets[1].CAFile = lCA;
  for (TTarget& lTarget : lTargets) Prepare(lTarget);

  // Per target: our totals and parts, Node keep-alive and Node fresh-connection totals.
  std::map<std::string, std::vector<double>> lSamples;
  for (int r = 0; r < lReps; ++r) {
    for (const TTarget& lTarget : lTargets) {
      const TOurs lOurs = RunOurs(lTarget, lCalls);
      lSamples[lTarget.Name + ".ours"].push_back(lOurs.Total);
      lSamples[lTarget.Name + ".setup"].push_back(lOurs.Setup);
      lSamples[lTarget.Name + ".request"].push_back(lOurs.Request);
      lSamples[lTarget.Name + ".build"].push_back(lOurs.Build);
      if (lSDK.empty()) continue;
      lSamples[lTarget.Name + ".node"].push_back(RunNode(lSDK, lTarget, lCalls, "keepalive"));
      lSamples[lTarget.Name + ".nodefresh"].push_back(RunNode(lSDK, lTarget, lCalls, "fresh"));
    }
    std::fprintf(stderr, "repetition %d of %d done\n", r + 1, lReps);
  }

  std::printf("%d RetrieveRun calls per repetition, %d interleaved repetitions, medians\n", lCalls,
              lReps);
  std::printf("%-6s %-38s %12s %14s\n", "", "client", "calls/s", "us per call");
  for (const TTarget& lTarget : lTargets) {
    auto lRow = [&](const char* aLabel, const std::string& aKey) {
      const double lSeconds = Median(lSamples[lTarget.Name + aKey]);
      if (lSeconds <= 0) return 0.0;
      std::printf("%-6s %-38s %12.0f %14.1f\n", lTarget.Name.c_str(), aLabel, lCalls / lSeconds,
                  1e6 * lSeconds / lCalls);
      return lCalls / lSeconds;
    };
    const double lOurs = lRow("ozk TozkHTTP_API_OpenAI", ".ours");
    const double lNode = lRow("Node SDK (keep-alive agent)", ".node");
    const double lFresh = lRow("Node SDK (new connection per call)", ".nodefresh");
    const double lTotal = Median(lSamples[lTarget.Name + ".ours"]);
    const double lSetup = Median(lSamples[lTarget.Name + ".setup"]);
    const double lRequest = Median(lSamples[lTarget.Name + ".request"]);
    const double lBuild = Median(lSamples[lTarget.Name + ".build"]);
    std::printf(
        "%-6s   ours per call: set-up %.1f us, request %.1f us, object %.1f us, rest %.1f us\n",
        lTarget.Name.c_str(), 1e6 * lSetup / lCalls, 1e6 * lRequest / lCalls, 1e6 * lBuild / lCalls,
        1e6 * (lTotal - lSetup - lRequest - lBuild) / lCalls);
    if (lNode > 0)
      std::printf("%-6s   ours / Node keep-alive: %.2f\n", lTarget.Name.c_str(), lOurs / lNode);
    if (lFresh > 0)
      std::printf("%-6s   ours / Node new connection: %.2f\n", lTarget.Name.c_str(),
                  lOurs / lFresh);
  }
  return 0;
}
