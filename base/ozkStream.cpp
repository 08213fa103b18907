#include "base/ozkStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/ozkException.h"
#include "base/ozkFormat.h"
#include "base/ozkText.h"

TStream::~TStream() = default;

int64_t TStream::Size() {
  int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return size;
}

void TStream::SetSize(int64_t) {
  throw EStreamError(u"Unsupported operation.");
}

void TStream::ReadBuffer(void* aBuffer, int64_t aCount) {
  auto* p = static_cast<uint8_t*>(aBuffer);
  while (aCount > 0) {
    int64_t n = Read(p, aCount);
    if (n <= 0) throw EReadError(u"Stream read error");
    p += n;
    aCount -= n;
  }
}

void TStream::WriteBuffer(const void* aBuffer, int64_t aCount) {
  auto* p = static_cast<const uint8_t*>(aBuffer);
  while (aCount > 0) {
    int64_t n = Write(p, aCount);
    if (n <= 0) throw EWriteError(u"Stream write error");
    p += n;
    aCount -= n;
  }
}

int64_t TStream::CopyFrom(TStream& aSource, int64_t aCount) {
  if (aCount == 0) {
    aSource.SetPosition(0);
    aCount = aSource.Size();
  }
  constexpr int64_t kChunk = 1 << 20;
  std::vector<uint8_t> buf(
      static_cast<size_t>(std::min(aCount, kChunk) > 0 ? std::min(aCount, kChunk) : 1));
  int64_t done = 0;
  while (done < aCount) {
    int64_t n = std::min<int64_t>(aCount - done, static_cast<int64_t>(buf.size()));
    aSource.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    done += n;
  }
  return done;
}

// --- TMemoryStream ---

int64_t TMemoryStream::Read(void* aBuffer, int64_t aCount) {
  if (aCount <= 0 || FPosition >= Size()) return 0;
  int64_t n = std::min(aCount, Size() - FPosition);
  std::memcpy(aBuffer, FData.data() + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int64_t TMemoryStream::Write(const void* aBuffer, int64_t aCount) {
  if (aCount <= 0) return 0;
  int64_t end = FPosition + aCount;
  if (end > Size()) {
    if (static_cast<size_t>(end) > FData.capacity())
      FData.reserve(std::max(static_cast<size_t>(end), FData.capacity() * 2));
    FData.resize(static_cast<size_t>(end));
  }
  std::memcpy(FData.data() + FPosition, aBuffer, static_cast<size_t>(aCount));
  FPosition = end;
  return aCount;
}

int64_t TMemoryStream::Seek(int64_t aOffset, TSeekOrigin aOrigin) {
  int64_t base = aOrigin == TSeekOrigin::soBeginning ? 0
                 : aOrigin == TSeekOrigin::soCurrent ? FPosition
                                                     : Size();
  FPosition = std::max<int64_t>(0, base + aOffset);
  return FPosition;
}

void TMemoryStream::SetSize(int64_t aNewSize) {
  if (aNewSize < 0) aNewSize = 0;
  FData.resize(static_cast<size_t>(aNewSize));
  if (FPosition > aNewSize) FPosition = aNewSize;
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& aSource) {
  aSource.SetPosition(0);
  int64_t n = aSource.Size();
  SetSize(n);
  FPosition = 0;
  if (n > 0) aSource.ReadBuffer(FData.data(), n);
}

void TMemoryStream::LoadFromFile(const std::u16string& aFileName) {
  TFileStream f(aFileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TMemoryStream::SaveToStream(TStream& aDest) {
  if (!FData.empty()) aDest.WriteBuffer(FData.data(), Size());
}

void TMemoryStream::SaveToFile(const std::u16string& aFileName) {
  TFileStream f(aFileName, fmCreate);
  SaveToStream(f);
}

// --- TFileStream ---

TFileStream::TFileStream(const std::u16string& aFileName, uint32_t aMode, uint32_t aRights)
    : FFileName(aFileName) {
  const std::string path = UTF16ToUTF8(aFileName);
  const bool create = (aMode & 0xFF00) == fmCreate;
  const uint32_t access = create ? fmOpenReadWrite : (aMode & 0x3);
  const uint32_t share = aMode & 0xF0;
  int flags = O_CLOEXEC;
  if (access == fmOpenWrite)
    flags |= O_WRONLY;
  else if (access == fmOpenReadWrite)
    flags |= O_RDWR;
  else
    flags |= O_RDONLY;
  if (create || (aMode & 0xFF00) == fmOpenOrCreate) flags |= O_CREAT;
  FHandle = ::open(path.c_str(), flags, static_cast<mode_t>(aRights));
  auto fail = [&](int err) {
    std::u16string why = UTF8ToUTF16(std::strerror(err));
    if (create) throw EFCreateError(Format(u"Cannot create file \"%s\". %s", aFileName, why));
    throw EFOpenError(Format(u"Cannot open file \"%s\". %s", aFileName, why));
  };
  if (FHandle < 0) fail(errno);
  // Readers that share freely take no lock; readers that deny writes share a lock with each
  // other; writers and exclusive openers hold it alone, so they keep out a second writer and
  // every reader that denies writes.
  int lockOp = LOCK_EX;
  if (access == fmOpenRead && share == fmShareDenyNone)
    lockOp = 0;
  else if (access == fmOpenRead && (share == fmShareDenyWrite || share == fmShareCompat))
    lockOp = LOCK_SH;
  if (lockOp && ::flock(FHandle, lockOp | LOCK_NB) != 0) {
    int err = errno;
    ::close(FHandle);
    FHandle = -1;
    fail(err);
  }
  // Truncate only once the lock is ours, so a refused fmCreate leaves the file as it was.
  if (create && ::ftruncate(FHandle, 0) != 0) {
    int err = errno;
    ::close(FHandle);
    FHandle = -1;
    fail(err);
  }
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

int64_t TFileStream::Read(void* aBuffer, int64_t aCount) {
  if (aCount <= 0) return 0;
  for (;;) {
    ssize_t n = ::read(FHandle, aBuffer, static_cast<size_t>(aCount));
    if (n >= 0) return n;
    if (errno != EINTR) return 0;
  }
}

int64_t TFileStream::Write(const void* aBuffer, int64_t aCount) {
  if (aCount <= 0) return 0;
  for (;;) {
    ssize_t n = ::write(FHandle, aBuffer, static_cast<size_t>(aCount));
    if (n >= 0) return n;
    if (errno != EINTR) return 0;
  }
}

int64_t TFileStream::Seek(int64_t aOffset, TSeekOrigin aOrigin) {
  int whence = aOrigin == TSeekOrigin::soBeginning ? SEEK_SET
               : aOrigin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                   : SEEK_END;
  off_t r = ::lseek(FHandle, static_cast<off_t>(aOffset), whence);
  return r < 0 ? -1 : static_cast<int64_t>(r);
}

void TFileStream::SetSize(int64_t aNewSize) {
  if (::ftruncate(FHandle, static_cast<off_t>(aNewSize)) != 0)
    throw EStreamError(UTF8ToUTF16(std::strerror(errno)));
  if (Position() > aNewSize) SetPosition(aNewSize);
}
