// REST client benchmark against the bundled local assistants service, over HTTP and over HTTPS
// (test CA, verification on), beside the official OpenAI Node SDK making the same calls in the
// same run: COUNT RetrieveRun calls (a GET) and POSTS CreateMessage calls (a POST of a small JSON
// body). Repetitions are interleaved (for each transport: ours, Node with its default keep-alive
// agent, Node with a new connection per call; for the POST also ours as it wrote requests before
// it corked the socket, and both again with one kept-alive client for every call, the setting in
// which the server's delayed acknowledgement always struck) and the medians are reported. Our GET
// time per call is split into connection set-up (client creation, resolve, connect and TLS
// handshake, up to the connection's OnConnected), request (writing the request and reading the
// answer), object building (the run object from the answer text, timed on the same text) and the
// rest (URL, headers, dispatch).
//
// "Ours, uncorked" reproduces the client before it corked the socket for a request with a body:
// an interceptor uncorks the socket just before each block (the head, then every body block) is
// handed to the transport, so the head leaves alone and, with Nagle's algorithm on, the body
// waits for the acknowledgement of the head, as it did. It costs the interceptor's copy of each
// block and one setsockopt per block (microseconds).
//
//   ozk_openai_rest_bench [--calls N] [--posts P] [--reps R]
//   (N defaults to 1000, P to 200, R to $OZK_BENCH_ROUNDS, else 5; Node SDK: $OZK_NODE_SDK_DIR)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/ozkText.h"
#include "net/ozkIdIntercept.h"
#include "openai/ozkHTTP_API_OpenAI.h"
#include "support/ozkTestService.h"
#include "support/ozkTestTLS.h"

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::duration aDuration) {
  return std::chrono::duration<double>(aDuration).count();
}

// The executor's GET and POST of a text body with time stamps: the same steps (a fresh client
// per request, the body and the answer as UTF-8 text), split at the moment the connection is
// up. With Uncorked, every block is sent on an uncorked socket (see the head of this file). With
// KeepAlive, one client serves every request over one connection: it asks in HTTP/1.1 (a POST
// otherwise goes out as HTTP/1.0, whose connection the service closes after the answer), and
// over plain HTTP it is a TIdHTTP, since TozkIdHTTP sets up a new handler for every plain
// request. Connections counts the connections made.
class TTimedClient : public TozkHTTP_API_OpenAI {
 public:
  double SetupSeconds = 0;
  double RequestSeconds = 0;
  bool Uncorked = false;
  bool KeepAlive = false;
  int Connections = 0;

 protected:
  std::u16string ExecuteGet(const std::u16string& aURL, const TStringList* aHeaders) override {
    return Timed(aURL, aHeaders,
                 [&](TIdHTTP& aHttp, TMemoryStream& aResponse) { aHttp.Get(aURL, &aResponse); });
  }
  std::u16string ExecutePost(const std::u16string& aURL, const std::u16string& aBody,
                             const TStringList* aHeaders,
                             TIdMultiPartFormDataStream* aMultipartFormData,
                             bool aForceHTTP1) override {
    if (aMultipartFormData || aForceHTTP1)
      throw std::runtime_error("the benchmark posts plain JSON bodies only");
    return Timed(aURL, aHeaders, [&](TIdHTTP& aHttp, TMemoryStream& aResponse) {
      const TIdBytes lBytes = TextToBytes(aBody, TextEncodingOfKind(tekUTF8));
      TMemoryStream lBody;
      lBody.WriteBuffer(lBytes.data(), static_cast<int64_t>(lBytes.size()));
      lBody.SetPosition(0);
      aHttp.Post(aURL, lBody, &aResponse);
    });
  }

 private:
  std::unique_ptr<TIdHTTP> MakeKeptClient(const std::u16string& aURL, const TStringList* aHeaders) {
    std::unique_ptr<TIdHTTP> lHttp;
    if (UpperCase(std::u16string_view(aURL).substr(0, 5)) == u"HTTPS") {
      lHttp = MakeClient(aHeaders);
    } else {
      lHttp = std::make_unique<TIdHTTP>();
      lHttp->SetReadTimeout(ReadTimeout());
      if (aHeaders) lHttp->Request().CustomHeaders().SetText(aHeaders->Text());
    }
    lHttp->SetProtocolVersion(pv1_1);
    TIdHTTPOptions lOptions = lHttp->HTTPOptions();
    lHttp->SetHTTPOptions(lOptions.Include(hoKeepOrigProtocol));
    return lHttp;
  }

