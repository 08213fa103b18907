#include "net/ozkIdGlobal.h"

#include <time.h>

uint64_t MonotonicMilliseconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

uint64_t ElapsedMilliseconds(uint64_t AStart) { return MonotonicMilliseconds() - AStart; }

TIdAppendFileStream::TIdAppendFileStream(const std::u16string& AFileName, uint32_t aRights)
    : TFileStream(AFileName, fmOpenReadWrite | fmShareDenyWrite | fmOpenOrCreate, aRights) {
  Seek(0, TSeekOrigin::soEnd);
}

TIdReadFileExclusiveStream::TIdReadFileExclusiveStream(const std::u16string& AFile)
    : TFileStream(AFile, fmOpenRead | fmShareDenyWrite) {}
