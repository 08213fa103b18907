#include "http/ozkIdHTTPHeaderInfo.h"

#include <algorithm>

#include "base/ozkComponent.h"
#include "base/ozkFormat.h"
#include "base/ozkText.h"

namespace {

const char16_t kDefaultAccept[] =
    u"text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
const char16_t kDefaultUserAgent[] = u"Mozilla/3.0 (compatible; ozkId Library)";

int64_t Int64OrMinusOne(std::u16string_view AText) {
  int64_t v = -1;
  return TryStrToInt64(AText, v) ? v : -1;
}

void SetIfNotEmpty(TIdHeaderList& AList, std::u16string_view AName, const std::u16string& AValue) {
  if (!AValue.empty()) AList.SetValue(AName, AValue);
}

} // namespace

// --- Ranges ------------------------------------------------------------------------------------

std::u16string TIdEntityRange::Text() const {
  if (FStartPos < 0 && FEndPos < 0)
    return FSuffixLength >= 0 ? u"-" + IntToStr(FSuffixLength) : std::u16string();
  std::u16string r = IntToStr(FStartPos) + u"-";
  if (FEndPos >= 0) r += IntToStr(FEndPos);
  return r;
}

void TIdEntityRange::SetText(std::u16string_view AValue) {
  FStartPos = FEndPos = FSuffixLength = -1;
  const std::u16string s = Trim(AValue);
  const size_t dash = s.find(u'-');
  if (dash == std::u16string::npos) {
    FStartPos = Int64OrMinusOne(s);
    return;
  }
  if (dash == 0) {
    FSuffixLength = Int64OrMinusOne(std::u16string_view(s).substr(1));
    return;
  }
  FStartPos = Int64OrMinusOne(std::u16string_view(s).substr(0, dash));
  FEndPos = Int64OrMinusOne(std::u16string_view(s).substr(dash + 1));
}

TIdEntityRanges::TIdEntityRanges() = default;
TIdEntityRanges::~TIdEntityRanges() = default;

void TIdEntityRanges::Assign(const TPersistent& ASource) {
  auto* src = dynamic_cast<const TIdEntityRanges*>(&ASource);
  if (!src) {
    TPersistent::Assign(ASource);
    return;
  }
  if (src == this) return;
  FUnits = src->FUnits;
  FRanges.clear();
  for (const auto& r : src->FRanges) FRanges.push_back(std::make_unique<TIdEntityRange>(*r));
}

TIdEntityRange& TIdEntityRanges::Add() {
  FRanges.push_back(std::make_unique<TIdEntityRange>());
  return *FRanges.back();
}

void TIdEntityRanges::Delete(int AIndex) {
  if (AIndex >= 0 && AIndex < Count()) FRanges.erase(FRanges.begin() + AIndex);
}

void TIdEntityRanges::SetUnits(std::u16string_view AValue) {
  const std::u16string v = Trim(AValue);
  FUnits = v.empty() ? std::u16string(u"bytes") : std::u16string(AValue);
}

std::u16string TIdEntityRanges::Text() const {
  std::u16string joined;
  for (const auto& r : FRanges) {
    const std::u16string t = r->Text();
    if (t.empty()) continue;
    if (!joined.empty()) joined += u",";
    joined += t;
  }
  return joined.empty() ? joined : FUnits + u"=" + joined;
}

void TIdEntityRanges::SetText(std::u16string_view AValue) {
  FRanges.clear();
  std::u16string_view rest = AValue;
  const size_t eq = AValue.find(u'=');
  if (eq != std::u16string_view::npos) {
    SetUnits(Trim(AValue.substr(0, eq)));
    rest = AValue.substr(eq + 1);
  }
  while (!rest.empty()) {
    const size_t comma = rest.find(u',');
    const std::u16string piece = Trim(rest.substr(0, comma));
    if (!piece.empty()) Add().SetText(piece);
    if (comma == std::u16string_view::npos) break;
    rest = rest.substr(comma + 1);
  }
}

// --- Entity headers ----------------------------------------------------------------------------

TIdEntityHeaderInfo::TIdEntityHeaderInfo(TPersistent* AOwner)
    : FOwner(AOwner), FRawHeaders(std::make_unique<TIdHeaderList>(QuoteHTTP)),
      FCustomHeaders(std::make_unique<TIdHeaderList>(QuoteHTTP)) {
  FRawHeaders->SetFoldLength(INT_MAX);
  FCustomHeaders->SetFoldLength(INT_MAX);
  ClearEntity();
}

