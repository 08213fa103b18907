// Server-sent events: the incremental event-stream reader and the body stream that feeds it.
#include "http/ozkHTTP_SSE.h"

#include <cstring>

#include "base/ozkFormat.h"
#include "base/ozkText.h"

namespace {

constexpr unsigned char kBOM[3] = {0xEF, 0xBB, 0xBF};

} // namespace

TozkSSEReader::TozkSSEReader(TozkSSEEventHandler aOnEvent) : FOnEvent(std::move(aOnEvent)) {}

void TozkSSEReader::AppendLine(const char* aFrom, size_t aCount) {
  if (aCount == 0) return;
  if (FLine.size() + aCount > FMaxLineLength) {
    FFailed = true;
    FLine.clear();
    throw EIdSSEError(
        Format(u"Event stream line longer than %d bytes.", static_cast<int64_t>(FMaxLineLength)));
  }
  FLine.append(aFrom, aCount);
}

void TozkSSEReader::Feed(const void* aData, size_t aCount) {
  const char* p = static_cast<const char*>(aData);
  const char* lEnd = p + aCount;
  // The byte-order mark may itself arrive split.
  while (FBOMChecked < 3 && p < lEnd) {
    if (static_cast<unsigned char>(*p) != kBOM[FBOMChecked]) {
      // Not a mark: the bytes matched so far are text.
      std::string lKept(reinterpret_cast<const char*>(kBOM), static_cast<size_t>(FBOMChecked));
      FBOMChecked = 3;
      if (!lKept.empty()) Feed(lKept.data(), lKept.size());
      break;
    }
    ++FBOMChecked;
    ++p;
  }
  try {
    while (p < lEnd && !FDone && !FFailed) {
      if (FAfterCR) {
        FAfterCR = false;
        if (*p == '\n') {
          ++p;
          continue;
        }
      }
      const char* lBreak = p;
      while (lBreak < lEnd && *lBreak != '\n' && *lBreak != '\r') ++lBreak;
      AppendLine(p, static_cast<size_t>(lBreak - p));
      if (lBreak == lEnd) break;
      FAfterCR = *lBreak == '\r';
      p = lBreak + 1;
      ProcessLine();
    }
  } catch (...) {
    FFailed = true;
    throw;
  }
}

void TozkSSEReader::ProcessLine() {
  std::string lLine;
  lLine.swap(FLine);
  if (lLine.empty()) {
    Dispatch();
    return;
  }
  if (lLine[0] == ':') return; // comment
  size_t lColon = lLine.find(':');
  std::string_view lField(lLine);
  std::string_view lValue;
  if (lColon != std::string::npos) {
    lField = std::string_view(lLine).substr(0, lColon);
    lValue = std::string_view(lLine).substr(lColon + 1);
    if (!lValue.empty() && lValue[0] == ' ') lValue.remove_prefix(1);
  }
  if (lField == "event") {
    FEventType.assign(lValue);
    FFieldsSeen = true;
  } else if (lField == "data") {
    size_t lGrowth = lValue.size() + (FHasData ? 1 : 0);
    if (FData.size() + lGrowth > FMaxEventSize) {
      FFailed = true;
      FData.clear();
      throw EIdSSEError(
          Format(u"Event larger than %d bytes.", static_cast<int64_t>(FMaxEventSize)));
    }
    if (FHasData) FData += '\n';
    FData.append(lValue);
    FHasData = true;
    FFieldsSeen = true;
  } else if (lField == "id") {
    // An id holding NUL is ignored, as the format says.
    if (lValue.find('\0') == std::string_view::npos) FLastId.assign(lValue);
    FFieldsSeen = true;
  } else if (lField == "retry") {
    bool lDigits = !lValue.empty() && lValue.size() < 18;
    for (char c : lValue) lDigits = lDigits && c >= '0' && c <= '9';
    if (lDigits) FRetry = std::stoll(std::string(lValue));
    FFieldsSeen = true;
  }
  // Any other field is ignored.
}

void TozkSSEReader::Dispatch() {
  // An event without data is no event; its type does not carry over.
  bool lHasData = FHasData;
  FFieldsSeen = false;
  FHasData = false;
  if (!lHasData) {
    FEventType.clear();
    return;
  }
  TozkSSEEvent lEvent;
  lEvent.Event = FEventType.empty() ? u"message" : UTF8ToUTF16(FEventType);
  lEvent.Data = UTF8ToUTF16(FData);
  lEvent.Id = UTF8ToUTF16(FLastId);
  FEventType.clear();
  FData.clear();
  ++FEventCount;
  if (FOnEvent && FOnEvent(lEvent)) FDone = true;
}

int64_t TozkSSEStream::Write(const void* aBuffer, int64_t aCount) {
  if (aCount <= 0) return 0;
  FPosition += aCount;
  if (FReader.Done()) throw TozkSSEFinished{};
  if (FAccept && !FAccept()) return aCount;
  FReader.Feed(aBuffer, static_cast<size_t>(aCount));
  if (FReader.Done()) throw TozkSSEFinished{};
  return aCount;
}

int64_t TozkSSEStream::Seek(int64_t aOffset, TSeekOrigin aOrigin) {
  switch (aOrigin) {
  case TSeekOrigin::soBeginning:
    FPosition = aOffset;
    break;
  case TSeekOrigin::soCurrent:
  case TSeekOrigin::soEnd:
    FPosition += aOffset;
    break;
  }
  return FPosition;
}
