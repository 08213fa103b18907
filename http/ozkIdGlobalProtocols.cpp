#include "http/ozkIdGlobalProtocols.h"

#include <cmath>
#include <ctime>

#include "base/ozkFormat.h"
#include "base/ozkText.h"

// --- Date and time -----------------------------------------------------------------------------

namespace {

constexpr int64_t kMSecsPerDay = IdSecondsPerDay * 1000;

int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& aYear, int& aMonth, int& aDay) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  aDay = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  aMonth = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  aYear = static_cast<int>(yoe + era * 400 + (aMonth <= 2));
}

int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Milliseconds since 1970-01-01 of a TDateTime taken as UTC.
int64_t DateTimeToUnixMSecs(TDateTime aValue) {
  return static_cast<int64_t>(std::llround((aValue - IdUnixEpochDays) * kMSecsPerDay));
}

TDateTime UnixMSecsToDateTime(int64_t aMSecs) {
  return static_cast<double>(IdUnixEpochDays) + static_cast<double>(aMSecs) / kMSecsPerDay;
}

int DaysInMonth(int aYear, int aMonth) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (aMonth == 2 && ((aYear % 4 == 0 && aYear % 100 != 0) || aYear % 400 == 0)) return 29;
  return kDays[aMonth - 1];
}

const char16_t* const kMonthNames[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                       u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
const char16_t* const kDayNames[] = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
const char16_t* const kLongDayNames[] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                         u"Thursday", u"Friday", u"Saturday"};
const char16_t* const kLongMonthNames[] = {u"January",   u"February", u"March",    u"April",
                                           u"May",       u"June",     u"July",     u"August",
                                           u"September", u"October",  u"November", u"December"};

int MonthOf(std::u16string_view aToken) {
  for (int i = 0; i < 12; ++i)
    if (SameText(aToken, kMonthNames[i]) || SameText(aToken, kLongMonthNames[i])) return i + 1;
  return 0;
}

bool IsDayName(std::u16string_view aToken) {
  for (int i = 0; i < 7; ++i)
    if (SameText(aToken, kDayNames[i]) || SameText(aToken, kLongDayNames[i])) return true;
  return false;
}

bool AllDigits(std::u16string_view s) {
  if (s.empty()) return false;
  for (char16_t c : s)
    if (c < u'0' || c > u'9') return false;
  return true;
}

bool AllLetters(std::u16string_view s) {
  if (s.empty()) return false;
  for (char16_t c : s)
    if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))) return false;
  return true;
}

int DigitsValue(std::u16string_view s) {
  int v = 0;
  for (char16_t c : s) v = v * 10 + (c - u'0');
  return v;
}

// Zone names of RFC 822 besides the numeric form; minutes east of UTC.
bool ZoneOffset(std::u16string_view aToken, int& aMinutes) {
  struct Zone {
    const char16_t* Name;
    int Minutes;
  };
  static const Zone kZones[] = {{u"GMT", 0},       {u"UT", 0},        {u"UTC", 0},
                                {u"Z", 0},         {u"EST", -5 * 60}, {u"EDT", -4 * 60},
                                {u"CST", -6 * 60}, {u"CDT", -5 * 60}, {u"MST", -7 * 60},
                                {u"MDT", -6 * 60}, {u"PST", -8 * 60}, {u"PDT", -7 * 60}};
  for (const auto& z : kZones)
    if (SameText(aToken, z.Name)) {
      aMinutes = z.Minutes;
      return true;
    }
  return false;
}

bool NumericZone(std::u16string_view aToken, int& aMinutes) {
  if (aToken.size() != 5 || (aToken[0] != u'+' && aToken[0] != u'-') ||
      !AllDigits(aToken.substr(1)))
    return false;
  int v = DigitsValue(aToken.substr(1));
  int minutes = (v / 100) * 60 + v % 100;
  aMinutes = aToken[0] == u'-' ? -minutes : minutes;
  return true;
}