TIdEntityHeaderInfo::~TIdEntityHeaderInfo() = default;

bool TIdEntityHeaderInfo::IsLoading() const {
  auto* owner = dynamic_cast<const TComponent*>(FOwner);
  return owner && (owner->ComponentState() & csLoading) != 0;
}

void TIdEntityHeaderInfo::ClearEntity() {
  FCacheControl.clear();
  FRawHeaders->Clear();
  FCharSet.clear();
  FConnection.clear();
  FContentDisposition.clear();
  FContentEncoding.clear();
  FContentLanguage.clear();
  FContentLength = -1;
  FContentRangeEnd = FContentRangeStart = FContentRangeInstanceLength = -1;
  FContentRangeUnits.clear();
  FContentType.clear();
  FContentVersion.clear();
  FCustomHeaders->Clear();
  FDate = 0;
  FExpires = 0;
  FETag.clear();
  FLastModified = 0;
}

void TIdEntityHeaderInfo::Clear() {
  ClearEntity();
}

void TIdEntityHeaderInfo::AssignEntity(const TIdEntityHeaderInfo& ASource) {
  if (&ASource == this) return;
  FCacheControl = ASource.FCacheControl;
  FRawHeaders->Assign(*ASource.FRawHeaders);
  FCharSet = ASource.FCharSet;
  FConnection = ASource.FConnection;
  FContentDisposition = ASource.FContentDisposition;
  FContentEncoding = ASource.FContentEncoding;
  FContentLanguage = ASource.FContentLanguage;
  FContentLength = ASource.FContentLength;
  FContentRangeEnd = ASource.FContentRangeEnd;
  FContentRangeStart = ASource.FContentRangeStart;
  FContentRangeInstanceLength = ASource.FContentRangeInstanceLength;
  FContentRangeUnits = ASource.FContentRangeUnits;
  FContentType = ASource.FContentType;
  FContentVersion = ASource.FContentVersion;
  FCustomHeaders->Assign(*ASource.FCustomHeaders);
  FDate = ASource.FDate;
  FExpires = ASource.FExpires;
  FETag = ASource.FETag;
  FLastModified = ASource.FLastModified;
  FPragma = ASource.FPragma;
  FHasContentLength = ASource.FHasContentLength;
  FTransferEncoding = ASource.FTransferEncoding;
}

void TIdEntityHeaderInfo::Assign(const TPersistent& ASource) {
  if (auto* src = dynamic_cast<const TIdEntityHeaderInfo*>(&ASource))
    AssignEntity(*src);
  else
    TPersistent::Assign(ASource);
}

void TIdEntityHeaderInfo::SetContentLength(int64_t AValue) {
  FContentLength = AValue;
  FHasContentLength = AValue >= 0;
}

void TIdEntityHeaderInfo::SetContentType(const std::u16string& AValue) {
  if (AValue.empty()) {
    FContentType.clear();
    FCharSet.clear();
    return;
  }
  std::u16string charset;
  FContentType = TakeHeaderParam(AValue, u"charset", QuoteHTTP, charset);
  if (IsLoading()) return;
  if (!charset.empty()) {
    FCharSet = charset;
  } else if (FCharSet.empty() && MediaTypeIs(FContentType, u"text")) {
    const std::u16string sub = GetMediaSubType(FContentType);
    if (SameText(sub, u"xml") || SameText(sub, u"xml-external-parsed-entity") ||
        EndsText(u"+xml", sub))
      FCharSet = u"us-ascii";
    else
      FCharSet = u"ISO-8859-1";
  }
}

