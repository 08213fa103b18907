// TIdIOHandler: reading lines, counted data, integers and streams from the input buffer.
#include <algorithm>
#include <climits>

#include "base/ozkText.h"
#include "net/ozkIdException.h"
#include "net/ozkIdIOHandler.h"

namespace {

// Sizes a stream ahead of a counted read and trims it afterwards; streams that cannot change
// their size simply grow as they are written.
void TrySetSize(TStream& AStream, int64_t ASize) {
  try {
    AStream.SetSize(ASize);
  } catch (const EStreamError&) {
  }
}

} // namespace

void TIdIOHandler::WaitForInputBytes(int AByteCount) {
  if (AByteCount > 0) {
    while (FInputBuffer.Size() < AByteCount) {
      const int added = FillInputBuffer(false, IdTimeoutDefault, true);
      if (!(added > 0 && FInputBuffer.Size() >= AByteCount)) CheckForDisconnect(true, true);
    }
  } else if (AByteCount < 0 && FInputBuffer.Size() == 0) {
    FillInputBuffer(false, IdTimeoutDefault, false);
    CheckForDisconnect(true, true);
  }
}

bool TIdIOHandler::CheckForDataOnSource(int ATimeout) {
  const int before = FInputBuffer.Size();
  if (!Connected()) return false;
  if (FInputBuffer.Size() > before) return true;
  return FillInputBuffer(false, ATimeout, false) > 0;
}

// --- Lines ---------------------------------------------------------------------------------------

std::u16string TIdIOHandler::ReadLn(const std::u16string& ATerminator, int ATimeout,
                                    int AMaxLineLength, const IIdTextEncodingPtr& AByteEncoding) {
  const IIdTextEncodingPtr encoding = ResolveTextEncoding(AByteEncoding, FDefStringEncoding);
  if (AMaxLineLength < 0) AMaxLineLength = FMaxLineLength;
  const bool lfTerminator = ATerminator.empty() || ATerminator == u"\n";
  const TIdBytes terminator = encoding->GetBytes(ATerminator.empty() ? u"\n" : ATerminator);
  const int termLength = static_cast<int>(terminator.size());
  FReadLnSplit = false;
  FReadLnTimedOut = false;
  const int timeout = ResolveTimeout(ATimeout);
  const uint64_t start = MonotonicMilliseconds();

  // The search resumes where the previous one stopped, keeping termLength - 1 bytes of overlap
  // for a terminator split across two reads: a long line costs one pass, not one per read.
  int termPos = -1;
  int searchStart = 0;
  while (true) {
    const int size = FInputBuffer.Size();
    if (size > 0) {
      termPos = searchStart < size ? FInputBuffer.IndexOf(terminator, searchStart) : -1;
      searchStart = std::max(size - (termLength - 1), 0);
    }
    if (AMaxLineLength > 0 &&
        (termPos > AMaxLineLength || (termPos == -1 && searchStart > AMaxLineLength))) {
      if (FMaxLineAction == maException) throw EIdReadLnMaxLineLengthExceeded();
      FReadLnSplit = true;
      return FInputBuffer.ExtractToString(AMaxLineLength, encoding);
    }
    if (termPos >= 0) break;

    CheckForDisconnect(true, true);
    int wait = IdTimeoutInfinite;
    if (timeout >= 0) {
      const uint64_t elapsed = ElapsedMilliseconds(start);
      wait = elapsed >= uint64_t(timeout) ? 0 : int(uint64_t(timeout) - elapsed);
    }
    FReadLnTimedOut = FillInputBuffer(true, wait, false) == -1;
    if (!FReadLnTimedOut && timeout >= 0)
      FReadLnTimedOut = ElapsedMilliseconds(start) >= uint64_t(timeout);
    if (FReadLnTimedOut) return {};
  }

  int lineLength = termPos;
  int removeAfter = termLength;
  if (lfTerminator && termLength == 1 && termPos > 0 && FInputBuffer.PeekByte(termPos - 1) == 13) {
    --lineLength;
    ++removeAfter;
  }
  std::u16string line = FInputBuffer.ExtractToString(lineLength, encoding);
  FInputBuffer.Remove(removeAfter);
  return line;
}

std::u16string TIdIOHandler::ReadLnRFC(bool& VMsgEnd, const std::u16string& ALineTerminator,
                                       const std::u16string& ADelim,
                                       const IIdTextEncodingPtr& AByteEncoding) {
  std::u16string line = ReadLn(ALineTerminator, IdTimeoutDefault, -1, AByteEncoding);
  if (line == ADelim) {
    VMsgEnd = true;
    return line;
  }
  VMsgEnd = false;
  if (line.size() >= 2 && line[0] == u'.' && line[1] == u'.') line.erase(0, 1);
  return line;
}