bool ParseTime(std::u16string_view aToken, int& h, int& m, int& s) {
  std::u16string_view parts[3];
  int count = 0;
  size_t start = 0;
  while (count < 3) {
    size_t p = aToken.find(u':', start);
    parts[count++] = aToken.substr(start, p == std::u16string_view::npos ? p : p - start);
    if (p == std::u16string_view::npos) break;
    start = p + 1;
    if (count == 3) return false;
  }
  if (count < 2) return false;
  for (int i = 0; i < count; ++i)
    if (!AllDigits(parts[i]) || parts[i].size() > 2) return false;
  h = DigitsValue(parts[0]);
  m = DigitsValue(parts[1]);
  s = count == 3 ? DigitsValue(parts[2]) : 0;
  if (s == 60) s = 59; // a leap second still names a valid time
  return h < 24 && m < 60 && s < 60;
}

int FullYear(std::u16string_view aDigits) {
  int y = DigitsValue(aDigits);
  if (aDigits.size() <= 2) return y < 70 ? 2000 + y : 1900 + y;
  if (aDigits.size() == 3) return 1900 + y;
  return y;
}

} // namespace

TDateTime EncodeDateTime(int aYear, int aMonth, int aDay, int aHour, int aMinute, int aSecond,
                         int aMillisecond) {
  const int64_t days = DaysFromCivil(aYear, aMonth, aDay) + IdUnixEpochDays;
  const int64_t ms =
      ((static_cast<int64_t>(aHour) * 60 + aMinute) * 60 + aSecond) * 1000 + aMillisecond;
  return static_cast<double>(days) + static_cast<double>(ms) / kMSecsPerDay;
}

TLocalDateTime DecodeDateTime(TDateTime aValue) {
  const int64_t total = DateTimeToUnixMSecs(aValue);
  const int64_t days = FloorDiv(total, kMSecsPerDay);
  int64_t ms = total - days * kMSecsPerDay;
  TLocalDateTime r{};
  CivilFromDays(days, r.Year, r.Month, r.Day);
  r.Millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  r.Second = static_cast<int>(ms % 60);
  ms /= 60;
  r.Minute = static_cast<int>(ms % 60);
  r.Hour = static_cast<int>(ms / 60);
  // 1970-01-01 was a Thursday.
  r.DayOfWeek = static_cast<int>(((days % 7) + 11) % 7);
  return r;
}

TDateTime DateTimeNow() {
  TLocalDateTime n = LocalNow();
  return EncodeDateTime(n.Year, n.Month, n.Day, n.Hour, n.Minute, n.Second, n.Millisecond);
}

TDateTime LocalToUTC(TDateTime aLocal) {
  TLocalDateTime d = DecodeDateTime(aLocal);
  std::tm tm{};
  tm.tm_year = d.Year - 1900;
  tm.tm_mon = d.Month - 1;
  tm.tm_mday = d.Day;
  tm.tm_hour = d.Hour;
  tm.tm_min = d.Minute;
  tm.tm_sec = d.Second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  return UnixMSecsToDateTime(static_cast<int64_t>(t) * 1000 + d.Millisecond);
}

TDateTime UTCToLocal(TDateTime aUTC) {
  const int64_t total = DateTimeToUnixMSecs(aUTC);
  const std::time_t secs = static_cast<std::time_t>(FloorDiv(total, 1000));
  const int ms = static_cast<int>(total - static_cast<int64_t>(secs) * 1000);
  std::tm tm{};
  localtime_r(&secs, &tm);
  return EncodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                        tm.tm_sec, ms);
}

