// Typed HTTP header records over raw header lists: the entity headers that describe a body, the
// request and response headers, the headers an HTML body declares in its meta tags, the proxy
// settings, and byte ranges. ParseRawHeaders fills the fields from RawHeaders; BuildRawHeaders
// writes RawHeaders from the fields in the fixed order that the headers take on the wire.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/ozkPersistent.h"
#include "base/ozkStream.h"
#include "http/ozkIdAuthentication.h"
#include "http/ozkIdGlobalProtocols.h"
#include "http/ozkIdHeaderList.h"

// One range of a "Range" header: "start-end", "start-" or "-suffix".
class TIdEntityRange {
 public:
  int64_t StartPos() const { return FStartPos; }
  void SetStartPos(int64_t AValue) { FStartPos = AValue; }
  int64_t EndPos() const { return FEndPos; }
  void SetEndPos(int64_t AValue) { FEndPos = AValue; }
  int64_t SuffixLength() const { return FSuffixLength; }
  void SetSuffixLength(int64_t AValue) { FSuffixLength = AValue; }
  std::u16string Text() const;
  void SetText(std::u16string_view AValue);

 private:
  int64_t FStartPos = -1;
  int64_t FEndPos = -1;
  int64_t FSuffixLength = -1;
};

class TIdEntityRanges : public TPersistent {
 public:
  TIdEntityRanges();
  ~TIdEntityRanges() override;
  void Assign(const TPersistent& ASource) override;

  TIdEntityRange& Add();
  int Count() const { return static_cast<int>(FRanges.size()); }
  TIdEntityRange& Items(int AIndex) { return *FRanges.at(static_cast<size_t>(AIndex)); }
  const TIdEntityRange& Items(int AIndex) const { return *FRanges.at(static_cast<size_t>(AIndex)); }
  void Delete(int AIndex);
  void Clear() { FRanges.clear(); }

  const std::u16string& Units() const { return FUnits; }
  // An empty or blank value gives "bytes".
  void SetUnits(std::u16string_view AValue);
  // units "=" range texts joined by ","; empty when no range has a text.
  std::u16string Text() const;
  void SetText(std::u16string_view AValue);

 private:
  std::vector<std::unique_ptr<TIdEntityRange>> FRanges;
  std::u16string FUnits = u"bytes";
};

class TIdEntityHeaderInfo : public TPersistent {
 public:
  explicit TIdEntityHeaderInfo(TPersistent* AOwner = nullptr);
  ~TIdEntityHeaderInfo() override;
  TIdEntityHeaderInfo(const TIdEntityHeaderInfo&) = delete;
  TIdEntityHeaderInfo& operator=(const TIdEntityHeaderInfo&) = delete;

  // Copies every field and both lists. Authentication objects are not copied: they belong to
  // the exchange in progress.
  void Assign(const TPersistent& ASource) override;
  virtual void Clear();
  // Fields from RawHeaders. Public (not protected) because the engine's protocol object drives
  // the records it owns.
  virtual void ParseRawHeaders();
  // RawHeaders from the fields; the order of the calls is the order on the wire.
  virtual void BuildRawHeaders();

  TPersistent* Owner() const { return FOwner; }
  TIdHeaderList& RawHeaders() { return *FRawHeaders; }
  const TIdHeaderList& RawHeaders() const { return *FRawHeaders; }
  TIdHeaderList& CustomHeaders() { return *FCustomHeaders; }
  const TIdHeaderList& CustomHeaders() const { return *FCustomHeaders; }

