// The encoding classes of the connection layer: the range and argument rules shared by every
// form (TIdTextEncodingBase), the code-page converter over glibc iconv (TIdMBCSEncoding and its
// UTF-7 and UTF-8 forms, UTF-8 without iconv), UTF-16 in both byte orders, ASCII and 8-bit.
#include "net/ozkIdGlobal.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <iconv.h>

#include "base/ozkException.h"
#include "base/ozkFormat.h"
#include "net/ozkIdException.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

inline bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

[[noreturn]] void RaiseCharIndex(int AIndex) {
  throw EArgumentException(Format(u"Character index out of bounds (%d)", AIndex));
}
[[noreturn]] void RaiseCount(int64_t ACount) {
  throw EArgumentException(Format(u"Invalid count (%d)", ACount));
}
[[noreturn]] void RaiseDestIndex(int AIndex) {
  throw EArgumentException(Format(u"Invalid destination index (%d)", AIndex));
}
[[noreturn]] void RaiseDestArray() {
  throw EArgumentException(u"Invalid destination array");
}
[[noreturn]] void RaiseSourceArray() {
  throw EArgumentException(u"Invalid source array");
}

// Sizes of arrays and text as the int counts of the interface; larger ones cannot be described.
template <typename C> int Len(const C& AContainer) {
  if (AContainer.size() > static_cast<size_t>(INT_MAX))
    RaiseCount(static_cast<int64_t>(AContainer.size()));
  return static_cast<int>(AContainer.size());
}

void CheckCharArrayRange(int ALength, int ACharIndex, int ACharCount) {
  if (ACharIndex < 0 || ACharIndex >= ALength) RaiseCharIndex(ACharIndex);
  if (ACharCount < 0 || ACharCount > ALength - ACharIndex) RaiseCount(ACharCount);
}

// ACharIndex counts from 1.
void CheckTextRange(int ALength, int ACharIndex, int ACharCount) {
  if (ACharIndex < 1) RaiseCharIndex(ACharIndex);
  if (ACharCount < 0 || int64_t(ACharIndex) - 1 > int64_t(ALength) - ACharCount)
    RaiseCount(ACharCount);
}

void CheckByteArrayRange(int ALength, int AByteIndex, int AByteCount) {
  if (AByteIndex < 0 || AByteIndex >= ALength) RaiseDestIndex(AByteIndex);
  if (AByteCount < 0) RaiseCount(AByteCount);
  if (AByteCount > ALength - AByteIndex) RaiseDestArray();
}

void CheckSource(const void* ASource, int ACount) {
  if (!ASource && ACount != 0) RaiseSourceArray();
  if (ACount < 0) RaiseCount(ACount);
}

} // namespace

// --- TIdTextEncodingBase ----------------------------------------------------------------------

int TIdTextEncodingBase::GetByteCount(const TIdWideChars& AChars) const {
  return AChars.empty() ? 0 : GetByteCount(AChars.data(), Len(AChars));
}

int TIdTextEncodingBase::GetByteCount(const TIdWideChars& AChars, int ACharIndex,
                                      int ACharCount) const {
  CheckCharArrayRange(Len(AChars), ACharIndex, ACharCount);
  return ACharCount == 0 ? 0 : GetByteCount(AChars.data() + ACharIndex, ACharCount);
}

int TIdTextEncodingBase::GetByteCount(std::u16string_view AStr) const {
  return AStr.empty() ? 0 : GetByteCount(AStr.data(), Len(AStr));
}

int TIdTextEncodingBase::GetByteCount(std::u16string_view AStr, int ACharIndex,
                                      int ACharCount) const {
  CheckTextRange(Len(AStr), ACharIndex, ACharCount);
  return ACharCount == 0 ? 0 : GetByteCount(AStr.data() + ACharIndex - 1, ACharCount);
}

TIdBytes TIdTextEncodingBase::GetBytes(const TIdWideChars& AChars) const {
  return AChars.empty() ? TIdBytes() : GetBytes(AChars.data(), Len(AChars));
}

TIdBytes TIdTextEncodingBase::GetBytes(const TIdWideChars& AChars, int ACharIndex,
                                       int ACharCount) const {
  CheckCharArrayRange(Len(AChars), ACharIndex, ACharCount);
  return ACharCount == 0 ? TIdBytes() : GetBytes(AChars.data() + ACharIndex, ACharCount);
}

int TIdTextEncodingBase::GetBytes(const TIdWideChars& AChars, int ACharIndex, int ACharCount,
                                  TIdBytes& VBytes, int AByteIndex) const {
  CheckCharArrayRange(Len(AChars), ACharIndex, ACharCount);
  return GetBytes(AChars.data() + ACharIndex, ACharCount, VBytes, AByteIndex);
}

TIdBytes TIdTextEncodingBase::GetBytes(const char16_t* AChars, int ACharCount) const {
  CheckSource(AChars, ACharCount);
  const int n = ACharCount == 0 ? 0 : GetByteCount(AChars, ACharCount);
  if (n < 1) return {};
  TIdBytes result(static_cast<size_t>(n));
  const int written = GetBytes(AChars, ACharCount, result.data(), n);
  result.resize(static_cast<size_t>(written < 0 ? 0 : written));
  return result;
}

