#include "http/ozkIdHeaderList.h"

#include <gtest/gtest.h>

TEST(HeaderList, NamesValuesAndLetterCase) {
  TIdHeaderList h(QuoteHTTP);
  h.SetText(u"Content-Type:text/plain\r\nX-Spaced:    padded value   \r\nNoColonLine\r\n"
            u"Dup: one\r\nDup: two\r\n");
  EXPECT_EQ(h.GetName(0), u"Content-Type");
  EXPECT_EQ(h.GetName(2), u"");
  EXPECT_EQ(h.Values(u"content-type"), u"text/plain");
  EXPECT_EQ(h.Values(u"X-SPACED"), u"padded value");
  EXPECT_EQ(h.Values(u"missing"), u"");
  EXPECT_EQ(h.IndexOfName(u"dup"), 3);
  EXPECT_EQ(h.Values(u"Dup"), u"one");
  TStringList all;
  h.Extract(u"DUP", all);
  EXPECT_EQ(all.Text(), u"one\r\ntwo\r\n");
}

TEST(HeaderList, UnfoldingContinuationLines) {
  TIdHeaderList h(QuoteMIME);
  h.SetText(u"Subject: first part  \r\n   second part\r\n\tthird\r\nOther: x\r\n"
            u"Subject: later\r\n more\r\n");
  EXPECT_EQ(h.Values(u"Subject"), u"first part second part third");
  TStringList all;
  h.Extract(u"subject", all);
  EXPECT_EQ(all.Text(), u"first part second part third\r\nlater more\r\n");
  TStringList std;
  h.ConvertToStdValues(std);
  EXPECT_EQ(std.Text(),
            u"Subject=first part second part third\r\nOther=x\r\nSubject=later more\r\n");
  h.SetUnfoldLines(false);
  EXPECT_EQ(h.Values(u"Subject"), u"first part");
  // A continuation line that looks like a header is not one.
  TIdHeaderList c(QuoteHTTP);
  c.SetText(u"A: 1\r\n B: 2\r\n");
  EXPECT_EQ(c.IndexOfName(u"B"), -1);
}

TEST(HeaderList, SetValueReplacesInPlaceAddsAndDeletes) {
  TIdHeaderList h(QuoteHTTP);
  h.SetText(u"Host: a\r\ncontent-type: text/plain\r\n more\r\nAccept: */*\r\n");
  // Replaced where it stood, continuation removed, now in the new letter case.
  h.SetValue(u"Content-Type", u"application/json");
  EXPECT_EQ(h.Text(), u"Host: a\r\nContent-Type: application/json\r\nAccept: */*\r\n");
  h.SetValue(u"X-New", u"1");
  EXPECT_EQ(h[3], u"X-New: 1");
  h.SetValue(u"HOST", u"");
  EXPECT_EQ(h.Text(), u"Content-Type: application/json\r\nAccept: */*\r\nX-New: 1\r\n");
  h.SetValue(u"absent", u""); // nothing to delete
  EXPECT_EQ(h.Count(), 3);

  // Deleting a folded header removes its continuation lines too.
  TIdHeaderList f(QuoteMIME);
  f.SetText(u"A: 1\r\nB: x\r\n y\r\n\tz\r\nC: 3\r\n");
  f.SetValue(u"b", u"");
  EXPECT_EQ(f.Text(), u"A: 1\r\nC: 3\r\n");

  h.AddValue(u"Accept", u"text/html");
  h.AddValue(u"Empty", u"");
  h.AddValue(u"", u"value");
  EXPECT_EQ(h.Count(), 4);
  EXPECT_EQ(h[3], u"Accept: text/html");
}