std::u16string TIdIOHandler::ReadLnSplit(bool& AWasSplit, const std::u16string& ATerminator,
                                         int ATimeout, int AMaxLineLength,
                                         const IIdTextEncodingPtr& AByteEncoding) {
  const TIdMaxLineAction saved = FMaxLineAction;
  FMaxLineAction = maSplit;
  std::u16string line;
  try {
    line = ReadLn(ATerminator, ATimeout, AMaxLineLength, AByteEncoding);
  } catch (...) {
    FMaxLineAction = saved;
    throw;
  }
  FMaxLineAction = saved;
  AWasSplit = FReadLnSplit;
  return line;
}

std::u16string TIdIOHandler::ReadLnWait(int AFailCount, const IIdTextEncodingPtr& AByteEncoding) {
  for (int attempt = 0; attempt < AFailCount; ++attempt) {
    std::u16string line = Trim(ReadLn(AByteEncoding));
    if (!line.empty()) return line;
    if (FReadLnTimedOut) throw EIdReadTimeout();
  }
  throw EIdReadLnWaitMaxAttemptsExceeded();
}

void TIdIOHandler::ReadStrings(TStringList& ADest, int AReadLinesCount,
                               const IIdTextEncodingPtr& AByteEncoding) {
  if (AReadLinesCount < 0) AReadLinesCount = ReadInt32();
  for (int i = 0; i < AReadLinesCount; ++i) {
    std::u16string line = ReadLn(AByteEncoding);
    // A timed-out read yields empty text; storing it would pass off a missing line as real.
    if (FReadLnTimedOut) throw EIdReadTimeout();
    ADest.Add(line);
  }
}

void TIdIOHandler::PerformCapture(TStringList* ADestList, TStream* ADestStream, int& VLineCount,
                                  const std::u16string& ADelim, bool AUsesDotTransparency,
                                  const IIdTextEncodingPtr& AByteEncoding) {
  if (!ADestList && !ADestStream) throw EIdObjectTypeNotSupported();
  const IIdTextEncodingPtr encoding = ResolveTextEncoding(AByteEncoding, FDefStringEncoding);
  VLineCount = 0;
  BeginWork(wmRead);
  try {
    while (true) {
      std::u16string line = ReadLn(encoding);
      if (FReadLnTimedOut) throw EIdReadTimeout();
      if (line == ADelim) break;
      if (FMaxCapturedLines > 0 && VLineCount > FMaxCapturedLines)
        throw EIdMaxCaptureLineExceeded();
      if (AUsesDotTransparency && line.size() >= 2 && line[0] == u'.' && line[1] == u'.')
        line.erase(0, 1);
      if (ADestList) {
        ADestList->Add(line);
      } else {
        const TIdBytes bytes = encoding->GetBytes(line + u"\r\n");
        ADestStream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
      }
      ++VLineCount;
    }
  } catch (...) {
    EndWork(wmRead);
    throw;
  }
  EndWork(wmRead);
}

void TIdIOHandler::Capture(TStringList& ADest, int& VLineCount, const std::u16string& ADelim,
                           bool AUsesDotTransparency, const IIdTextEncodingPtr& AByteEncoding) {
  PerformCapture(&ADest, nullptr, VLineCount, ADelim, AUsesDotTransparency, AByteEncoding);
}

void TIdIOHandler::Capture(TStream& ADest, int& VLineCount, const std::u16string& ADelim,
                           bool AUsesDotTransparency, const IIdTextEncodingPtr& AByteEncoding) {
  PerformCapture(nullptr, &ADest, VLineCount, ADelim, AUsesDotTransparency, AByteEncoding);
}

void TIdIOHandler::Capture(TStringList& ADest, const std::u16string& ADelim,
                           bool AUsesDotTransparency, const IIdTextEncodingPtr& AByteEncoding) {
  int count = 0;
  PerformCapture(&ADest, nullptr, count, ADelim, AUsesDotTransparency, AByteEncoding);
}

void TIdIOHandler::Capture(TStream& ADest, const std::u16string& ADelim, bool AUsesDotTransparency,
                           const IIdTextEncodingPtr& AByteEncoding) {
  int count = 0;
  PerformCapture(nullptr, &ADest, count, ADelim, AUsesDotTransparency, AByteEncoding);
}

