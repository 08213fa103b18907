#include "http/ozkIdURI.h"

#include <gtest/gtest.h>

#include "base/ozkText.h"

namespace {

std::u16string U(const char* s) {
  return UTF8ToUTF16(s);
}

} // namespace

TEST(URI, ParsingAbsoluteUrls) {
  TIdURI u(u"https://user:pa:ss@api.example.com:8443/v1/threads/run.json?limit=20&order=desc#top");
  EXPECT_EQ(u.Protocol(), u"https");
  EXPECT_EQ(u.Username(), u"user");
  EXPECT_EQ(u.Password(), u"pa:ss");
  EXPECT_EQ(u.Host(), u"api.example.com");
  EXPECT_EQ(u.Port(), u"8443");
  EXPECT_EQ(u.Path(), u"/v1/threads/");
  EXPECT_EQ(u.Document(), u"run.json");
  EXPECT_EQ(u.Params(), u"limit=20&order=desc");
  EXPECT_EQ(u.Bookmark(), u"top");
  EXPECT_EQ(u.IPVersion(), Id_IPv4);
  // Reading URI gives it back without user information and fragment.
  EXPECT_EQ(u.URI(), u"https://api.example.com:8443/v1/threads/run.json?limit=20&order=desc");
  EXPECT_EQ(u.GetFullURI(),
            u"https://user:pa:ss@api.example.com:8443/v1/threads/run.json?limit=20&order=desc#top");
  EXPECT_EQ(u.GetFullURI(ofBookmark),
            u"https://api.example.com:8443/v1/threads/run.json?limit=20&order=desc#top");
  EXPECT_EQ(u.GetPathAndParams(), u"/v1/threads/run.json?limit=20&order=desc");

  // The last "@" separates the user information; no user name means no password.
  TIdURI at(u"http://a@b:@host/");
  EXPECT_EQ(at.Username(), u"a@b");
  EXPECT_EQ(at.Password(), u"");
  TIdURI noUser(u"http://:secret@host/");
  EXPECT_EQ(noUser.Username(), u"");
  EXPECT_EQ(noUser.Password(), u"");

  TIdURI bare(u"http://host");
  EXPECT_EQ(bare.Path(), u"/");
  EXPECT_EQ(bare.Document(), u"");
  EXPECT_EQ(bare.URI(), u"http://host/");

  // A fragment before any "?" takes the rest; a "?" inside it is not a query.
  TIdURI frag(u"http://h/p#a?b");
  EXPECT_EQ(frag.Bookmark(), u"a?b");
  EXPECT_EQ(frag.Params(), u"");

  // Backslashes turn into slashes up to the query.
  TIdURI back(u"http:\\\\host\\dir\\file.txt?x=a\\b");
  EXPECT_EQ(back.Host(), u"host");
  EXPECT_EQ(back.Path(), u"/dir/");
  EXPECT_EQ(back.Document(), u"file.txt");
  EXPECT_EQ(back.Params(), u"x=a\\b");
  EXPECT_EQ(TIdURI::NormalizePath(u"a\\b?c\\d"), u"a/b?c\\d");

  TIdURI schemeless(u"//cdn.example.com/lib.js");
  EXPECT_EQ(schemeless.Protocol(), u"");
  EXPECT_EQ(schemeless.Host(), u"cdn.example.com");
  EXPECT_THROW(schemeless.URI(), EIdURIException);
}

TEST(URI, IPv6HostsAndPorts) {
  TIdURI v6(u"http://[2001:db8::1]:8080/x");
  EXPECT_EQ(v6.Host(), u"2001:db8::1");
  EXPECT_EQ(v6.Port(), u"8080");
  EXPECT_EQ(v6.IPVersion(), Id_IPv6);
  EXPECT_EQ(v6.URI(), u"http://[2001:db8::1]:8080/x");
  TIdURI v6NoPort(u"https://[::1]/");
  EXPECT_EQ(v6NoPort.Host(), u"::1");
  EXPECT_EQ(v6NoPort.Port(), u"");
  // Parsing again starts from IPv4.
  v6.SetURI(u"http://host/");
  EXPECT_EQ(v6.IPVersion(), Id_IPv4);

  // Default ports are left out (scheme letter case ignored), others written.
  for (auto [url, joined] : std::initializer_list<std::pair<const char16_t*, const char16_t*>>{
           {u"https://h:443/", u"https://h/"},
           {u"HTTPS://h:8443/", u"HTTPS://h:8443/"},
           {u"http://h:80/a", u"http://h/a"},
           {u"Http://h:443/a", u"Http://h:443/a"},
           {u"ftp://h:21/f", u"ftp://h/f"},
           {u"ws://h:80/", u"ws://h:80/"}}) {
    TIdURI u{std::u16string(url)};
    EXPECT_EQ(u.URI(), joined);
  }
  EXPECT_EQ(TIdURI::DefaultPort(u"HTTP"), 80);
  EXPECT_EQ(TIdURI::DefaultPort(u"gopher"), 0);
}

