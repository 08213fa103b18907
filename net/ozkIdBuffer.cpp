#include "net/ozkIdBuffer.h"

#include <algorithm>
#include <cstring>

#include "base/ozkFormat.h"
#include "net/ozkIdException.h"
#include "net/ozkIdStack.h"

namespace {

// Storage up to this size is kept when the buffer empties or shrinks, so that the steady
// receive-and-consume cycle of a connection (32 KiB reads plus slack) reuses one allocation.
constexpr size_t kRetainedStorage = size_t{128} * 1024;

const uint8_t* FindBytes(const uint8_t* AHay, size_t AHayLen, const uint8_t* ANeedle,
                         size_t ANeedleLen) {
  if (ANeedleLen == 1) return static_cast<const uint8_t*>(std::memchr(AHay, ANeedle[0], AHayLen));
  return static_cast<const uint8_t*>(::memmem(AHay, AHayLen, ANeedle, ANeedleLen));
}

} // namespace

TIdBuffer::TIdBuffer() {
  TIdStack::IncUsage();
}

TIdBuffer::TIdBuffer(int AGrowthFactor) : FGrowthFactor(AGrowthFactor) {
  TIdStack::IncUsage();
}

TIdBuffer::TIdBuffer(TIdBufferBytesRemoved AOnBytesRemoved)
    : FOnBytesRemoved(std::move(AOnBytesRemoved)) {
  TIdStack::IncUsage();
}

TIdBuffer::TIdBuffer(TIdBytes AByteArray, int ALength) {
  TIdStack::IncUsage();
  if (ALength < 0) {
    FBytes = std::move(AByteArray);
    FSize = static_cast<int>(std::min<size_t>(FBytes.size(), INT_MAX));
  } else {
    FSize = static_cast<int>(std::min<size_t>(static_cast<size_t>(ALength), AByteArray.size()));
    FBytes.assign(AByteArray.begin(), AByteArray.begin() + FSize);
  }
  FCapacity = FSize;
}

TIdBuffer::~TIdBuffer() {
  Clear();
  TIdStack::DecUsage();
}

// --- Storage -------------------------------------------------------------------------------------

void TIdBuffer::Resize(int ANewCapacity) {
  const size_t wanted = static_cast<size_t>(ANewCapacity);
  if (wanted > FBytes.size()) {
    FBytes.resize(wanted);
  } else if (FBytes.size() > kRetainedStorage && FBytes.size() > wanted) {
    // Give memory back; only the stored bytes (from index 0 after compaction) survive.
    TIdBytes smaller(wanted);
    const size_t keep = std::min(wanted, static_cast<size_t>(FHeadIndex + FSize));
    std::memcpy(smaller.data(), FBytes.data(), keep);
    FBytes.swap(smaller);
  }
  FCapacity = ANewCapacity;
}

void TIdBuffer::ReleaseStorage() {
  FHeadIndex = 0;
  FSize = 0;
  FCapacity = 0;
  if (FBytes.size() > kRetainedStorage) TIdBytes().swap(FBytes);
}

void TIdBuffer::Clear() {
  ReleaseStorage();
}

void TIdBuffer::CompactHead(bool ACanShrink) {
  if (FHeadIndex > 0) {
    if (FSize > 0) std::memmove(FBytes.data(), FBytes.data() + FHeadIndex, FSize);
    FHeadIndex = 0;
  }
  if (ACanShrink && FCapacity - FSize > FGrowthFactor) Resize(FSize + FGrowthFactor);
}

void TIdBuffer::SetCapacity(int AValue) {
  if (AValue < FSize) throw EIdException(u"Capacity cannot be smaller than Size");
  CompactHead(true);
  Resize(AValue);
}

void TIdBuffer::CheckAppend(int ACount) const {
  if (INT_MAX - FSize < ACount) throw EIdTooMuchDataInBuffer();
}

int TIdBuffer::Reserve(int ACount) {
  CheckAppend(ACount);
  if (FSize == 0) {
    FHeadIndex = 0;
    Resize(ACount);
    return 0;
  }
  CompactHead(false);
  if (FCapacity - FSize < ACount) {
    const int64_t grown = int64_t(FSize) + ACount + FGrowthFactor;
    Resize(static_cast<int>(std::min<int64_t>(grown, INT_MAX)));
  }
  return FSize;
}

// --- Appending -----------------------------------------------------------------------------------

void TIdBuffer::Write(const uint8_t* ABytes, int ALength) {
  if (ALength <= 0) return;
  const int at = Reserve(ALength);
  std::memcpy(FBytes.data() + at, ABytes, ALength);
  FSize += ALength;
}

