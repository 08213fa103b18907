#include "net/ozkIdGlobal.h"

#include <atomic>
#include <cstring>
#include <time.h>

#include "base/ozkException.h"
#include "base/ozkFormat.h"
#include "base/ozkText.h"

// --- Shared encoding instances -----------------------------------------------------------------

namespace {

// The process-wide default kind; nothing in the system changes it.
constexpr TIdTextEncodingKind kDefaultKind = tekASCII;

// One slot per kind, empty at start. An installed slot holds a heap pointer that is never
// released, so the instance lives until the process ends and a load needs no lock.
std::atomic<IIdTextEncodingPtr*> gEncodingSlots[tekUTF8 + 1] = {};

IIdTextEncodingPtr MakeEncoding(TIdTextEncodingKind AKind) {
  switch (AKind) {
  case tekOSDefault:
    return std::make_shared<TIdMBCSEncoding>(0);
  case tek8Bit:
    return std::make_shared<TId8BitEncoding>();
  case tekUTF16BE:
    return std::make_shared<TIdUTF16BigEndianEncoding>();
  case tekUTF16LE:
    return std::make_shared<TIdUTF16LittleEndianEncoding>();
  case tekUTF7:
    return std::make_shared<TIdUTF7Encoding>();
  case tekUTF8:
    return std::make_shared<TIdUTF8Encoding>();
  case tekASCII:
  default:
    return std::make_shared<TIdASCIIEncoding>();
  }
}

} // namespace

IIdTextEncodingPtr TextEncodingOfKind(TIdTextEncodingKind AKind) {
  if (AKind <= tekDefault || AKind > tekUTF8) AKind = kDefaultKind;
  std::atomic<IIdTextEncodingPtr*>& slot = gEncodingSlots[AKind];
  if (IIdTextEncodingPtr* installed = slot.load(std::memory_order_acquire)) return *installed;
  auto mine = std::make_unique<IIdTextEncodingPtr>(MakeEncoding(AKind));
  IIdTextEncodingPtr* expected = nullptr;
  if (slot.compare_exchange_strong(expected, mine.get(), std::memory_order_acq_rel,
                                   std::memory_order_acquire)) {
    return *mine.release();
  }
  return *expected; // lost the race: ours is released, the winner's is returned
}

IIdTextEncodingPtr TextEncodingOfCodePage(uint16_t ACodePage) {
  switch (ACodePage) {
  case 1200:
    return TextEncodingOfKind(tekUTF16LE);
  case 1201:
    return TextEncodingOfKind(tekUTF16BE);
  case 20127:
    return TextEncodingOfKind(tekASCII);
  case 65000:
    return TextEncodingOfKind(tekUTF7);
  case 65001:
    return TextEncodingOfKind(tekUTF8);
  default:
    return std::make_shared<TIdMBCSEncoding>(ACodePage);
  }
}

IIdTextEncodingPtr TextEncodingOfCharset(std::u16string_view ACharset) {
  if (ACharset.empty()) return TextEncodingOfKind(tek8Bit);
  uint16_t codePage = 0;
  if (!LookupCharset(ACharset, codePage)) {
    static const struct {
      std::u16string_view Name;
      uint16_t CodePage;
    } kCompact[] = {{u"UTF7", 65000},    {u"UTF8", 65001},   {u"UTF16", 1200},
                    {u"UTF16LE", 1200},  {u"UTF16BE", 1201}, {u"UTF32", 12000},
                    {u"UTF32LE", 12000}, {u"UTF32BE", 12001}};
    for (const auto& c : kCompact) {
      if (SameText(ACharset, c.Name)) {
        codePage = c.CodePage;
        break;
      }
    }
  }
  if (codePage != 0) {
    try {
      return TextEncodingOfCodePage(codePage);
    } catch (const std::exception&) {
      // A code page the converter does not know: fall back to 8-bit like an unknown name.
    }
  }
  return TextEncodingOfKind(tek8Bit);
}

IIdTextEncodingPtr ResolveTextEncoding(const IIdTextEncodingPtr& AEncoding,
                                       const IIdTextEncodingPtr& AFallback,
                                       TIdTextEncodingKind AKind) {
  if (AEncoding) return AEncoding;
  if (AFallback) return AFallback;
  return TextEncodingOfKind(AKind);
}

// --- Text and byte conversions -----------------------------------------------------------------

namespace {

IIdTextEncodingPtr OrDefault(const IIdTextEncodingPtr& AEncoding) {
  return AEncoding ? AEncoding : TextEncodingOfKind(tekDefault);
}

int SizeAsInt(size_t ASize) {
  if (ASize > static_cast<size_t>(INT32_MAX))
    throw EArgumentException(Format(u"Invalid count (%d)", static_cast<uint64_t>(ASize)));
  return static_cast<int>(ASize);
}

// The length of a range with AAvailable units available: -1 takes them all, other lengths at
// most that many (a negative one none).
int RangeLength(int AAvailable, int ALength) {
  if (AAvailable < 0) AAvailable = 0;
  if (ALength == -1) return AAvailable;
  if (ALength < 0) return 0;
  return ALength < AAvailable ? ALength : AAvailable;
}

void CheckByteStart(int AStartIndex) {
  if (AStartIndex < 0)
    throw EArgumentException(Format(u"Byte index out of bounds (%d)", AStartIndex));
}

// A fixed-size reader needs ASize bytes from AIndex on.
const uint8_t* FixedSource(const TIdBytes& ABytes, int AIndex, size_t ASize) {
  if (AIndex < 0 || static_cast<size_t>(AIndex) > ABytes.size() ||
      ABytes.size() - static_cast<size_t>(AIndex) < ASize) {
    throw EArgumentException(Format(u"Byte index out of bounds (%d)", AIndex));
  }
  return ABytes.data() + AIndex;
}

template <typename T> TIdBytes ValueToBytes(T AValue) {
  TIdBytes r(sizeof AValue);
  std::memcpy(r.data(), &AValue, sizeof AValue);
  return r;
}

template <typename T> T BytesToValue(const TIdBytes& ABytes, int AIndex) {
  T v;
  std::memcpy(&v, FixedSource(ABytes, AIndex, sizeof v), sizeof v);
  return v;
}

} // namespace

