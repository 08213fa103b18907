// TIdBuffer: the first-in, first-out byte queue behind every connection's input and write
// buffers. Bytes are appended at the end and extracted from the front; consumed bytes are only
// skipped until more than GrowthFactor of them have accumulated at the front, and appends reserve
// GrowthFactor bytes of slack, so a stream of small reads and extractions does not copy the
// stored bytes on every step.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/ozkStream.h"
#include "net/ozkIdGlobal.h"

class TIdBuffer;

// Raised after every removal with the number of bytes removed.
using TIdBufferBytesRemoved = std::function<void(TIdBuffer* ABuffer, int ABytes)>;

// Invariant: 0 <= head index, head index + Size() <= Capacity() <= INT_MAX. Every count is a
// 32-bit signed value as on the wire of the handler. A count of -1 means everything stored.
//
// Errors: EIdTooMuchDataInBuffer "Too much data in buffer." when an append would take Size()
// past INT_MAX; EIdNotEnoughDataInBuffer "Not enough data in buffer. (<asked>/<stored>)" when
// an extraction asks for more than is stored; EIdException "Capacity cannot be smaller than
// Size", "Buffer terminator must be specified.", "Buffer start position is invalid.",
// "No bytes in buffer.", "Index out of bounds.".
class TIdBuffer {
 public:
  static constexpr int DefaultGrowthFactor = 2048;

  TIdBuffer();
  explicit TIdBuffer(int AGrowthFactor);
  explicit TIdBuffer(TIdBufferBytesRemoved AOnBytesRemoved);
  // A negative ALength adopts the whole array unchanged; 0 or more copies that many bytes.
  TIdBuffer(TIdBytes AByteArray, int ALength);
  ~TIdBuffer();
  TIdBuffer(const TIdBuffer&) = delete;
  TIdBuffer& operator=(const TIdBuffer&) = delete;

  // --- Appending ---
  // ALength -1: everything from AOffset to the end, never more than the array holds.
  void Write(const TIdBytes& ABytes, int ALength = -1, int AOffset = 0);
  void Write(const uint8_t* ABytes, int ALength);
  void Write(std::u16string_view AString, const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // AByteCount -1: from the stream's position to its end; 0: the whole stream after rewinding
  // it; more: at most that many of the remaining bytes.
  void Write(TStream& AStream, int64_t AByteCount = 0);
  // Integers wider than one byte are written in network byte order.
  void Write(uint8_t AValue);
  void Write(uint16_t AValue);
  void Write(uint32_t AValue);
  void Write(uint64_t AValue);
  void Write(const TIdIPv6Address& AValue);

  // Direct filling, for readers that receive straight into the buffer: PrepareWrite grows the
  // storage like an append of AMaxCount bytes would and returns where they go; CommitWrite then
  // publishes the first ACount (0..AMaxCount) of them. Nothing else may touch the buffer in
  // between.
  uint8_t* PrepareWrite(int AMaxCount);
  void CommitWrite(int ACount);

  // --- Extracting (from the front) ---
  // With AAppend the bytes go behind VBytes' contents; without it they are written from index 0
  // and VBytes only grows when it is shorter.
  void ExtractToBytes(TIdBytes& VBytes, int AByteCount = -1, bool AAppend = true);
  std::u16string ExtractToString(int AByteCount = -1,
                                 const IIdTextEncodingPtr& AByteEncoding = nullptr);
  std::u16string Extract(int AByteCount = -1, const IIdTextEncodingPtr& AByteEncoding = nullptr) {
    return ExtractToString(AByteCount, AByteEncoding);
  }
  void ExtractToStream(TStream& AStream, int AByteCount = -1);
  void ExtractToIdBuffer(TIdBuffer& ABuffer, int AByteCount = -1);
  uint8_t ExtractToUInt8();
  uint8_t ExtractToByte() { return ExtractToUInt8(); }
  // AConvert: network to host byte order.
  uint16_t ExtractToUInt16(bool AConvert = true);
  uint16_t ExtractToWord(bool AConvert = true) { return ExtractToUInt16(AConvert); }
  uint32_t ExtractToUInt32(bool AConvert = true);
  uint32_t ExtractToLongWord(bool AConvert = true) { return ExtractToUInt32(AConvert); }
  uint64_t ExtractToUInt64(bool AConvert = true);
  TIdIPv6Address ExtractToIPv6(bool AConvert = true);

  // --- Other operations ---
  void Remove(int AByteCount);
  void Clear();
  void CompactHead(bool ACanShrink = true);
  // Position (counted from the first stored byte) of the first match at or after AStartPos,
  // or -1. An empty buffer gives -1 whatever the arguments.
  int IndexOf(const TIdBytes& ABytes, int AStartPos = 0) const;
  int IndexOf(std::u16string_view AString, int AStartPos = 0,
              const IIdTextEncodingPtr& AByteEncoding = nullptr) const;
  int IndexOf(uint8_t AByte, int AStartPos = 0) const;
  uint8_t PeekByte(int AIndex) const;
  // Writes every stored byte; they stay stored.
  void SaveToStream(TStream& AStream);

  int Size() const { return FSize; }
  int Capacity() const { return FCapacity; }
  void SetCapacity(int AValue);
  int GrowthFactor() const { return FGrowthFactor; }
  int HeadIndex() const { return FHeadIndex; }
  // The stored bytes, valid until the next change of the buffer.
  const uint8_t* Data() const { return FBytes.data() + FHeadIndex; }
  const IIdTextEncodingPtr& Encoding() const { return FByteEncoding; }
  void SetEncoding(const IIdTextEncodingPtr& AValue) { FByteEncoding = AValue; }
  const TIdBufferBytesRemoved& OnBytesRemoved() const { return FOnBytesRemoved; }
  void SetOnBytesRemoved(TIdBufferBytesRemoved AValue) { FOnBytesRemoved = std::move(AValue); }

 private:
  void CheckByteCount(int& VByteCount) const;
  void CheckAppend(int ACount) const;
  // Makes room for ACount more bytes behind the stored ones (the append rule) and returns the
  // index where they go.
  int Reserve(int ACount);
  // Sets the logical capacity; the physical storage only follows when it must grow or when it
  // would keep much more than asked for.
  void Resize(int ANewCapacity);
  void ReleaseStorage();

  // FBytes holds at least FCapacity bytes. A small surplus is kept when the buffer empties so
  // that a connection's steady receive/consume cycle needs no allocation per read.
  TIdBytes FBytes;
  int FCapacity = 0;
  IIdTextEncodingPtr FByteEncoding;
  int FGrowthFactor = DefaultGrowthFactor;
  int FHeadIndex = 0;
  TIdBufferBytesRemoved FOnBytesRemoved;
  int FSize = 0;
};
