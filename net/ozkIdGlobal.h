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
  virtual int GetBytes(const TIdWideChars& AChars, int ACharIndex, int ACharCount, TIdBytes& VBytes,
                       int AByteIndex) const = 0;
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
  virtual int GetChars(const TIdBytes& ABytes, int AByteIndex, int AByteCount, TIdWideChars& VChars,
                       int ACharIndex) const = 0;
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

// Every form of the interface, built on seven virtual core operations (in this order):
// GetByteCount(AChars, ACharCount), GetBytes(AChars, ACharCount, ABytes, AByteCount),
// GetCharCount(ABytes, AByteCount), GetChars(ABytes, AByteCount, AChars, ACharCount),
// GetMaxByteCount, GetMaxCharCount and GetPreamble (empty here). The core operations take
// whatever they are given: a null pointer or a count below 1 converts nothing; the writing
// ones never write past the room they are given and return the units written.
//
// Concrete encodings that override a core operation must bring the other forms of the same
// name back into scope (using TIdTextEncodingBase::GetBytes; ...), or C++ hides them.
class TIdTextEncodingBase : public IIdTextEncoding {
 public:
  int GetByteCount(const TIdWideChars& AChars) const override;
  int GetByteCount(const TIdWideChars& AChars, int ACharIndex, int ACharCount) const override;
  int GetByteCount(std::u16string_view AStr) const override;
  int GetByteCount(std::u16string_view AStr, int ACharIndex, int ACharCount) const override;

  TIdBytes GetBytes(const TIdWideChars& AChars) const override;
  TIdBytes GetBytes(const TIdWideChars& AChars, int ACharIndex, int ACharCount) const override;
  int GetBytes(const TIdWideChars& AChars, int ACharIndex, int ACharCount, TIdBytes& VBytes,
               int AByteIndex) const override;
  TIdBytes GetBytes(const char16_t* AChars, int ACharCount) const override;
  int GetBytes(const char16_t* AChars, int ACharCount, TIdBytes& VBytes,
               int AByteIndex) const override;
  TIdBytes GetBytes(std::u16string_view AStr) const override;
  TIdBytes GetBytes(std::u16string_view AStr, int ACharIndex, int ACharCount) const override;
  int GetBytes(std::u16string_view AStr, int ACharIndex, int ACharCount, TIdBytes& VBytes,
               int AByteIndex) const override;

  int GetCharCount(const TIdBytes& ABytes) const override;
  int GetCharCount(const TIdBytes& ABytes, int AByteIndex, int AByteCount) const override;

  TIdWideChars GetChars(const TIdBytes& ABytes) const override;
  TIdWideChars GetChars(const TIdBytes& ABytes, int AByteIndex, int AByteCount) const override;
  int GetChars(const TIdBytes& ABytes, int AByteIndex, int AByteCount, TIdWideChars& VChars,
               int ACharIndex) const override;
  TIdWideChars GetChars(const uint8_t* ABytes, int AByteCount) const override;
  int GetChars(const uint8_t* ABytes, int AByteCount, TIdWideChars& VChars,
               int ACharIndex) const override;

  bool GetIsSingleByte() const override { return FIsSingleByte; }
  TIdBytes GetPreamble() const override { return {}; }

  std::u16string GetString(const TIdBytes& ABytes) const override;
  std::u16string GetString(const TIdBytes& ABytes, int AByteIndex, int AByteCount) const override;
  std::u16string GetString(const uint8_t* ABytes, int AByteCount) const override;

  // The core operations stay abstract here:
  //   int GetByteCount(const char16_t* AChars, int ACharCount) const;
  //   int GetBytes(const char16_t* AChars, int ACharCount, uint8_t* ABytes, int AByteCount) const;
  //   int GetCharCount(const uint8_t* ABytes, int AByteCount) const;
  //   int GetChars(const uint8_t* ABytes, int AByteCount, char16_t* AChars, int ACharCount) const;
  //   int GetMaxByteCount(int ACharCount) const;
  //   int GetMaxCharCount(int AByteCount) const;
  using IIdTextEncoding::GetByteCount;
  using IIdTextEncoding::GetBytes;
  using IIdTextEncoding::GetCharCount;
  using IIdTextEncoding::GetChars;

 protected:
  TIdTextEncodingBase() = default;

  bool FIsSingleByte = false;
  int FMaxCharSize = 0; // the most bytes one character can take
};

// A code page of the platform's converter (glibc iconv, Windows code-page numbers mapped to
// converter names). Code page 0 is the default 8-bit code page, Windows-1252. Unmappable
// characters become the code page's "?"; invalid byte sequences decode to U+FFFD. Code page
// 65001 converts without iconv. Raises EIdException "Invalid codepage (%d)" for a code page
// the converter does not know (20127 falls back to 1252, then 437).
class TIdMBCSEncoding : public TIdTextEncodingBase {
 public:
  TIdMBCSEncoding();
  explicit TIdMBCSEncoding(uint16_t ACodePage);
  // The flags are kept for the platform's conversion calls; the iconv converter has no
  // equivalent, and every instance of this system passes 0.
  TIdMBCSEncoding(uint16_t ACodePage, uint32_t AMBToWCharFlags, uint32_t AWCharToMBFlags);

  using TIdTextEncodingBase::GetByteCount;
  using TIdTextEncodingBase::GetBytes;
  using TIdTextEncodingBase::GetCharCount;
  using TIdTextEncodingBase::GetChars;
  using TIdTextEncodingBase::GetString;