TIdBytes TextToBytes(std::u16string_view AText, const IIdTextEncodingPtr& AEncoding) {
  if (AText.empty()) return {};
  return OrDefault(AEncoding)->GetBytes(AText.data(), SizeAsInt(AText.size()));
}

TIdBytes TextToBytes(std::u16string_view AText, int ALength, int AIndex,
                     const IIdTextEncodingPtr& AEncoding) {
  if (AIndex < 1) throw EArgumentException(Format(u"Character index out of bounds (%d)", AIndex));
  const int total = SizeAsInt(AText.size());
  const int length = RangeLength(AIndex > total ? 0 : total - AIndex + 1, ALength);
  if (length == 0) return {};
  return OrDefault(AEncoding)->GetBytes(AText.data() + AIndex - 1, length);
}

TIdBytes CharToBytes(char16_t AChar, const IIdTextEncodingPtr& AEncoding) {
  return OrDefault(AEncoding)->GetBytes(&AChar, 1);
}

std::u16string BytesToText(const TIdBytes& ABytes, const IIdTextEncodingPtr& AEncoding) {
  if (ABytes.empty()) return {};
  return OrDefault(AEncoding)->GetString(ABytes.data(), SizeAsInt(ABytes.size()));
}

std::u16string BytesToText(const TIdBytes& ABytes, int AStartIndex, int ALength,
                           const IIdTextEncodingPtr& AEncoding) {
  CheckByteStart(AStartIndex);
  const int total = SizeAsInt(ABytes.size());
  const int length = RangeLength(total - AStartIndex, ALength);
  if (length == 0) return {};
  return OrDefault(AEncoding)->GetString(ABytes.data() + AStartIndex, length);
}

std::u16string BytesToRawText(const TIdBytes& ABytes, int AStartIndex, int ALength) {
  CheckByteStart(AStartIndex);
  const int total = SizeAsInt(ABytes.size());
  const int length = RangeLength(total - AStartIndex, ALength);
  if (length == 0) return {};
  return TextEncodingOfKind(tek8Bit)->GetString(ABytes.data() + AStartIndex, length);
}

TIdBytes RawToBytes(const void* AValue, int ASize) {
  if (ASize < 0) throw EArgumentException(Format(u"Invalid count (%d)", ASize));
  if (ASize == 0) return {};
  if (!AValue) throw EArgumentException(u"Invalid source array");
  const auto* p = static_cast<const uint8_t*>(AValue);
  return TIdBytes(p, p + ASize);
}

TIdBytes UInt8ToBytes(uint8_t AValue) {
  return ValueToBytes(AValue);
}
TIdBytes UInt16ToBytes(uint16_t AValue) {
  return ValueToBytes(AValue);
}
TIdBytes UInt32ToBytes(uint32_t AValue) {
  return ValueToBytes(AValue);
}
TIdBytes UInt64ToBytes(uint64_t AValue) {
  return ValueToBytes(AValue);
}
TIdBytes Int8ToBytes(int8_t AValue) {
  return ValueToBytes(AValue);
}
TIdBytes Int16ToBytes(int16_t AValue) {
  return ValueToBytes(AValue);
}
TIdBytes Int32ToBytes(int32_t AValue) {
  return ValueToBytes(AValue);
}
TIdBytes Int64ToBytes(int64_t AValue) {
  return ValueToBytes(AValue);
}

uint16_t BytesToUInt16(const TIdBytes& ABytes, int AIndex) {
  return BytesToValue<uint16_t>(ABytes, AIndex);
}
uint32_t BytesToUInt32(const TIdBytes& ABytes, int AIndex) {
  return BytesToValue<uint32_t>(ABytes, AIndex);
}
uint64_t BytesToUInt64(const TIdBytes& ABytes, int AIndex) {
  return BytesToValue<uint64_t>(ABytes, AIndex);
}

TIdIPv6Address BytesToIPv6(const TIdBytes& ABytes, int AIndex) {
  TIdIPv6Address a;
  std::memcpy(a.Words, FixedSource(ABytes, AIndex, sizeof a.Words), sizeof a.Words);
  return a;
}

std::u16string BytesToIPv4Text(const TIdBytes& ABytes, int AIndex) {
  const uint8_t* p = FixedSource(ABytes, AIndex, 4);
  return IntToStr(p[0]) + u"." + IntToStr(p[1]) + u"." + IntToStr(p[2]) + u"." + IntToStr(p[3]);
}

// --- Clock -------------------------------------------------------------------------------------

uint64_t MonotonicMilliseconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

uint64_t ElapsedMilliseconds(uint64_t AStart) {
  return MonotonicMilliseconds() - AStart;
}

TIdAppendFileStream::TIdAppendFileStream(const std::u16string& AFileName, uint32_t aRights)
    : TFileStream(AFileName, fmOpenReadWrite | fmShareDenyWrite | fmOpenOrCreate, aRights) {
  Seek(0, TSeekOrigin::soEnd);
}

TIdReadFileExclusiveStream::TIdReadFileExclusiveStream(const std::u16string& AFile)
    : TFileStream(AFile, fmOpenRead | fmShareDenyWrite) {}