std::u16string TIdIOHandler::WaitFor(const std::u16string& AString, bool ARemoveFromBuffer,
                                     bool AInclusive, const IIdTextEncodingPtr& AByteEncoding,
                                     int ATimeout) {
  const IIdTextEncodingPtr encoding = ResolveTextEncoding(AByteEncoding, FDefStringEncoding);
  const TIdBytes pattern = encoding->GetBytes(AString);
  const int length = static_cast<int>(pattern.size());
  int searchStart = 0;
  int pos = -1;
  while (true) {
    const int size = FInputBuffer.Size();
    if (size > 0 && searchStart < size) {
      pos = FInputBuffer.IndexOf(pattern, searchStart);
      if (pos >= 0) break;
    }
    searchStart = std::max(0, size - length + 1);
    FillInputBuffer(true, ATimeout, true);
  }
  if (ARemoveFromBuffer && AInclusive) return FInputBuffer.ExtractToString(pos + length, encoding);
  std::u16string result = FInputBuffer.ExtractToString(pos, encoding);
  if (ARemoveFromBuffer) FInputBuffer.Remove(length);
  if (AInclusive) result += AString;
  return result;
}

std::u16string TIdIOHandler::InputLn(const std::u16string& AMask, bool AEcho, int ATabWidth,
                                     int AMaxLineLength, const IIdTextEncodingPtr& AByteEncoding) {
  const IIdTextEncodingPtr encoding = ResolveTextEncoding(AByteEncoding, FDefStringEncoding);
  if (AMaxLineLength < 0) AMaxLineLength = FMaxLineLength;
  std::u16string result;
  while (AMaxLineLength <= 0 || static_cast<int>(result.size()) < AMaxLineLength) {
    const char16_t c = ReadChar(encoding);
    if (c == u'\n') {
      if (AEcho) WriteLn(u"", encoding);
      break;
    }
    if (c == u'\b') {
      if (!result.empty()) {
        result.pop_back();
        if (AEcho) Write(u"\b \b", encoding);
      }
    } else if (c == u'\t' && ATabWidth > 0) {
      const int spaces = ATabWidth - static_cast<int>(result.size() % size_t(ATabWidth));
      result.append(static_cast<size_t>(spaces), u' ');
      if (AEcho) Write(std::u16string(static_cast<size_t>(spaces), u' '), encoding);
    } else if (c != u'\r' && c != 0x1B) {
      result += c;
      if (AEcho) {
        if (AMask.empty())
          Write(c, encoding);
        else
          Write(AMask, encoding);
      }
    }
  }
  while (!result.empty() && (result.back() == u'\r' || result.back() == u'\n')) result.pop_back();
  return result;
}

// --- Counted data --------------------------------------------------------------------------------

void TIdIOHandler::ReadBytes(TIdBytes& VBuffer, int AByteCount, bool AAppend) {
  if (AByteCount == 0) return;
  WaitForInputBytes(AByteCount);
  FInputBuffer.ExtractToBytes(VBuffer, AByteCount < 0 ? -1 : AByteCount, AAppend);
}

std::u16string TIdIOHandler::ReadString(int ABytes, const IIdTextEncodingPtr& AByteEncoding) {
  if (ABytes <= 0) return {};
  WaitForInputBytes(ABytes);
  return FInputBuffer.ExtractToString(ABytes,
                                      ResolveTextEncoding(AByteEncoding, FDefStringEncoding));
}

char16_t TIdIOHandler::ReadChar(const IIdTextEncodingPtr& AByteEncoding) {
  const IIdTextEncodingPtr encoding = ResolveTextEncoding(AByteEncoding, FDefStringEncoding);
  const int maxBytes = std::max(1, encoding->GetMaxByteCount(2));
  TIdBytes bytes;
  TIdWideChars chars;
  for (int i = 0; i < maxBytes; ++i) {
    bytes.push_back(ReadByte());
    chars = encoding->GetChars(bytes);
    if (std::any_of(chars.begin(), chars.end(), [](char16_t c) { return c != 0xFFFD; }))
      return chars[0];
  }
  return chars.empty() ? char16_t(0xFFFD) : chars[0];
}

uint8_t TIdIOHandler::ReadByte() {
  WaitForInputBytes(1);
  return FInputBuffer.ExtractToUInt8();
}

uint16_t TIdIOHandler::ReadUInt16(bool AConvert) {
  WaitForInputBytes(2);
  return FInputBuffer.ExtractToUInt16(AConvert);
}