int TIdTextEncodingBase::GetBytes(const char16_t* AChars, int ACharCount, TIdBytes& VBytes,
                                  int AByteIndex) const {
  if (!AChars && ACharCount != 0) RaiseSourceArray();
  if (VBytes.empty() && ACharCount != 0) RaiseDestArray();
  if (ACharCount < 0) RaiseCount(ACharCount);
  const int len = Len(VBytes);
  if (AByteIndex < 0 || AByteIndex >= len) RaiseDestIndex(AByteIndex);
  const int room = len - AByteIndex;
  if (ACharCount == 0) return 0;
  if (GetByteCount(AChars, ACharCount) > room) RaiseDestArray();
  return GetBytes(AChars, ACharCount, VBytes.data() + AByteIndex, room);
}

TIdBytes TIdTextEncodingBase::GetBytes(std::u16string_view AStr) const {
  return AStr.empty() ? TIdBytes() : GetBytes(AStr.data(), Len(AStr));
}

TIdBytes TIdTextEncodingBase::GetBytes(std::u16string_view AStr, int ACharIndex,
                                       int ACharCount) const {
  CheckTextRange(Len(AStr), ACharIndex, ACharCount);
  return ACharCount == 0 ? TIdBytes() : GetBytes(AStr.data() + ACharIndex - 1, ACharCount);
}

int TIdTextEncodingBase::GetBytes(std::u16string_view AStr, int ACharIndex, int ACharCount,
                                  TIdBytes& VBytes, int AByteIndex) const {
  CheckTextRange(Len(AStr), ACharIndex, ACharCount);
  // An empty view may have no data pointer; a zero count needs none.
  const char16_t* src = AStr.empty() ? u"" : AStr.data() + ACharIndex - 1;
  return GetBytes(src, ACharCount, VBytes, AByteIndex);
}

int TIdTextEncodingBase::GetCharCount(const TIdBytes& ABytes) const {
  return ABytes.empty() ? 0 : GetCharCount(ABytes.data(), Len(ABytes));
}

int TIdTextEncodingBase::GetCharCount(const TIdBytes& ABytes, int AByteIndex,
                                      int AByteCount) const {
  CheckByteArrayRange(Len(ABytes), AByteIndex, AByteCount);
  return AByteCount == 0 ? 0 : GetCharCount(ABytes.data() + AByteIndex, AByteCount);
}

TIdWideChars TIdTextEncodingBase::GetChars(const TIdBytes& ABytes) const {
  return ABytes.empty() ? TIdWideChars() : GetChars(ABytes.data(), Len(ABytes));
}

TIdWideChars TIdTextEncodingBase::GetChars(const TIdBytes& ABytes, int AByteIndex,
                                           int AByteCount) const {
  CheckByteArrayRange(Len(ABytes), AByteIndex, AByteCount);
  return AByteCount == 0 ? TIdWideChars() : GetChars(ABytes.data() + AByteIndex, AByteCount);
}

int TIdTextEncodingBase::GetChars(const TIdBytes& ABytes, int AByteIndex, int AByteCount,
                                  TIdWideChars& VChars, int ACharIndex) const {
  CheckByteArrayRange(Len(ABytes), AByteIndex, AByteCount);
  return GetChars(ABytes.data() + AByteIndex, AByteCount, VChars, ACharIndex);
}

TIdWideChars TIdTextEncodingBase::GetChars(const uint8_t* ABytes, int AByteCount) const {
  CheckSource(ABytes, AByteCount);
  const int n = AByteCount == 0 ? 0 : GetCharCount(ABytes, AByteCount);
  if (n < 1) return {};
  TIdWideChars result(static_cast<size_t>(n));
  const int written = GetChars(ABytes, AByteCount, result.data(), n);
  result.resize(static_cast<size_t>(written < 0 ? 0 : written));
  return result;
}

int TIdTextEncodingBase::GetChars(const uint8_t* ABytes, int AByteCount, TIdWideChars& VChars,
                                  int ACharIndex) const {
  CheckSource(ABytes, AByteCount);
  const int len = Len(VChars);
  if (ACharIndex < 0 || ACharIndex > len) RaiseDestIndex(ACharIndex);
  const int n = AByteCount == 0 ? 0 : GetCharCount(ABytes, AByteCount);
  if (n < 1) return 0;
  if (n > len - ACharIndex) RaiseDestArray();
  return GetChars(ABytes, AByteCount, VChars.data() + ACharIndex, n);
}

std::u16string TIdTextEncodingBase::GetString(const TIdBytes& ABytes) const {
  return ABytes.empty() ? std::u16string() : GetString(ABytes.data(), Len(ABytes));
}

std::u16string TIdTextEncodingBase::GetString(const TIdBytes& ABytes, int AByteIndex,
                                              int AByteCount) const {
  CheckByteArrayRange(Len(ABytes), AByteIndex, AByteCount);
  return AByteCount == 0 ? std::u16string() : GetString(ABytes.data() + AByteIndex, AByteCount);
}

std::u16string TIdTextEncodingBase::GetString(const uint8_t* ABytes, int AByteCount) const {
  CheckSource(ABytes, AByteCount);
  const int n = AByteCount == 0 ? 0 : GetCharCount(ABytes, AByteCount);
  if (n < 1) return {};
  std::u16string result(static_cast<size_t>(n), u'\0');
  const int written = GetChars(ABytes, AByteCount, result.data(), n);
  result.resize(static_cast<size_t>(written < 0 ? 0 : written));
  return result;
}

// --- UTF-8 without iconv ------------------------------------------------------------------------