void TIdBuffer::Write(const TIdBytes& ABytes, int ALength, int AOffset) {
  if (AOffset < 0 || static_cast<size_t>(AOffset) >= ABytes.size()) return;
  const int64_t available = int64_t(ABytes.size()) - AOffset;
  const int64_t count = ALength < 0 ? available : std::min<int64_t>(ALength, available);
  if (count > INT_MAX) throw EIdTooMuchDataInBuffer();
  Write(ABytes.data() + AOffset, static_cast<int>(count));
}

void TIdBuffer::Write(std::u16string_view AString, const IIdTextEncodingPtr& AByteEncoding) {
  if (AString.empty()) return;
  const TIdBytes bytes = ResolveTextEncoding(AByteEncoding, FByteEncoding)->GetBytes(AString);
  Write(bytes.data(), static_cast<int>(bytes.size()));
}

void TIdBuffer::Write(TStream& AStream, int64_t AByteCount) {
  int64_t count;
  if (AByteCount == 0) {
    AStream.SetPosition(0);
    count = AStream.Size();
  } else {
    const int64_t remaining = AStream.Size() - AStream.Position();
    count = AByteCount < 0 ? remaining : std::min(AByteCount, remaining);
  }
  if (count < 1) return;
  if (count > INT_MAX) throw EIdTooMuchDataInBuffer();
  CheckAppend(static_cast<int>(count));
  CompactHead(false);
  Resize(FSize + static_cast<int>(count));
  AStream.ReadBuffer(FBytes.data() + FSize, count);
  FSize += static_cast<int>(count);
}

void TIdBuffer::Write(uint8_t AValue) {
  Write(&AValue, 1);
}

void TIdBuffer::Write(uint16_t AValue) {
  const uint8_t b[2] = {uint8_t(AValue >> 8), uint8_t(AValue)};
  Write(b, 2);
}

void TIdBuffer::Write(uint32_t AValue) {
  uint8_t b[4];
  for (int i = 0; i < 4; ++i) b[i] = uint8_t(AValue >> (8 * (3 - i)));
  Write(b, 4);
}

void TIdBuffer::Write(uint64_t AValue) {
  uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = uint8_t(AValue >> (8 * (7 - i)));
  Write(b, 8);
}

void TIdBuffer::Write(const TIdIPv6Address& AValue) {
  uint8_t b[16];
  for (size_t i = 0; i < 8; ++i) {
    b[2 * i] = uint8_t(AValue.Words[i] >> 8);
    b[2 * i + 1] = uint8_t(AValue.Words[i]);
  }
  Write(b, 16);
}

uint8_t* TIdBuffer::PrepareWrite(int AMaxCount) {
  const int at = Reserve(AMaxCount);
  return FBytes.data() + at;
}

void TIdBuffer::CommitWrite(int ACount) {
  if (ACount > 0) FSize += ACount;
}

// --- Extracting ----------------------------------------------------------------------------------

void TIdBuffer::CheckByteCount(int& VByteCount) const {
  if (VByteCount < 0)
    VByteCount = FSize;
  else if (VByteCount > FSize)
    throw EIdNotEnoughDataInBuffer(
        Format(u"%s (%d/%d)", u"Not enough data in buffer.", VByteCount, FSize));
}

void TIdBuffer::Remove(int AByteCount) {
  if (AByteCount < 0) return;
  int removed = AByteCount;
  if (AByteCount >= FSize) {
    removed = FSize;
    ReleaseStorage();
  } else {
    FHeadIndex += AByteCount;
    FSize -= AByteCount;
    if (FHeadIndex > FGrowthFactor) CompactHead(true);
  }
  if (FOnBytesRemoved) FOnBytesRemoved(this, removed);
}

void TIdBuffer::ExtractToBytes(TIdBytes& VBytes, int AByteCount, bool AAppend) {
  CheckByteCount(AByteCount);
  if (AByteCount == 0) return;
  size_t at = 0;
  if (AAppend) {
    at = VBytes.size();
    VBytes.resize(at + AByteCount);
  } else if (VBytes.size() < static_cast<size_t>(AByteCount)) {
    VBytes.resize(AByteCount);
  }
  std::memcpy(VBytes.data() + at, Data(), AByteCount);
  Remove(AByteCount);
}

std::u16string TIdBuffer::ExtractToString(int AByteCount, const IIdTextEncodingPtr& AByteEncoding) {
  CheckByteCount(AByteCount);
  if (AByteCount == 0) return {};
  std::u16string result =
      ResolveTextEncoding(AByteEncoding, FByteEncoding)->GetString(Data(), AByteCount);
  Remove(AByteCount);
  return result;
}