TEST(URI, RelativeReferencesAndErrors) {
  TIdURI rel(u"../docs/page.html?q=1#s");
  EXPECT_EQ(rel.Protocol(), u"");
  EXPECT_EQ(rel.Host(), u"");
  EXPECT_EQ(rel.Path(), u"../docs/");
  EXPECT_EQ(rel.Document(), u"page.html");
  EXPECT_EQ(rel.Params(), u"q=1");
  EXPECT_EQ(rel.Bookmark(), u"s");
  // "://" inside the query does not make a scheme.
  TIdURI query(u"/redirect?to=http://other/");
  EXPECT_EQ(query.Protocol(), u"");
  EXPECT_EQ(query.Path(), u"/");
  EXPECT_EQ(query.Document(), u"redirect");
  EXPECT_EQ(query.Params(), u"to=http://other/");

  TIdURI empty;
  try {
    empty.GetFullURI();
    FAIL();
  } catch (const EIdURIException& e) {
    EXPECT_EQ(e.Message(), u"Protocol field is empty");
  }
  empty.SetProtocol(u"http");
  try {
    empty.GetFullURI();
    FAIL();
  } catch (const EIdURIException& e) {
    EXPECT_EQ(e.Message(), u"Host field is empty");
  }
  empty.SetHost(u"h");
  empty.SetPath(u"/p/");
  empty.SetUsername(u"me");
  EXPECT_EQ(empty.GetFullURI(), u"http://me@h/p/");
}

TEST(URI, PercentEncodingAndDecoding) {
  EXPECT_EQ(TIdURI::ParamsEncode(U("a b&c=d\xC3\xBC%41%4g+")), u"a%20b&c=d%C3%BC%41%254g+");
  EXPECT_EQ(TIdURI::PathEncode(U("a b+c")), u"a%20b%2Bc");
  EXPECT_EQ(TIdURI::ParamsEncode(u"*<>#{}|\\^[]`\"\t\x7F~"),
            u"%2A%3C%3E%23%7B%7D%7C%5C%5E%5B%5D%60%22%09\x7F~");
  // A surrogate pair is one character; another encoding gives other bytes.
  EXPECT_EQ(TIdURI::ParamsEncode(U("\xF0\x9F\x98\x80")), u"%F0%9F%98%80");
  EXPECT_EQ(TIdURI::ParamsEncode(U("\xC3\xBC"), TextEncodingOfKind(tek8Bit)), u"%FC");

  EXPECT_EQ(TIdURI::URLEncode(u"http://u:p@h/a b/c+d.txt?x=1 2&y=\u00FC#frag"),
            u"http://h/a%20b/c%2Bd.txt?x=1%202&y=%C3%BC");

  EXPECT_EQ(TIdURI::URLDecode(u"a%20b+c%C3%BC"), U("a b+c\xC3\xBC"));
  EXPECT_EQ(TIdURI::URLDecode(u"%u00FC%uD83D%uDE00"), U("\xC3\xBC\xF0\x9F\x98\x80"));
  EXPECT_EQ(TIdURI::URLDecode(u"bad%zz%4"), u"badzz4"); // malformed escapes are dropped
  EXPECT_EQ(TIdURI::URLDecode(u"%FC", TextEncodingOfKind(tek8Bit)), U("\xC3\xBC"));
  // Unescaped non-ASCII text is kept as it is.
  EXPECT_EQ(TIdURI::URLDecode(U("\xC3\xBC\xE6\x97\xA5%21")), U("\xC3\xBC\xE6\x97\xA5!"));
}