  std::u16string Timed(const std::u16string& aURL, const TStringList* aHeaders,
                       const std::function<void(TIdHTTP&, TMemoryStream&)>& aRequest) {
    return Run([&] {
      const TClock::time_point lStart = TClock::now();
      TIdConnectionIntercept lUncork; // outlives the client it is attached to
      std::unique_ptr<TIdHTTP> lOwn;
      TIdHTTP* lHttp;
      if (!KeepAlive) {
        lOwn = MakeClient(aHeaders);
        lHttp = lOwn.get();
      } else if (FKept) {
        FKept->Request().CustomHeaders().SetText(aHeaders ? aHeaders->Text() : u"");
        lHttp = FKept.get();
      } else {
        FKept = MakeKeptClient(aURL, aHeaders);
        lHttp = FKept.get();
      }
      TClock::time_point lConnected = lStart;
      lHttp->OnConnected = [this, &lConnected](TComponent*) {
        lConnected = TClock::now();
        ++Connections;
      };
      if (Uncorked) {
        lUncork.OnSend = [lClient = lHttp](TIdConnectionIntercept*, TIdBytes&) {
          if (TIdIOHandlerSocket* lSocket = lClient->Socket();
              lSocket && lSocket->BindingAllocated())
            lSocket->Binding()->SetCorked(false);
        };
        lHttp->SetIntercept(&lUncork);
      }
      TMemoryStream lResponse;
      aRequest(*lHttp, lResponse);
      const TClock::time_point lEnd = TClock::now();
      lHttp->SetIntercept(nullptr);
      SetupSeconds += Seconds(lConnected - lStart);
      RequestSeconds += Seconds(lEnd - lConnected);
      return UTF8ToUTF16(lResponse.Bytes().data(), lResponse.Bytes().size());
    });
  }

  std::unique_ptr<TIdHTTP> FKept;
};

struct TTarget {
  std::string Name;
  std::unique_ptr<ozktest::TTestService> Service;
  std::u16string CAFile;
  std::u16string ThreadId, RunId;
  std::u16string PostThreadId; // the thread the POSTs add their messages to
};

// The text of every message created, ours and the Node SDK's alike.
const char16_t* const PostedText = u"What is 6 times 7?";

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
  lMessage.SetContentText(PostedText);
  lClient.CreateMessage(aTarget.ThreadId, lMessage);
  TozkOpenAIClass_Request_Thread lPostThread;
  aTarget.PostThreadId = lClient.CreateThread(lPostThread)->Id();
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

struct TOursPost {
  double Total, Request;
  int Connections; // made for the timed calls
};

TOursPost RunOursPost(const TTarget& aTarget, int aCalls, bool aUncorked, bool aKeepAlive) {
  TTimedClient lClient;
  Configure(lClient, aTarget);
  lClient.Uncorked = aUncorked;
  lClient.KeepAlive = aKeepAlive;
  TozkOpenAIClass_Request_Message lMessage;
  lMessage.SetRole(u"user");
  lMessage.SetContentText(PostedText);
  lClient.CreateMessage(aTarget.PostThreadId, lMessage); // warm-up, as on the Node side
  lClient.SetupSeconds = lClient.RequestSeconds = 0;
  lClient.Connections = 0;
  std::u16string lRole;
  const TClock::time_point lStart = TClock::now();
  for (int i = 0; i < aCalls; ++i)
    lRole = lClient.CreateMessage(aTarget.PostThreadId, lMessage)->Role();
  const double lTotal = Seconds(TClock::now() - lStart);
  if (lRole != u"user") throw std::runtime_error("unexpected message role");
  return {lTotal, lClient.RequestSeconds, lClient.Connections};
}

