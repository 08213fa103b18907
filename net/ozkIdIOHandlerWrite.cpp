// TIdIOHandler: writing bytes, text, integers, string lists, streams and files, and write
// buffering.
#include <algorithm>
#include <climits>
#include <cstring>

#include "base/ozkFileUtils.h"
#include "base/ozkFormat.h"
#include "net/ozkIdException.h"
#include "net/ozkIdIOHandler.h"

namespace {

template <typename T> TIdBytes BigEndianBytes(T AValue, bool AConvert) {
  TIdBytes bytes(sizeof(T));
  if (AConvert) {
    for (size_t i = 0; i < sizeof(T); ++i)
      bytes[i] = uint8_t(uint64_t(AValue) >> (8 * (sizeof(T) - 1 - i)));
  } else {
    std::memcpy(bytes.data(), &AValue, sizeof(T));
  }
  return bytes;
}

} // namespace

void TIdIOHandler::Write(const TIdBytes& ABuffer, int ALength, int AOffset) {
  if (AOffset < 0 || static_cast<size_t>(AOffset) >= ABuffer.size()) return;
  const int available = static_cast<int>(ABuffer.size()) - AOffset;
  const int length = ALength < 0 ? available : std::min(ALength, available);
  if (length <= 0) return;
  if (FWriteBuffer) {
    FWriteBuffer->Write(ABuffer, length, AOffset);
    if (FWriteBufferThreshold > 0)
      while (FWriteBuffer && FWriteBuffer->Size() >= FWriteBufferThreshold)
        WriteBufferFlush(FWriteBufferThreshold);
  } else {
    WriteDirect(ABuffer, length, AOffset);
  }
}

void TIdIOHandler::WriteDirect(const TIdBytes& ABuffer, int ALength, int AOffset) {
  CheckForDisconnect(true, true);
  if (AOffset < 0 || static_cast<size_t>(AOffset) > ABuffer.size()) return;
  const int available = static_cast<int>(ABuffer.size()) - AOffset;
  int length = ALength < 0 ? available : std::min(ALength, available);
  const TIdBytes* source = &ABuffer;
  int offset = AOffset;
  TIdBytes copy;
  if (FIntercept) {
    // The interceptor works on a private copy that it may replace; the copy is what is sent.
    copy.assign(ABuffer.begin() + AOffset, ABuffer.begin() + AOffset + length);
    FIntercept->Send(copy);
    source = &copy;
    offset = 0;
    length = static_cast<int>(copy.size());
  }
  int position = 0;
  while (position < length) {
    const int count = SendToTransport(*source, offset + position, length - position);
    if (count < 0) {
      const int err = TranslateTransportError(count);
      if (err != Id_WSAETIMEDOUT) {
        FClosedGracefully = true;
        Close();
      }
      RaiseTransportError(err);
      throw EIdConnClosedGracefully();
    }
    if (count == 0) FClosedGracefully = true;
    CheckForDisconnect(true, false);
    // A transport that takes nothing while input is still buffered would loop for ever.
    if (count == 0) throw EIdConnClosedGracefully();
    DoWork(wmWrite, count);
    position += count;
  }
}

void TIdIOHandler::Write(std::u16string_view AOut, const IIdTextEncodingPtr& AByteEncoding) {
  if (AOut.empty()) return;
  Write(ResolveTextEncoding(AByteEncoding, FDefStringEncoding)->GetBytes(AOut));
}

void TIdIOHandler::Write(char16_t AValue, const IIdTextEncodingPtr& AByteEncoding) {
  Write(std::u16string_view(&AValue, 1), AByteEncoding);
}

void TIdIOHandler::Write(uint8_t AValue) {
  Write(TIdBytes{AValue});
}
void TIdIOHandler::Write(int8_t AValue) {
  Write(TIdBytes{static_cast<uint8_t>(AValue)});
}
void TIdIOHandler::Write(uint16_t AValue, bool AConvert) {
  Write(BigEndianBytes(AValue, AConvert));
}
void TIdIOHandler::Write(int16_t AValue, bool AConvert) {
  Write(BigEndianBytes(static_cast<uint16_t>(AValue), AConvert));
}
void TIdIOHandler::Write(uint32_t AValue, bool AConvert) {
  Write(BigEndianBytes(AValue, AConvert));
}
void TIdIOHandler::Write(int32_t AValue, bool AConvert) {
  Write(BigEndianBytes(static_cast<uint32_t>(AValue), AConvert));
}
void TIdIOHandler::Write(uint64_t AValue, bool AConvert) {
  Write(BigEndianBytes(AValue, AConvert));
}
void TIdIOHandler::Write(int64_t AValue, bool AConvert) {
  Write(BigEndianBytes(static_cast<uint64_t>(AValue), AConvert));
}

