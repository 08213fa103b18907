// What the typed methods of responses and conversations add to the REST client's interface:
// the callback that receives the text of a streamed answer piece by piece, and the error of a
// response that failed while it streamed.
#pragma once

#include <functional>
#include <string>

#include "base/ozkException.h"

// One piece of the answer's text (decoded), as it arrives.
using TozkOpenAITextDeltaEvent = std::function<void(const std::u16string& aDelta)>;

// A streamed response that ended with "response.failed" or an "error" event. The message is
// "The response failed: " and the service's message, followed by its code in brackets.
class EozkOpenAIResponseError : public Exception {
 public:
  EozkOpenAIResponseError(const std::u16string& aCode, const std::u16string& aMessage);
  const std::u16string& Code() const { return FCode; }

 private:
  std::u16string FCode;
};