bool TryStrInternetToDateTime(std::u16string_view aText, TDateTime& aUTC) {
  int day = 0, month = 0, year = -1, h = 0, m = 0, s = 0, zone = 0;
  bool haveTime = false;
  size_t i = 0;
  const size_t n = aText.size();
  while (i < n) {
    while (i < n && (aText[i] == u' ' || aText[i] == u',' || aText[i] == u'\t')) ++i;
    size_t b = i;
    while (i < n && aText[i] != u' ' && aText[i] != u',' && aText[i] != u'\t') ++i;
    std::u16string_view tok = aText.substr(b, i - b);
    if (tok.empty()) break;
    int minutes = 0;
    if (tok.find(u':') != std::u16string_view::npos) {
      if (haveTime || !ParseTime(tok, h, m, s)) return false;
      haveTime = true;
    } else if (NumericZone(tok, minutes)) {
      zone = minutes;
    } else if (AllLetters(tok)) {
      if (int mo = MonthOf(tok)) {
        if (month) return false;
        month = mo;
      } else if (ZoneOffset(tok, minutes)) {
        zone = minutes;
      } else if (!IsDayName(tok)) {
        return false;
      }
    } else if (AllDigits(tok)) {
      if (!day && tok.size() <= 2)
        day = DigitsValue(tok);
      else if (year < 0)
        year = FullYear(tok);
      else
        return false;
    } else {
      // RFC 850 day-month-year in one token.
      size_t p1 = tok.find(u'-');
      size_t p2 = p1 == std::u16string_view::npos ? p1 : tok.find(u'-', p1 + 1);
      if (p2 == std::u16string_view::npos || day || month) return false;
      std::u16string_view d = tok.substr(0, p1), mo = tok.substr(p1 + 1, p2 - p1 - 1),
                          y = tok.substr(p2 + 1);
      if (!AllDigits(d) || d.size() > 2 || !AllDigits(y) || !(month = MonthOf(mo))) return false;
      day = DigitsValue(d);
      year = FullYear(y);
    }
  }
  if (!day || !month || year < 1 || year > 9999 || day > DaysInMonth(year, month)) return false;
  aUTC = EncodeDateTime(year, month, day, h, m, s, 0) - static_cast<double>(zone) / (24 * 60);
  return true;
}

TDateTime GMTToLocalDateTime(std::u16string_view aText) {
  TDateTime utc = 0;
  if (!TryStrInternetToDateTime(Trim(aText), utc)) return 0;
  return UTCToLocal(utc);
}

std::u16string LocalDateTimeToGMT(TDateTime aLocal) {
  TLocalDateTime d = DecodeDateTime(LocalToUTC(aLocal));
  return Format(u"%s, %02d %s %04d %s %s", kDayNames[d.DayOfWeek], d.Day, kMonthNames[d.Month - 1],
                d.Year, Format(u"%02d:%02d:%02d", d.Hour, d.Minute, d.Second), u"GMT");
}

// --- Header items and parameters ---------------------------------------------------------------

std::u16string_view HeaderSpecials(TIdHeaderQuotingType aQuoteType) {
  switch (aQuoteType) {
  case QuoteRFC822:
    return u"()<>@,;:\\./\"";
  case QuoteMIME:
    return u"()<>@,;:\\/[]?=\"";
  case QuoteHTTP:
    return u"()<>@,;:\\/[]?={} \t\"";
  default:
    return u"";
  }
}

namespace {

bool EndsUnquotedValue(char16_t c, std::u16string_view aSpecials) {
  return c <= 32 || c == 127 || c == u';' || aSpecials.find(c) != std::u16string_view::npos;
}

size_t SkipBlanks(std::u16string_view s, size_t i) {
  while (i < s.size() && s[i] <= u' ') ++i;
  return i;
}

int FindParam(const std::vector<TIdHeaderParam>& aParams, std::u16string_view aName) {
  for (size_t i = 0; i < aParams.size(); ++i)
    if (SameText(aParams[i].Name, aName)) return static_cast<int>(i);
  return -1;
}

} // namespace

std::u16string GetHeaderItem(std::u16string_view aHeaderLine) {
  return Trim(aHeaderLine.substr(0, aHeaderLine.find(u';')));
}

