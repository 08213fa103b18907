// What the component's tests against the bundled service share: pointing a component at it,
// and the service's test controls (request log, injected failures, cut streams).
#pragma once

#include <string>

#include "ai/ozkAI.h"
#include "base/ozkText.h"
#include "support/ozkTestService.h"

namespace ozktest {

inline bool Contains(const std::u16string& aText, const std::u16string& aPart) {
  return aText.find(aPart) != std::u16string::npos;
}

inline size_t CountOf(const std::u16string& aText, const std::u16string& aPart) {
  size_t lCount = 0;
  for (size_t i = aText.find(aPart); i != std::u16string::npos; i = aText.find(aPart, i + 1))
    ++lCount;
  return lCount;
}

// The service's test controls (no key needed) over the same HTTP stack.
class TServiceControl {
 public:
  explicit TServiceControl(const TTestService& aService) : FBase(UTF8ToUTF16(aService.BaseURL())) {}
  // The log of received API requests as JSON text, compact ("method":"GET","path":"/v1/...").
  std::u16string Requests() { return FClient.Get(FBase + u"/_control/requests"); }
  void ClearRequests() { FClient.Delete(FBase + u"/_control/requests"); }
  // The next aCount API requests fail with aStatus.
  void Fail(int aStatus, int aCount) {
    Post(u"/_control/fail",
         u"{\"status\":" + IntToStr(aStatus) + u",\"count\":" + IntToStr(aCount) + u"}");
  }
  // The next streamed answer stops after aEvents events, its connection closed.
  void CutStream(int aEvents) {
    Post(u"/_control/cut_stream", u"{\"after_events\":" + IntToStr(aEvents) + u"}");
  }
  // How many status reads of that run the service received.
  size_t StatusReads(const TozkOpenAIClass_Run& aRun) {
    return CountOf(Requests(), u"\"method\":\"GET\",\"path\":\"/v1/threads/" + aRun.ThreadId() +
                                   u"/runs/" + aRun.Id() + u"\"");
  }

 private:
  void Post(const std::u16string& aPath, const std::u16string& aBody) {
    TStringList lHeaders;
    lHeaders.Add(u"Content-Type: application/json");
    FClient.Post(FBase + aPath, aBody, &lHeaders);
  }

  std::u16string FBase;
  TozkHTTPAPI_client FClient;
};

inline void PointAt(TozkHTTPOpenAI_Options& aOptions, const TTestService& aService) {
  aOptions.SetApiKey(u"sk-local-test");
  aOptions.SetBaseURL(UTF8ToUTF16(aService.BaseURL()));
}

} // namespace ozktest
