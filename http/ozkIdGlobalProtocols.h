// Protocol helpers shared by the HTTP layer: Internet dates, header items and parameters with
// their quoting rules, media-type tests, Base64 and RFC 2047 encoded words, and the MIME table
// that maps file extensions to content types.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/ozkStringList.h"
#include "base/ozkTime.h"
#include "net/ozkIdException.h"
#include "net/ozkIdGlobal.h"

// --- Date and time -----------------------------------------------------------------------------

// Days between 1899-12-30 (day 0 of TDateTime) and 1970-01-01, the Unix epoch.
inline constexpr int64_t IdUnixEpochDays = 25569;
// Seconds in a TDateTime day.
inline constexpr int64_t IdSecondsPerDay = 86400;

// Days since 1899-12-30, the fraction being the time of day. Header records hold local time.
using TDateTime = double;

TDateTime EncodeDateTime(int aYear, int aMonth, int aDay, int aHour, int aMinute, int aSecond,
                         int aMillisecond);
// Fields of a date-time value (DayOfWeek 0 = Sunday).
TLocalDateTime DecodeDateTime(TDateTime aValue);
// The current local time.
TDateTime DateTimeNow();
TDateTime LocalToUTC(TDateTime aLocal);
TDateTime UTCToLocal(TDateTime aUTC);

// Parses the three HTTP date forms (RFC 1123 "Sun, 06 Nov 1994 08:49:37 GMT", RFC 850
// "Sunday, 06-Nov-94 08:49:37 GMT" and asctime "Sun Nov  6 08:49:37 1994"), tolerating a missing
// day name, "UTC"/"UT"/"Z" or a numeric zone such as "+0100". The result is UTC. False when the
// text is not such a date.
bool TryStrInternetToDateTime(std::u16string_view aText, TDateTime& aUTC);
// An Internet date converted to local time; 0 when the text is not a date.
TDateTime GMTToLocalDateTime(std::u16string_view aText);
// "Sun, 06 Nov 1994 08:49:37 GMT" for a local time.
std::u16string LocalDateTimeToGMT(TDateTime aLocal);

// --- Header items and parameters ---------------------------------------------------------------

enum TIdHeaderQuotingType { QuotePlain, QuoteRFC822, QuoteMIME, QuoteHTTP };

// One parameter of a header value; Quoted remembers that its value was written in quotes.
struct TIdHeaderParam {
  std::u16string Name;
  std::u16string Value;
  bool Quoted = false;
};

// Characters that end an unquoted parameter value for a quoting type (besides 0..32, 127 and
// ";", which separates the parameters of every type).
std::u16string_view HeaderSpecials(TIdHeaderQuotingType aQuoteType);
// The item of a header value: the text before the first ";", trimmed.
std::u16string GetHeaderItem(std::u16string_view aHeaderLine);
// The parameters after the item, in order; names and values as written (quotes removed).
std::vector<TIdHeaderParam> SplitHeaderSubItems(std::u16string_view aHeaderLine,
                                                TIdHeaderQuotingType aQuoteType);
// A parameter value in the form it is written after "=": escaped and quoted when needed.
std::u16string QuoteHeaderParamValue(std::u16string_view aValue, TIdHeaderQuotingType aQuoteType,
                                     bool aForceQuotes = false);
// Value of the named parameter (letter case of the name ignored); empty when absent.
std::u16string GetHeaderParam(std::u16string_view aHeaderLine, std::u16string_view aParamName,
                              TIdHeaderQuotingType aQuoteType);
// The header value with the parameter set (added at the end when absent) or, for a blank value,
// removed. An absent parameter and a blank value give the header value back unchanged.
std::u16string SetHeaderParam(std::u16string_view aHeaderLine, std::u16string_view aParamName,
                              std::u16string_view aParamValue, TIdHeaderQuotingType aQuoteType);
// The header value without the parameter; its old value goes to aOldValue.
std::u16string TakeHeaderParam(std::u16string_view aHeaderLine, std::u16string_view aParamName,
                               TIdHeaderQuotingType aQuoteType, std::u16string& aOldValue);

// With a "/" in aMediaType the item must equal it; without one the item must start with it and
// "/" ("text" matches "text/plain"). Letter case is ignored.
bool MediaTypeIs(std::u16string_view aHeaderLine, std::u16string_view aMediaType);
bool MediaTypeIsOneOf(std::u16string_view aHeaderLine,
                      std::initializer_list<std::u16string_view> aMediaTypes);
