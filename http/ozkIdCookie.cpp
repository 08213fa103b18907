#include "http/ozkIdCookie.h"

#include <algorithm>
#include <ctime>
#include <limits>

#include "base/ozkText.h"
#include "http/ozkIdGlobalProtocols.h"
#include "net/ozkIdStack.h"

namespace {

constexpr int64_t EarliestTime = std::numeric_limits<int64_t>::min() / 2;
constexpr int64_t LatestTime = std::numeric_limits<int64_t>::max() / 2;

std::u16string_view TrimWS(std::u16string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == u' ' || s[b] == u'\t')) ++b;
  while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t')) --e;
  return s.substr(b, e - b);
}

bool IsIPAddress(std::u16string_view AHost) {
  return IdIsIPv4(AHost) || !NormalizeIPv6Literal(AHost).empty();
}

// Max-Age: an optional "-" and digits only; anything else is ignored.
bool ParseMaxAge(std::u16string_view AText, int64_t& VSeconds) {
  if (AText.empty()) return false;
  size_t i = AText[0] == u'-' ? 1 : 0;
  if (i == AText.size()) return false;
  int64_t v = 0;
  for (; i < AText.size(); ++i) {
    if (AText[i] < u'0' || AText[i] > u'9') return false;
    // Saturate: a huge delta is simply "far in the future".
    if (v < LatestTime / 10) v = v * 10 + (AText[i] - u'0');
  }
  VSeconds = AText[0] == u'-' ? -v : v;
  return true;
}

int64_t UTCToUnixSeconds(TDateTime AUTC) {
  double s = (AUTC - IdUnixEpochDays) * static_cast<double>(IdSecondsPerDay);
  if (s >= static_cast<double>(LatestTime)) return LatestTime;
  if (s <= static_cast<double>(EarliestTime)) return EarliestTime;
  return static_cast<int64_t>(s);
}

int64_t SaturatingAdd(int64_t a, int64_t b) {
  if (b > 0 && a > LatestTime - b) return LatestTime;
  if (b < 0 && a < EarliestTime - b) return EarliestTime;
  return a + b;
}

std::u16string RequestPath(const TIdURI& AURL) {
  std::u16string p = AURL.Path() + AURL.Document();
  return p.empty() ? u"/" : p;
}

} // namespace

TIdCookieManager::TIdCookieManager(TComponent* AOwner) : TIdBaseComponent(AOwner) {}
TIdCookieManager::~TIdCookieManager() = default;

int64_t TIdCookieManager::CurrentTime() const {
  return static_cast<int64_t>(std::time(nullptr));
}

bool TIdCookieManager::DomainMatches(std::u16string_view AHost, std::u16string_view ADomain) {
  if (SameText(AHost, ADomain)) return true;
  if (ADomain.empty() || AHost.size() <= ADomain.size()) return false;
  size_t start = AHost.size() - ADomain.size();
  return AHost[start - 1] == u'.' && SameText(AHost.substr(start), ADomain) && !IsIPAddress(AHost);
}

bool TIdCookieManager::PathMatches(std::u16string_view ARequestPath,
                                   std::u16string_view ACookiePath) {
  if (ARequestPath == ACookiePath) return true;
  if (ACookiePath.empty() || ARequestPath.substr(0, ACookiePath.size()) != ACookiePath)
    return false;
  return ACookiePath.back() == u'/' || ARequestPath[ACookiePath.size()] == u'/';
}

std::u16string TIdCookieManager::DefaultPath(std::u16string_view ARequestPath) {
  if (ARequestPath.empty() || ARequestPath[0] != u'/') return u"/";
  size_t last = ARequestPath.rfind(u'/');
  if (last == 0) return u"/";
  return std::u16string(ARequestPath.substr(0, last));
}

void TIdCookieManager::AddServerCookies(const TIdHeaderList& AHeaders, const TIdURI& AURL) {
  TStringList values;
  AHeaders.Extract(u"Set-Cookie", values);
  for (const auto& v : values) AddServerCookie(v, AURL);
}