void TIdEntityHeaderInfo::ParseRawHeaders() {
  const TIdHeaderList& raw = *FRawHeaders;
  FCacheControl = raw.Values(u"Cache-control");
  FConnection = raw.Values(u"Connection");
  FContentVersion = raw.Values(u"Content-Version");
  FContentDisposition = raw.Values(u"Content-Disposition");
  FContentEncoding = raw.Values(u"Content-Encoding");
  FContentLanguage = raw.Values(u"Content-Language");
  SetContentType(raw.Values(u"Content-Type"));
  SetContentLength(Int64OrMinusOne(raw.Values(u"Content-Length")));

  FContentRangeStart = FContentRangeEnd = FContentRangeInstanceLength = -1;
  FContentRangeUnits.clear();
  const std::u16string range = raw.Values(u"Content-Range");
  if (!range.empty()) {
    // units SP start "-" end "/" instance-length; "*" in place of a number leaves it -1.
    const size_t sp = range.find(u' ');
    const std::u16string_view byteRange = sp == std::u16string::npos
                                              ? std::u16string_view(range)
                                              : std::u16string_view(range).substr(sp + 1);
    if (sp != std::u16string::npos) FContentRangeUnits = range.substr(0, sp);
    const size_t slash = byteRange.find(u'/');
    const std::u16string_view span = byteRange.substr(0, slash);
    const size_t dash = span.find(u'-');
    if (dash != std::u16string_view::npos) {
      FContentRangeStart = Int64OrMinusOne(span.substr(0, dash));
      FContentRangeEnd = Int64OrMinusOne(span.substr(dash + 1));
    }
    if (slash != std::u16string_view::npos)
      FContentRangeInstanceLength = Int64OrMinusOne(byteRange.substr(slash + 1));
  }

  const std::u16string date = raw.Values(u"Date");
  FDate = date.empty() ? DateTimeNow() : GMTToLocalDateTime(date);
  FLastModified = GMTToLocalDateTime(raw.Values(u"Last-Modified"));

  const std::u16string expires = raw.Values(u"Expires");
  FExpires = 0;
  if (!expires.empty()) {
    int64_t seconds = 0;
    if (TryStrToInt64(expires, seconds)) {
      if (seconds >= 0) FExpires = DateTimeNow() + static_cast<double>(seconds) / IdSecondsPerDay;
    } else {
      FExpires = GMTToLocalDateTime(expires);
      // An invalid date means "already expired".
      if (FExpires == 0) FExpires = DateTimeNow() - 1.0 / IdSecondsPerDay;
    }
  }
  FETag = raw.Values(u"ETag");
  FPragma = raw.Values(u"Pragma");
  FTransferEncoding = raw.Values(u"Transfer-Encoding");
}

void TIdEntityHeaderInfo::BuildRawHeaders() {
  TIdHeaderList& raw = *FRawHeaders;
  raw.Clear();
  SetIfNotEmpty(raw, u"Connection", FConnection);
  SetIfNotEmpty(raw, u"Content-Version", FContentVersion);
  SetIfNotEmpty(raw, u"Content-Disposition", FContentDisposition);
  SetIfNotEmpty(raw, u"Content-Encoding", FContentEncoding);
  SetIfNotEmpty(raw, u"Content-Language", FContentLanguage);
  if (!FContentType.empty()) {
    raw.SetValue(u"Content-Type", FContentType);
    raw.SetParam(u"Content-Type", u"charset", FCharSet);
  }
  if (FContentLength >= 0) raw.SetValue(u"Content-Length", IntToStr(FContentLength));
  if (HasContentRange() || HasContentRangeInstance()) {
    std::u16string v = FContentRangeUnits.empty() ? std::u16string(u"bytes") : FContentRangeUnits;
    v += u" ";
    v += HasContentRange() ? Format(u"%d-%d", FContentRangeStart, FContentRangeEnd) : u"*";
    v += u"/";
    v += HasContentRangeInstance() ? IntToStr(FContentRangeInstanceLength) : u"*";
    raw.SetValue(u"Content-Range", v);
  }
  SetIfNotEmpty(raw, u"Cache-control", FCacheControl);
  if (FDate != 0) raw.SetValue(u"Date", LocalDateTimeToGMT(FDate));
  SetIfNotEmpty(raw, u"ETag", FETag);
  if (FExpires != 0) raw.SetValue(u"Expires", LocalDateTimeToGMT(FExpires));
  SetIfNotEmpty(raw, u"Pragma", FPragma);
  SetIfNotEmpty(raw, u"Transfer-Encoding", FTransferEncoding);
  // Custom lines go in unchanged, duplicates included, right after the entity headers.
  if (FCustomHeaders->Count() > 0) raw.SetText(raw.Text() + FCustomHeaders->Text());
}

// --- Request headers ---------------------------------------------------------------------------