// Seconds for aCalls calls of aOperation ("retrieve": RetrieveRun, "message": CreateMessage) by
// the Node SDK, or a negative value when it failed.
double RunNode(const std::string& aSDK, const TTarget& aTarget, int aCalls, const char* aMode,
               const char* aOperation) {
  const bool lPost = !std::strcmp(aOperation, "message");
  std::string lCommand;
  if (!aTarget.CAFile.empty())
    lCommand = "NODE_EXTRA_CA_CERTS='" + UTF16ToUTF8(aTarget.CAFile) + "' ";
  lCommand += "node '" OZK_REST_BENCH_NODE_SCRIPT "' '" + aSDK + "' '" +
              aTarget.Service->BaseURL() + "' '" +
              UTF16ToUTF8(lPost ? aTarget.PostThreadId : aTarget.ThreadId) + "' '" +
              UTF16ToUTF8(aTarget.RunId) + "' " + std::to_string(aCalls) + " " + aMode + " " +
              aOperation + " '" + UTF16ToUTF8(PostedText) + "' 2>&1";
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
  int lCalls = 1000, lPosts = 200, lReps = 5;
  if (const char* lRounds = std::getenv("OZK_BENCH_ROUNDS"))
    lReps = std::max(1, std::atoi(lRounds));
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--calls")) lCalls = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--posts")) lPosts = std::atoi(argv[i + 1]);
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

  // Per target: our GET totals and parts, Node keep-alive and Node fresh-connection totals; the
  // same for the POST, with our uncorked totals beside ours.
  std::map<std::string, std::vector<double>> lSamples;
  for (int r = 0; r < lReps; ++r) {
    for (const TTarget& lTarget : lTargets) {
      const std::string& n = lTarget.Name;
      const TOurs lOurs = RunOurs(lTarget, lCalls);
      lSamples[n + ".ours"].push_back(lOurs.Total);
      lSamples[n + ".setup"].push_back(lOurs.Setup);
      lSamples[n + ".request"].push_back(lOurs.Request);
      lSamples[n + ".build"].push_back(lOurs.Build);
      if (!lSDK.empty()) {
        lSamples[n + ".node"].push_back(RunNode(lSDK, lTarget, lCalls, "keepalive", "retrieve"));
        lSamples[n + ".nodefresh"].push_back(RunNode(lSDK, lTarget, lCalls, "fresh", "retrieve"));
      }
      if (lPosts <= 0) continue;
      // Corked and uncorked alternate which goes first, so neither always meets a warmer service.
      for (const bool lKeepAlive : {false, true}) {
        for (const bool lUncorked : {r % 2 == 1, r % 2 == 0}) {
          const TOursPost lPost = RunOursPost(lTarget, lPosts, lUncorked, lKeepAlive);
          const std::string lKey = std::string(lKeepAlive ? ".post.kept" : ".post.ours") +
                                   (lUncorked ? ".uncorked" : "");
          lSamples[n + lKey].push_back(lPost.Total);
          lSamples[n + lKey + ".request"].push_back(lPost.Request);
          lSamples[n + lKey + ".connections"].push_back(lPost.Connections);
        }
      }
      if (!lSDK.empty()) {
        lSamples[n + ".post.node"].push_back(
            RunNode(lSDK, lTarget, lPosts, "keepalive", "message"));
        lSamples[n + ".post.nodefresh"].push_back(
            RunNode(lSDK, lTarget, lPosts, "fresh", "message"));
      }
    }
    std::fprintf(stderr, "repetition %d of %d done\n", r + 1, lReps);
  }

  auto lRow = [&](const TTarget& aTarget, int aCount, const char* aLabel, const std::string& aKey) {
    const double lSeconds = Median(lSamples[aTarget.Name + aKey]);
    if (lSeconds <= 0) return 0.0;
    std::printf("%-6s %-42s %12.0f %14.1f\n", aTarget.Name.c_str(), aLabel, aCount / lSeconds,
                1e6 * lSeconds / aCount);
    return aCount / lSeconds;
  };
  auto lRatio = [](const TTarget& aTarget, const char* aWhat, double aOurs, double aPeer) {
    if (aOurs > 0 && aPeer > 0)
      std::printf("%-6s   %s: %.2f\n", aTarget.Name.c_str(), aWhat, aOurs / aPeer);
  };

  std::printf("%d RetrieveRun calls per repetition, %d interleaved repetitions, medians\n", lCalls,
              lReps);
  std::printf("%-6s %-42s %12s %14s\n", "", "client", "calls/s", "us per call");
  for (const TTarget& lTarget : lTargets) {
    const double lOurs = lRow(lTarget, lCalls, "ozk TozkHTTP_API_OpenAI", ".ours");
    const double lNode = lRow(lTarget, lCalls, "Node SDK (keep-alive agent)", ".node");
    const double lFresh = lRow(lTarget, lCalls, "Node SDK (new connection per call)", ".nodefresh");
    const double lTotal = Median(lSamples[lTarget.Name + ".ours"]);
    const double lSetup = Median(lSamples[lTarget.Name + ".setup"]);
    const double lRequest = Median(lSamples[lTarget.Name + ".request"]);
    const double lBuild = Median(lSamples[lTarget.Name + ".build"]);
    std::printf(
        "%-6s   ours per call: set-up %.1f us, request %.1f us, object %.1f us, rest %.1f us\n",
        lTarget.Name.c_str(), 1e6 * lSetup / lCalls, 1e6 * lRequest / lCalls, 1e6 * lBuild / lCalls,
        1e6 * (lTotal - lSetup - lRequest - lBuild) / lCalls);
    lRatio(lTarget, "ours / Node keep-alive", lOurs, lNode);
    lRatio(lTarget, "ours / Node new connection", lOurs, lFresh);
  }
  if (lPosts <= 0) return 0;

  std::printf("\n%d CreateMessage calls per repetition, %d interleaved repetitions, medians\n",
              lPosts, lReps);
  std::printf("%-6s %-42s %12s %14s\n", "", "client", "calls/s", "us per call");
  for (const TTarget& lTarget : lTargets) {
    const double lOurs = lRow(lTarget, lPosts, "ozk TozkHTTP_API_OpenAI", ".post.ours");
    const double lUncorked =
        lRow(lTarget, lPosts, "ozk, uncorked (as before corking)", ".post.ours.uncorked");
    const double lKept = lRow(lTarget, lPosts, "ozk, one kept-alive client", ".post.kept");
    const double lKeptUncorked =
        lRow(lTarget, lPosts, "ozk, one kept-alive client, uncorked", ".post.kept.uncorked");
    const double lNode = lRow(lTarget, lPosts, "Node SDK (keep-alive agent)", ".post.node");
    const double lFresh =
        lRow(lTarget, lPosts, "Node SDK (new connection per call)", ".post.nodefresh");
    std::printf("%-6s   request part per call: ours %.1f us, uncorked %.1f us\n",
                lTarget.Name.c_str(),
                1e6 * Median(lSamples[lTarget.Name + ".post.ours.request"]) / lPosts,
                1e6 * Median(lSamples[lTarget.Name + ".post.ours.uncorked.request"]) / lPosts);
    std::printf("%-6s   connections per %d calls: ours %.0f, kept-alive %.0f\n",
                lTarget.Name.c_str(), lPosts,
                Median(lSamples[lTarget.Name + ".post.ours.connections"]),
                Median(lSamples[lTarget.Name + ".post.kept.connections"]));
    lRatio(lTarget, "ours / uncorked", lOurs, lUncorked);
    lRatio(lTarget, "kept-alive / kept-alive uncorked", lKept, lKeptUncorked);
    lRatio(lTarget, "kept-alive / Node keep-alive", lKept, lNode);
    lRatio(lTarget, "kept-alive uncorked / Node keep-alive", lKeptUncorked, lNode);
    lRatio(lTarget, "ours / Node keep-alive", lOurs, lNode);
    lRatio(lTarget, "ours / Node new connection", lOurs, lFresh);
    lRatio(lTarget, "uncorked / Node keep-alive", lUncorked, lNode);
    lRatio(lTarget, "uncorked / Node new connection", lUncorked, lFresh);
  }
  return 0;
}