bool TIdCookieManager::AddServerCookie(std::u16string_view ASetCookie, const TIdURI& AURL) {
  const int64_t now = CurrentTime();
  size_t semi = ASetCookie.find(u';');
  std::u16string_view pair = ASetCookie.substr(0, semi);
  size_t eq = pair.find(u'=');
  if (eq == std::u16string_view::npos) return false;
  TIdCookie c;
  c.Name = std::u16string(TrimWS(pair.substr(0, eq)));
  c.Value = std::u16string(TrimWS(pair.substr(eq + 1)));
  if (c.Name.empty() || c.Name.size() + c.Value.size() > MaxCookieSize) return false;

  bool haveMaxAge = false, haveExpires = false;
  int64_t maxAgeExpiry = 0, expiresAt = 0;
  std::u16string domainAttr, pathAttr;
  bool havePath = false;
  std::u16string_view rest =
      semi == std::u16string_view::npos ? std::u16string_view() : ASetCookie.substr(semi + 1);
  while (!rest.empty()) {
    size_t next = rest.find(u';');
    std::u16string_view av = rest.substr(0, next);
    rest = next == std::u16string_view::npos ? std::u16string_view() : rest.substr(next + 1);
    size_t aeq = av.find(u'=');
    std::u16string_view name = TrimWS(av.substr(0, aeq));
    std::u16string_view value =
        aeq == std::u16string_view::npos ? std::u16string_view() : TrimWS(av.substr(aeq + 1));
    if (SameText(name, u"Expires")) {
      TDateTime utc;
      if (TryStrInternetToDateTime(value, utc)) {
        haveExpires = true;
        expiresAt = UTCToUnixSeconds(utc);
      }
    } else if (SameText(name, u"Max-Age")) {
      int64_t delta;
      if (ParseMaxAge(value, delta)) {
        haveMaxAge = true;
        maxAgeExpiry = delta <= 0 ? EarliestTime : SaturatingAdd(now, delta);
      }
    } else if (SameText(name, u"Domain")) {
      if (!value.empty()) {
        if (value[0] == u'.') value.remove_prefix(1);
        domainAttr = LowerCase(value);
      }
    } else if (SameText(name, u"Path")) {
      havePath = !value.empty() && value[0] == u'/';
      pathAttr = havePath ? std::u16string(value) : std::u16string();
    } else if (SameText(name, u"Secure")) {
      c.Secure = true;
    } else if (SameText(name, u"HttpOnly")) {
      c.HttpOnly = true;
    }
  }

  if (haveMaxAge) {
    c.Persistent = true;
    c.Expires = maxAgeExpiry;
  } else if (haveExpires) {
    c.Persistent = true;
    c.Expires = expiresAt;
  }

  const std::u16string host = LowerCase(AURL.Host());
  if (host.empty()) return false;
  if (!domainAttr.empty()) {
    // Without a public-suffix list, a domain of a single label ("com") is accepted only for
    // exactly that host, so one site cannot set cookies for a whole top-level domain.
    if (!DomainMatches(host, domainAttr)) return false;
    if (domainAttr.find(u'.') == std::u16string::npos && domainAttr != host) return false;
    c.HostOnly = domainAttr == host;
    c.Domain = domainAttr;
  } else {
    c.HostOnly = true;
    c.Domain = host;
  }
  c.Path = havePath ? pathAttr : DefaultPath(RequestPath(AURL));
  // A secure cookie set over plain HTTP could overwrite one that an HTTPS page relies on.
  if (c.Secure && !SameText(AURL.Protocol(), u"https")) return false;

  if (OnNewCookie) {
    bool accept = true;
    OnNewCookie(this, c, accept);
    if (!accept) return false;
  }

  c.CreationTime = now;
  auto same = std::find_if(FCookies.begin(), FCookies.end(), [&](const TIdCookie& o) {
    return o.Name == c.Name && o.Domain == c.Domain && o.Path == c.Path;
  });
  if (same != FCookies.end()) {
    c.CreationTime = same->CreationTime;
    c.Sequence = same->Sequence;
    FCookies.erase(same);
  } else {
    c.Sequence = ++FSequence;
  }
  if (c.Persistent && c.Expires <= now) return false; // an expiry in the past deletes
  Store(std::move(c));
  return true;
}

void TIdCookieManager::Store(TIdCookie&& ACookie) {
  RemoveExpired();
  auto oldestOf = [this](auto pred) {
    auto oldest = FCookies.end();
    for (auto it = FCookies.begin(); it != FCookies.end(); ++it)
      if (pred(*it) && (oldest == FCookies.end() || it->Sequence < oldest->Sequence)) oldest = it;
    return oldest;
  };
  auto inDomain = [&](const TIdCookie& o) { return o.Domain == ACookie.Domain; };
  if (std::count_if(FCookies.begin(), FCookies.end(), inDomain) >= MaxCookiesPerDomain)
    FCookies.erase(oldestOf(inDomain));
  if (static_cast<int>(FCookies.size()) >= MaxCookies)
    FCookies.erase(oldestOf([](const TIdCookie&) { return true; }));
  FCookies.push_back(std::move(ACookie));
}

void TIdCookieManager::RemoveExpired() {
  const int64_t now = CurrentTime();
  std::erase_if(FCookies, [now](const TIdCookie& c) { return c.Persistent && c.Expires <= now; });
}

std::u16string TIdCookieManager::CookieHeaderFor(const TIdURI& AURL) {
  RemoveExpired();
  const std::u16string host = LowerCase(AURL.Host());
  const std::u16string path = RequestPath(AURL);
  const bool secure = SameText(AURL.Protocol(), u"https");
  std::vector<const TIdCookie*> hits;
  for (const auto& c : FCookies) {
    bool domainOK = c.HostOnly ? c.Domain == host : DomainMatches(host, c.Domain);
    if (domainOK && PathMatches(path, c.Path) && (!c.Secure || secure)) hits.push_back(&c);
  }
  std::stable_sort(hits.begin(), hits.end(), [](const TIdCookie* a, const TIdCookie* b) {
    if (a->Path.size() != b->Path.size()) return a->Path.size() > b->Path.size();
    if (a->Domain.size() != b->Domain.size()) return a->Domain.size() > b->Domain.size();
    if (a->CreationTime != b->CreationTime) return a->CreationTime < b->CreationTime;
    return a->Sequence < b->Sequence;
  });
  std::u16string result;
  for (const TIdCookie* c : hits) {
    if (!result.empty()) result += u"; ";
    result += c->Name + u"=" + c->Value;
  }
  return result;
}

void TIdCookieManager::GenerateClientCookies(const TIdURI& AURL, TIdHeaderList& AHeaders) {
  std::u16string value = CookieHeaderFor(AURL);
  if (!value.empty()) AHeaders.AddValue(u"Cookie", value);
}