bool MediaTypeIsOneOf(std::u16string_view aHeaderLine, const std::vector<std::u16string>& aTypes);
// The item's text before and after its first "/".
std::u16string GetMediaType(std::u16string_view aHeaderLine);
std::u16string GetMediaSubType(std::u16string_view aHeaderLine);

// --- Encoders ----------------------------------------------------------------------------------

// Base64 (RFC 4648 alphabet, "=" padding, no line breaks). aDest needs 4 * ceil(aCount / 3).
size_t Base64Encode(const uint8_t* aSource, size_t aCount, uint8_t* aDest);
std::u16string EncodeBase64Text(const TIdBytes& aBytes);
TIdBytes DecodeBase64(std::u16string_view aText);
// The text as RFC 2047 encoded words ("=?charset?B?...?=" or "=?charset?Q?...?="), each at most
// 75 characters and never splitting a character, separated by single spaces. The Q form writes
// only letters, digits and "!*+-/" literally, so the words are safe inside a quoted string too.
std::u16string EncodeHeaderWords(std::u16string_view aText, std::u16string_view aCharSet,
                                 char16_t aEncoding);

// --- MIME table --------------------------------------------------------------------------------

class EIdMimeTypeException : public EIdException {
 public:
  using EIdException::EIdException;
};

class TIdMimeTable {
 public:
  using TIdMimeTableEvent = std::function<void(TIdMimeTable& aSender)>;

  // With aAutoFill the cache (the built-in list) is loaded at once.
  explicit TIdMimeTable(bool aAutoFill = true);
  virtual ~TIdMimeTable();

  // OnBuildCache when set; otherwise the built-in list, loaded only into an empty table.
  virtual void BuildCache();
  // "ext=type" pairs; the first entry for an extension wins. EIdMimeTypeException
  // "Extension is empty", "Mimetype is empty" or "Extension already exists" with aRaiseOnError.
  void AddMimeType(std::u16string_view aExt, std::u16string_view aMIMEType,
                   bool aRaiseOnError = true);
  // Type for the file's extension, else "application/octet-stream".
  std::u16string GetFileMIMEType(std::u16string_view aFileName);
  // First extension registered for the type, else empty text.
  std::u16string GetDefaultFileExt(std::u16string_view aMIMEType);
  void LoadFromStrings(const TStringList& aStrings, char16_t aMimeSeparator = u'=');
  void SaveToStrings(TStringList& aStrings, char16_t aMimeSeparator = u'=') const;

  bool LoadTypesFromOS() const { return FLoadTypesFromOS; }
  void SetLoadTypesFromOS(bool aValue) { FLoadTypesFromOS = aValue; }
  const TIdMimeTableEvent& OnBuildCache() const { return FOnBuildCache; }
  void SetOnBuildCache(TIdMimeTableEvent aValue) { FOnBuildCache = std::move(aValue); }
  int Count() const { return FFileExt.Count(); }

  // The built-in "ext=type" lines, in their fixed order (duplicates included).
  static void LoadBuiltInMimeTypes(TStringList& aLines);

 protected:
  int IndexOfExt(std::u16string_view aExt) const;

  bool FLoadTypesFromOS = true;
  TIdMimeTableEvent FOnBuildCache;
  TStringList FMIMEList;
  TStringList FFileExt;
};

// One TIdMimeTable behind a mutex, for tables shared between threads. Lock() hands out the
// inner table with the mutex held until Unlock().
class TIdThreadSafeMimeTable {
 public:
  explicit TIdThreadSafeMimeTable(bool aAutoFill = true);
  ~TIdThreadSafeMimeTable();

  void BuildCache();
  void AddMimeType(std::u16string_view aExt, std::u16string_view aMIMEType,
                   bool aRaiseOnError = true);
  std::u16string GetFileMIMEType(std::u16string_view aFileName);
  std::u16string GetDefaultFileExt(std::u16string_view aMIMEType);
  void LoadFromStrings(const TStringList& aStrings, char16_t aMimeSeparator = u'=');
  void SaveToStrings(TStringList& aStrings, char16_t aMimeSeparator = u'=');
  bool LoadTypesFromOS();
  void SetLoadTypesFromOS(bool aValue);
  TIdMimeTable::TIdMimeTableEvent OnBuildCache();
  void SetOnBuildCache(TIdMimeTable::TIdMimeTableEvent aValue);

  TIdMimeTable& Lock();
  void Unlock();

 private:
  std::recursive_mutex FLock;
  std::unique_ptr<TIdMimeTable> FTable;
};

// The type of a file by its extension, through a freshly filled table.
std::u16string GetMIMETypeFromFile(std::u16string_view aFileName);
std::u16string GetMIMEDefaultFileExt(std::u16string_view aMIMEType);