  int GetByteCount(const char16_t* AChars, int ACharCount) const override;
  int GetBytes(const char16_t* AChars, int ACharCount, uint8_t* ABytes,
               int AByteCount) const override;
  int GetCharCount(const uint8_t* ABytes, int AByteCount) const override;
  int GetChars(const uint8_t* ABytes, int AByteCount, char16_t* AChars,
               int ACharCount) const override;
  int GetMaxByteCount(int ACharCount) const override;
  int GetMaxCharCount(int AByteCount) const override;
  TIdBytes GetPreamble() const override;
  // One pass instead of count-then-convert for the built-in UTF-8 path; same result.
  std::u16string GetString(const uint8_t* ABytes, int AByteCount) const override;

  // The code page in use (0 became 1252; 20127 may have become 1252 or 437).
  uint16_t CodePage() const { return FCodePage; }

 protected:
  uint16_t FCodePage = 0;
  uint32_t FMBToWCharFlags = 0;
  uint32_t FWCharToMBFlags = 0;

 private:
  const char* FConverterName = nullptr; // iconv name; null for the built-in UTF-8 path
};

class TIdUTF7Encoding : public TIdMBCSEncoding {
 public:
  TIdUTF7Encoding();
  int GetMaxByteCount(int ACharCount) const override; // 3n + 2
  int GetMaxCharCount(int AByteCount) const override; // n
};

class TIdUTF8Encoding : public TIdMBCSEncoding {
 public:
  TIdUTF8Encoding();
  int GetMaxByteCount(int ACharCount) const override; // 3n + 3
  int GetMaxCharCount(int AByteCount) const override; // n + 1
  TIdBytes GetPreamble() const override;              // EF BB BF
};

// Each UTF-16 unit as two bytes, low byte first; surrogate pairs pass through as two units and
// an odd last byte is ignored when decoding.
class TIdUTF16LittleEndianEncoding : public TIdTextEncodingBase {
 public:
  TIdUTF16LittleEndianEncoding();

  using TIdTextEncodingBase::GetByteCount;
  using TIdTextEncodingBase::GetBytes;
  using TIdTextEncodingBase::GetCharCount;
  using TIdTextEncodingBase::GetChars;

  int GetByteCount(const char16_t* AChars, int ACharCount) const override;
  int GetBytes(const char16_t* AChars, int ACharCount, uint8_t* ABytes,
               int AByteCount) const override;
  int GetCharCount(const uint8_t* ABytes, int AByteCount) const override;
  int GetChars(const uint8_t* ABytes, int AByteCount, char16_t* AChars,
               int ACharCount) const override;
  int GetMaxByteCount(int ACharCount) const override; // 2n + 2
  int GetMaxCharCount(int AByteCount) const override; // (n div 2) + (n mod 2) + 1
  TIdBytes GetPreamble() const override;              // FF FE
};

class TIdUTF16BigEndianEncoding : public TIdUTF16LittleEndianEncoding {
 public:
  TIdUTF16BigEndianEncoding();

  using TIdUTF16LittleEndianEncoding::GetBytes;
  using TIdUTF16LittleEndianEncoding::GetChars;

  int GetBytes(const char16_t* AChars, int ACharCount, uint8_t* ABytes,
               int AByteCount) const override;
  int GetChars(const uint8_t* ABytes, int AByteCount, char16_t* AChars,
               int ACharCount) const override;
  TIdBytes GetPreamble() const override; // FE FF
};

// A unit below 128 as that byte, any other as "?"; a byte below 128 as that character, any
// other as U+FFFD.
class TIdASCIIEncoding : public TIdTextEncodingBase {
 public:
  TIdASCIIEncoding();

  using TIdTextEncodingBase::GetByteCount;
  using TIdTextEncodingBase::GetBytes;
  using TIdTextEncodingBase::GetCharCount;
  using TIdTextEncodingBase::GetChars;

  int GetByteCount(const char16_t* AChars, int ACharCount) const override;
  int GetBytes(const char16_t* AChars, int ACharCount, uint8_t* ABytes,
               int AByteCount) const override;
  int GetCharCount(const uint8_t* ABytes, int AByteCount) const override;
  int GetChars(const uint8_t* ABytes, int AByteCount, char16_t* AChars,
               int ACharCount) const override;
  int GetMaxByteCount(int ACharCount) const override; // n
  int GetMaxCharCount(int AByteCount) const override; // n
};

// A unit below 256 as that byte, any other as "?"; each byte as the character of the same value.
class TId8BitEncoding : public TIdTextEncodingBase {
 public:
  TId8BitEncoding();

  using TIdTextEncodingBase::GetByteCount;
  using TIdTextEncodingBase::GetBytes;
  using TIdTextEncodingBase::GetCharCount;
  using TIdTextEncodingBase::GetChars;

  int GetByteCount(const char16_t* AChars, int ACharCount) const override;
  int GetBytes(const char16_t* AChars, int ACharCount, uint8_t* ABytes,
               int AByteCount) const override;
  int GetCharCount(const uint8_t* ABytes, int AByteCount) const override;
  int GetChars(const uint8_t* ABytes, int AByteCount, char16_t* AChars,
               int ACharCount) const override;
  int GetMaxByteCount(int ACharCount) const override; // n
  int GetMaxCharCount(int AByteCount) const override; // n
};

// One row of the charset table behind TextEncodingOfCharset: a name of the IANA character-set
// registry (preferred names and aliases) or a platform code-page name, with its Windows code
// page, or 0 when the name has none.
struct TIdCharsetName {
  std::string Name;
  uint16_t CodePage;
};
// Every row, in table order (built once, read-only afterwards).
const std::vector<TIdCharsetName>& IdCharsetTable();
// True when ACharset (letter case ignored) is in the table; ACodePage is then its code page
// (0: none).
bool LookupCharset(std::u16string_view ACharset, uint16_t& ACodePage);

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