  const std::u16string& CacheControl() const { return FCacheControl; }
  void SetCacheControl(const std::u16string& AValue) { FCacheControl = AValue; }
  const std::u16string& CharSet() const { return FCharSet; }
  void SetCharSet(const std::u16string& AValue) { FCharSet = AValue; }
  const std::u16string& Connection() const { return FConnection; }
  void SetConnection(const std::u16string& AValue) { FConnection = AValue; }
  const std::u16string& ContentDisposition() const { return FContentDisposition; }
  void SetContentDisposition(const std::u16string& AValue) { FContentDisposition = AValue; }
  const std::u16string& ContentEncoding() const { return FContentEncoding; }
  void SetContentEncoding(const std::u16string& AValue) { FContentEncoding = AValue; }
  const std::u16string& ContentLanguage() const { return FContentLanguage; }
  void SetContentLanguage(const std::u16string& AValue) { FContentLanguage = AValue; }
  int64_t ContentLength() const { return FContentLength; }
  // Also sets HasContentLength to AValue >= 0.
  void SetContentLength(int64_t AValue);
  int64_t ContentRangeEnd() const { return FContentRangeEnd; }
  void SetContentRangeEnd(int64_t AValue) { FContentRangeEnd = AValue; }
  int64_t ContentRangeStart() const { return FContentRangeStart; }
  void SetContentRangeStart(int64_t AValue) { FContentRangeStart = AValue; }
  int64_t ContentRangeInstanceLength() const { return FContentRangeInstanceLength; }
  void SetContentRangeInstanceLength(int64_t AValue) { FContentRangeInstanceLength = AValue; }
  const std::u16string& ContentRangeUnits() const { return FContentRangeUnits; }
  void SetContentRangeUnits(const std::u16string& AValue) { FContentRangeUnits = AValue; }
  const std::u16string& ContentType() const { return FContentType; }
  // Takes a charset parameter out into CharSet; a text type without one gets the default
  // charset of its subtype ("us-ascii" for XML, "ISO-8859-1" for other text) when CharSet is
  // empty. An empty value empties ContentType and CharSet.
  void SetContentType(const std::u16string& AValue);
  const std::u16string& ContentVersion() const { return FContentVersion; }
  void SetContentVersion(const std::u16string& AValue) { FContentVersion = AValue; }
  TDateTime Date() const { return FDate; }
  void SetDate(TDateTime AValue) { FDate = AValue; }
  TDateTime Expires() const { return FExpires; }
  void SetExpires(TDateTime AValue) { FExpires = AValue; }
  const std::u16string& ETag() const { return FETag; }
  void SetETag(const std::u16string& AValue) { FETag = AValue; }
  TDateTime LastModified() const { return FLastModified; }
  void SetLastModified(TDateTime AValue) { FLastModified = AValue; }
  const std::u16string& Pragma() const { return FPragma; }
  void SetPragma(const std::u16string& AValue) { FPragma = AValue; }
  bool HasContentLength() const { return FHasContentLength; }
  const std::u16string& TransferEncoding() const { return FTransferEncoding; }
  void SetTransferEncoding(const std::u16string& AValue) { FTransferEncoding = AValue; }
  bool HasContentRange() const { return FContentRangeEnd >= 0; }
  bool HasContentRangeInstance() const { return FContentRangeInstanceLength >= 0; }

 protected:
  // True while the owner is being loaded from a stored form (no charset defaults then).
  bool IsLoading() const;
  void ClearEntity();
  void AssignEntity(const TIdEntityHeaderInfo& ASource);

  TPersistent* FOwner = nullptr;
  std::u16string FCacheControl;
  std::unique_ptr<TIdHeaderList> FRawHeaders;
  std::u16string FCharSet;
  std::u16string FConnection;
  std::u16string FContentDisposition;
  std::u16string FContentEncoding;
  std::u16string FContentLanguage;
  int64_t FContentLength = -1;
  int64_t FContentRangeEnd = -1;
  int64_t FContentRangeStart = -1;
  int64_t FContentRangeInstanceLength = -1;
  std::u16string FContentRangeUnits;
  std::u16string FContentType;
  std::u16string FContentVersion;
  std::unique_ptr<TIdHeaderList> FCustomHeaders;
  TDateTime FDate = 0;
  TDateTime FExpires = 0;
  std::u16string FETag;
  TDateTime FLastModified = 0;
  std::u16string FPragma;
  bool FHasContentLength = false;
  std::u16string FTransferEncoding;
};

class TIdRequestHeaderInfo : public TIdEntityHeaderInfo {
 public:
  explicit TIdRequestHeaderInfo(TPersistent* AOwner = nullptr);
  ~TIdRequestHeaderInfo() override;

  void Assign(const TPersistent& ASource) override;
  void Clear() override;
  void ParseRawHeaders() override;
  void BuildRawHeaders() override;

  const std::u16string& Accept() const { return FAccept; }
  void SetAccept(const std::u16string& AValue) { FAccept = AValue; }
  const std::u16string& AcceptCharSet() const { return FAcceptCharSet; }
  void SetAcceptCharSet(const std::u16string& AValue) { FAcceptCharSet = AValue; }
  const std::u16string& AcceptEncoding() const { return FAcceptEncoding; }
  void SetAcceptEncoding(const std::u16string& AValue) { FAcceptEncoding = AValue; }
  const std::u16string& AcceptLanguage() const { return FAcceptLanguage; }
  void SetAcceptLanguage(const std::u16string& AValue) { FAcceptLanguage = AValue; }
  const std::u16string& Expect() const { return FExpect; }
  void SetExpect(const std::u16string& AValue) { FExpect = AValue; }
  const std::u16string& From() const { return FFrom; }
  void SetFrom(const std::u16string& AValue) { FFrom = AValue; }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(const std::u16string& AValue) { FPassword = AValue; }
  const std::u16string& Referer() const { return FReferer; }
  void SetReferer(const std::u16string& AValue) { FReferer = AValue; }
  const std::u16string& UserAgent() const { return FUserAgent; }
  void SetUserAgent(const std::u16string& AValue) { FUserAgent = AValue; }
  const std::u16string& Username() const { return FUserName; }
  void SetUsername(const std::u16string& AValue) { FUserName = AValue; }
  const std::u16string& Host() const { return FHost; }
  void SetHost(const std::u16string& AValue) { FHost = AValue; }
  const std::u16string& ProxyConnection() const { return FProxyConnection; }
  void SetProxyConnection(const std::u16string& AValue) { FProxyConnection = AValue; }
  TIdEntityRanges& Ranges() { return *FRanges; }
  const TIdEntityRanges& Ranges() const { return *FRanges; }
  bool BasicAuthentication() const { return FBasicByDefault; }
  void SetBasicAuthentication(bool AValue) { FBasicByDefault = AValue; }
  // The authentication object of the exchange (owned), or null.
  TIdAuthentication* Authentication() const { return FAuthentication.get(); }
  void SetAuthentication(std::unique_ptr<TIdAuthentication> AValue);
  const std::u16string& MethodOverride() const { return FMethodOverride; }
  void SetMethodOverride(const std::u16string& AValue) { FMethodOverride = AValue; }

