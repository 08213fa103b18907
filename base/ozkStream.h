// Byte streams: the abstract TStream, the growable in-memory TMemoryStream and TFileStream over
// a POSIX file descriptor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream();

  // Reads up to aCount bytes; returns the number read (0 at the end).
  virtual int64_t Read(void* aBuffer, int64_t aCount) = 0;
  // Writes up to aCount bytes; returns the number written.
  virtual int64_t Write(const void* aBuffer, int64_t aCount) = 0;
  // Moves the position; returns the new position.
  virtual int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) = 0;

  virtual int64_t Size();
  // Raises EStreamError where a stream cannot change its size.
  virtual void SetSize(int64_t aNewSize);
  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t aPosition) { Seek(aPosition, TSeekOrigin::soBeginning); }

  // Exactly aCount bytes or EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* aBuffer, int64_t aCount);
  void WriteBuffer(const void* aBuffer, int64_t aCount);
  // Copies aCount bytes from aSource's current position; aCount 0 copies all of aSource from
  // its start. Returns the bytes copied; a source that ends early raises EReadError.
  int64_t CopyFrom(TStream& aSource, int64_t aCount);
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  int64_t Read(void* aBuffer, int64_t aCount) override;
  int64_t Write(const void* aBuffer, int64_t aCount) override;
  int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t aNewSize) override;

  void Clear();
  uint8_t* Memory() { return FData.data(); }
  const uint8_t* Memory() const { return FData.data(); }
  const std::vector<uint8_t>& Bytes() const { return FData; }
  void LoadFromStream(TStream& aSource);
  void LoadFromFile(const std::u16string& aFileName);
  void SaveToStream(TStream& aDest);
  void SaveToFile(const std::u16string& aFileName);

 private:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};

// Open modes and sharing, combined with "|". Sharing is enforced between openers through
// advisory locks (flock): a writer or an opener that denies writes holds a lock that keeps a
// conflicting opener out; fmShareDenyNone readers take no lock.
enum : uint32_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
  // With an access mode: create the file when it is missing, keep its content when it exists.
  fmOpenOrCreate = 0x0100,
};

class TFileStream : public TStream {
 public:
  // fmCreate creates or truncates the file (read and write); aRights are the permission bits of
  // a created file. Raises EFCreateError "Cannot create file \"%s\". %s" or
  // EFOpenError "Cannot open file \"%s\". %s".
  TFileStream(const std::u16string& aFileName, uint32_t aMode, uint32_t aRights = 0666);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* aBuffer, int64_t aCount) override;
  int64_t Write(const void* aBuffer, int64_t aCount) override;
  int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) override;
  void SetSize(int64_t aNewSize) override;

  const std::u16string& FileName() const { return FFileName; }
  int Handle() const { return FHandle; }

 private:
  std::u16string FFileName;
  int FHandle = -1;
};
