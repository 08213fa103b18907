// Text encodings of the connection layer (text <-> bytes through IIdTextEncoding), the byte and
// text conversion helpers built on them, the monotonic millisecond clock and the two file
// streams with the sharing rules of the traffic log and of uploads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/ozkStream.h"

using TIdBytes = std::vector<uint8_t>;
using TIdWideChars = std::vector<char16_t>;

// --- Encodings ---------------------------------------------------------------------------------

// The conversion between UTF-16 text and bytes. Objects hold no mutable state after
// construction and may be used from several threads. They are shared through
// IIdTextEncodingPtr; the process-wide instances live until the process ends.
//
// Array indexes count from 0; a character index into text (ACharIndex with AStr) counts from 1.
// Range errors raise EArgumentException (a general exception, not an EIdException) with
// "Character index out of bounds (%d)", "Invalid count (%d)", "Invalid destination index (%d)",
// "Invalid destination array" or "Invalid source array".
class IIdTextEncoding {
public:
  virtual ~IIdTextEncoding() = default;

  virtual int GetByteCount(const TIdWideChars& AChars) const = 0;
  virtual int GetByteCount(const TIdWideChars& AChars, int ACharIndex, int ACharCount) const = 0;
  virtual int GetByteCount(const char16_t* AChars, int ACharCount) const = 0;
  virtual int GetByteCount(std::u16string_view AStr) const = 0;
  virtual int GetByteCount(std::u16string_view AStr, int ACharIndex, int ACharCount) const = 0;

  virtual TIdBytes GetBytes(const TIdWideChars& AChars) const = 0;
  virtual TIdBytes GetBytes(const TIdWideChars& AChars, int ACharIndex, int ACharCount) const = 0;
  virtual int GetBytes(const TIdWideChars& AChars, int ACharIndex, int ACharCount,
                       TIdBytes& VBytes, int AByteIndex) const = 0;
  virtual TIdBytes GetBytes(const char16_t* AChars, int ACharCount) const = 0;
  virtual int GetBytes(const char16_t* AChars, int ACharCount, TIdBytes& VBytes,
                       int AByteIndex) const = 0;
  virtual TIdBytes GetBytes(std::u16string_view AStr) const = 0;
  virtual TIdBytes GetBytes(std::u16string_view AStr, int ACharIndex, int ACharCount) const = 0;
  virtual int GetBytes(std::u16string_view AStr, int ACharIndex, int ACharCount, TIdBytes& VBytes,
                       int AByteIndex) const = 0;
  virtual int GetBytes(const char16_t* AChars, int ACharCount, uint8_t* ABytes,
                       int AByteCount) const = 0;

  virtual int GetCharCount(const TIdBytes& ABytes) const = 0;
  virtual int GetCharCount(const TIdBytes& ABytes, int AByteIndex, int AByteCount) const = 0;
  virtual int GetCharCount(const uint8_t* ABytes, int AByteCount) const = 0;

  virtual TIdWideChars GetChars(const TIdBytes& ABytes) const = 0;
  virtual TIdWideChars GetChars(const TIdBytes& ABytes, int AByteIndex, int AByteCount) const = 0;
  virtual int GetChars(const TIdBytes& ABytes, int AByteIndex, int AByteCount,
                       TIdWideChars& VChars, int ACharIndex) const = 0;
  virtual TIdWideChars GetChars(const uint8_t* ABytes, int AByteCount) const = 0;
  virtual int GetChars(const uint8_t* ABytes, int AByteCount, TIdWideChars& VChars,
                       int ACharIndex) const = 0;
  virtual int GetChars(const uint8_t* ABytes, int AByteCount, char16_t* AChars,
                       int ACharCount) const = 0;

  virtual bool GetIsSingleByte() const = 0;
  virtual int GetMaxByteCount(int ACharCount) const = 0;
  virtual int GetMaxCharCount(int AByteCount) const = 0;
  virtual TIdBytes GetPreamble() const = 0;

  virtual std::u16string GetString(const TIdBytes& ABytes) const = 0;
  virtual std::u16string GetString(const TIdBytes& ABytes, int AByteIndex,
                                   int AByteCount) const = 0;
  virtual std::u16string GetString(const uint8_t* ABytes, int AByteCount) const = 0;
};

using IIdTextEncodingPtr = std::shared_ptr<IIdTextEncoding>;

