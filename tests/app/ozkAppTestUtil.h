// Shared pieces of the controller tests that run against the bundled service: a settings file
// pointing at it, a controller whose traffic log stays in the test's folder, and the service's
// fault-injection control.
#pragma once

#include <memory>
#include <string>

#include "app/fOpenAIAssistant.h"
#include "base/ozkText.h"
#include "http/ozkHTTP_API.h"
#include "support/ozkTestTLS.h"

namespace ozktest {

class TAppTestFolder {
 public:
  std::u16string IniPath() const { return UTF8ToUTF16(FDir.Path() + "/ozk-assistant.ini"); }
  // A settings file with a key and the service's base URL, followed by aAssistant as the
  // "ASSISTANT" section's lines.
  void WriteSettings(const std::string& aBaseURL, const std::string& aAssistant = "") const {
    FDir.WriteFile("ozk-assistant.ini", "[OPENAI]\nAPI_KEY=sk-test\nBASE_URL=" + aBaseURL +
                                            "\n[ASSISTANT]\n" + aAssistant);
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

} // namespace ozktest
