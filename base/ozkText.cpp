#include "base/ozkText.h"

#include <cstring>
#include <limits>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

inline bool IsCont(uint8_t b) {
  return (b & 0xC0) == 0x80;
}

} // namespace

std::u16string UTF8ToUTF16(const uint8_t* s, size_t n) {
  std::u16string out;
  out.resize(n); // never more units than bytes
  char16_t* d = out.data();
  size_t i = 0;
  while (i < n) {
    // ASCII runs, eight bytes at a time.
    while (i + 8 <= n) {
      uint64_t w;
      std::memcpy(&w, s + i, 8);
      if (w & 0x8080808080808080ULL) break;
      for (int k = 0; k < 8; ++k) d[k] = s[i + k];
      d += 8;
      i += 8;
    }
    if (i >= n) break;
    uint8_t b0 = s[i];
    if (b0 < 0x80) {
      *d++ = b0;
      ++i;
      continue;
    }
    // Well-formed ranges as in the Unicode standard, table 3-7.
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      if (i + 1 < n && IsCont(s[i + 1])) {
        *d++ = static_cast<char16_t>(((b0 & 0x1F) << 6) | (s[i + 1] & 0x3F));
        i += 2;
        continue;
      }
      *d++ = kReplacement;
      ++i;
      continue;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF) {
      uint8_t lo = 0x80, hi = 0xBF;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
      if (i + 1 < n && s[i + 1] >= lo && s[i + 1] <= hi) {
        if (i + 2 < n && IsCont(s[i + 2])) {
          *d++ = static_cast<char16_t>(((b0 & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) |
                                       (s[i + 2] & 0x3F));
          i += 3;
          continue;
        }
        *d++ = kReplacement;
        i += 2;
        continue;
      }
      *d++ = kReplacement;
      ++i;
      continue;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
      uint8_t lo = 0x80, hi = 0xBF;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
      if (i + 1 < n && s[i + 1] >= lo && s[i + 1] <= hi) {
        if (i + 2 < n && IsCont(s[i + 2])) {
          if (i + 3 < n && IsCont(s[i + 3])) {
            uint32_t cp = ((b0 & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) |
                          ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
            cp -= 0x10000; // four bytes give two units, so the output never outgrows n
            *d++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *d++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            i += 4;
            continue;
          }
          *d++ = kReplacement;
          i += 3;
          continue;
        }
        *d++ = kReplacement;
        i += 2;
        continue;
      }
      *d++ = kReplacement;
      ++i;
      continue;
    }
    *d++ = kReplacement;
    ++i;
  }
  out.resize(static_cast<size_t>(d - out.data()));
  return out;
}

std::u16string UTF8ToUTF16(std::string_view aText) {
  return UTF8ToUTF16(reinterpret_cast<const uint8_t*>(aText.data()), aText.size());
}

std::string UTF16ToUTF8(std::u16string_view aText) {
  const size_t n = aText.size();
  const char16_t* s = aText.data();
  // Exact size first, so the result is allocated once and never zero-filled beyond its length.
  size_t bytes = 0;
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = s[i];
    if (c < 0x80)
      bytes += 1;
    else if (c < 0x800)
      bytes += 2;
    else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      bytes += 4;
      ++i;
    } else
      bytes += 3;
  }
  std::string out(bytes, '\0');
  char* d = out.data();
  if (bytes == n) { // all ASCII
    for (size_t i = 0; i < n; ++i) d[i] = static_cast<char>(s[i]);
    return out;
  }
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = s[i];
    if (c < 0x80) {
      *d++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *d++ = static_cast<char>(0xC0 | (c >> 6));
      *d++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        uint32_t cp = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
        ++i;
        *d++ = static_cast<char>(0xF0 | (cp >> 18));
        *d++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *d++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *d++ = static_cast<char>(0x80 | (cp & 0x3F));
        continue;
      }
      if (c >= 0xD800 && c <= 0xDFFF) c = kReplacement;
      *d++ = static_cast<char>(0xE0 | (c >> 12));
      *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *d++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string ASCIIToUTF16(std::string_view aText) {
  std::u16string out(aText.size(), u'\0');
  for (size_t i = 0; i < aText.size(); ++i) out[i] = static_cast<unsigned char>(aText[i]);
  return out;
}

std::u16string TrimLeft(std::u16string_view aText) {
  size_t b = 0;
  while (b < aText.size() && aText[b] <= u' ') ++b;
  return std::u16string(aText.substr(b));
}

std::u16string TrimRight(std::u16string_view aText) {
  size_t e = aText.size();
  while (e > 0 && aText[e - 1] <= u' ') --e;
  return std::u16string(aText.substr(0, e));
}

std::u16string Trim(std::u16string_view aText) {
  size_t b = 0, e = aText.size();
  while (b < e && aText[b] <= u' ') ++b;
  while (e > b && aText[e - 1] <= u' ') --e;
  return std::u16string(aText.substr(b, e - b));
}

