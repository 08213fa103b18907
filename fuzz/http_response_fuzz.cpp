// Fuzz target: the status line and header block of a response (and whatever body framing they
// announce), read by the HTTP engine from the in-memory transport. Byte 0 shapes the reads
// (piece size, close or stall at the end); the rest is every byte the peer sends.
#include "fuzz/ozkFuzzWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 1) return 0;
  const std::string_view reply(reinterpret_cast<const char*>(aData) + 1, aSize - 1);
  const ozkfuzz::TReplyOutcome outcome = ozkfuzz::RunReplyTwice(reply, aData[0]);
  // A reply the engine accepted has a three-digit status.
  if (outcome.Error.empty() && (outcome.Code < 100 || outcome.Code > 999))
    ozkfuzz::Fail("accepted a status outside 100..999", std::to_string(outcome.Code));
  return 0;
}