void TIdIOHandler::WriteLn(std::u16string_view AOut, const IIdTextEncodingPtr& AByteEncoding) {
  std::u16string line(AOut);
  line += u"\r\n";
  Write(std::u16string_view(line), AByteEncoding);
}

void TIdIOHandler::WriteLnRFC(std::u16string_view AOut, const IIdTextEncodingPtr& AByteEncoding) {
  if (!AOut.empty() && AOut[0] == u'.') {
    std::u16string line(u".");
    line += AOut;
    WriteLn(line, AByteEncoding);
  } else {
    WriteLn(AOut, AByteEncoding);
  }
}

void TIdIOHandler::WriteRFCStrings(const TStringList& AStrings, bool AWriteTerminator,
                                   const IIdTextEncodingPtr& AByteEncoding) {
  for (const std::u16string& line : AStrings) WriteLnRFC(line, AByteEncoding);
  if (AWriteTerminator) WriteLn(u".", AByteEncoding);
}

void TIdIOHandler::Write(const TStringList& AValue, bool AWriteLinesCount,
                         const IIdTextEncodingPtr& AByteEncoding) {
  const bool opened = !WriteBufferingActive();
  if (opened) WriteBufferOpen(-1);
  try {
    if (AWriteLinesCount) Write(static_cast<int32_t>(AValue.Count()));
    for (const std::u16string& line : AValue) WriteLn(line, AByteEncoding);
    if (opened) WriteBufferClose();
  } catch (...) {
    if (opened) WriteBufferCancel();
    throw;
  }
}

void TIdIOHandler::Write(TStream& AStream, int64_t ASize, bool AWriteByteCount) {
  if (ASize < 0) {
    ASize = AStream.Size() - AStream.Position();
  } else if (ASize == 0) {
    AStream.SetPosition(0);
    ASize = AStream.Size();
  }
  if (AWriteByteCount) {
    if (FLargeStream) {
      Write(static_cast<int64_t>(ASize));
    } else {
      if (ASize > INT32_MAX) throw EIdIOHandlerRequiresLargeStream();
      Write(static_cast<int32_t>(ASize));
    }
  }
  BeginWork(wmWrite, ASize);
  try {
    TIdBytes chunk;
    while (ASize > 0) {
      const int wanted = static_cast<int>(std::min<int64_t>(ASize, FSendBufferSize));
      chunk.resize(static_cast<size_t>(wanted));
      const int64_t got = AStream.Read(chunk.data(), wanted);
      if (got < 1) throw EIdNoDataToRead();
      Write(chunk, static_cast<int>(got));
      ASize -= got;
    }
  } catch (...) {
    EndWork(wmWrite);
    throw;
  }
  EndWork(wmWrite);
}

int64_t TIdIOHandler::WriteFile(const std::u16string& AFile, bool) {
  if (!FileExists(AFile)) throw EIdFileNotFound(Format(u"File \"%s\" not found", AFile));
  TIdReadFileExclusiveStream stream(AFile);
  const int64_t size = stream.Size();
  Write(stream, 0, false);
  return size;
}

// --- Write buffering -----------------------------------------------------------------------------

void TIdIOHandler::WriteBufferOpen(int AThreshold) {
  if (FWriteBuffer)
    FWriteBuffer->Clear();
  else
    FWriteBuffer = std::make_unique<TIdBuffer>();
  FWriteBufferThreshold = AThreshold;
}

void TIdIOHandler::WriteBufferFlush(int AByteCount) {
  if (!FWriteBuffer || FWriteBuffer->Size() == 0) return;
  const int count =
      AByteCount < 0 ? FWriteBuffer->Size() : std::min(AByteCount, FWriteBuffer->Size());
  TIdBytes bytes;
  FWriteBuffer->ExtractToBytes(bytes, count);
  WriteDirect(bytes);
}

void TIdIOHandler::WriteBufferClose() {
  try {
    WriteBufferFlush(-1);
  } catch (...) {
    FWriteBuffer.reset();
    throw;
  }
  FWriteBuffer.reset();
}

void TIdIOHandler::WriteBufferCancel() {
  WriteBufferClear();
  WriteBufferClose();
}

void TIdIOHandler::WriteBufferClear() {
  if (FWriteBuffer) FWriteBuffer->Clear();
}
