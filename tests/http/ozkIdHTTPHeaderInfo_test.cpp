#include "http/ozkIdHTTPHeaderInfo.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/ozkText.h"

namespace {

void Feed(TIdEntityHeaderInfo& aRecord, const std::u16string& aHead) {
  aRecord.RawHeaders().SetText(aHead);
  aRecord.ParseRawHeaders();
}

} // namespace

TEST(HeaderRecords, ContentTypeAndCharsetDefaults) {
  TIdResponseHeaderInfo r;
  Feed(r, u"Content-Type: text/plain\r\n");
  EXPECT_EQ(r.ContentType(), u"text/plain");
  EXPECT_EQ(r.CharSet(), u"ISO-8859-1");

  for (auto [type, charset] : std::initializer_list<std::pair<const char16_t*, const char16_t*>>{
           {u"text/xml", u"us-ascii"},
           {u"TEXT/XML-External-Parsed-Entity", u"us-ascii"},
           {u"text/svg+XML", u"us-ascii"},
           {u"text/html", u"ISO-8859-1"},
           {u"application/json", u""},
           {u"application/xml", u""},
           {u"text/html; Charset=\"UTF-8\"; level=1", u"UTF-8"}}) {
    r.Clear();
    Feed(r, std::u16string(u"Content-Type: ") + type + u"\r\n");
    EXPECT_EQ(r.CharSet(), charset) << UTF16ToUTF8(type);
  }
  EXPECT_EQ(r.ContentType(), u"text/html; level=1"); // charset taken out, rest rebuilt

  // A charset set before the type is kept; an empty type clears both.
  TIdRequestHeaderInfo q;
  q.SetCharSet(u"utf-8");
  q.SetContentType(u"text/plain");
  EXPECT_EQ(q.CharSet(), u"utf-8");
  q.SetContentType(u"");
  EXPECT_EQ(q.ContentType(), u"");
  EXPECT_EQ(q.CharSet(), u"");
}

TEST(HeaderRecords, ParsingEntityFields) {
  TIdResponseHeaderInfo r;
  Feed(
      r,
      u"cache-control: no-cache\r\nConnection: close\r\nContent-Version: 2\r\n"
      u"Content-Disposition: attachment\r\nContent-Encoding: gzip\r\nContent-Language: de\r\n"
      u"Content-Length: 12345678901\r\nContent-Range: bytes 10-19/100\r\n"
      u"Date: Sun, 06 Nov 1994 08:49:37 GMT\r\nLast-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
      u"ETag: \"x\"\r\nPragma: no-cache\r\nTransfer-Encoding: chunked\r\n"
      u"Location: /next\r\nServer: test\r\nProxy-Connection: keep-alive\r\n"
      u"WWW-Authenticate: Basic realm=\"a\"\r\nWWW-Authenticate: Bearer\r\n"
      u"Proxy-Authenticate: Basic realm=\"p\"\r\nAccept-Patch: text/x\r\nAccept-Ranges: bytes\r\n");
  EXPECT_EQ(r.CacheControl(), u"no-cache");
  EXPECT_EQ(r.Connection(), u"close");
  EXPECT_EQ(r.ContentVersion(), u"2");
  EXPECT_EQ(r.ContentDisposition(), u"attachment");
  EXPECT_EQ(r.ContentEncoding(), u"gzip");
  EXPECT_EQ(r.ContentLanguage(), u"de");
  EXPECT_EQ(r.ContentLength(), 12345678901LL);
  EXPECT_TRUE(r.HasContentLength());
  EXPECT_EQ(r.ContentRangeUnits(), u"bytes");
  EXPECT_EQ(r.ContentRangeStart(), 10);
  EXPECT_EQ(r.ContentRangeEnd(), 19);
  EXPECT_EQ(r.ContentRangeInstanceLength(), 100);
  EXPECT_NEAR(r.Date(), UTCToLocal(EncodeDateTime(1994, 11, 6, 8, 49, 37, 0)), 1e-9);
  EXPECT_NEAR(r.LastModified(), r.Date(), 1e-9);
  EXPECT_EQ(r.ETag(), u"\"x\"");
  EXPECT_EQ(r.Pragma(), u"no-cache");
  EXPECT_EQ(r.TransferEncoding(), u"chunked");
  EXPECT_EQ(r.Location(), u"/next");
  EXPECT_EQ(r.Server(), u"test");
  EXPECT_EQ(r.ProxyConnection(), u"keep-alive");
  EXPECT_EQ(r.WWWAuthenticate().Text(), u"Basic realm=\"a\"\r\nBearer\r\n");
  EXPECT_EQ(r.ProxyAuthenticate().Text(), u"Basic realm=\"p\"\r\n");
  EXPECT_EQ(r.AcceptPatch(), u"text/x");
  EXPECT_EQ(r.AcceptRanges(), u"bytes");

  // A second head leaves nothing of the first behind: "kept" fields are set by every parse.
  r.Clear();
  Feed(r, u"Content-Length: abc\r\nContent-Range: bytes */50\r\n");
  EXPECT_EQ(r.ContentLength(), -1);
  EXPECT_FALSE(r.HasContentLength());
  EXPECT_EQ(r.TransferEncoding(), u"");
  EXPECT_EQ(r.Pragma(), u"");
  EXPECT_FALSE(r.HasContentRange());
  EXPECT_TRUE(r.HasContentRangeInstance());
  EXPECT_EQ(r.WWWAuthenticate().Count(), 0);
  // No Date header: the current time.
  EXPECT_LT(std::fabs(r.Date() - DateTimeNow()), 60.0 / 86400);
}