std::vector<TIdHeaderParam> SplitHeaderSubItems(std::u16string_view aHeaderLine,
                                                TIdHeaderQuotingType aQuoteType) {
  std::vector<TIdHeaderParam> result;
  size_t semi = aHeaderLine.find(u';');
  if (semi == std::u16string_view::npos) return result;
  const std::u16string_view s = aHeaderLine.substr(semi + 1);
  const std::u16string_view specials = HeaderSpecials(aQuoteType);
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    i = SkipBlanks(s, i);
    if (i >= n) break;
    // A name ends at "=", or at ";" when the parameter has no value at all.
    size_t j = i;
    while (j < n && s[j] != u'=' && s[j] != u';') ++j;
    TIdHeaderParam param;
    param.Name = Trim(s.substr(i, j - i));
    if (j >= n) break;
    i = j + 1;
    if (s[j] == u';') continue;
    i = SkipBlanks(s, i);
    if (i < n && s[i] == u'"') {
      param.Quoted = true;
      ++i;
      while (i < n && s[i] != u'"') {
        if (s[i] == u'\\') {
          if (++i >= n) break;
        }
        param.Value.push_back(s[i++]);
      }
      size_t next = s.find(u';', i);
      i = next == std::u16string_view::npos ? n : next + 1;
    } else {
      j = i;
      while (j < n && !EndsUnquotedValue(s[j], specials)) ++j;
      param.Value = std::u16string(s.substr(i, j - i));
      if (j < n && s[j] == u';') ++j;
      i = j;
    }
    if (!param.Name.empty() && (!param.Value.empty() || param.Quoted))
      result.push_back(std::move(param));
  }
  return result;
}

std::u16string QuoteHeaderParamValue(std::u16string_view aValue, TIdHeaderQuotingType aQuoteType,
                                     bool aForceQuotes) {
  if (aValue.empty()) return aForceQuotes ? std::u16string(u"\"\"") : std::u16string();
  const bool escapeCR = aQuoteType == QuoteRFC822 || aQuoteType == QuoteMIME;
  const std::u16string_view specials = HeaderSpecials(aQuoteType);
  bool quote = aForceQuotes;
  std::u16string body;
  body.reserve(aValue.size() + 2);
  for (char16_t c : aValue) {
    const bool escape = c == u'"' || c == u'\\' || (escapeCR && c == u'\r');
    // Blanks and controls also force quotes: unquoted they would end the value on reading.
    if (escape || EndsUnquotedValue(c, specials)) quote = true;
    if (escape) body.push_back(u'\\');
    body.push_back(c);
  }
  if (!quote) return body;
  return u"\"" + body + u"\"";
}

std::u16string GetHeaderParam(std::u16string_view aHeaderLine, std::u16string_view aParamName,
                              TIdHeaderQuotingType aQuoteType) {
  auto params = SplitHeaderSubItems(aHeaderLine, aQuoteType);
  int i = FindParam(params, aParamName);
  return i < 0 ? std::u16string() : params[static_cast<size_t>(i)].Value;
}

std::u16string SetHeaderParam(std::u16string_view aHeaderLine, std::u16string_view aParamName,
                              std::u16string_view aParamValue, TIdHeaderQuotingType aQuoteType) {
  auto params = SplitHeaderSubItems(aHeaderLine, aQuoteType);
  int i = FindParam(params, aParamName);
  if (Trim(aParamValue).empty()) {
    if (i < 0) return std::u16string(aHeaderLine);
    params.erase(params.begin() + i);
  } else if (i >= 0) {
    params[static_cast<size_t>(i)].Value = std::u16string(aParamValue);
  } else {
    params.push_back(TIdHeaderParam{std::u16string(aParamName), std::u16string(aParamValue)});
  }
  std::u16string result = GetHeaderItem(aHeaderLine);
  for (const auto& p : params)
    result += u"; " + p.Name + u"=" + QuoteHeaderParamValue(p.Value, aQuoteType, p.Quoted);
  return result;
}

std::u16string TakeHeaderParam(std::u16string_view aHeaderLine, std::u16string_view aParamName,
                               TIdHeaderQuotingType aQuoteType, std::u16string& aOldValue) {
  aOldValue = GetHeaderParam(aHeaderLine, aParamName, aQuoteType);
  return SetHeaderParam(aHeaderLine, aParamName, u"", aQuoteType);
}

bool MediaTypeIs(std::u16string_view aHeaderLine, std::u16string_view aMediaType) {
  const std::u16string item = GetHeaderItem(aHeaderLine);
  if (aMediaType.find(u'/') != std::u16string_view::npos) return SameText(item, aMediaType);
  return item.size() > aMediaType.size() && item[aMediaType.size()] == u'/' &&
         SameText(std::u16string_view(item).substr(0, aMediaType.size()), aMediaType);
}