TIdRequestHeaderInfo::TIdRequestHeaderInfo(TPersistent* AOwner)
    : TIdEntityHeaderInfo(AOwner), FRanges(std::make_unique<TIdEntityRanges>()) {
  Clear();
}

TIdRequestHeaderInfo::~TIdRequestHeaderInfo() = default;

void TIdRequestHeaderInfo::Clear() {
  FAccept = kDefaultAccept;
  FAcceptCharSet.clear();
  FUserAgent = kDefaultUserAgent;
  FBasicByDefault = false;
  FRanges->Clear();
  FMethodOverride.clear();
  ClearEntity();
}

void TIdRequestHeaderInfo::Assign(const TPersistent& ASource) {
  auto* src = dynamic_cast<const TIdRequestHeaderInfo*>(&ASource);
  if (src && src != this) {
    FAccept = src->FAccept;
    FAcceptCharSet = src->FAcceptCharSet;
    FAcceptEncoding = src->FAcceptEncoding;
    FAcceptLanguage = src->FAcceptLanguage;
    FExpect = src->FExpect;
    FFrom = src->FFrom;
    FPassword = src->FPassword;
    FReferer = src->FReferer;
    FUserAgent = src->FUserAgent;
    FUserName = src->FUserName;
    FHost = src->FHost;
    FProxyConnection = src->FProxyConnection;
    FRanges->Assign(*src->FRanges);
    FBasicByDefault = src->FBasicByDefault;
    FMethodOverride = src->FMethodOverride;
  }
  TIdEntityHeaderInfo::Assign(ASource);
}

void TIdRequestHeaderInfo::SetAuthentication(std::unique_ptr<TIdAuthentication> AValue) {
  FAuthentication = std::move(AValue);
}

void TIdRequestHeaderInfo::ParseRawHeaders() {
  TIdEntityHeaderInfo::ParseRawHeaders();
  const TIdHeaderList& raw = *FRawHeaders;
  FAccept = raw.Values(u"Accept");
  FAcceptCharSet = raw.Values(u"Accept-Charset");
  FAcceptEncoding = raw.Values(u"Accept-Encoding");
  FAcceptLanguage = raw.Values(u"Accept-Language");
  FHost = raw.Values(u"Host");
  FFrom = raw.Values(u"From");
  FReferer = raw.Values(u"Referer");
  FUserAgent = raw.Values(u"User-Agent");
  FRanges->SetText(raw.Values(u"Range"));
  FMethodOverride = raw.Values(u"X-HTTP-Method-Override");
}

void TIdRequestHeaderInfo::BuildRawHeaders() {
  TIdEntityHeaderInfo::BuildRawHeaders();
  TIdHeaderList& raw = *FRawHeaders;
  SetIfNotEmpty(raw, u"Proxy-Connection", FProxyConnection);
  SetIfNotEmpty(raw, u"Host", FHost);
  SetIfNotEmpty(raw, u"Accept", FAccept);
  SetIfNotEmpty(raw, u"Accept-Charset", FAcceptCharSet);
  SetIfNotEmpty(raw, u"Accept-Encoding", FAcceptEncoding);
  SetIfNotEmpty(raw, u"Accept-Language", FAcceptLanguage);
  SetIfNotEmpty(raw, u"From", FFrom);
  SetIfNotEmpty(raw, u"Referer", FReferer);
  SetIfNotEmpty(raw, u"User-Agent", FUserAgent);
  SetIfNotEmpty(raw, u"Range", FRanges->Text());
  if (FLastModified != 0) raw.SetValue(u"If-Modified-Since", LocalDateTimeToGMT(FLastModified));
  if (!FAuthentication && FBasicByDefault) {
    auto basic = std::make_unique<TIdBasicAuthentication>();
    basic->SetUsername(FUserName);
    basic->SetPassword(FPassword);
    FAuthentication = std::move(basic);
  }
  if (FAuthentication) SetIfNotEmpty(raw, u"Authorization", FAuthentication->Authentication());
  SetIfNotEmpty(raw, u"X-HTTP-Method-Override", FMethodOverride);
}

// --- Response headers --------------------------------------------------------------------------

