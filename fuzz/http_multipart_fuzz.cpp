// Fuzz target: the multipart body read without a length: the body runs up to and including the
// close delimiter "--" boundary "--" (and the rest of its line), or to the close. The head is
// fixed; byte 0 shapes the reads, the rest is the body.
#include <algorithm>

#include "fuzz/ozkFuzzWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 1) return 0;
  const std::string_view data(reinterpret_cast<const char*>(aData) + 1, aSize - 1);
  std::string reply =
      "HTTP/1.1 200 OK\r\nContent-Type: multipart/mixed; boundary=\"b0undary\"\r\n\r\n";
  reply.append(data);
  const ozkfuzz::TReplyOutcome outcome = ozkfuzz::RunReplyTwice(reply, aData[0]);
  if (!outcome.Error.empty()) return 0;
  // The body is exactly the bytes up to the end of the first close delimiter, or all of them.
  const std::string_view terminator = "--b0undary--";
  const size_t at = data.find(terminator);
  const std::string_view expected =
      at == std::string_view::npos ? data : data.substr(0, at + terminator.size());
  if (outcome.Body.size() != expected.size() ||
      !std::equal(expected.begin(), expected.end(), outcome.Body.begin(),
                  [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }))
    ozkfuzz::Fail("multipart body differs from the bytes up to the close delimiter",
                  std::to_string(outcome.Body.size()) + " vs " + std::to_string(expected.size()));
  return 0;
}
