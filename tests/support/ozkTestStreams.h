// A stream that counts what is written to it and keeps nothing: the destination of transfers
// whose bytes a test or benchmark does not need to see. It can start at any size and position
// (a "huge" or positioned stream without the memory), reads yield nothing, and it remembers the
// largest size anybody asked it to take, which proves that a claimed length never decided a
// reservation.
#pragma once

#include <algorithm>
#include <cstdint>

#include "base/ozkStream.h"

class TSinkStream : public TStream {
 public:
  TSinkStream() = default;
  TSinkStream(int64_t aSize, int64_t aPosition) : FPosition(aPosition), FSize(aSize) {}

  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t aCount) override {
    FWritten += aCount;
    FPosition += aCount;
    if (FPosition > FSize) FSize = FPosition;
    return aCount;
  }
  int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) override {
    if (aOrigin == TSeekOrigin::soBeginning)
      FPosition = aOffset;
    else if (aOrigin == TSeekOrigin::soCurrent)
      FPosition += aOffset;
    else
      FPosition = FSize + aOffset;
    return FPosition;
  }
  int64_t Size() override { return FSize; }
  void SetSize(int64_t aNewSize) override {
    FLargestSetSize = std::max(FLargestSetSize, aNewSize);
    FSize = aNewSize;
  }

  // Bytes written so far, and the largest size set.
  int64_t Written() const { return FWritten; }
  int64_t LargestSetSize() const { return FLargestSetSize; }

 private:
  int64_t FPosition = 0;
  int64_t FSize = 0;
  int64_t FWritten = 0;
  int64_t FLargestSetSize = 0;
};