bool MediaTypeIsOneOf(std::u16string_view aHeaderLine,
                      std::initializer_list<std::u16string_view> aMediaTypes) {
  for (auto t : aMediaTypes)
    if (MediaTypeIs(aHeaderLine, t)) return true;
  return false;
}

bool MediaTypeIsOneOf(std::u16string_view aHeaderLine, const std::vector<std::u16string>& aTypes) {
  for (const auto& t : aTypes)
    if (MediaTypeIs(aHeaderLine, t)) return true;
  return false;
}

std::u16string GetMediaType(std::u16string_view aHeaderLine) {
  const std::u16string item = GetHeaderItem(aHeaderLine);
  return item.substr(0, item.find(u'/'));
}

std::u16string GetMediaSubType(std::u16string_view aHeaderLine) {
  const std::u16string item = GetHeaderItem(aHeaderLine);
  size_t p = item.find(u'/');
  return p == std::u16string::npos ? std::u16string() : item.substr(p + 1);
}

// --- Encoders ----------------------------------------------------------------------------------

namespace {
const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char16_t kHexDigits[] = u"0123456789ABCDEF";
} // namespace

size_t Base64Encode(const uint8_t* aSource, size_t aCount, uint8_t* aDest) {
  uint8_t* out = aDest;
  size_t i = 0;
  for (; i + 3 <= aCount; i += 3) {
    const uint32_t v =
        (uint32_t(aSource[i]) << 16) | (uint32_t(aSource[i + 1]) << 8) | aSource[i + 2];
    out[0] = kBase64Alphabet[v >> 18];
    out[1] = kBase64Alphabet[(v >> 12) & 63];
    out[2] = kBase64Alphabet[(v >> 6) & 63];
    out[3] = kBase64Alphabet[v & 63];
    out += 4;
  }
  if (i < aCount) {
    const bool two = aCount - i == 2;
    const uint32_t v = (uint32_t(aSource[i]) << 16) | (two ? uint32_t(aSource[i + 1]) << 8 : 0);
    out[0] = kBase64Alphabet[v >> 18];
    out[1] = kBase64Alphabet[(v >> 12) & 63];
    out[2] = two ? kBase64Alphabet[(v >> 6) & 63] : '=';
    out[3] = '=';
    out += 4;
  }
  return static_cast<size_t>(out - aDest);
}

std::u16string EncodeBase64Text(const TIdBytes& aBytes) {
  std::vector<uint8_t> buf((aBytes.size() + 2) / 3 * 4);
  size_t n = Base64Encode(aBytes.data(), aBytes.size(), buf.data());
  return std::u16string(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(n));
}

TIdBytes DecodeBase64(std::u16string_view aText) {
  TIdBytes out;
  uint32_t acc = 0;
  int bits = 0;
  for (char16_t c : aText) {
    int v;
    if (c >= u'A' && c <= u'Z')
      v = c - u'A';
    else if (c >= u'a' && c <= u'z')
      v = c - u'a' + 26;
    else if (c >= u'0' && c <= u'9')
      v = c - u'0' + 52;
    else if (c == u'+')
      v = 62;
    else if (c == u'/')
      v = 63;
    else if (c == u'=')
      break;
    else
      continue;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<uint8_t>((acc >> bits) & 0xFF));
    }
  }
  return out;
}