char16_t UpCaseChar(char16_t c) {
  return (c >= u'a' && c <= u'z') ? c - 32 : c;
}
char16_t LowCaseChar(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? c + 32 : c;
}

std::u16string UpperCase(std::u16string_view aText) {
  std::u16string r(aText);
  for (auto& c : r) c = UpCaseChar(c);
  return r;
}

std::u16string LowerCase(std::u16string_view aText) {
  std::u16string r(aText);
  for (auto& c : r) c = LowCaseChar(c);
  return r;
}

char16_t FoldCaseChar(char16_t c) {
  if (c < 0x80) return LowCaseChar(c);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;    // Latin-1
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20; // Greek
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;               // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;               // Cyrillic extensions
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && !(c >= 0x138 && c <= 0x148) &&
      !(c >= 0x178)) {
    return c | 1; // Latin Extended-A pairs (even upper, odd lower)
  }
  return c;
}

int CompareText(std::u16string_view a, std::u16string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    char16_t x = FoldCaseChar(a[i]), y = FoldCaseChar(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && FoldCaseChar(a[i]) != FoldCaseChar(b[i])) return false;
  }
  return true;
}

bool StartsText(std::u16string_view aSubText, std::u16string_view aText) {
  return aText.size() >= aSubText.size() && SameText(aText.substr(0, aSubText.size()), aSubText);
}

bool EndsText(std::u16string_view aSubText, std::u16string_view aText) {
  return aText.size() >= aSubText.size() &&
         SameText(aText.substr(aText.size() - aSubText.size()), aSubText);
}

size_t PosText(std::u16string_view aSubText, std::u16string_view aText, size_t aOffset) {
  if (aSubText.size() > aText.size()) return std::u16string_view::npos;
  for (size_t i = aOffset; i + aSubText.size() <= aText.size(); ++i) {
    if (SameText(aText.substr(i, aSubText.size()), aSubText)) return i;
  }
  return std::u16string_view::npos;
}

std::u16string UIntToStr(uint64_t v) {
  char16_t buf[24];
  int p = 24;
  do {
    buf[--p] = static_cast<char16_t>(u'0' + v % 10);
    v /= 10;
  } while (v);
  return std::u16string(buf + p, buf + 24);
}

std::u16string IntToStr(int64_t v) {
  if (v >= 0) return UIntToStr(static_cast<uint64_t>(v));
  // Negate in unsigned arithmetic so the smallest value does not overflow.
  std::u16string r(1, u'-');
  r += UIntToStr(0 - static_cast<uint64_t>(v));
  return r;
}

std::u16string IntToHex(uint64_t v, int aDigits) {
  static const char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string r;
  do {
    r.insert(r.begin(), kHex[v & 0xF]);
    v >>= 4;
  } while (v);
  while (static_cast<int>(r.size()) < aDigits) r.insert(r.begin(), u'0');
  return r;
}

bool TryStrToInt64(std::u16string_view aText, int64_t& aValue) {
  size_t i = 0, n = aText.size();
  while (i < n && aText[i] == u' ') ++i;
  while (n > i && aText[n - 1] == u' ') --n;
  bool neg = false;
  if (i < n && (aText[i] == u'-' || aText[i] == u'+')) neg = aText[i++] == u'-';
  if (i >= n) return false;
  uint64_t acc = 0;
  const uint64_t limit = neg ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                             : uint64_t(std::numeric_limits<int64_t>::max());
  for (; i < n; ++i) {
    char16_t c = aText[i];
    if (c < u'0' || c > u'9') return false;
    uint64_t d = c - u'0';
    if (acc > (limit - d) / 10) return false;
    acc = acc * 10 + d;
  }
  aValue = neg ? static_cast<int64_t>(0 - acc) : static_cast<int64_t>(acc);
  return true;
}

int64_t StrToInt64Def(std::u16string_view aText, int64_t aDefault) {
  int64_t v;
  return TryStrToInt64(aText, v) ? v : aDefault;
}

int StrToIntDef(std::u16string_view aText, int aDefault) {
  int64_t v;
  if (!TryStrToInt64(aText, v) || v < std::numeric_limits<int>::min() ||
      v > std::numeric_limits<int>::max()) {
    return aDefault;
  }
  return static_cast<int>(v);
}

std::u16string ReplaceAll(std::u16string_view aText, std::u16string_view aOld,
                          std::u16string_view aNew) {
  if (aOld.empty()) return std::u16string(aText);
  std::u16string r;
  size_t p = 0;
  for (;;) {
    size_t q = aText.find(aOld, p);
    if (q == std::u16string_view::npos) break;
    r.append(aText.substr(p, q - p));
    r.append(aNew);
    p = q + aOld.size();
  }
  r.append(aText.substr(p));
  return r;
}