TEST(HeaderList, FoldingLongLines) {
  TIdHeaderList h(QuoteMIME);
  ASSERT_EQ(h.FoldLength(), 78);
  const std::u16string value =
      u"alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron pi "
      u"rho sigma tau upsilon phi chi psi omega";
  h.SetText(u"First: 1\r\nLong: x\r\nLast: 2\r\n");
  h.SetValue(u"Long", value);
  ASSERT_EQ(h.Count(), 4); // 126 characters: two pieces
  EXPECT_EQ(h[0], u"First: 1");
  EXPECT_EQ(h[h.Count() - 1], u"Last: 2");
  for (int i = 1; i < h.Count() - 1; ++i) {
    EXPECT_LE(h[i].size(), 78u) << i;
    EXPECT_NE(h[i].back(), u' ');
    if (i > 1) {
      EXPECT_EQ(h[i][0], u' ');
      EXPECT_NE(h[i][1], u' ');
    }
  }
  EXPECT_EQ(h.Values(u"long"), value);

  // No break inside quotes; commas are break points and stay at the end of their piece.
  TIdHeaderList q(QuoteMIME);
  q.SetFoldLength(30);
  q.AddValue(u"To", u"\"Some, Quoted Name With Spaces\" <a@b.c>,x@y.z");
  ASSERT_EQ(q.Count(), 2);
  EXPECT_EQ(q[0], u"To: \"Some, Quoted Name With Spaces\"");
  EXPECT_EQ(q[1], u" <a@b.c>,x@y.z");

  // HTTP lists never fold; a line without break points is left whole.
  TIdHeaderList http(QuoteHTTP);
  http.SetValue(u"Authorization", u"Bearer " + std::u16string(500, u'k'));
  EXPECT_EQ(http.Count(), 1);
  TIdHeaderList mime(QuoteMIME);
  mime.SetValue(u"X", std::u16string(200, u'k'));
  EXPECT_EQ(mime.Count(), 1);
}

TEST(HeaderList, ParamsAndQuotingTypeByHeader) {
  TIdHeaderList rfc(QuoteRFC822);
  rfc.SetText(u"Content-Type: multipart/mixed; boundary=a=b\r\nX-Thing: v; p=a=b\r\n");
  // Content-Type uses the MIME rules in an RFC 822 list ("=" ends a value), others RFC 822.
  EXPECT_EQ(rfc.GetParam(u"Content-Type", u"boundary"), u"a");
  EXPECT_EQ(rfc.GetParam(u"X-Thing", u"p"), u"a=b");
  TIdHeaderList mime(QuoteMIME);
  mime.SetText(u"X-Thing: v; p=a=b\r\nContent-Disposition: form-data; n=a=b\r\n");
  EXPECT_EQ(mime.GetParam(u"X-Thing", u"p"), u"a=b");
  EXPECT_EQ(mime.GetParam(u"Content-Disposition", u"n"), u"a");

  TIdHeaderList h(QuoteHTTP);
  h.SetValue(u"Content-Type", u"text/plain");
  h.SetParam(u"Content-Type", u"charset", u"utf-8");
  EXPECT_EQ(h.Values(u"Content-Type"), u"text/plain; charset=utf-8");
  h.SetParam(u"Content-Type", u"Charset", u"");
  EXPECT_EQ(h.Values(u"Content-Type"), u"text/plain");

  h.SetValue(u"Content-Type", u"text/html;  a=1; b=2 ");
  EXPECT_EQ(h.GetAllParams(u"content-type"), u"a=1; b=2");
  h.SetAllParams(u"Content-Type", u"c=3");
  EXPECT_EQ(h.Values(u"Content-Type"), u"text/html; c=3");
  h.SetAllParams(u"Content-Type", u"");
  EXPECT_EQ(h.Values(u"Content-Type"), u"text/html");
  h.SetAllParams(u"Missing", u"x=1");
  EXPECT_EQ(h.IndexOfName(u"Missing"), -1);
}

TEST(HeaderList, StdValuesAndAddStrings) {
  TIdHeaderList h(QuoteHTTP);
  TStringList pairs{u"Accept=*/*", u"X-Empty=", u"Host=example.com"};
  h.AddStdValues(pairs);
  EXPECT_EQ(h.Text(), u"Accept: */*\r\nHost: example.com\r\n");

  TIdHeaderList other(QuoteHTTP);
  other.SetText(u"Raw-Line: keep=this\r\n continued\r\n");
  h.AddStrings(other); // lines as they are
  h.AddStrings(TStringList{u"From=me"});
  EXPECT_EQ(
      h.Text(),
      u"Accept: */*\r\nHost: example.com\r\nRaw-Line: keep=this\r\n continued\r\nFrom: me\r\n");
}
