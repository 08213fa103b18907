// Fuzz target: the chunked body reader. The head is fixed ("Transfer-Encoding: chunked"); the
// input after byte 0 (which shapes the reads) is the body: chunk-size lines, data, trailer.
#include "fuzz/ozkFuzzWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 1) return 0;
  std::string reply = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  reply.append(reinterpret_cast<const char*>(aData) + 1, aSize - 1);
  const ozkfuzz::TReplyOutcome outcome = ozkfuzz::RunReplyTwice(reply, aData[0]);
  // Chunk data is a part of the body bytes; never more than arrived.
  if (outcome.Error.empty() && outcome.Body.size() > aSize)
    ozkfuzz::Fail("body longer than the reply");
  return 0;
}