TIdResponseHeaderInfo::TIdResponseHeaderInfo(TPersistent* AOwner)
    : TIdEntityHeaderInfo(AOwner), FProxyAuthenticate(std::make_unique<TIdHeaderList>(QuoteHTTP)),
      FWWWAuthenticate(std::make_unique<TIdHeaderList>(QuoteHTTP)) {
  FProxyAuthenticate->SetFoldLength(INT_MAX);
  FWWWAuthenticate->SetFoldLength(INT_MAX);
  Clear();
}

TIdResponseHeaderInfo::~TIdResponseHeaderInfo() = default;

void TIdResponseHeaderInfo::Clear() {
  ClearEntity();
  FContentType.clear();
  FCharSet.clear();
  FLocation.clear();
  FServer.clear();
  FAcceptPatch.clear();
  FAcceptRanges.clear();
  FProxyAuthenticate->Clear();
  FWWWAuthenticate->Clear();
}

void TIdResponseHeaderInfo::Assign(const TPersistent& ASource) {
  auto* src = dynamic_cast<const TIdResponseHeaderInfo*>(&ASource);
  if (src && src != this) {
    FAcceptPatch = src->FAcceptPatch;
    FAcceptRanges = src->FAcceptRanges;
    FLocation = src->FLocation;
    FServer = src->FServer;
    FProxyConnection = src->FProxyConnection;
    FProxyAuthenticate->Assign(*src->FProxyAuthenticate);
    FWWWAuthenticate->Assign(*src->FWWWAuthenticate);
  }
  TIdEntityHeaderInfo::Assign(ASource);
}

void TIdResponseHeaderInfo::ParseRawHeaders() {
  TIdEntityHeaderInfo::ParseRawHeaders();
  const TIdHeaderList& raw = *FRawHeaders;
  FLocation = raw.Values(u"Location");
  FServer = raw.Values(u"Server");
  FProxyConnection = raw.Values(u"Proxy-Connection");
  FWWWAuthenticate->Clear();
  raw.Extract(u"WWW-Authenticate", *FWWWAuthenticate);
  FProxyAuthenticate->Clear();
  raw.Extract(u"Proxy-Authenticate", *FProxyAuthenticate);
  FAcceptPatch = raw.Values(u"Accept-Patch");
  FAcceptRanges = raw.Values(u"Accept-Ranges");
}

void TIdResponseHeaderInfo::BuildRawHeaders() {
  TIdEntityHeaderInfo::BuildRawHeaders();
  TIdHeaderList& raw = *FRawHeaders;
  SetIfNotEmpty(raw, u"Accept-Patch", FAcceptPatch);
  SetIfNotEmpty(raw, u"Accept-Ranges", FAcceptRanges);
  if (FLastModified != 0) raw.SetValue(u"Last-Modified", LocalDateTimeToGMT(FLastModified));
}

// --- Meta HTTP-EQUIV ---------------------------------------------------------------------------

TIdMetaHTTPEquiv::TIdMetaHTTPEquiv(TPersistent* AOwner) : TIdEntityHeaderInfo(AOwner) {}

namespace {

bool IsTagNameEnd(char16_t c) {
  return c <= u' ' || c == u'>' || c == u'/';
}

// Attributes of the tag whose name ends at AIndex, up to its ">"; AIndex ends after the tag.
std::vector<std::pair<std::u16string, std::u16string>> ReadTagAttributes(std::u16string_view s,
                                                                         size_t& i) {
  std::vector<std::pair<std::u16string, std::u16string>> attrs;
  const size_t n = s.size();
  while (i < n) {
    while (i < n && (s[i] <= u' ' || s[i] == u'/')) ++i;
    if (i >= n) break;
    if (s[i] == u'>') {
      ++i;
      break;
    }
    size_t b = i;
    while (i < n && s[i] > u' ' && s[i] != u'=' && s[i] != u'>' && s[i] != u'/') ++i;
    std::u16string name = LowerCase(s.substr(b, i - b));
    while (i < n && s[i] <= u' ') ++i;
    std::u16string value;
    if (i < n && s[i] == u'=') {
      ++i;
      while (i < n && s[i] <= u' ') ++i;
      if (i < n && (s[i] == u'"' || s[i] == u'\'')) {
        const char16_t q = s[i++];
        b = i;
        while (i < n && s[i] != q) ++i;
        value = std::u16string(s.substr(b, i - b));
        if (i < n) ++i;
      } else {
        b = i;
        while (i < n && s[i] > u' ' && s[i] != u'>') ++i;
        value = std::u16string(s.substr(b, i - b));
      }
    }
    if (name.empty())
      ++i; // a stray character: step over it
    else
      attrs.emplace_back(std::move(name), std::move(value));
  }
  return attrs;
}

} // namespace

