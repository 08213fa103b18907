// A REST client whose exchanges never leave the process: every request is recorded (method,
// URL, header lines, body) and answered by the next scripted reply, and an assistant component
// that uses it and records the pauses of its run wait instead of sleeping.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ai/ozkAI.h"
#include "base/ozkException.h"
#include "base/ozkText.h"
#include "http/ozkIdHTTP.h"

namespace ozktest {

struct TFakeExchange {
  std::u16string Method;
  std::u16string URL;
  std::u16string Headers; // the header list's whole text
  std::u16string Body;
  bool Multipart = false;
};

class TFakeOpenAI : public TozkHTTP_API_OpenAI {
 public:
  std::vector<TFakeExchange> Requests;
  // One reply per request, in order: the response body, or a failure the reply raises.
  std::deque<std::function<std::u16string()>> Replies;

  void Reply(std::u16string aBody) {
    Replies.push_back([lBody = std::move(aBody)] { return lBody; });
  }
  void ReplyStatus(int aStatus, std::u16string aBody) {
    Replies.push_back([aStatus, lBody = std::move(aBody)]() -> std::u16string {
      throw EIdHTTPProtocolException(aStatus, u"HTTP/1.1 " + IntToStr(aStatus), lBody);
    });
  }

 protected:
  std::u16string DoExecute(const std::u16string& aMethod, const std::u16string& aURL,
                           const TStringList& aHeaders, const std::u16string& aBody,
                           TIdMultiPartFormDataStream* aMultipart) override {
    Requests.push_back({aMethod, aURL, aHeaders.Text(), aBody, aMultipart != nullptr});
    if (Replies.empty()) throw Exception(u"no reply scripted for " + aMethod + u" " + aURL);
    std::function<std::u16string()> lReply = std::move(Replies.front());
    Replies.pop_front();
    return lReply();
  }
};

class TFakeAssistant : public TozkAIOpenAIAssistant {
 public:
  TFakeAssistant() : FPending(std::make_unique<TFakeOpenAI>()), Fake(*FPending) {
    OpenAIOptions().SetApiKey(u"sk-test");
    OpenAIOptions().SetBaseURL(u"http://fake.invalid");
  }

  std::vector<uint32_t> Pauses;

 private:
  std::unique_ptr<TFakeOpenAI> FPending;

 public:
  // The client the component will create; valid for the component's life.
  TFakeOpenAI& Fake;

 protected:
  std::unique_ptr<TozkHTTP_API_OpenAI> DoCreateOpenAI() override { return std::move(FPending); }
  void DoPollPause(uint32_t aMilliseconds) override { Pauses.push_back(aMilliseconds); }
};

} // namespace ozktest