namespace {

// Unpaired surrogates encode as U+FFFD (EF BF BD), as the platform converters do.
size_t UTF8ByteCount(const char16_t* s, size_t n) {
  size_t r = 0;
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = s[i];
    if (c < 0x80) {
      r += 1;
    } else if (c < 0x800) {
      r += 2;
    } else if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(s[i + 1])) {
      r += 4;
      ++i;
    } else {
      r += 3;
    }
  }
  return r;
}

// Stops before the first character that does not fit; returns the bytes written.
size_t UTF8Encode(const char16_t* s, size_t n, uint8_t* d, size_t cap) {
  size_t k = 0;
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = s[i];
    if (c < 0x80) {
      if (k + 1 > cap) break;
      d[k++] = static_cast<uint8_t>(c);
    } else if (c < 0x800) {
      if (k + 2 > cap) break;
      d[k++] = static_cast<uint8_t>(0xC0 | (c >> 6));
      d[k++] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    } else if (IsHighSurrogate(static_cast<char16_t>(c)) && i + 1 < n && IsLowSurrogate(s[i + 1])) {
      if (k + 4 > cap) break;
      const uint32_t cp = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00u);
      ++i;
      d[k++] = static_cast<uint8_t>(0xF0 | (cp >> 18));
      d[k++] = static_cast<uint8_t>(0x80 | ((cp >> 12) & 0x3F));
      d[k++] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
      d[k++] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
    } else {
      if (k + 3 > cap) break;
      if (c >= 0xD800 && c <= 0xDFFF) c = kReplacement;
      d[k++] = static_cast<uint8_t>(0xE0 | (c >> 12));
      d[k++] = static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F));
      d[k++] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    }
  }
  return k;
}

inline bool IsCont(uint8_t b) {
  return (b & 0xC0) == 0x80;
}