uint32_t TIdIOHandler::ReadUInt32(bool AConvert) {
  WaitForInputBytes(4);
  return FInputBuffer.ExtractToUInt32(AConvert);
}

uint64_t TIdIOHandler::ReadUInt64(bool AConvert) {
  WaitForInputBytes(8);
  return FInputBuffer.ExtractToUInt64(AConvert);
}

// --- Streams and bulk reads ----------------------------------------------------------------------

void TIdIOHandler::ReadStream(TStream* AStream, int64_t AByteCount, bool AReadUntilDisconnect) {
  if (AByteCount == -1 && !AReadUntilDisconnect)
    AByteCount = FLargeStream ? ReadInt64() : int64_t(ReadInt32());
  if (AStream && AByteCount >= 0) {
    const int64_t position = AStream->Position();
    if (INT64_MAX - position < AByteCount) throw EIdIOHandlerStreamDataTooLarge();
    TrySetSize(*AStream, position + AByteCount);
    AStream->SetPosition(position);
  }
  if (AByteCount < 0) AReadUntilDisconnect = true;
  int64_t remaining = AReadUntilDisconnect ? 0 : AByteCount;

  auto moveBuffered = [&] {
    int count = FInputBuffer.Size();
    if (!AReadUntilDisconnect) count = static_cast<int>(std::min<int64_t>(count, remaining));
    if (count <= 0) return;
    if (AStream)
      FInputBuffer.ExtractToStream(*AStream, count);
    else
      FInputBuffer.Remove(count);
    if (!AReadUntilDisconnect) remaining -= count;
  };
  auto finish = [&] {
    EndWork(wmRead);
    if (AStream && AStream->Size() > AStream->Position()) TrySetSize(*AStream, AStream->Position());
  };

  BeginWork(wmRead, AReadUntilDisconnect ? 0 : AByteCount);
  try {
    moveBuffered();
    while (AReadUntilDisconnect || remaining > 0) {
      const int added = FillInputBuffer(!AReadUntilDisconnect, IdTimeoutDefault, true);
      if (added < 1) CheckForDisconnect(false, false);
      moveBuffered();
      if (added < 1) break;
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TIdIOHandler::Discard(int64_t AByteCount) {
  if (AByteCount < 0) throw EArgumentOutOfRangeException(u"Discard: negative byte count");
  if (AByteCount == 0) return;
  BeginWork(wmRead, AByteCount);
  try {
    while (true) {
      const int count = static_cast<int>(std::min<int64_t>(AByteCount, FInputBuffer.Size()));
      if (count > 0) {
        FInputBuffer.Remove(count);
        AByteCount -= count;
      }
      if (AByteCount == 0) break;
      if (FillInputBuffer(false, IdTimeoutDefault, true) <= 0) CheckForDisconnect(true, true);
    }
  } catch (...) {
    EndWork(wmRead);
    throw;
  }
  EndWork(wmRead);
}

void TIdIOHandler::DiscardAll() {
  BeginWork(wmRead);
  try {
    FInputBuffer.Remove(FInputBuffer.Size());
    while (FillInputBuffer(false, IdTimeoutDefault, true) > 0)
      FInputBuffer.Remove(FInputBuffer.Size());
    CheckForDisconnect(true, true);
  } catch (const EIdConnClosedGracefully&) {
    FInputBuffer.Clear();
  } catch (...) {
    FInputBuffer.Clear();
    EndWork(wmRead);
    throw;
  }
  EndWork(wmRead);
}

std::u16string TIdIOHandler::AllData(const IIdTextEncodingPtr& AByteEncoding) {
  const IIdTextEncodingPtr encoding = ResolveTextEncoding(AByteEncoding, FDefStringEncoding);
  BeginWork(wmRead);
  std::u16string result;
  try {
    if (Connected()) {
      try {
        while (FillInputBuffer(false, 250, false) != 0) {
        }
      } catch (...) {
        // The peer went away; what arrived before is the answer.
      }
    }
    result = FInputBuffer.ExtractToString(-1, encoding);
  } catch (...) {
    EndWork(wmRead);
    throw;
  }
  EndWork(wmRead);
  return result;
}

std::u16string TIdIOHandler::InputBufferAsString(const IIdTextEncodingPtr& AByteEncoding) {
  return FInputBuffer.ExtractToString(-1, ResolveTextEncoding(AByteEncoding, FDefStringEncoding));
}

void TIdIOHandler::InputBufferToStream(TStream& AStream, int AByteCount) {
  FInputBuffer.ExtractToStream(AStream, AByteCount);
}
