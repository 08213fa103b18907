// A stream that counts what is written to it and keeps nothing: the destination of transfers
// whose bytes a test or benchmark does not need to see.
#pragma once

#include <cstdint>

#include "base/ozkStream.h"

class TSinkStream : public TStream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t aCount) override {
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
  void SetSize(int64_t aNewSize) override { FSize = aNewSize; }

 private:
  int64_t FPosition = 0;
  int64_t FSize = 0;
};