// Decodes UTF-8 with one U+FFFD per maximal ill-formed subpart (the Unicode standard's
// recommendation, the same as UTF8ToUTF16 of the base runtime). Counts only when kWrite is
// false; otherwise writes at most cap units and stops before a character that does not fit.
template <bool kWrite> size_t UTF8Decode(const uint8_t* s, size_t n, char16_t* d, size_t cap) {
  size_t i = 0, k = 0;
  while (i < n) {
    // ASCII runs, eight bytes at a time.
    while (i + 8 <= n && (!kWrite || k + 8 <= cap)) {
      uint64_t w;
      std::memcpy(&w, s + i, 8);
      if (w & 0x8080808080808080ULL) break;
      if constexpr (kWrite) {
        for (int j = 0; j < 8; ++j) d[k + j] = s[i + j];
      }
      k += 8;
      i += 8;
    }
    if (i >= n) break;
    const uint8_t b0 = s[i];
    uint32_t cp = kReplacement;
    size_t used = 1;
    if (b0 < 0x80) {
      cp = b0;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      if (i + 1 < n && IsCont(s[i + 1])) {
        cp = ((b0 & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
        used = 2;
      }
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      const uint8_t lo = b0 == 0xE0 ? 0xA0 : 0x80, hi = b0 == 0xED ? 0x9F : 0xBF;
      if (i + 1 < n && s[i + 1] >= lo && s[i + 1] <= hi) {
        used = 2;
        if (i + 2 < n && IsCont(s[i + 2])) {
          cp = ((b0 & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
          used = 3;
        }
      }
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      const uint8_t lo = b0 == 0xF0 ? 0x90 : 0x80, hi = b0 == 0xF4 ? 0x8F : 0xBF;
      if (i + 1 < n && s[i + 1] >= lo && s[i + 1] <= hi) {
        used = 2;
        if (i + 2 < n && IsCont(s[i + 2])) {
          used = 3;
          if (i + 3 < n && IsCont(s[i + 3])) {
            cp = ((b0 & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) |
                 (s[i + 3] & 0x3Fu);
            used = 4;
          }
        }
      }
    }
    const size_t units = cp >= 0x10000 ? 2 : 1;
    if constexpr (kWrite) {
      if (k + units > cap) break;
      if (units == 2) {
        d[k] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        d[k + 1] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        d[k] = static_cast<char16_t>(cp);
      }
    }
    k += units;
    i += used;
  }
  return k;
}

// --- iconv ----------------------------------------------------------------------------------

// Windows code pages and the iconv names that serve them (tried in order), with the most bytes
// one UTF-16 unit can take. Code pages the converter lacks (720, the Mac code pages other than
// Roman, Cyrillic, Ukrainian, Central European and Icelandic, 20000-20005, 20105, 20833, 20838,
// 20924, 29001, 52936, the ISCII pages 57002-57011) are not listed and so are unknown.
struct TCodePageInfo {
  uint16_t CodePage;
  uint8_t MaxCharSize;
  const char* Names[3];
};

constexpr TCodePageInfo kCodePages[] = {
    {37, 1, {"IBM037", "CP037"}},
    {437, 1, {"IBM437", "CP437"}},
    {500, 1, {"IBM500", "CP500"}},
    {708, 1, {"ASMO-708", "ISO-8859-6"}},
    {737, 1, {"CP737"}},
    {775, 1, {"IBM775", "CP775"}},
    {850, 1, {"IBM850", "CP850"}},
    {852, 1, {"IBM852", "CP852"}},
    {855, 1, {"IBM855", "CP855"}},
    {857, 1, {"IBM857", "CP857"}},
    {858, 1, {"IBM858", "CP858"}},
    {860, 1, {"IBM860", "CP860"}},
    {861, 1, {"IBM861", "CP861"}},
    {862, 1, {"IBM862", "CP862"}},
    {863, 1, {"IBM863", "CP863"}},
    {864, 1, {"IBM864", "CP864"}},
    {865, 1, {"IBM865", "CP865"}},
    {866, 1, {"IBM866", "CP866"}},
    {869, 1, {"IBM869", "CP869"}},
    {870, 1, {"IBM870", "CP870"}},
    {874, 1, {"CP874", "WINDOWS-874", "TIS-620"}},
    {875, 1, {"IBM875", "CP875"}},
    {932, 2, {"CP932", "WINDOWS-31J", "SHIFT_JIS"}},
    {936, 2, {"CP936", "GBK"}},
    {949, 2, {"CP949", "UHC"}},
    {950, 2, {"CP950", "BIG5"}},
    {1026, 1, {"IBM1026", "CP1026"}},
    {1047, 1, {"IBM1047", "IBM-1047"}},
    {1140, 1, {"IBM1140", "CP1140"}},
    {1141, 1, {"IBM1141", "CP1141"}},
    {1142, 1, {"IBM1142", "CP1142"}},
    {1143, 1, {"IBM1143", "CP1143"}},
    {1144, 1, {"IBM1144", "CP1144"}},
    {1145, 1, {"IBM1145", "CP1145"}},
    {1146, 1, {"IBM1146", "CP1146"}},
    {1147, 1, {"IBM1147", "CP1147"}},
    {1148, 1, {"IBM1148", "CP1148"}},
    {1149, 1, {"IBM1149", "CP1149"}},
    {1200, 4, {"UTF-16LE"}},
    {1201, 4, {"UTF-16BE"}},
    {1250, 1, {"CP1250", "WINDOWS-1250"}},
    {1251, 1, {"CP1251", "WINDOWS-1251"}},
    {1252, 1, {"CP1252", "WINDOWS-1252"}},
    {1253, 1, {"CP1253", "WINDOWS-1253"}},
    {1254, 1, {"CP1254", "WINDOWS-1254"}},
    {1255, 1, {"CP1255", "WINDOWS-1255"}},
    {1256, 1, {"CP1256", "WINDOWS-1256"}},
    {1257, 1, {"CP1257", "WINDOWS-1257"}},
    {1258, 1, {"CP1258", "WINDOWS-1258"}},
    {1361, 2, {"CP1361", "JOHAB"}},
    {10000, 1, {"MACINTOSH", "MAC"}},
    {10007, 1, {"CP10007", "MS-MAC-CYRILLIC", "MAC-CYRILLIC"}},
    {10017, 1, {"MACUKRAINIAN", "MAC-UK"}},
    {10029, 1, {"MAC-CENTRALEUROPE"}},
    {10079, 1, {"MAC-IS", "MACIS"}},
    {12000, 4, {"UTF-32LE"}},
    {12001, 4, {"UTF-32BE"}},
    {20106, 1, {"DIN_66003", "ISO646-DE"}},
    {20107, 1, {"SEN_850200_B", "ISO646-SE"}},
    {20108, 1, {"NS_4551-1", "ISO646-NO"}},
    {20127, 1, {"ANSI_X3.4-1968", "ASCII", "US-ASCII"}},
    // Teletex and ISO 6937 write accented letters as a non-spacing accent byte plus the letter.
    {20261, 2, {"T.61-8BIT", "T.61"}},
    {20269, 2, {"ISO6937", "ISO_6937"}},
    {20273, 1, {"IBM273", "CP273"}},
    {20277, 1, {"IBM277", "CP277"}},
    {20278, 1, {"IBM278", "CP278"}},
    {20280, 1, {"IBM280", "CP280"}},
    {20284, 1, {"IBM284", "CP284"}},
    {20285, 1, {"IBM285", "CP285"}},
    {20290, 1, {"IBM290", "CP290"}},
    {20297, 1, {"IBM297", "CP297"}},
    {20420, 1, {"IBM420", "CP420"}},
    {20423, 1, {"IBM423", "CP423"}},
    {20424, 1, {"IBM424", "CP424"}},
    {20866, 1, {"KOI8-R"}},
    {20871, 1, {"IBM871", "CP871"}},
    {20880, 1, {"IBM880", "CP880"}},
    {20905, 1, {"IBM905", "CP905"}},
    {20932, 3, {"EUC-JP"}},
    {20936, 2, {"GB2312", "EUC-CN"}},
    {20949, 2, {"EUC-KR"}},
    {21025, 1, {"IBM1025", "CP1025"}},
    {21866, 1, {"KOI8-U"}},
    {28591, 1, {"ISO-8859-1"}},
    {28592, 1, {"ISO-8859-2"}},
    {28593, 1, {"ISO-8859-3"}},
    {28594, 1, {"ISO-8859-4"}},
    {28595, 1, {"ISO-8859-5"}},
    {28596, 1, {"ISO-8859-6"}},
    {28597, 1, {"ISO-8859-7"}},
    {28598, 1, {"ISO-8859-8"}},
    {28599, 1, {"ISO-8859-9"}},
    {28600, 1, {"ISO-8859-10"}},
    {28603, 1, {"ISO-8859-13"}},
    {28604, 1, {"ISO-8859-14"}},
    {28605, 1, {"ISO-8859-15"}},
    {28606, 1, {"ISO-8859-16"}},
    {38598, 1, {"ISO-8859-8"}},
    // Stateful: a character may need an escape sequence before it (ESC $ B plus two bytes),
    // and the Chinese form may also change the designation of the shifted set.
    {50220, 5, {"ISO-2022-JP"}},
    {50221, 5, {"ISO-2022-JP"}},
    {50222, 5, {"ISO-2022-JP"}},
    {50225, 5, {"ISO-2022-KR"}},
    {50227, 8, {"ISO-2022-CN"}},
    {50229, 8, {"ISO-2022-CN-EXT", "ISO-2022-CN"}},
    {51932, 3, {"EUC-JP-MS", "EUC-JP"}},
    {51936, 2, {"GB2312", "EUC-CN"}},
    {51949, 2, {"EUC-KR"}},
    {51950, 4, {"EUC-TW"}},
    {54936, 4, {"GB18030"}},
    {65000, 5, {"UTF-7"}},
};

constexpr uint16_t kDefaultCodePage = 1252; // what code page 0 stands for
constexpr uint16_t kUTF8CodePage = 65001;

const TCodePageInfo* FindCodePage(uint16_t ACodePage) {
  for (const auto& info : kCodePages)
    if (info.CodePage == ACodePage) return &info;
  return nullptr;
}

// UTF-16 in host byte order, the form of char16_t in memory.
const char* const kHostUTF16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// iconv_open's failure value is the handle (iconv_t)-1: the cast is its API, and the handle itself
// (an opaque pointer type) is what is constant.
// NOLINTNEXTLINE(misc-misplaced-const,performance-no-int-to-ptr): iconv's own failure value
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// iconv descriptors carry conversion state, so one must never be used by two threads at once.
// Each thread keeps the few it used last; a conversion takes one, resets it and uses it alone
// (nothing inside a conversion converts again, so there is no re-entry).
class TConverterCache {
 public:
  ~TConverterCache() {
    for (auto& e : FEntries) ::iconv_close(e.Cd);
  }

  // The descriptor for AName in one direction, reset to its initial state; kNoConverter when
  // iconv does not know the name. Valid until the next call on this thread.
  iconv_t Acquire(const char* AName, bool AToUnicode) {
    ++FTick;
    for (auto& e : FEntries) {
      if (e.ToUnicode == AToUnicode && std::strcmp(e.Name, AName) == 0) {
        e.LastUse = FTick;
        ::iconv(e.Cd, nullptr, nullptr, nullptr, nullptr);
        return e.Cd;
      }
    }
    iconv_t cd = AToUnicode ? ::iconv_open(kHostUTF16, AName) : ::iconv_open(AName, kHostUTF16);
    if (cd == kNoConverter) return kNoConverter;
    if (FEntries.size() >= kCapacity) {
      size_t oldest = 0;
      for (size_t i = 1; i < FEntries.size(); ++i)
        if (FEntries[i].LastUse < FEntries[oldest].LastUse) oldest = i;
      ::iconv_close(FEntries[oldest].Cd);
      FEntries.erase(FEntries.begin() + static_cast<std::ptrdiff_t>(oldest));
    }
    FEntries.push_back({AName, AToUnicode, cd, FTick});
    return cd;
  }

 private:
  static constexpr size_t kCapacity = 8;
  struct TEntry {
    const char* Name;
    bool ToUnicode;
    iconv_t Cd;
    uint64_t LastUse;
  };
  std::vector<TEntry> FEntries;
  uint64_t FTick = 0;
};

TConverterCache& ThreadConverters() {
  thread_local TConverterCache cache;
  return cache;
}

// The output side of one conversion: either a destination of fixed room (writing) or a scratch
// buffer that is emptied after every call (counting).
class TIconvOutput {
 public:
  TIconvOutput(uint8_t* ADest, size_t ARoom)
      : FCounting(ADest == nullptr), FPtr(FCounting ? FScratch : reinterpret_cast<char*>(ADest)),
        FLeft(FCounting ? sizeof FScratch : ARoom) {}

  size_t Total() const { return FTotal; }

  // Converts from *AIn (all of it, or up to a bad sequence); AIn null flushes the shift state.
  // Returns 0 when done, E2BIG when the destination is full, EILSEQ or EINVAL at a bad
  // sequence, with *AIn pointing at it.
  int Run(iconv_t ACd, char** AIn, size_t* AInLeft) {
    for (;;) {
      char* out = FPtr;
      size_t left = FLeft;
      const size_t r = ::iconv(ACd, AIn, AInLeft, &out, &left);
      const int err = r == static_cast<size_t>(-1) ? errno : 0;
      const size_t produced = static_cast<size_t>(out - FPtr);
      FTotal += produced;
      if (FCounting) {
        FPtr = FScratch;
        FLeft = sizeof FScratch;
        if (err == E2BIG && produced > 0) continue;
      } else {
        FPtr = out;
        FLeft = left;
      }
      return err;
    }
  }

  // Appends U+FFFD in host order; false when the destination has no room for it.
  bool PutReplacement() {
    if (FLeft < sizeof(char16_t)) return false;
    const char16_t r = kReplacement;
    std::memcpy(FPtr, &r, sizeof r);
    FTotal += sizeof r;
    if (!FCounting) {
      FPtr += sizeof r;
      FLeft -= sizeof r;
    }
    return true;
  }

 private:
  bool FCounting;
  char FScratch[1024];
  char* FPtr;
  size_t FLeft;
  size_t FTotal = 0;
};

// UTF-16 to the code page. Unmappable characters (and unpaired surrogates) become "?" sent
// through the same converter, so the substitute is right for EBCDIC and keeps the shift state
// of stateful code pages. Returns the bytes produced; writing stops at the last whole character
// that fits.
size_t EncodeWithIconv(iconv_t ACd, const char16_t* AChars, size_t ACount, uint8_t* ADest,
                       size_t ARoom) {
  TIconvOutput out(ADest, ARoom);
  char* in = reinterpret_cast<char*>(const_cast<char16_t*>(AChars));
  size_t inLeft = ACount * sizeof(char16_t);
  while (inLeft > 0) {
    const int err = out.Run(ACd, &in, &inLeft);
    if (err == 0) break;
    if (err != EILSEQ && err != EINVAL) return out.Total();
    const size_t at = ACount - inLeft / sizeof(char16_t);
    size_t skip = 1;
    if (IsHighSurrogate(AChars[at]) && at + 1 < ACount && IsLowSurrogate(AChars[at + 1])) skip = 2;
    char16_t question = u'?';
    char* q = reinterpret_cast<char*>(&question);
    size_t qLeft = sizeof question;
    if (out.Run(ACd, &q, &qLeft) == E2BIG) return out.Total();
    in += skip * sizeof(char16_t);
    inLeft -= skip * sizeof(char16_t);
  }
  out.Run(ACd, nullptr, nullptr); // back to the initial shift state
  return out.Total();
}

// The code page to UTF-16. An invalid byte gives U+FFFD and decoding goes on with the next
// byte; a sequence cut short by the end of the input gives one U+FFFD. Returns the units
// produced; writing stops at the last whole character that fits.
size_t DecodeWithIconv(iconv_t ACd, const uint8_t* ABytes, size_t ACount, char16_t* ADest,
                       size_t ARoom) {
  TIconvOutput out(reinterpret_cast<uint8_t*>(ADest), ARoom * sizeof(char16_t));
  char* in = reinterpret_cast<char*>(const_cast<uint8_t*>(ABytes));
  size_t inLeft = ACount;
  while (inLeft > 0) {
    const int err = out.Run(ACd, &in, &inLeft);
    if (err == 0) break;
    if (err != EILSEQ && err != EINVAL) break;
    if (!out.PutReplacement()) break;
    if (err == EINVAL) break;
    ++in;
    --inLeft;
  }
  return out.Total() / sizeof(char16_t);
}

iconv_t AcquireConverter(const char* AName, bool AToUnicode) {
  iconv_t cd = ThreadConverters().Acquire(AName, AToUnicode);
  // The name was opened in both directions when the encoding was made, so this only fails
  // when the process runs out of memory or descriptors.
  if (cd == kNoConverter) throw EIdException(Format(u"Cannot open the converter for %s", AName));
  return cd;
}

// The first name of the code page that iconv can open both ways, or null.
const char* ResolveConverterName(const TCodePageInfo& AInfo) {
  for (const char* name : AInfo.Names) {
    if (!name) break;
    if (ThreadConverters().Acquire(name, false) != kNoConverter &&
        ThreadConverters().Acquire(name, true) != kNoConverter) {
      return name;
    }
  }
  return nullptr;
}

int ClampToInt(size_t AValue) {
  return AValue > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(AValue);
}

// The upper bounds saturate instead of overflowing for counts near the int limit.
int Saturate(int64_t AValue) {
  return AValue > INT_MAX ? INT_MAX : AValue < INT_MIN ? INT_MIN : static_cast<int>(AValue);
}

} // namespace

// --- TIdMBCSEncoding ----------------------------------------------------------------------------

TIdMBCSEncoding::TIdMBCSEncoding() : TIdMBCSEncoding(0, 0, 0) {}

TIdMBCSEncoding::TIdMBCSEncoding(uint16_t ACodePage) : TIdMBCSEncoding(ACodePage, 0, 0) {}

TIdMBCSEncoding::TIdMBCSEncoding(uint16_t ACodePage, uint32_t AMBToWCharFlags,
                                 uint32_t AWCharToMBFlags)
    : FMBToWCharFlags(AMBToWCharFlags), FWCharToMBFlags(AWCharToMBFlags) {
  const uint16_t wanted = ACodePage == 0 ? kDefaultCodePage : ACodePage;
  uint16_t candidates[3] = {wanted, 0, 0};
  if (wanted == 20127) {
    candidates[1] = 1252;
    candidates[2] = 437;
  }
  for (uint16_t cp : candidates) {
    if (cp == 0) break;
    if (cp == kUTF8CodePage) {
      FCodePage = cp;
      FMaxCharSize = 4;
      FConverterName = nullptr;
      break;
    }
    const TCodePageInfo* info = FindCodePage(cp);
    if (!info) continue;
    const char* name = ResolveConverterName(*info);
    if (!name) continue;
    FCodePage = cp;
    FMaxCharSize = info->MaxCharSize;
    FConverterName = name;
    break;
  }
  if (FCodePage == 0) throw EIdException(Format(u"Invalid codepage (%d)", ACodePage));
  FIsSingleByte = FMaxCharSize == 1;
}

int TIdMBCSEncoding::GetByteCount(const char16_t* AChars, int ACharCount) const {
  if (!AChars || ACharCount <= 0) return 0;
  const size_t n = static_cast<size_t>(ACharCount);
  if (!FConverterName) return ClampToInt(UTF8ByteCount(AChars, n));
  return ClampToInt(
      EncodeWithIconv(AcquireConverter(FConverterName, false), AChars, n, nullptr, 0));
}

int TIdMBCSEncoding::GetBytes(const char16_t* AChars, int ACharCount, uint8_t* ABytes,
                              int AByteCount) const {
  if (!AChars || ACharCount <= 0 || !ABytes || AByteCount <= 0) return 0;
  const size_t n = static_cast<size_t>(ACharCount), room = static_cast<size_t>(AByteCount);
  if (!FConverterName) return static_cast<int>(UTF8Encode(AChars, n, ABytes, room));
  return static_cast<int>(
      EncodeWithIconv(AcquireConverter(FConverterName, false), AChars, n, ABytes, room));
}

int TIdMBCSEncoding::GetCharCount(const uint8_t* ABytes, int AByteCount) const {
  if (!ABytes || AByteCount <= 0) return 0;
  const size_t n = static_cast<size_t>(AByteCount);
  if (!FConverterName) return ClampToInt(UTF8Decode<false>(ABytes, n, nullptr, 0));
  return ClampToInt(DecodeWithIconv(AcquireConverter(FConverterName, true), ABytes, n, nullptr, 0));
}

int TIdMBCSEncoding::GetChars(const uint8_t* ABytes, int AByteCount, char16_t* AChars,
                              int ACharCount) const {
  if (!ABytes || AByteCount <= 0 || !AChars || ACharCount <= 0) return 0;
  const size_t n = static_cast<size_t>(AByteCount), room = static_cast<size_t>(ACharCount);
  if (!FConverterName) return static_cast<int>(UTF8Decode<true>(ABytes, n, AChars, room));
  return static_cast<int>(
      DecodeWithIconv(AcquireConverter(FConverterName, true), ABytes, n, AChars, room));
}

int TIdMBCSEncoding::GetMaxByteCount(int ACharCount) const {
  return Saturate((int64_t(ACharCount) + 1) * FMaxCharSize);
}

int TIdMBCSEncoding::GetMaxCharCount(int AByteCount) const {
  return AByteCount;
}

TIdBytes TIdMBCSEncoding::GetPreamble() const {
  switch (FCodePage) {
  case 1200:
    return {0xFF, 0xFE};
  case 1201:
    return {0xFE, 0xFF};
  case 12000:
    return {0xFF, 0xFE, 0x00, 0x00};
  case 12001:
    return {0x00, 0x00, 0xFE, 0xFF};
  case 65001:
    return {0xEF, 0xBB, 0xBF};
  default:
    return {};
  }
}

std::u16string TIdMBCSEncoding::GetString(const uint8_t* ABytes, int AByteCount) const {
  if (FConverterName) return TIdTextEncodingBase::GetString(ABytes, AByteCount);
  CheckSource(ABytes, AByteCount);
  if (AByteCount == 0) return {};
  // UTF-8 never gives more units than bytes, so one pass into a buffer of that size suffices.
  const size_t n = static_cast<size_t>(AByteCount);
  std::u16string result(n, u'\0');
  result.resize(UTF8Decode<true>(ABytes, n, result.data(), n));
  return result;
}

TIdUTF7Encoding::TIdUTF7Encoding() : TIdMBCSEncoding(65000) {}
int TIdUTF7Encoding::GetMaxByteCount(int ACharCount) const {
  return Saturate(3 * int64_t(ACharCount) + 2);
}
int TIdUTF7Encoding::GetMaxCharCount(int AByteCount) const {
  return AByteCount;
}

TIdUTF8Encoding::TIdUTF8Encoding() : TIdMBCSEncoding(kUTF8CodePage) {}
int TIdUTF8Encoding::GetMaxByteCount(int ACharCount) const {
  return Saturate(3 * int64_t(ACharCount) + 3);
}
int TIdUTF8Encoding::GetMaxCharCount(int AByteCount) const {
  return Saturate(int64_t(AByteCount) + 1);
}
TIdBytes TIdUTF8Encoding::GetPreamble() const {
  return {0xEF, 0xBB, 0xBF};
}

// --- UTF-16 -------------------------------------------------------------------------------------

TIdUTF16LittleEndianEncoding::TIdUTF16LittleEndianEncoding() {
  FIsSingleByte = false;
  FMaxCharSize = 4;
}

int TIdUTF16LittleEndianEncoding::GetByteCount(const char16_t* AChars, int ACharCount) const {
  if (!AChars || ACharCount <= 0) return 0;
  return ACharCount > INT_MAX / 2 ? INT_MAX : ACharCount * 2;
}

int TIdUTF16LittleEndianEncoding::GetBytes(const char16_t* AChars, int ACharCount, uint8_t* ABytes,
                                           int AByteCount) const {
  if (!AChars || ACharCount <= 0 || !ABytes || AByteCount <= 0) return 0;
  const int n = std::min(ACharCount, AByteCount / 2);
  for (ptrdiff_t i = 0; i < n; ++i) {
    ABytes[2 * i] = static_cast<uint8_t>(AChars[i] & 0xFF);
    ABytes[2 * i + 1] = static_cast<uint8_t>(AChars[i] >> 8);
  }
  return n * 2;
}

int TIdUTF16LittleEndianEncoding::GetCharCount(const uint8_t* ABytes, int AByteCount) const {
  if (!ABytes || AByteCount <= 0) return 0;
  return AByteCount / 2;
}

int TIdUTF16LittleEndianEncoding::GetChars(const uint8_t* ABytes, int AByteCount, char16_t* AChars,
                                           int ACharCount) const {
  if (!ABytes || AByteCount <= 0 || !AChars || ACharCount <= 0) return 0;
  const int n = std::min(AByteCount / 2, ACharCount);
  for (ptrdiff_t i = 0; i < n; ++i)
    AChars[i] = static_cast<char16_t>(ABytes[2 * i] | (ABytes[2 * i + 1] << 8));
  return n;
}

int TIdUTF16LittleEndianEncoding::GetMaxByteCount(int ACharCount) const {
  return Saturate(2 * int64_t(ACharCount) + 2);
}

int TIdUTF16LittleEndianEncoding::GetMaxCharCount(int AByteCount) const {
  return AByteCount / 2 + AByteCount % 2 + 1;
}

TIdBytes TIdUTF16LittleEndianEncoding::GetPreamble() const {
  return {0xFF, 0xFE};
}

TIdUTF16BigEndianEncoding::TIdUTF16BigEndianEncoding() = default;

int TIdUTF16BigEndianEncoding::GetBytes(const char16_t* AChars, int ACharCount, uint8_t* ABytes,
                                        int AByteCount) const {
  if (!AChars || ACharCount <= 0 || !ABytes || AByteCount <= 0) return 0;
  const int n = std::min(ACharCount, AByteCount / 2);
  for (ptrdiff_t i = 0; i < n; ++i) {
    ABytes[2 * i] = static_cast<uint8_t>(AChars[i] >> 8);
    ABytes[2 * i + 1] = static_cast<uint8_t>(AChars[i] & 0xFF);
  }
  return n * 2;
}

int TIdUTF16BigEndianEncoding::GetChars(const uint8_t* ABytes, int AByteCount, char16_t* AChars,
                                        int ACharCount) const {
  if (!ABytes || AByteCount <= 0 || !AChars || ACharCount <= 0) return 0;
  const int n = std::min(AByteCount / 2, ACharCount);
  for (ptrdiff_t i = 0; i < n; ++i)
    AChars[i] = static_cast<char16_t>((ABytes[2 * i] << 8) | ABytes[2 * i + 1]);
  return n;
}

TIdBytes TIdUTF16BigEndianEncoding::GetPreamble() const {
  return {0xFE, 0xFF};
}

// --- ASCII and 8-bit ----------------------------------------------------------------------------

TIdASCIIEncoding::TIdASCIIEncoding() {
  FIsSingleByte = true;
  FMaxCharSize = 1;
}

int TIdASCIIEncoding::GetByteCount(const char16_t* AChars, int ACharCount) const {
  return (!AChars || ACharCount <= 0) ? 0 : ACharCount;
}

int TIdASCIIEncoding::GetBytes(const char16_t* AChars, int ACharCount, uint8_t* ABytes,
                               int AByteCount) const {
  if (!AChars || ACharCount <= 0 || !ABytes || AByteCount <= 0) return 0;
  const int n = std::min(ACharCount, AByteCount);
  for (int i = 0; i < n; ++i)
    ABytes[i] = AChars[i] < 0x80 ? static_cast<uint8_t>(AChars[i]) : uint8_t('?');
  return n;
}

int TIdASCIIEncoding::GetCharCount(const uint8_t* ABytes, int AByteCount) const {
  return (!ABytes || AByteCount <= 0) ? 0 : AByteCount;
}

int TIdASCIIEncoding::GetChars(const uint8_t* ABytes, int AByteCount, char16_t* AChars,
                               int ACharCount) const {
  if (!ABytes || AByteCount <= 0 || !AChars || ACharCount <= 0) return 0;
  const int n = std::min(AByteCount, ACharCount);
  for (int i = 0; i < n; ++i) AChars[i] = ABytes[i] < 0x80 ? char16_t(ABytes[i]) : kReplacement;
  return n;
}

int TIdASCIIEncoding::GetMaxByteCount(int ACharCount) const {
  return ACharCount;
}
int TIdASCIIEncoding::GetMaxCharCount(int AByteCount) const {
  return AByteCount;
}

TId8BitEncoding::TId8BitEncoding() {
  FIsSingleByte = true;
  FMaxCharSize = 1;
}

int TId8BitEncoding::GetByteCount(const char16_t* AChars, int ACharCount) const {
  return (!AChars || ACharCount <= 0) ? 0 : ACharCount;
}

int TId8BitEncoding::GetBytes(const char16_t* AChars, int ACharCount, uint8_t* ABytes,
                              int AByteCount) const {
  if (!AChars || ACharCount <= 0 || !ABytes || AByteCount <= 0) return 0;
  const int n = std::min(ACharCount, AByteCount);
  for (int i = 0; i < n; ++i)
    ABytes[i] = AChars[i] < 0x100 ? static_cast<uint8_t>(AChars[i]) : uint8_t('?');
  return n;
}

int TId8BitEncoding::GetCharCount(const uint8_t* ABytes, int AByteCount) const {
  return (!ABytes || AByteCount <= 0) ? 0 : AByteCount;
}

int TId8BitEncoding::GetChars(const uint8_t* ABytes, int AByteCount, char16_t* AChars,
                              int ACharCount) const {
  if (!ABytes || AByteCount <= 0 || !AChars || ACharCount <= 0) return 0;
  const int n = std::min(AByteCount, ACharCount);
  for (int i = 0; i < n; ++i) AChars[i] = ABytes[i];
  return n;
}

int TId8BitEncoding::GetMaxByteCount(int ACharCount) const {
  return ACharCount;
}
int TId8BitEncoding::GetMaxCharCount(int AByteCount) const {
  return AByteCount;
}