TEST(HeaderRecords, ExpiresForms) {
  TIdResponseHeaderInfo r;
  const double second = 1.0 / 86400;
  Feed(r, u"Expires: 3600\r\n");
  EXPECT_NEAR(r.Expires(), DateTimeNow() + 3600 * second, 60 * second);
  Feed(r, u"Expires: -1\r\n");
  EXPECT_EQ(r.Expires(), 0);
  Feed(r, u"Expires: Thu, 01 Dec 1994 16:00:00 GMT\r\n");
  EXPECT_NEAR(r.Expires(), UTCToLocal(EncodeDateTime(1994, 12, 1, 16, 0, 0, 0)), 1e-9);
  Feed(r, u"Expires: never\r\n"); // not a date: already expired
  EXPECT_LT(r.Expires(), DateTimeNow());
  EXPECT_GT(r.Expires(), DateTimeNow() - 60 * second);
  Feed(r, u"X: y\r\n");
  EXPECT_EQ(r.Expires(), 0);
}

TEST(HeaderRecords, RequestHeadsInWireOrder) {
  // A JSON POST of the REST client: the executor's lines are custom headers.
  TIdRequestHeaderInfo post;
  post.SetUserAgent(u"Mozilla/5.0 (Test)");
  post.SetConnection(u"keep-alive");
  post.SetContentLength(17);
  post.SetHost(u"api.example.com");
  post.CustomHeaders().SetText(u"Authorization: Bearer sk-1\r\nOpenAI-Beta: "
                               u"assistants=v2\r\nContent-Type: application/json\r\n");
  post.BuildRawHeaders();
  EXPECT_EQ(post.RawHeaders().Text(),
            u"Connection: keep-alive\r\nContent-Length: 17\r\nAuthorization: Bearer sk-1\r\n"
            u"OpenAI-Beta: assistants=v2\r\nContent-Type: application/json\r\n"
            u"Host: api.example.com\r\n"
            u"Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
            u"User-Agent: Mozilla/5.0 (Test)\r\n");

  // A multipart upload: Content-Type with its boundary, then Content-Length, custom lines...
  TIdRequestHeaderInfo up;
  up.SetConnection(u"keep-alive");
  up.SetContentType(u"multipart/form-data; boundary=--------120824140509123");
  up.SetContentLength(300);
  up.SetHost(u"h");
  up.CustomHeaders().SetText(u"Authorization: Bearer k\r\n");
  up.BuildRawHeaders();
  EXPECT_EQ(up.RawHeaders().Text(),
            u"Connection: keep-alive\r\n"
            u"Content-Type: multipart/form-data; boundary=--------120824140509123\r\n"
            u"Content-Length: 300\r\nAuthorization: Bearer k\r\nHost: h\r\n"
            u"Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
            u"User-Agent: Mozilla/3.0 (compatible; ozkId Library)\r\n");

  // Every entity and request field in its place; a custom line with the name of a non-empty
  // field is overwritten where it stands, one of an empty field stays.
  TIdRequestHeaderInfo all;
  all.SetCacheControl(u"cc");
  all.SetContentVersion(u"cv");
  all.SetContentDisposition(u"cd");
  all.SetContentEncoding(u"ce");
  all.SetContentLanguage(u"cl");
  all.SetContentType(u"text/plain; charset=utf-8");
  all.SetContentLength(0);
  all.SetContentRangeStart(0);
  all.SetContentRangeEnd(9);
  all.SetContentRangeInstanceLength(-1);
  all.SetDate(UTCToLocal(EncodeDateTime(2024, 1, 2, 3, 4, 5, 0)));
  all.SetETag(u"e");
  all.SetExpires(UTCToLocal(EncodeDateTime(2024, 1, 3, 3, 4, 5, 0)));
  all.SetPragma(u"no-cache");
  all.SetTransferEncoding(u"chunked");
  all.CustomHeaders().SetText(u"X-A: 1\r\nReferer: custom\r\nFrom: custom\r\nX-A: 2\r\n");
  all.SetProxyConnection(u"pc");
  all.SetAcceptCharSet(u"utf-8");
  all.SetAcceptEncoding(u"identity");
  all.SetAcceptLanguage(u"de");
  all.SetReferer(u"r");
  all.SetExpect(u"100-continue");
  all.Ranges().SetText(u"bytes=0-99,-5");
  all.SetLastModified(UTCToLocal(EncodeDateTime(2023, 12, 31, 23, 59, 59, 0)));
  all.SetMethodOverride(u"PATCH");
  all.BuildRawHeaders();
  EXPECT_EQ(all.RawHeaders().Text(),
            u"Content-Version: cv\r\nContent-Disposition: cd\r\nContent-Encoding: ce\r\n"
            u"Content-Language: cl\r\nContent-Type: text/plain; charset=utf-8\r\n"
            u"Content-Length: 0\r\nContent-Range: bytes 0-9/*\r\nCache-control: cc\r\n"
            u"Date: Tue, 02 Jan 2024 03:04:05 GMT\r\nETag: e\r\n"
            u"Expires: Wed, 03 Jan 2024 03:04:05 GMT\r\nPragma: no-cache\r\n"
            u"Transfer-Encoding: chunked\r\nX-A: 1\r\nReferer: r\r\nFrom: custom\r\nX-A: 2\r\n"
            u"Proxy-Connection: pc\r\n"
            u"Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
            u"Accept-Charset: utf-8\r\nAccept-Encoding: identity\r\nAccept-Language: de\r\n"
            u"User-Agent: Mozilla/3.0 (compatible; ozkId Library)\r\nRange: bytes=0-99,-5\r\n"
            u"If-Modified-Since: Sun, 31 Dec 2023 23:59:59 GMT\r\n"
            u"X-HTTP-Method-Override: PATCH\r\n");
}