std::u16string EncodeHeaderWords(std::u16string_view aText, std::u16string_view aCharSet,
                                 char16_t aEncoding) {
  const std::u16string charset =
      aCharSet.empty() ? std::u16string(u"UTF-8") : std::u16string(aCharSet);
  const IIdTextEncodingPtr encoding = TextEncodingOfCharset(charset);
  const bool useQ = aEncoding == u'Q' || aEncoding == u'q';
  const std::u16string prefix = u"=?" + charset + (useQ ? u"?Q?" : u"?B?");
  // RFC 2047 limits an encoded word to 75 characters.
  const size_t room = prefix.size() + 2 < 75 ? 75 - prefix.size() - 2 : 4;

  auto encodeQ = [](const TIdBytes& aBytes) {
    std::u16string r;
    for (uint8_t b : aBytes) {
      if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '!' ||
          b == '*' || b == '+' || b == '-' || b == '/')
        r.push_back(b);
      else if (b == ' ')
        r.push_back(u'_');
      else {
        r.push_back(u'=');
        r.push_back(kHexDigits[b >> 4]);
        r.push_back(kHexDigits[b & 15]);
      }
    }
    return r;
  };
  auto encodedLength = [&](const TIdBytes& aBytes) {
    return useQ ? encodeQ(aBytes).size() : (aBytes.size() + 2) / 3 * 4;
  };

  std::u16string result;
  TIdBytes word;
  auto flush = [&]() {
    if (word.empty()) return;
    if (!result.empty()) result.push_back(u' ');
    result += prefix + (useQ ? encodeQ(word) : EncodeBase64Text(word)) + u"?=";
    word.clear();
  };
  size_t i = 0;
  while (i < aText.size()) {
    // A surrogate pair is one character and is never split between words.
    size_t len = (i + 1 < aText.size() && aText[i] >= 0xD800 && aText[i] <= 0xDBFF &&
                  aText[i + 1] >= 0xDC00 && aText[i + 1] <= 0xDFFF)
                     ? 2
                     : 1;
    TIdBytes ch = encoding->GetBytes(aText.substr(i, len));
    TIdBytes candidate = word;
    candidate.insert(candidate.end(), ch.begin(), ch.end());
    if (!word.empty() && encodedLength(candidate) > room) {
      flush();
      word = ch;
    } else {
      word = std::move(candidate);
    }
    i += len;
  }
  flush();
  return result;
}

// --- MIME table --------------------------------------------------------------------------------

TIdMimeTable::TIdMimeTable(bool aAutoFill) {
  if (aAutoFill) BuildCache();
}

TIdMimeTable::~TIdMimeTable() = default;

void TIdMimeTable::BuildCache() {
  if (FOnBuildCache) {
    FOnBuildCache(*this);
    return;
  }
  if (FFileExt.Count() == 0) {
    TStringList lines;
    LoadBuiltInMimeTypes(lines);
    LoadFromStrings(lines, u'=');
  }
}

int TIdMimeTable::IndexOfExt(std::u16string_view aExt) const {
  return FFileExt.IndexOf(aExt);
}

void TIdMimeTable::AddMimeType(std::u16string_view aExt, std::u16string_view aMIMEType,
                               bool aRaiseOnError) {
  std::u16string ext = LowerCase(aExt);
  const std::u16string type = LowerCase(aMIMEType);
  if (ext.empty()) {
    if (aRaiseOnError) throw EIdMimeTypeException(u"Extension is empty");
    return;
  }
  if (type.empty()) {
    if (aRaiseOnError) throw EIdMimeTypeException(u"Mimetype is empty");
    return;
  }
  if (ext[0] != u'.') ext.insert(ext.begin(), u'.');
  if (IndexOfExt(ext) >= 0) {
    if (aRaiseOnError) throw EIdMimeTypeException(u"Extension already exists");
    return;
  }
  FFileExt.Add(ext);
  FMIMEList.Add(type);
}

std::u16string TIdMimeTable::GetFileMIMEType(std::u16string_view aFileName) {
  const size_t sep = aFileName.find_last_of(u"/\\");
  const size_t dot = aFileName.find_last_of(u'.');
  std::u16string ext;
  if (dot != std::u16string_view::npos && (sep == std::u16string_view::npos || dot > sep))
    ext = LowerCase(aFileName.substr(dot));
  int i = IndexOfExt(ext);
  if (i < 0) {
    BuildCache();
    i = IndexOfExt(ext);
  }
  return i < 0 ? std::u16string(u"application/octet-stream") : FMIMEList[i];
}

std::u16string TIdMimeTable::GetDefaultFileExt(std::u16string_view aMIMEType) {
  const std::u16string type = LowerCase(aMIMEType);
  int i = FMIMEList.IndexOf(type);
  if (i < 0) {
    BuildCache();
    i = FMIMEList.IndexOf(type);
  }
  return i < 0 ? std::u16string() : FFileExt[i];
}