void TIdBuffer::ExtractToStream(TStream& AStream, int AByteCount) {
  CheckByteCount(AByteCount);
  if (AByteCount == 0) return;
  CompactHead(true);
  AStream.WriteBuffer(Data(), AByteCount);
  Remove(AByteCount);
}

void TIdBuffer::ExtractToIdBuffer(TIdBuffer& ABuffer, int AByteCount) {
  if (&ABuffer == this) return;
  CheckByteCount(AByteCount);
  if (AByteCount == 0) return;
  ABuffer.Write(Data(), AByteCount);
  Remove(AByteCount);
}

uint8_t TIdBuffer::ExtractToUInt8() {
  int count = 1;
  CheckByteCount(count);
  const uint8_t value = Data()[0];
  Remove(1);
  return value;
}

uint16_t TIdBuffer::ExtractToUInt16(bool AConvert) {
  int count = 2;
  CheckByteCount(count);
  const uint8_t* p = Data();
  uint16_t value;
  if (AConvert)
    value = uint16_t((p[0] << 8) | p[1]);
  else
    std::memcpy(&value, p, 2);
  Remove(2);
  return value;
}

uint32_t TIdBuffer::ExtractToUInt32(bool AConvert) {
  int count = 4;
  CheckByteCount(count);
  const uint8_t* p = Data();
  uint32_t value = 0;
  if (AConvert)
    for (int i = 0; i < 4; ++i) value = (value << 8) | p[i];
  else
    std::memcpy(&value, p, 4);
  Remove(4);
  return value;
}

uint64_t TIdBuffer::ExtractToUInt64(bool AConvert) {
  int count = 8;
  CheckByteCount(count);
  const uint8_t* p = Data();
  uint64_t value = 0;
  if (AConvert)
    for (int i = 0; i < 8; ++i) value = (value << 8) | p[i];
  else
    std::memcpy(&value, p, 8);
  Remove(8);
  return value;
}

TIdIPv6Address TIdBuffer::ExtractToIPv6(bool AConvert) {
  int count = 16;
  CheckByteCount(count);
  const uint8_t* p = Data();
  TIdIPv6Address value;
  for (size_t i = 0; i < 8; ++i) {
    if (AConvert)
      value.Words[i] = uint16_t((p[2 * i] << 8) | p[2 * i + 1]);
    else
      std::memcpy(&value.Words[i], p + 2 * i, 2);
  }
  Remove(16);
  return value;
}

// --- Searching and peeking -----------------------------------------------------------------------

int TIdBuffer::IndexOf(const TIdBytes& ABytes, int AStartPos) const {
  if (FSize == 0) return -1;
  if (ABytes.empty()) throw EIdException(u"Buffer terminator must be specified.");
  if (AStartPos < 0 || AStartPos >= FSize) throw EIdException(u"Buffer start position is invalid.");
  const uint8_t* begin = Data();
  const uint8_t* hit = FindBytes(begin + AStartPos, static_cast<size_t>(FSize - AStartPos),
                                 ABytes.data(), ABytes.size());
  return hit ? static_cast<int>(hit - begin) : -1;
}

int TIdBuffer::IndexOf(std::u16string_view AString, int AStartPos,
                       const IIdTextEncodingPtr& AByteEncoding) const {
  if (FSize == 0) return -1;
  TIdBytes pattern;
  if (!AString.empty())
    pattern = ResolveTextEncoding(AByteEncoding, FByteEncoding)->GetBytes(AString);
  return IndexOf(pattern, AStartPos);
}

int TIdBuffer::IndexOf(uint8_t AByte, int AStartPos) const {
  if (FSize == 0) return -1;
  if (AStartPos < 0 || AStartPos >= FSize) throw EIdException(u"Buffer start position is invalid.");
  const uint8_t* begin = Data();
  const void* hit = std::memchr(begin + AStartPos, AByte, static_cast<size_t>(FSize - AStartPos));
  return hit ? static_cast<int>(static_cast<const uint8_t*>(hit) - begin) : -1;
}

uint8_t TIdBuffer::PeekByte(int AIndex) const {
  if (FSize == 0) throw EIdException(u"No bytes in buffer.");
  if (AIndex < 0 || AIndex >= FSize) throw EIdException(u"Index out of bounds.");
  return Data()[AIndex];
}

void TIdBuffer::SaveToStream(TStream& AStream) {
  CompactHead(false);
  if (FSize > 0) AStream.WriteBuffer(Data(), FSize);
}
