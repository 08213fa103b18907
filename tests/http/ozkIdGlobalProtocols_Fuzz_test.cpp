// Header parameter cases that the fuzz targets found (fuzz/http_header_params_fuzz.cpp), each
// named after what broke.
#include "http/ozkIdGlobalProtocols.h"

#include <gtest/gtest.h>

// Without quoting rules (QuotePlain) a ";" inside a value was neither quoted by the writer nor
// taken as the end of the value by the reader, so setting one parameter changed the value of
// the parameter before it: "a=;" followed by "; b=..." read back as "a" = ";;".
TEST(HeaderParamsFuzz, PlainValueEndsAtSemicolonSoSettingAnotherKeepsIt) {
  const std::u16string line = u"item; a=x;y; b=1";
  EXPECT_EQ(GetHeaderParam(line, u"a", QuotePlain), u"x");
  EXPECT_EQ(GetHeaderParam(line, u"y", QuotePlain), u"");
  EXPECT_EQ(GetHeaderParam(line, u"b", QuotePlain), u"1");

  const std::u16string set = SetHeaderParam(u"item; a=\";\"", u"n", u"v", QuotePlain);
  EXPECT_EQ(GetHeaderParam(set, u"a", QuotePlain), u";");
  EXPECT_EQ(GetHeaderParam(set, u"n", QuotePlain), u"v");
  // A value holding ";" is written in quotes, so it reads back whole.
  const std::u16string semicolon = SetHeaderParam(u"item; b=2", u"a", u"x;y", QuotePlain);
  EXPECT_EQ(GetHeaderParam(semicolon, u"a", QuotePlain), u"x;y");
  EXPECT_EQ(GetHeaderParam(semicolon, u"b", QuotePlain), u"2");
}

// An empty value written in quotes is a parameter the reader keeps (x=""), but the writer put
// it back as x= without quotes, which the reader drops: setting any other parameter made the
// first x vanish, and a second x took its place.
TEST(HeaderParamsFuzz, EmptyQuotedValueStaysQuotedWhenTheLineIsRewritten) {
  for (TIdHeaderQuotingType quoting : {QuotePlain, QuoteRFC822, QuoteMIME, QuoteHTTP}) {
    SCOPED_TRACE(quoting);
    const std::u16string line = u"item; x=\"\"; x=second";
    ASSERT_EQ(SplitHeaderSubItems(line, quoting).size(), 2u);
    const std::u16string set = SetHeaderParam(line, u"n", u"v", quoting);
    EXPECT_EQ(set, u"item; x=\"\"; x=second; n=v");
    EXPECT_EQ(GetHeaderParam(set, u"x", quoting), u"");
    EXPECT_EQ(SplitHeaderSubItems(set, quoting).size(), 3u);
  }
  EXPECT_EQ(QuoteHeaderParamValue(u"", QuoteHTTP, true), u"\"\"");
  EXPECT_EQ(QuoteHeaderParamValue(u"", QuoteHTTP), u"");
}