void TIdMimeTable::LoadFromStrings(const TStringList& aStrings, char16_t aMimeSeparator) {
  FFileExt.Clear();
  FMIMEList.Clear();
  for (const auto& line : aStrings) {
    size_t p = line.find(aMimeSeparator);
    if (p == std::u16string::npos) continue;
    AddMimeType(std::u16string_view(line).substr(0, p), std::u16string_view(line).substr(p + 1),
                false);
  }
}

void TIdMimeTable::SaveToStrings(TStringList& aStrings, char16_t aMimeSeparator) const {
  aStrings.Clear();
  for (int i = 0; i < FFileExt.Count(); ++i)
    aStrings.Add(FFileExt[i] + aMimeSeparator + FMIMEList[i]);
}

TIdThreadSafeMimeTable::TIdThreadSafeMimeTable(bool aAutoFill)
    : FTable(std::make_unique<TIdMimeTable>(aAutoFill)) {}

TIdThreadSafeMimeTable::~TIdThreadSafeMimeTable() = default;

void TIdThreadSafeMimeTable::BuildCache() {
  std::lock_guard<std::recursive_mutex> g(FLock);
  FTable->BuildCache();
}

void TIdThreadSafeMimeTable::AddMimeType(std::u16string_view aExt, std::u16string_view aMIMEType,
                                         bool aRaiseOnError) {
  std::lock_guard<std::recursive_mutex> g(FLock);
  FTable->AddMimeType(aExt, aMIMEType, aRaiseOnError);
}

std::u16string TIdThreadSafeMimeTable::GetFileMIMEType(std::u16string_view aFileName) {
  std::lock_guard<std::recursive_mutex> g(FLock);
  return FTable->GetFileMIMEType(aFileName);
}

std::u16string TIdThreadSafeMimeTable::GetDefaultFileExt(std::u16string_view aMIMEType) {
  std::lock_guard<std::recursive_mutex> g(FLock);
  return FTable->GetDefaultFileExt(aMIMEType);
}

void TIdThreadSafeMimeTable::LoadFromStrings(const TStringList& aStrings, char16_t aMimeSeparator) {
  std::lock_guard<std::recursive_mutex> g(FLock);
  FTable->LoadFromStrings(aStrings, aMimeSeparator);
}

void TIdThreadSafeMimeTable::SaveToStrings(TStringList& aStrings, char16_t aMimeSeparator) {
  std::lock_guard<std::recursive_mutex> g(FLock);
  FTable->SaveToStrings(aStrings, aMimeSeparator);
}

bool TIdThreadSafeMimeTable::LoadTypesFromOS() {
  std::lock_guard<std::recursive_mutex> g(FLock);
  return FTable->LoadTypesFromOS();
}

void TIdThreadSafeMimeTable::SetLoadTypesFromOS(bool aValue) {
  std::lock_guard<std::recursive_mutex> g(FLock);
  FTable->SetLoadTypesFromOS(aValue);
}

TIdMimeTable::TIdMimeTableEvent TIdThreadSafeMimeTable::OnBuildCache() {
  std::lock_guard<std::recursive_mutex> g(FLock);
  return FTable->OnBuildCache();
}

void TIdThreadSafeMimeTable::SetOnBuildCache(TIdMimeTable::TIdMimeTableEvent aValue) {
  std::lock_guard<std::recursive_mutex> g(FLock);
  FTable->SetOnBuildCache(std::move(aValue));
}

TIdMimeTable& TIdThreadSafeMimeTable::Lock() {
  FLock.lock();
  return *FTable;
}

void TIdThreadSafeMimeTable::Unlock() {
  FLock.unlock();
}

std::u16string GetMIMETypeFromFile(std::u16string_view aFileName) {
  TIdMimeTable table(true);
  return table.GetFileMIMEType(aFileName);
}

std::u16string GetMIMEDefaultFileExt(std::u16string_view aMIMEType) {
  TIdMimeTable table(true);
  return table.GetDefaultFileExt(aMIMEType);
}