void TIdMetaHTTPEquiv::ProcessMetaHTTPEquiv(TStream& AStream) {
  const int64_t start = AStream.Position();
  std::vector<uint8_t> bytes;
  uint8_t chunk[8192];
  while (static_cast<int64_t>(bytes.size()) < MaxScanBytes) {
    const int64_t want =
        std::min<int64_t>(sizeof chunk, MaxScanBytes - static_cast<int64_t>(bytes.size()));
    const int64_t n = AStream.Read(chunk, want);
    if (n <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  AStream.SetPosition(start);

  // The markup that matters is ASCII; one character per byte keeps offsets simple.
  const std::u16string html(bytes.begin(), bytes.end());
  ClearEntity();
  std::u16string declaredCharset;
  size_t i = 0;
  while ((i = html.find(u'<', i)) != std::u16string::npos) {
    ++i;
    if (html.compare(i, 3, u"!--") == 0) {
      const size_t end = html.find(u"-->", i + 3);
      if (end == std::u16string::npos) break;
      i = end + 3;
      continue;
    }
    size_t b = i;
    while (i < html.size() && !IsTagNameEnd(html[i])) ++i;
    const std::u16string tag = LowerCase(std::u16string_view(html).substr(b, i - b));
    if (tag == u"/head" || tag == u"body") break;
    if (tag != u"meta") continue;
    std::u16string equiv, content, charset;
    for (auto& [name, value] : ReadTagAttributes(html, i)) {
      if (name == u"http-equiv")
        equiv = Trim(value);
      else if (name == u"content")
        content = Trim(value);
      else if (name == u"charset")
        charset = Trim(value);
    }
    if (!equiv.empty() && !content.empty()) FRawHeaders->SetValue(equiv, content);
    if (!charset.empty()) declaredCharset = charset;
  }
  if (FRawHeaders->Count() > 0) ParseRawHeaders();
  if (!declaredCharset.empty()) FCharSet = declaredCharset;
}

// --- Proxy settings ----------------------------------------------------------------------------

TIdProxyConnectionInfo::TIdProxyConnectionInfo() {
  Clear();
}

TIdProxyConnectionInfo::~TIdProxyConnectionInfo() = default;

void TIdProxyConnectionInfo::Clear() {
  FServer.clear();
  FUsername.clear();
  FPassword.clear();
  FPort = 0;
}

void TIdProxyConnectionInfo::Assign(const TPersistent& ASource) {
  auto* src = dynamic_cast<const TIdProxyConnectionInfo*>(&ASource);
  if (!src) {
    TPersistent::Assign(ASource);
    return;
  }
  if (src == this) return;
  // The authentication object belongs to the connection in progress and is not copied.
  SetProxyServer(src->FServer);
  SetProxyPort(src->FPort);
  FUsername = src->FUsername;
  FPassword = src->FPassword;
  FBasicByDefault = src->FBasicByDefault;
}

void TIdProxyConnectionInfo::SetProxyServer(const std::u16string& AValue) {
  if (!SameText(AValue, FServer)) FAuthentication.reset();
  FServer = AValue;
}

void TIdProxyConnectionInfo::SetProxyPort(int AValue) {
  if (AValue != FPort) FAuthentication.reset();
  FPort = AValue;
}

void TIdProxyConnectionInfo::SetAuthentication(std::unique_ptr<TIdAuthentication> AValue) {
  FAuthentication = std::move(AValue);
}

void TIdProxyConnectionInfo::SetHeaders(TIdHeaderList& AHeaders) {
  std::u16string value;
  if (FAuthentication) {
    value = FAuthentication->Authentication();
  } else if (FBasicByDefault) {
    auto basic = std::make_unique<TIdBasicAuthentication>();
    basic->SetUsername(FUsername);
    basic->SetPassword(FPassword);
    value = basic->Authentication();
    FAuthentication = std::move(basic);
  }
  if (!value.empty()) AHeaders.SetValue(u"Proxy-Authorization", value);
}
