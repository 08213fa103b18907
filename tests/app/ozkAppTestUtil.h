// Shared pieces of the controller tests that run against the bundled service: a settings file
// pointing at it, a controller whose traffic log stays in the test's folder, the service's
// fault-injection control, and the service over TLS.
#pragma once

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/fOpenAIAssistant.h"
#include "base/ozkText.h"
#include "http/ozkHTTP_API.h"
#include "support/ozkTestService.h"
#include "support/ozkTestTLS.h"

namespace ozktest {

class TAppTestFolder {
 public:
  const std::string& Path() const { return FDir.Path(); }
  std::u16string IniPath() const { return UTF8ToUTF16(FDir.Path() + "/ozk-assistant.ini"); }
  // A settings file with a key and the service's base URL, followed by aOpenAI as further
  // "OPENAI" lines and aAssistant as the "ASSISTANT" section's lines.
  void WriteSettings(const std::string& aBaseURL, const std::string& aAssistant = "",
                     const std::string& aOpenAI = "") const {
    FDir.WriteFile("ozk-assistant.ini", "[OPENAI]\nAPI_KEY=sk-test\nBASE_URL=" + aBaseURL + "\n" +
                                            aOpenAI + "[ASSISTANT]\n" + aAssistant);
  }
  // A controller over aView on this folder's settings; the traffic log goes to the folder too.
  std::unique_ptr<TFRMOpenAIAssistant> Controller(IOpenAIAssistantView& aView) const {
    auto c = std::make_unique<TFRMOpenAIAssistant>(aView, IniPath());
    c->Assistant().OpenAIOptions().LogOptions().SetFileName(
        UTF8ToUTF16(FDir.Path() + "/openai.txt"));
    return c;
  }
  std::u16string WriteFile(const std::string& aName, const std::string& aData) const {
    return FDir.WriteFile(aName, aData);
  }

 private:
  TTestTempDir FDir;
};

// Makes the service answer its next aCount API requests with aStatus.
inline void FailNextRequests(const std::string& aBaseURL, int aStatus, int aCount) {
  TozkHTTPAPI_client client;
  TStringList headers{u"Content-Type: application/json"};
  client.Post(UTF8ToUTF16(aBaseURL + "/_control/fail"),
              UTF8ToUTF16("{\"status\":" + std::to_string(aStatus) +
                          ",\"count\":" + std::to_string(aCount) + "}"),
              &headers);
}

// The bundled service over TLS, presenting a certificate of the test CA. The process trusts
// that CA through the system trust store's SSL_CERT_FILE, as a user's machine would trust its
// own CA, so nothing in the client's road is set up differently from the program. The variable
// is read once, when the first TLS context of the process loads the default trust store; every
// service of the process presents a certificate of the same CA.
class TTLSTestService {
 public:
  explicit TTLSTestService(std::vector<std::string> aExtraArgs = {})
      : FService(Options(FCerts, std::move(aExtraArgs))) {
    if (FService.BaseURL().rfind("https://127.0.0.1:", 0) != 0)
      throw std::runtime_error("the service did not start with TLS: " + FService.BaseURL());
  }
  const TTestService& Service() const { return FService; }
  const std::string& BaseURL() const { return FService.BaseURL(); }

 private:
  static TTestServiceOptions Options(const TTestTempDir& aCerts,
                                     std::vector<std::string> aExtraArgs) {
    const auto& pki = TTestPKI::Get();
    aCerts.WriteFile("ca.pem", pki.CA.CertPEM());
    aCerts.WriteFile("server.pem", pki.Localhost.ChainPEM());
    aCerts.WriteFile("server.key", pki.Localhost.KeyPEM());
    if (::setenv("SSL_CERT_FILE", (aCerts.Path() + "/ca.pem").c_str(), 1) != 0)
      throw std::runtime_error("setenv SSL_CERT_FILE failed");
    TTestServiceOptions options;
    options.TLSCertFile = aCerts.Path() + "/server.pem";
    options.TLSKeyFile = aCerts.Path() + "/server.key";
    options.ExtraArgs = std::move(aExtraArgs);
    return options;
  }

  TTestTempDir FCerts;
  TTestService FService;
};

} // namespace ozktest
