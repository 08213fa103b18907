#include "net/ozkIdGlobal.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/ozkText.h"

namespace {

int CodePageOf(const char16_t* aName) {
  uint16_t cp = 0;
  return LookupCharset(aName, cp) ? cp : -1;
}

uint16_t MBCSCodePage(const IIdTextEncodingPtr& aEncoding) {
  auto* mbcs = dynamic_cast<TIdMBCSEncoding*>(aEncoding.get());
  return mbcs ? mbcs->CodePage() : 0;
}

} // namespace

TEST(IdCharsets, RegistryNamesGiveTheirCodePages) {
  for (auto name : {u"US-ASCII", u"ASCII", u"ANSI_X3.4-1968", u"us", u"csASCII"})
    EXPECT_EQ(CodePageOf(name), 20127) << UTF16ToUTF8(name);
  for (auto name : {u"ISO-8859-1", u"ISO_8859-1", u"latin1"})
    EXPECT_EQ(CodePageOf(name), 28591) << UTF16ToUTF8(name);
  EXPECT_EQ(CodePageOf(u"windows-1252"), 1252);
  EXPECT_EQ(CodePageOf(u"UTF-8"), 65001);
  EXPECT_EQ(CodePageOf(u"UTF-16"), 1200);
  EXPECT_EQ(CodePageOf(u"UTF-16LE"), 1200);
  EXPECT_EQ(CodePageOf(u"UTF-16BE"), 1201);
  EXPECT_EQ(CodePageOf(u"UTF-32"), 12000);
  EXPECT_EQ(CodePageOf(u"UTF-32LE"), 12000);
  EXPECT_EQ(CodePageOf(u"UTF-32BE"), 12001);
  EXPECT_EQ(CodePageOf(u"UTF-7"), 65000);
  EXPECT_EQ(CodePageOf(u"UNICODE-1-1-UTF-7"), 0); // in the table, without a code page
  EXPECT_EQ(CodePageOf(u"ISO-8859-15"), 28605);
  EXPECT_EQ(CodePageOf(u"KOI8-R"), 20866);
  EXPECT_EQ(CodePageOf(u"Shift_JIS"), 932);
  EXPECT_EQ(CodePageOf(u"EUC-JP"), 20932);
  EXPECT_EQ(CodePageOf(u"GB2312"), 936);
  EXPECT_EQ(CodePageOf(u"Big5"), 950);
  EXPECT_EQ(CodePageOf(u"macintosh"), 10000);
  EXPECT_EQ(CodePageOf(u"IBM437"), 437);
  EXPECT_EQ(CodePageOf(u"sHiFt_jIs"), 932);
  EXPECT_EQ(CodePageOf(u"UTF8"), -1); // a compact form, not a registry name
  EXPECT_EQ(CodePageOf(u"latin1\u00E9"), -1);
}

TEST(IdCharsets, EncodingForACharsetName) {
  const auto eightBit = TextEncodingOfKind(tek8Bit);
  const auto utf8 = TextEncodingOfKind(tekUTF8);
  EXPECT_EQ(TextEncodingOfCharset(u"utf-8"), utf8);
  EXPECT_EQ(TextEncodingOfCharset(u"UTF8"), utf8);
  EXPECT_EQ(TextEncodingOfCharset(u"utf7"), TextEncodingOfKind(tekUTF7));
  EXPECT_EQ(TextEncodingOfCharset(u"Utf16"), TextEncodingOfKind(tekUTF16LE));
  EXPECT_EQ(TextEncodingOfCharset(u"UTF16LE"), TextEncodingOfKind(tekUTF16LE));
  EXPECT_EQ(TextEncodingOfCharset(u"utf16be"), TextEncodingOfKind(tekUTF16BE));
  EXPECT_EQ(MBCSCodePage(TextEncodingOfCharset(u"UTF32")), 12000);
  EXPECT_EQ(MBCSCodePage(TextEncodingOfCharset(u"utf32be")), 12001);
  EXPECT_EQ(MBCSCodePage(TextEncodingOfCharset(u"UTF-32LE")), 12000);
  EXPECT_EQ(TextEncodingOfCharset(u""), eightBit);
  EXPECT_EQ(TextEncodingOfCharset(u"no-such-charset"), eightBit);
  EXPECT_EQ(TextEncodingOfCharset(u"UNICODE-1-1-UTF-7"), eightBit);
  EXPECT_EQ(TextEncodingOfCharset(u"hp-roman8"), eightBit);  // a name without a code page
  EXPECT_EQ(TextEncodingOfCharset(u"x-iscii-de"), eightBit); // a code page iconv lacks
  EXPECT_EQ(TextEncodingOfCharset(u"us-ascii"), TextEncodingOfKind(tekASCII));
  EXPECT_EQ(TextEncodingOfCharset(u"csUnicode"), TextEncodingOfKind(tekUTF16LE));

  const auto latin9 = TextEncodingOfCharset(u"iso-8859-15");
  EXPECT_EQ(MBCSCodePage(latin9), 28605);
  EXPECT_EQ(latin9->GetBytes(u"\u20AC"), TIdBytes{0xA4});
  EXPECT_EQ(MBCSCodePage(TextEncodingOfCharset(u"Windows-1251")), 1251);
  EXPECT_EQ(MBCSCodePage(TextEncodingOfCharset(u"koi8-r")), 20866);
  EXPECT_EQ(MBCSCodePage(TextEncodingOfCharset(u"EUC-JP")), 20932);
  EXPECT_EQ(MBCSCodePage(TextEncodingOfCharset(u"ebcdic-cp-us")), 37);
}

TEST(IdCharsets, TableIsConsistent) {
  const auto& table = IdCharsetTable();
  ASSERT_FALSE(table.empty());
  std::set<std::string> seen;
  std::set<uint16_t> codePages;
  for (const auto& row : table) {
    ASSERT_FALSE(row.Name.empty());
    std::string lower;
    for (char c : row.Name) {
      ASSERT_TRUE(c > ' ' && c < 127) << row.Name;
      lower.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c));
    }
    EXPECT_TRUE(seen.insert(lower).second) << "duplicate name " << row.Name;
    EXPECT_EQ(CodePageOf(ASCIIToUTF16(lower).c_str()), row.CodePage) << row.Name;
    if (row.CodePage) codePages.insert(row.CodePage);
  }
  // Every code page of the table converts, except those the platform's converter lacks; the
  // names of these fall back to 8-bit.
  const std::set<uint16_t> lacking = {720,   10001, 10002, 10003, 10004, 10005, 10006, 10008, 10010,
                                      10021, 10081, 10082, 20000, 20001, 20002, 20003, 20004, 20005,
                                      20105, 20833, 20838, 20924, 29001, 52936, 57002, 57003, 57004,
                                      57005, 57006, 57007, 57008, 57009, 57010, 57011};
  for (uint16_t cp : codePages) {
    bool known = true;
    try {
      const auto enc = TextEncodingOfCodePage(cp);
      EXPECT_EQ(enc->GetString(enc->GetBytes(u"AZ09")), u"AZ09") << cp;
    } catch (const std::exception&) {
      known = false;
    }
    EXPECT_EQ(known, lacking.count(cp) == 0) << cp;
  }
}