 protected:
  std::u16string FAccept;
  std::u16string FAcceptCharSet;
  std::u16string FAcceptEncoding;
  std::u16string FAcceptLanguage;
  std::u16string FExpect;
  std::u16string FFrom;
  std::u16string FPassword;
  std::u16string FReferer;
  std::u16string FUserAgent;
  std::u16string FUserName;
  std::u16string FHost;
  std::u16string FProxyConnection;
  std::unique_ptr<TIdEntityRanges> FRanges;
  bool FBasicByDefault = false;
  std::unique_ptr<TIdAuthentication> FAuthentication;
  std::u16string FMethodOverride;
};

class TIdResponseHeaderInfo : public TIdEntityHeaderInfo {
 public:
  explicit TIdResponseHeaderInfo(TPersistent* AOwner = nullptr);
  ~TIdResponseHeaderInfo() override;

  void Assign(const TPersistent& ASource) override;
  void Clear() override;
  void ParseRawHeaders() override;
  void BuildRawHeaders() override;

  const std::u16string& AcceptPatch() const { return FAcceptPatch; }
  void SetAcceptPatch(const std::u16string& AValue) { FAcceptPatch = AValue; }
  const std::u16string& AcceptRanges() const { return FAcceptRanges; }
  void SetAcceptRanges(const std::u16string& AValue) { FAcceptRanges = AValue; }
  const std::u16string& Location() const { return FLocation; }
  void SetLocation(const std::u16string& AValue) { FLocation = AValue; }
  const std::u16string& Server() const { return FServer; }
  void SetServer(const std::u16string& AValue) { FServer = AValue; }
  const std::u16string& ProxyConnection() const { return FProxyConnection; }
  void SetProxyConnection(const std::u16string& AValue) { FProxyConnection = AValue; }
  TIdHeaderList& ProxyAuthenticate() { return *FProxyAuthenticate; }
  TIdHeaderList& WWWAuthenticate() { return *FWWWAuthenticate; }

 protected:
  std::u16string FAcceptPatch;
  std::u16string FAcceptRanges;
  std::u16string FLocation;
  std::u16string FServer;
  std::u16string FProxyConnection;
  std::unique_ptr<TIdHeaderList> FProxyAuthenticate;
  std::unique_ptr<TIdHeaderList> FWWWAuthenticate;
};

// Headers declared by an HTML body: <meta http-equiv="..." content="..."> and <meta charset>.
class TIdMetaHTTPEquiv : public TIdEntityHeaderInfo {
 public:
  explicit TIdMetaHTTPEquiv(TPersistent* AOwner = nullptr);

  // Scans the head of the HTML in AStream (from its current position, which is restored) and
  // puts the declared headers into RawHeaders and the declared charset into CharSet. The scan
  // reads at most the first MaxScanBytes bytes and stops at "</head>" or "<body".
  void ProcessMetaHTTPEquiv(TStream& AStream);

  static constexpr int64_t MaxScanBytes = 1 << 20;
};

class TIdProxyConnectionInfo : public TPersistent {
 public:
  TIdProxyConnectionInfo();
  ~TIdProxyConnectionInfo() override;

  void Assign(const TPersistent& ASource) override;
  void Clear();
  // Adds "Proxy-Authorization" to AHeaders when there is a value for it.
  void SetHeaders(TIdHeaderList& AHeaders);

  const std::u16string& ProxyPassword() const { return FPassword; }
  void SetProxyPassword(const std::u16string& AValue) { FPassword = AValue; }
  int ProxyPort() const { return FPort; }
  // A different port drops the authentication object.
  void SetProxyPort(int AValue);
  const std::u16string& ProxyServer() const { return FServer; }
  // A different server (other than by letter case) drops the authentication object.
  void SetProxyServer(const std::u16string& AValue);
  const std::u16string& ProxyUsername() const { return FUsername; }
  void SetProxyUsername(const std::u16string& AValue) { FUsername = AValue; }
  bool BasicAuthentication() const { return FBasicByDefault; }
  void SetBasicAuthentication(bool AValue) { FBasicByDefault = AValue; }
  TIdAuthentication* Authentication() const { return FAuthentication.get(); }
  void SetAuthentication(std::unique_ptr<TIdAuthentication> AValue);

 protected:
  std::unique_ptr<TIdAuthentication> FAuthentication;
  std::u16string FPassword;
  int FPort = 0;
  std::u16string FServer;
  std::u16string FUsername;
  bool FBasicByDefault = false;
};
