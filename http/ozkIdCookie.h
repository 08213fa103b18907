// The HTTP client's cookie store: parses "Set-Cookie" values received for a URL, keeps the
// cookies with their domain, path, expiry and secure flag, and builds the "Cookie" header for
// a request. Matching follows RFC 6265 (host-only and domain cookies, path prefixes, Max-Age
// before Expires, secure cookies only over HTTPS); the store is bounded so that a hostile
// server cannot make it grow without limit.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/ozkStringList.h"
#include "http/ozkIdHeaderList.h"
#include "http/ozkIdURI.h"
#include "net/ozkIdComponent.h"

// One stored cookie. Times are seconds since 1970-01-01 UTC.
struct TIdCookie {
  std::u16string Name;
  std::u16string Value;
  std::u16string Domain; // lower case, without a leading "."
  std::u16string Path;
  int64_t Expires = 0;     // valid while Persistent
  bool Persistent = false; // Max-Age or Expires given; otherwise a session cookie
  bool HostOnly = true;    // no Domain attribute: sent to exactly this host
  bool Secure = false;
  bool HttpOnly = false;
  int64_t CreationTime = 0;
  uint64_t Sequence = 0; // order of creation, to break ties between equal times
};

class TIdCookieManager;
// Called for every cookie about to be stored; setting VAccept to false drops it.
using TIdOnNewCookieEvent =
    std::function<void(TIdCookieManager* ASender, const TIdCookie& ACookie, bool& VAccept)>;

class TIdCookieManager : public TIdBaseComponent {
 public:
  explicit TIdCookieManager(TComponent* AOwner = nullptr);
  ~TIdCookieManager() override;

  // Limits: cookies per domain, cookies in all, and bytes of name plus value per cookie. The
  // oldest cookie of a full domain (else of the whole store) makes room for a new one.
  static constexpr int MaxCookiesPerDomain = 50;
  static constexpr int MaxCookies = 3000;
  static constexpr size_t MaxCookieSize = 4096;

  // Stores every "Set-Cookie" value of AHeaders (a response's raw headers) received for AURL.
  void AddServerCookies(const TIdHeaderList& AHeaders, const TIdURI& AURL);
  // Stores one "Set-Cookie" value; false when it was rejected (malformed, foreign domain,
  // secure over plain HTTP, too large) or only deleted an existing cookie.
  bool AddServerCookie(std::u16string_view ASetCookie, const TIdURI& AURL);
  // The "Cookie" value for a request to AURL: matching cookies as name=value joined by "; ",
  // longest path first, then longest domain, then oldest. Empty when none matches.
  std::u16string CookieHeaderFor(const TIdURI& AURL);
  // Adds the "Cookie" header to AHeaders when a cookie matches AURL.
  void GenerateClientCookies(const TIdURI& AURL, TIdHeaderList& AHeaders);

  int Count() const { return static_cast<int>(FCookies.size()); }
  const TIdCookie& Cookies(int AIndex) const { return FCookies.at(static_cast<size_t>(AIndex)); }
  // Drops every cookie whose time has passed.
  void RemoveExpired();
  void Clear() { FCookies.clear(); }

  TIdOnNewCookieEvent OnNewCookie;

  // RFC 6265 domain and path matching, exposed for reuse and tests.
  static bool DomainMatches(std::u16string_view AHost, std::u16string_view ADomain);
  static bool PathMatches(std::u16string_view ARequestPath, std::u16string_view ACookiePath);
  // The directory part of a request path: up to, not including, its last "/"; "/" when that
  // leaves nothing or the path does not start with "/".
  static std::u16string DefaultPath(std::u16string_view ARequestPath);

 protected:
  // The current time in seconds since 1970-01-01 UTC; tests replace it.
  virtual int64_t CurrentTime() const;

 private:
  void Store(TIdCookie&& ACookie);
  std::vector<TIdCookie> FCookies;
  uint64_t FSequence = 0;
};
