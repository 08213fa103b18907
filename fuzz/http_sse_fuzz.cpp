// Fuzz target: the event-stream reader on arbitrary bytes, fed whole, cut in two at a point the
// input chooses, and a byte at a time. The three must hand over the same events and fail at the
// same bound (EIdSSEError is the only allowed failure), since a network delivers a stream in
// pieces of any size.
#include <cstdlib>
#include <string>
#include <vector>

#include "base/ozkText.h"
#include "http/ozkHTTP_SSE.h"

namespace {

struct TOutcome {
  std::vector<std::u16string> Events;
  bool Failed = false;
  bool operator==(const TOutcome&) const = default;
};

template <class F> TOutcome Run(F aFeed) {
  TOutcome lOutcome;
  TozkSSEReader lReader([&](const TozkSSEEvent& e) {
    lOutcome.Events.push_back(e.Event + u'\n' + e.Data + u'\n' + e.Id);
    return e.Event == u"end";
  });
  // Small bounds, so that inputs of fuzzer size reach them.
  lReader.SetMaxLineLength(64);
  lReader.SetMaxEventSize(256);
  try {
    aFeed(lReader);
  } catch (const EIdSSEError&) {
    lOutcome.Failed = true;
  }
  return lOutcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize == 0) return 0;
  const size_t lCut = aData[0] % aSize;
  const uint8_t* lText = aData + 1;
  const size_t lLength = aSize - 1;
  TOutcome lWhole = Run([&](TozkSSEReader& r) { r.Feed(lText, lLength); });
  TOutcome lTwo = Run([&](TozkSSEReader& r) {
    size_t lFirst = lCut < lLength ? lCut : lLength;
    r.Feed(lText, lFirst);
    r.Feed(lText + lFirst, lLength - lFirst);
  });
  TOutcome lBytes = Run([&](TozkSSEReader& r) {
    for (size_t i = 0; i < lLength; ++i) r.Feed(lText + i, 1);
  });
  if (!(lWhole == lTwo) || !(lWhole == lBytes)) std::abort();
  return 0;
}
