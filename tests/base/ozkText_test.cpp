#include "base/ozkText.h"

#include <gtest/gtest.h>

TEST(UTF8ToUTF16, DecodesEveryLengthAndPairs) {
  EXPECT_EQ(UTF8ToUTF16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"),
            std::u16string(u"a\u00E9\u20AC\U0001F600z"));
  // Long ASCII runs go through the fast path; the tail after it must still decode.
  std::string longText(37, 'x');
  longText += "\xC3\xA9";
  EXPECT_EQ(UTF8ToUTF16(longText), std::u16string(37, u'x') + u"\u00E9");
}

TEST(UTF8ToUTF16, ReplacesEachIllFormedSubpart) {
  EXPECT_EQ(UTF8ToUTF16("\xC3\x28"), u"\uFFFD(");                // lead without continuation
  EXPECT_EQ(UTF8ToUTF16("\xC0\xAF"), u"\uFFFD\uFFFD");           // overlong
  EXPECT_EQ(UTF8ToUTF16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // encoded surrogate
  EXPECT_EQ(UTF8ToUTF16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD"); // above U+10FFFF
  EXPECT_EQ(UTF8ToUTF16("\xE2\x82"), u"\uFFFD");                           // truncated at the end
  EXPECT_EQ(UTF8ToUTF16("\xF0\x9F\x98"), u"\uFFFD");
  EXPECT_EQ(UTF8ToUTF16("\x80"), u"\uFFFD");
}

TEST(UTF16ToUTF8, EncodesPairsAndReplacesLoneSurrogates) {
  EXPECT_EQ(UTF16ToUTF8(u"a\u00E9\u20AC\U0001F600"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(UTF16ToUTF8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(UTF16ToUTF8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(TextHelpers, TrimAndCase) {
  EXPECT_EQ(Trim(u"\t a b \r\n"), u"a b");
  EXPECT_EQ(TrimLeft(u"  x "), u"x ");
  EXPECT_EQ(TrimRight(u"  x "), u"  x");
  EXPECT_EQ(Trim(u"   "), u"");
  EXPECT_EQ(UpperCase(u"abc\u00E9"), u"ABC\u00E9"); // ASCII letters only
  EXPECT_TRUE(SameText(u"Content-Type", u"content-TYPE"));
  EXPECT_TRUE(SameText(u"\u00C9T\u00C9", u"\u00E9t\u00E9"));
  EXPECT_TRUE(SameText(u"\u041F\u0440\u0438", u"\u043F\u0440\u0438"));
  EXPECT_FALSE(SameText(u"abc", u"abd"));
  EXPECT_LT(CompareText(u"abc", u"ABD"), 0);
  EXPECT_GT(CompareText(u"abcd", u"ABC"), 0);
  EXPECT_TRUE(StartsText(u"multipart/", u"Multipart/Form-Data"));
  EXPECT_TRUE(EndsText(u".PDF", u"notes.pdf"));
  EXPECT_EQ(PosText(u"CHARSET", u"text/html; charset=x"), 11u);
}

TEST(TextHelpers, IntegerConversions) {
  EXPECT_EQ(IntToStr(INT64_MIN), u"-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), u"00FF");
  int64_t v = 0;
  EXPECT_TRUE(TryStrToInt64(u" -42 ", v));
  EXPECT_EQ(v, -42);
  EXPECT_TRUE(TryStrToInt64(u"-9223372036854775808", v));
  EXPECT_EQ(v, INT64_MIN);
  EXPECT_FALSE(TryStrToInt64(u"9223372036854775808", v));
  EXPECT_FALSE(TryStrToInt64(u"12a", v));
  EXPECT_FALSE(TryStrToInt64(u"", v));
  EXPECT_EQ(StrToIntDef(u"4294967296", -1), -1); // beyond 32 bits
  EXPECT_EQ(ReplaceAll(u"a,b,,c", u",", u"."), u"a.b..c");
}