TEST(HeaderRecords, RequestClearParseAuthorizationAndCopy) {
  TIdRequestHeaderInfo q;
  EXPECT_EQ(q.Accept(), u"text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
  EXPECT_EQ(q.UserAgent(), u"Mozilla/3.0 (compatible; ozkId Library)");
  EXPECT_EQ(q.ContentLength(), -1);

  Feed(q, u"Accept: a\r\nAccept-Charset: b\r\nAccept-Encoding: c\r\nAccept-Language: d\r\n"
          u"Host: e\r\nFrom: f\r\nReferer: g\r\nUser-Agent: h\r\nRange: bytes=1-2, 5-\r\n"
          u"X-HTTP-Method-Override: DELETE\r\n");
  EXPECT_EQ(q.Accept() + q.AcceptCharSet() + q.AcceptEncoding() + q.AcceptLanguage() + q.Host() +
                q.From() + q.Referer() + q.UserAgent(),
            u"abcdefgh");
  ASSERT_EQ(q.Ranges().Count(), 2);
  EXPECT_EQ(q.Ranges().Items(1).StartPos(), 5);
  EXPECT_EQ(q.Ranges().Items(1).EndPos(), -1);
  EXPECT_EQ(q.Ranges().Text(), u"bytes=1-2,5-");
  EXPECT_EQ(q.MethodOverride(), u"DELETE");

  // Basic by default creates the authentication object from the request's credentials.
  q.SetUsername(u"Aladdin");
  q.SetPassword(u"open sesame");
  q.SetBasicAuthentication(true);
  q.BuildRawHeaders();
  EXPECT_EQ(q.RawHeaders().Values(u"Authorization"), u"Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  ASSERT_NE(q.Authentication(), nullptr);
  EXPECT_EQ(q.Authentication()->Next(), wnDoRequest);
  EXPECT_EQ(q.Authentication()->Next(), wnFail);

  TIdRequestHeaderInfo copy;
  copy.Assign(q);
  EXPECT_EQ(copy.Host(), u"e");
  EXPECT_EQ(copy.Ranges().Text(), u"bytes=1-2,5-");
  EXPECT_EQ(copy.RawHeaders().Text(), q.RawHeaders().Text());
  EXPECT_TRUE(copy.BasicAuthentication());

  q.Clear();
  EXPECT_EQ(q.Accept(), u"text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
  EXPECT_EQ(q.Ranges().Count(), 0);
  EXPECT_FALSE(q.BasicAuthentication());
  EXPECT_EQ(q.MethodOverride(), u"");
  EXPECT_EQ(q.RawHeaders().Count(), 0);
  EXPECT_THROW(q.Assign(TIdEntityRanges()), Exception);
}

TEST(HeaderRecords, Ranges) {
  TIdEntityRanges r;
  EXPECT_EQ(r.Text(), u"");
  r.Add(); // no text: ignored
  TIdEntityRange& a = r.Add();
  a.SetSuffixLength(500);
  TIdEntityRange& b = r.Add();
  b.SetStartPos(0);
  b.SetEndPos(99);
  EXPECT_EQ(r.Text(), u"bytes=-500,0-99");
  r.SetUnits(u"  ");
  EXPECT_EQ(r.Units(), u"bytes");
  r.SetText(u"items = 3-x , , -7");
  EXPECT_EQ(r.Units(), u"items");
  ASSERT_EQ(r.Count(), 2);
  EXPECT_EQ(r.Items(0).StartPos(), 3);
  EXPECT_EQ(r.Items(0).EndPos(), -1);
  EXPECT_EQ(r.Items(1).SuffixLength(), 7);
}

TEST(HeaderRecords, ProxyInfoAndMetaHttpEquiv) {
  TIdProxyConnectionInfo p;
  p.SetProxyServer(u"proxy");
  p.SetProxyPort(3128);
  p.SetProxyUsername(u"u");
  p.SetProxyPassword(u"p");
  TIdHeaderList h(QuoteHTTP);
  p.SetHeaders(h);
  EXPECT_EQ(h.Count(), 0);
  p.SetBasicAuthentication(true);
  p.SetHeaders(h);
  EXPECT_EQ(h.Values(u"Proxy-Authorization"), u"Basic dTpw");
  ASSERT_NE(p.Authentication(), nullptr);
  p.SetProxyServer(u"PROXY"); // letter case only: kept
  EXPECT_NE(p.Authentication(), nullptr);
  p.SetProxyPort(8080);
  EXPECT_EQ(p.Authentication(), nullptr);
  p.SetHeaders(h);
  p.SetProxyServer(u"other");
  EXPECT_EQ(p.Authentication(), nullptr);
  TIdProxyConnectionInfo copy;
  copy.Assign(p);
  EXPECT_EQ(copy.ProxyServer(), u"other");
  EXPECT_EQ(copy.ProxyPort(), 8080);
  p.Clear();
  EXPECT_EQ(p.ProxyServer() + p.ProxyUsername() + p.ProxyPassword(), u"");
  EXPECT_EQ(p.ProxyPort(), 0);

  TMemoryStream html;
  const std::string page =
      "<html><head><!-- <meta charset=\"koi8-r\"> -->"
      "<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=windows-1251'>"
      "<meta http-equiv=refresh content=\"5; url=/x\"><meta charset=\"utf-8\">"
      "</head><body><meta http-equiv=\"X-Late\" content=\"no\"></body></html>";
  html.Write(page.data(), static_cast<int64_t>(page.size()));
  html.SetPosition(6);
  TIdMetaHTTPEquiv meta;
  meta.ProcessMetaHTTPEquiv(html);
  EXPECT_EQ(html.Position(), 6);
  EXPECT_EQ(meta.RawHeaders().Text(),
            u"Content-Type: text/html; charset=windows-1251\r\nrefresh: 5; url=/x\r\n");
  EXPECT_EQ(meta.ContentType(), u"text/html");
  EXPECT_EQ(meta.CharSet(), u"utf-8"); // <meta charset> wins over the http-equiv line
}