enum TIdTextEncodingKind {
  tekDefault,
  tekOSDefault,
  tek8Bit,
  tekASCII,
  tekUTF16BE,
  tekUTF16LE,
  tekUTF7,
  tekUTF8,
};

// The shared instance of a kind (tekDefault: the default kind, ASCII; tekOSDefault: the
// code-page converter for code page 0, Windows-1252 here).
IIdTextEncodingPtr TextEncodingOfKind(TIdTextEncodingKind AKind = tekDefault);
// 1200 UTF-16LE, 1201 UTF-16BE, 20127 ASCII, 65000 UTF-7, 65001 UTF-8 (shared instances); any
// other number a new code-page converter. Raises EIdException "Invalid codepage (%d)" for a code
// page the converter does not know.
IIdTextEncodingPtr TextEncodingOfCodePage(uint16_t ACodePage);
// By charset name (IANA names and aliases, case ignored); never fails: an empty or unknown name,
// or one without a usable code page, gives the shared 8-bit instance.
IIdTextEncodingPtr TextEncodingOfCharset(std::u16string_view ACharset);
// AEncoding when given, else AFallback when given, else TextEncodingOfKind(AKind).
IIdTextEncodingPtr ResolveTextEncoding(const IIdTextEncodingPtr& AEncoding,
                                       const IIdTextEncodingPtr& AFallback = nullptr,
                                       TIdTextEncodingKind AKind = tekDefault);

// --- Text and byte conversions (no encoding given means tekDefault, that is ASCII) -------------

TIdBytes TextToBytes(std::u16string_view AText, const IIdTextEncodingPtr& AEncoding = nullptr);
// ALength characters from AIndex (from 1); ALength -1 takes all to the end.
TIdBytes TextToBytes(std::u16string_view AText, int ALength, int AIndex,
                     const IIdTextEncodingPtr& AEncoding = nullptr);
TIdBytes CharToBytes(char16_t AChar, const IIdTextEncodingPtr& AEncoding = nullptr);
std::u16string BytesToText(const TIdBytes& ABytes, const IIdTextEncodingPtr& AEncoding = nullptr);
// The range from AStartIndex (from 0); ALength -1 takes all to the end.
std::u16string BytesToText(const TIdBytes& ABytes, int AStartIndex, int ALength,
                           const IIdTextEncodingPtr& AEncoding = nullptr);
// One character per byte (the 8-bit encoding).
std::u16string BytesToRawText(const TIdBytes& ABytes, int AStartIndex = 0, int ALength = -1);
TIdBytes RawToBytes(const void* AValue, int ASize);

TIdBytes UInt8ToBytes(uint8_t AValue);
TIdBytes UInt16ToBytes(uint16_t AValue);
TIdBytes UInt32ToBytes(uint32_t AValue);
TIdBytes UInt64ToBytes(uint64_t AValue);
TIdBytes Int8ToBytes(int8_t AValue);
TIdBytes Int16ToBytes(int16_t AValue);
TIdBytes Int32ToBytes(int32_t AValue);
TIdBytes Int64ToBytes(int64_t AValue);
uint16_t BytesToUInt16(const TIdBytes& ABytes, int AIndex = 0);
uint32_t BytesToUInt32(const TIdBytes& ABytes, int AIndex = 0);
uint64_t BytesToUInt64(const TIdBytes& ABytes, int AIndex = 0);
struct TIdIPv6Address {
  uint16_t Words[8];
};
TIdIPv6Address BytesToIPv6(const TIdBytes& ABytes, int AIndex = 0);
std::u16string BytesToIPv4Text(const TIdBytes& ABytes, int AIndex = 0);

// --- Clock -------------------------------------------------------------------------------------

// Milliseconds from an arbitrary start; never goes backwards.
uint64_t MonotonicMilliseconds();
uint64_t ElapsedMilliseconds(uint64_t AStart);

// --- File streams ------------------------------------------------------------------------------

// Opens (or creates) AFileName for reading and writing, positioned at its end; others may read
// the file but not write it. aRights are the permission bits of a created file.
class TIdAppendFileStream : public TFileStream {
public:
  explicit TIdAppendFileStream(const std::u16string& AFileName, uint32_t aRights = 0666);
};

// Opens AFile for reading; others may read the file but not write it.
class TIdReadFileExclusiveStream : public TFileStream {
public:
  explicit TIdReadFileExclusiveStream(const std::u16string& AFile);
};
