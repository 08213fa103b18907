#include "http/ozkIdCookie.h"

#include <gtest/gtest.h>

#include "base/ozkText.h"

namespace {

// A store whose clock the test sets.
class TClockCookies : public TIdCookieManager {
 public:
  int64_t Now = 1700000000; // 2023-11-14 22:13:20 UTC

 protected:
  int64_t CurrentTime() const override { return Now; }
};

} // namespace

TEST(IdCookie, DomainAndPathMatching) {
  EXPECT_TRUE(TIdCookieManager::DomainMatches(u"www.example.com", u"example.com"));
  EXPECT_TRUE(TIdCookieManager::DomainMatches(u"Example.COM", u"example.com"));
  EXPECT_FALSE(TIdCookieManager::DomainMatches(u"badexample.com", u"example.com"));
  EXPECT_FALSE(TIdCookieManager::DomainMatches(u"1.2.3.4", u"2.3.4")); // no suffixes of IPs
  EXPECT_TRUE(TIdCookieManager::PathMatches(u"/docs/web", u"/docs"));
  EXPECT_TRUE(TIdCookieManager::PathMatches(u"/docs/", u"/docs/"));
  EXPECT_FALSE(TIdCookieManager::PathMatches(u"/docsets", u"/docs"));
  EXPECT_EQ(TIdCookieManager::DefaultPath(u"/a/b/page.html"), u"/a/b");
  EXPECT_EQ(TIdCookieManager::DefaultPath(u"/page"), u"/");
  EXPECT_EQ(TIdCookieManager::DefaultPath(u"relative"), u"/");
}

TEST(IdCookie, StoresAndSelectsMostSpecificFirst) {
  TClockCookies jar;
  TIdURI page(u"http://www.example.com/shop/cart/view");
  EXPECT_TRUE(jar.AddServerCookie(u"a=1", page)); // host-only, /shop/cart
  EXPECT_TRUE(jar.AddServerCookie(u"b=2; Path=/; Domain=.example.com", page));
  EXPECT_TRUE(jar.AddServerCookie(u"c=3; Path=/shop/cart/view", page));
  EXPECT_TRUE(jar.AddServerCookie(u" d = 4 ; Path=/shop; HttpOnly", page));
  EXPECT_EQ(jar.CookieHeaderFor(page), u"c=3; a=1; d=4; b=2");

  // Domain cookies reach sub-domains, host-only ones do not.
  EXPECT_EQ(jar.CookieHeaderFor(TIdURI(u"http://api.example.com/shop/cart/x")), u"b=2");
  EXPECT_EQ(jar.CookieHeaderFor(TIdURI(u"http://other.test/")), u"");

  // The same name, domain and path replaces the value in place of the old cookie.
  EXPECT_TRUE(jar.AddServerCookie(u"a=changed", page));
  EXPECT_EQ(jar.Count(), 4);
  EXPECT_EQ(jar.CookieHeaderFor(page), u"c=3; a=changed; d=4; b=2");

  TIdHeaderList headers(QuoteHTTP);
  jar.GenerateClientCookies(TIdURI(u"http://api.example.com/"), headers);
  EXPECT_EQ(headers.Text(), u"Cookie: b=2\r\n");
}

TEST(IdCookie, RejectsForeignDomainsInsecureSecureCookiesAndJunk) {
  TClockCookies jar;
  TIdURI page(u"http://www.example.com/");
  EXPECT_FALSE(jar.AddServerCookie(u"x=1; Domain=evil.test", page));
  EXPECT_FALSE(jar.AddServerCookie(u"x=1; Domain=com", page)); // a whole top-level domain
  EXPECT_FALSE(jar.AddServerCookie(u"x=1; Secure", page));     // secure over plain HTTP
  EXPECT_FALSE(jar.AddServerCookie(u"no-equals-sign", page));
  EXPECT_FALSE(jar.AddServerCookie(u"=value", page));
  EXPECT_FALSE(jar.AddServerCookie(u"big=" + std::u16string(5000, u'x'), page));
  EXPECT_EQ(jar.Count(), 0);

  TIdURI secure(u"https://www.example.com/");
  EXPECT_TRUE(jar.AddServerCookie(u"s=1; Secure", secure));
  EXPECT_EQ(jar.CookieHeaderFor(secure), u"s=1");
  EXPECT_EQ(jar.CookieHeaderFor(page), u""); // never sent over plain HTTP

  // A host that is an IP address only takes cookies for itself.
  TIdURI ip(u"http://127.0.0.1:8080/");
  EXPECT_TRUE(jar.AddServerCookie(u"i=1; Domain=127.0.0.1", ip));
  EXPECT_EQ(jar.CookieHeaderFor(ip), u"i=1");
}

TEST(IdCookie, ExpiryByMaxAgeAndExpires) {
  TClockCookies jar;
  TIdURI page(u"http://example.com/");
  EXPECT_TRUE(jar.AddServerCookie(u"short=1; Max-Age=60", page));
  EXPECT_TRUE(jar.AddServerCookie(u"dated=1; Expires=Wed, 15 Nov 2023 00:00:00 GMT", page));
  // Max-Age wins over Expires.
  EXPECT_TRUE(
      jar.AddServerCookie(u"both=1; Expires=Thu, 01 Jan 1970 00:00:00 GMT; Max-Age=3600", page));
  EXPECT_TRUE(jar.AddServerCookie(u"session=1", page));
  EXPECT_EQ(jar.CookieHeaderFor(page), u"short=1; dated=1; both=1; session=1");

  jar.Now += 61;
  EXPECT_EQ(jar.CookieHeaderFor(page), u"dated=1; both=1; session=1");
  jar.Now = 1700006401; // past 2023-11-15 00:00:00 and past the hour
  EXPECT_EQ(jar.CookieHeaderFor(page), u"session=1");

  // A date in the past, or Max-Age 0, deletes a stored cookie.
  EXPECT_FALSE(jar.AddServerCookie(u"session=gone; Max-Age=0", page));
  EXPECT_EQ(jar.Count(), 0);
  // A huge Max-Age saturates rather than wrapping into the past.
  EXPECT_TRUE(jar.AddServerCookie(u"forever=1; Max-Age=99999999999999999999999", page));
  EXPECT_EQ(jar.CookieHeaderFor(page), u"forever=1");
}

TEST(IdCookie, StoreStaysBoundedPerDomain) {
  TClockCookies jar;
  TIdURI page(u"http://flood.test/");
  for (int i = 0; i < 500; ++i) jar.AddServerCookie(u"c" + IntToStr(i) + u"=v", page);
  EXPECT_EQ(jar.Count(), TIdCookieManager::MaxCookiesPerDomain);
  // The oldest went first: the newest 50 remain.
  EXPECT_NE(jar.CookieHeaderFor(page).find(u"c499=v"), std::u16string::npos);
  EXPECT_EQ(jar.CookieHeaderFor(page).find(u"c0=v"), std::u16string::npos);
}
