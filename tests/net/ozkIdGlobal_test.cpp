#include "net/ozkIdGlobal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "base/ozkException.h"
#include "base/ozkText.h"
#include "net/ozkIdException.h"

TEST(IdFileStreams, AppendStreamKeepsContentAndDeniesOtherWriters) {
  const auto path =
      UTF8ToUTF16(std::string(::testing::TempDir()) + "ozk_append_" + std::to_string(::getpid()));
  {
    TIdAppendFileStream first(path); // created when missing
    first.WriteBuffer("ab", 2);
  }
  {
    TIdAppendFileStream again(path);
    EXPECT_EQ(again.Position(), 2); // positioned at the end, nothing truncated
    again.WriteBuffer("c", 1);
    EXPECT_THROW(TIdAppendFileStream{path}, EFOpenError);
    EXPECT_THROW(TIdReadFileExclusiveStream{path}, EFOpenError);
  }
  TIdReadFileExclusiveStream reader(path);
  char buf[3];
  reader.ReadBuffer(buf, 3);
  EXPECT_EQ(std::string(buf, 3), "abc");
  ::unlink(UTF16ToUTF8(path).c_str());
}

TEST(IdClock, MonotonicNeverGoesBackwards) {
  uint64_t a = MonotonicMilliseconds();
  uint64_t b = MonotonicMilliseconds();
  EXPECT_GE(b, a);
  EXPECT_LT(ElapsedMilliseconds(a), 60000u);
}

// --- Encodings ---------------------------------------------------------------------------------

namespace {

TIdBytes B(std::initializer_list<int> aBytes) {
  TIdBytes r;
  for (int b : aBytes) r.push_back(static_cast<uint8_t>(b));
  return r;
}

// Runs aCall, expecting a general (non-connection-layer) argument error with exactly aMessage.
template <typename F> void ExpectArgError(F aCall, const std::u16string& aMessage) {
  try {
    aCall();
    ADD_FAILURE() << "no exception, expected " << UTF16ToUTF8(aMessage);
  } catch (const EArgumentException& e) {
    EXPECT_EQ(e.Message(), aMessage);
    EXPECT_EQ(dynamic_cast<const EIdException*>(&e), nullptr);
  }
}

// An encoding that fails the test when it is consulted at all.
class TUntouchableEncoding : public TIdTextEncodingBase {
 public:
  int GetByteCount(const char16_t*, int) const override { return Fail(); }
  int GetBytes(const char16_t*, int, uint8_t*, int) const override { return Fail(); }
  int GetCharCount(const uint8_t*, int) const override { return Fail(); }
  int GetChars(const uint8_t*, int, char16_t*, int) const override { return Fail(); }
  int GetMaxByteCount(int) const override { return Fail(); }
  int GetMaxCharCount(int) const override { return Fail(); }

 private:
  static int Fail() {
    ADD_FAILURE() << "the encoding was consulted";
    return 0;
  }
};

} // namespace

TEST(IdTextEncodingBase, RangeErrorsCarryTheirMessages) {
  TIdASCIIEncoding enc;
  const TIdWideChars chars{u'a', u'b'};
  ExpectArgError([&] { enc.GetByteCount(chars, 2, 0); }, u"Character index out of bounds (2)");
  ExpectArgError([&] { enc.GetBytes(chars, -1, 1); }, u"Character index out of bounds (-1)");
  ExpectArgError([&] { enc.GetByteCount(chars, 0, 3); }, u"Invalid count (3)");
  ExpectArgError([&] { enc.GetBytes(chars, 1, -1); }, u"Invalid count (-1)");
  EXPECT_EQ(enc.GetBytes(chars, 1, 1), B({'b'}));
  EXPECT_EQ(enc.GetByteCount(chars, 1, 0), 0);

  // Text indexes count from 1; the range may end exactly at the end of the text.
  ExpectArgError([&] { enc.GetBytes(u"abc", 0, 1); }, u"Character index out of bounds (0)");
  ExpectArgError([&] { enc.GetByteCount(u"abc", 2, 3); }, u"Invalid count (3)");
  ExpectArgError([&] { enc.GetBytes(u"abc", 1, -2); }, u"Invalid count (-2)");
  EXPECT_EQ(enc.GetBytes(u"abc", 2, 2), B({'b', 'c'}));
  EXPECT_EQ(enc.GetByteCount(u"abc", 4, 0), 0);

  const TIdBytes bytes = B({'x', 'y', 'z'});
  ExpectArgError([&] { enc.GetString(bytes, 3, 0); }, u"Invalid destination index (3)");
  ExpectArgError([&] { enc.GetCharCount(bytes, -1, 1); }, u"Invalid destination index (-1)");
  ExpectArgError([&] { enc.GetChars(bytes, 1, 3); }, u"Invalid destination array");
  EXPECT_EQ(enc.GetString(bytes, 1, 2), u"yz");
}

TEST(IdTextEncodingBase, WritingIntoExistingArrays) {
  TIdASCIIEncoding enc;
  TIdBytes dest(4, 0xAA);
  ExpectArgError([&] { enc.GetBytes(static_cast<const char16_t*>(nullptr), 1, dest, 0); },
                 u"Invalid source array");
  TIdBytes empty;
  ExpectArgError([&] { enc.GetBytes(u"a", 1, 1, empty, 0); }, u"Invalid destination array");
  ExpectArgError([&] { enc.GetBytes(u"ab", -1, dest, 0); }, u"Invalid count (-1)");
  ExpectArgError([&] { enc.GetBytes(u"a", 1, 1, dest, 4); }, u"Invalid destination index (4)");
  ExpectArgError([&] { enc.GetBytes(u"abc", 1, 3, dest, 2); }, u"Invalid destination array");
  EXPECT_EQ(enc.GetBytes(u"abc", 2, 2, dest, 1), 2);
  EXPECT_EQ(dest, B({0xAA, 'b', 'c', 0xAA})); // nothing outside the range is touched
  const TIdWideChars src{u'x', u'y'};
  EXPECT_EQ(enc.GetBytes(src, 0, 2, dest, 2), 2);
  EXPECT_EQ(dest, B({0xAA, 'b', 'x', 'y'}));

  TIdWideChars chars(3, u'-');
  const TIdBytes bytes = B({'p', 'q'});
  ExpectArgError([&] { enc.GetChars(static_cast<const uint8_t*>(nullptr), 2, chars, 0); },
                 u"Invalid source array");
  ExpectArgError([&] { enc.GetChars(bytes.data(), -1, chars, 0); }, u"Invalid count (-1)");
  ExpectArgError([&] { enc.GetChars(bytes, 0, 2, chars, 4); }, u"Invalid destination index (4)");
  ExpectArgError([&] { enc.GetChars(bytes, 0, 2, chars, 2); }, u"Invalid destination array");
  EXPECT_EQ(enc.GetChars(bytes, 0, 2, chars, 1), 2);
  EXPECT_EQ(chars, (TIdWideChars{u'-', u'p', u'q'}));
  // An index at the very end is allowed when nothing is decoded (one byte is no UTF-16 unit).
  TIdUTF16LittleEndianEncoding utf16;
  EXPECT_EQ(utf16.GetChars(bytes.data(), 1, chars, 3), 0);
}

TEST(IdASCIIEncoding, SubstitutesOutsideSevenBits) {
  TIdASCIIEncoding enc;
  EXPECT_TRUE(enc.GetIsSingleByte());
  EXPECT_EQ(enc.GetBytes(u"\u00E9"), B({63}));
  EXPECT_EQ(enc.GetString(B({0xE9})), u"\uFFFD");
  EXPECT_EQ(enc.GetString(B({0x7F, 0x41})), u"\u007FA");
  EXPECT_EQ(enc.GetMaxByteCount(5), 5);
  EXPECT_EQ(enc.GetMaxCharCount(5), 5);
  EXPECT_TRUE(enc.GetPreamble().empty());
  uint8_t out[2] = {0, 0};
  EXPECT_EQ(enc.GetBytes(u"abc", 3, out, 2), 2); // the smaller of the two counts
  EXPECT_EQ(out[1], 'b');
}

TEST(Id8BitEncoding, OneByteOneCharacter) {
  TId8BitEncoding enc;
  EXPECT_EQ(enc.GetBytes(u"\u00E9"), B({0xE9}));
  EXPECT_EQ(enc.GetString(B({0xE9})), u"\u00E9");
  EXPECT_EQ(enc.GetBytes(u"\u20AC"), B({63}));
  TIdBytes all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<uint8_t>(i));
  EXPECT_EQ(enc.GetBytes(enc.GetString(all)), all);
}

TEST(IdUTF16Encoding, ByteOrderCountsAndPreambles) {
  TIdUTF16LittleEndianEncoding le;
  TIdUTF16BigEndianEncoding be;
  EXPECT_FALSE(le.GetIsSingleByte());
  EXPECT_EQ(le.GetBytes(u"A\u20AC"), B({0x41, 0x00, 0xAC, 0x20}));
  EXPECT_EQ(be.GetBytes(u"A\u20AC"), B({0x00, 0x41, 0x20, 0xAC}));
  EXPECT_EQ(le.GetString(B({0x41, 0x00, 0x42})), u"A"); // odd last byte ignored
  EXPECT_EQ(be.GetString(B({0x20, 0xAC, 0x00})), u"\u20AC");
  EXPECT_EQ(le.GetMaxCharCount(3), 3);
  EXPECT_EQ(le.GetMaxByteCount(3), 8);
  EXPECT_EQ(le.GetPreamble(), B({0xFF, 0xFE}));
  EXPECT_EQ(be.GetPreamble(), B({0xFE, 0xFF}));
  const std::u16string pair = u"\U0001F600";
  EXPECT_EQ(le.GetString(le.GetBytes(pair)), pair); // surrogates pass as two units
  EXPECT_EQ(be.GetString(be.GetBytes(pair)), pair);
}

TEST(IdUTF8Encoding, CountsPreambleAndReplacement) {
  TIdUTF8Encoding enc;
  EXPECT_EQ(enc.CodePage(), 65001);
  EXPECT_EQ(enc.GetMaxByteCount(1), 6);
  EXPECT_EQ(enc.GetMaxCharCount(1), 2);
  EXPECT_EQ(enc.GetMaxByteCount(INT_MAX), INT_MAX); // saturates instead of overflowing
  EXPECT_EQ(enc.GetPreamble(), B({0xEF, 0xBB, 0xBF}));
  EXPECT_EQ(enc.GetBytes(u"\u20AC"), B({0xE2, 0x82, 0xAC})); // never a preamble by itself
  EXPECT_EQ(enc.GetString(B({0xC3, 0x28})), u"\uFFFD(");
  EXPECT_EQ(enc.GetCharCount(B({0xC3, 0x28})), 2);
  EXPECT_EQ(enc.GetString(B({'a', 0xE2, 0x82})), u"a\uFFFD"); // cut short at the end
  EXPECT_EQ(enc.GetBytes(u"\xD800x"), B({0xEF, 0xBF, 0xBD, 'x'}));
  // The writing core stops before a character that does not fit.
  uint8_t out[3] = {0, 0, 0};
  EXPECT_EQ(enc.GetBytes(u"a\u20AC", 2, out, 3), 1);
  char16_t units[2];
  EXPECT_EQ(enc.GetChars(B({'z', 0xF0, 0x9F, 0x98, 0x80}).data(), 5, units, 2), 1);
}

// The UTF-8 path must decode exactly as the base runtime does, including every ill-formed form.
TEST(IdUTF8Encoding, AgreesWithTheRuntimeCodec) {
  TIdUTF8Encoding enc;
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const TIdBytes bytes = B({a, b});
      const std::u16string expected = UTF8ToUTF16(bytes.data(), bytes.size());
      ASSERT_EQ(enc.GetString(bytes), expected) << a << " " << b;
      ASSERT_EQ(enc.GetCharCount(bytes), static_cast<int>(expected.size()));
    }
  }
  const uint8_t alphabet[] = {0x41, 0x80, 0x9F, 0xA0, 0xBF, 0xC2, 0xDF, 0xE0,
                              0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0x8F, 0x90, 0xFF};
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (int round = 0; round < 20000; ++round) {
    TIdBytes bytes(1 + next() % 12);
    for (auto& x : bytes) x = alphabet[next() % 16];
    const std::u16string expected = UTF8ToUTF16(bytes.data(), bytes.size());
    ASSERT_EQ(enc.GetString(bytes), expected);
    ASSERT_EQ(enc.GetChars(bytes), TIdWideChars(expected.begin(), expected.end()));
    std::u16string units(expected.size() + 1, u'x');
    for (auto& u : units)
      u = static_cast<char16_t>(next() % 3 == 0 ? 0xD800 + next() % 0x800 : next());
    const std::string utf8 = UTF16ToUTF8(units);
    ASSERT_EQ(enc.GetBytes(units), TIdBytes(utf8.begin(), utf8.end()));
    ASSERT_EQ(enc.GetByteCount(units), static_cast<int>(utf8.size()));
  }
}

TEST(IdMBCSEncoding, CodePagesThroughTheConverter) {
  TIdMBCSEncoding ansi;
  EXPECT_EQ(ansi.CodePage(), 1252); // code page 0 is Windows-1252
  EXPECT_TRUE(ansi.GetIsSingleByte());
  EXPECT_EQ(ansi.GetBytes(u"\u20ACa\u4E2D"), B({0x80, 'a', '?'}));
  EXPECT_EQ(ansi.GetString(B({0x80, 0xE9})), u"\u20AC\u00E9");
  EXPECT_EQ(ansi.GetMaxByteCount(3), 4);
  EXPECT_EQ(ansi.GetMaxCharCount(3), 3);
  EXPECT_TRUE(ansi.GetPreamble().empty());

  TIdMBCSEncoding sjis(932);
  EXPECT_FALSE(sjis.GetIsSingleByte());
  EXPECT_EQ(sjis.GetMaxByteCount(3), 8);
  const std::u16string japanese = u"\u65E5\u672C\u8A9E a";
  const TIdBytes sjisBytes = B({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA, ' ', 'a'});
  EXPECT_EQ(sjis.GetBytes(japanese), sjisBytes);
  EXPECT_EQ(sjis.GetString(sjisBytes), japanese);
  EXPECT_EQ(sjis.GetString(B({0x81, 0x20, 'b'})), u"\uFFFD b"); // bad trail byte
  EXPECT_EQ(sjis.GetString(B({'c', 0x93})), u"c\uFFFD");        // lead byte cut off

  TIdMBCSEncoding koi8r(20866);
  const std::u16string russian = u"\u041F\u0440\u0438\u0432\u0435\u0442";
  const TIdBytes koiBytes = B({0xF0, 0xD2, 0xC9, 0xD7, 0xC5, 0xD4});
  EXPECT_EQ(koi8r.GetBytes(russian), koiBytes);
  EXPECT_EQ(koi8r.GetString(koiBytes), russian);

  // The substitute goes through the code page: "?" is 0x6F in EBCDIC.
  TIdMBCSEncoding ebcdic(37);
  EXPECT_EQ(ebcdic.GetBytes(u"A\u4E2D"), B({0xC1, 0x6F}));

  // Stateful: the count includes the escape back to ASCII, so an exact-size array suffices.
  TIdMBCSEncoding jis(50220);
  const std::u16string text = u"a\u65E5\u672Cb";
  const int count = jis.GetByteCount(text);
  TIdBytes exact(static_cast<size_t>(count));
  EXPECT_EQ(jis.GetBytes(text, 1, static_cast<int>(text.size()), exact, 0), count);
  EXPECT_EQ(exact, jis.GetBytes(text));
  EXPECT_EQ(jis.GetString(exact), text);
  EXPECT_LE(count, jis.GetMaxByteCount(static_cast<int>(text.size())));

  EXPECT_EQ(TIdMBCSEncoding(12001).GetBytes(u"A"), B({0, 0, 0, 'A'}));
  EXPECT_EQ(TIdMBCSEncoding(12001).GetPreamble(), B({0, 0, 0xFE, 0xFF}));
  EXPECT_EQ(TIdMBCSEncoding(1200).GetPreamble(), B({0xFF, 0xFE}));
  EXPECT_EQ(TIdMBCSEncoding(20127).CodePage(), 20127);

  TIdUTF7Encoding utf7;
  EXPECT_EQ(utf7.GetBytes(u"A\u20AC"), B({'A', '+', 'I', 'K', 'w', '-'}));
  EXPECT_EQ(utf7.GetString(B({'A', '+', 'I', 'K', 'w', '-'})), u"A\u20AC");
  EXPECT_EQ(utf7.GetMaxByteCount(2), 8);
  EXPECT_EQ(utf7.GetMaxCharCount(2), 2);
  EXPECT_TRUE(utf7.GetPreamble().empty());
}

TEST(IdMBCSEncoding, UnknownCodePageIsRefused) {
  try {
    TIdMBCSEncoding bogus(12345);
    ADD_FAILURE() << "no exception";
  } catch (const EIdException& e) {
    EXPECT_EQ(e.Message(), u"Invalid codepage (12345)");
  }
  EXPECT_THROW(TextEncodingOfCodePage(720), EIdException); // a code page iconv lacks
}

// One encoding object used by several threads at once; a shared iconv descriptor would mix
// their conversion states up.
TEST(IdMBCSEncoding, ConcurrentConversionsStayCorrect) {
  const auto sjis = TextEncodingOfCodePage(932);
  const auto jis = TextEncodingOfCodePage(50220);
  const std::u16string text = u"\u65E5\u672C\u8A9E abc \u30C6\u30AD\u30B9\u30C8";
  const TIdBytes sjisBytes = sjis->GetBytes(text), jisBytes = jis->GetBytes(text);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  threads.reserve(4);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 300; ++i) {
        if (sjis->GetBytes(text) != sjisBytes || jis->GetString(jisBytes) != text ||
            jis->GetBytes(text) != jisBytes || sjis->GetString(sjisBytes) != text) {
          ++wrong;
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(IdSharedEncodings, KindsAndCodePagesGiveTheSharedInstances) {
  const auto ascii = TextEncodingOfKind(tekASCII);
  EXPECT_NE(dynamic_cast<TIdASCIIEncoding*>(ascii.get()), nullptr);
  EXPECT_EQ(TextEncodingOfKind(tekDefault), ascii);
  EXPECT_EQ(TextEncodingOfKind(), ascii);
  EXPECT_EQ(TextEncodingOfCodePage(20127), ascii); // the ASCII class, not a converter
  EXPECT_EQ(TextEncodingOfCodePage(65001), TextEncodingOfKind(tekUTF8));
  EXPECT_EQ(TextEncodingOfCodePage(65000), TextEncodingOfKind(tekUTF7));
  EXPECT_EQ(TextEncodingOfCodePage(1200), TextEncodingOfKind(tekUTF16LE));
  EXPECT_EQ(TextEncodingOfCodePage(1201), TextEncodingOfKind(tekUTF16BE));
  EXPECT_NE(dynamic_cast<TIdUTF16BigEndianEncoding*>(TextEncodingOfKind(tekUTF16BE).get()),
            nullptr);
  EXPECT_NE(dynamic_cast<TId8BitEncoding*>(TextEncodingOfKind(tek8Bit).get()), nullptr);
  auto* os = dynamic_cast<TIdMBCSEncoding*>(TextEncodingOfKind(tekOSDefault).get());
  ASSERT_NE(os, nullptr);
  EXPECT_EQ(os->CodePage(), 1252);
  EXPECT_NE(TextEncodingOfCodePage(1252), TextEncodingOfCodePage(1252)); // not shared

  const auto utf8 = TextEncodingOfKind(tekUTF8);
  EXPECT_EQ(ResolveTextEncoding(utf8, ascii), utf8);
  EXPECT_EQ(ResolveTextEncoding(nullptr, utf8), utf8);
  EXPECT_EQ(ResolveTextEncoding(nullptr, nullptr, tek8Bit), TextEncodingOfKind(tek8Bit));
  EXPECT_EQ(ResolveTextEncoding(nullptr), ascii);
}

// The race needs empty slots, so it runs in a fresh process (earlier tests filled them here).
TEST(IdSharedEncodings, RacingFirstRequestsEndWithOneInstance) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        constexpr int kThreads = 8;
        std::barrier start(kThreads);
        IIdTextEncoding* got[kThreads][2] = {};
        std::vector<std::thread> threads;
        threads.reserve(kThreads);
        for (int t = 0; t < kThreads; ++t) {
          threads.emplace_back([&, t] {
            start.arrive_and_wait();
            got[t][0] = TextEncodingOfKind(tekUTF8).get();
            got[t][1] = TextEncodingOfKind(t % 2 ? tekDefault : tekASCII).get();
          });
        }
        for (auto& th : threads) th.join();
        bool same = true;
        for (int t = 0; t < kThreads; ++t) {
          same = same && got[t][0] == TextEncodingOfKind(tekUTF8).get() &&
                 got[t][1] == TextEncodingOfKind(tekASCII).get();
        }
        std::exit(same ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(IdTextConversions, RangesAndDefaults) {
  const auto utf8 = TextEncodingOfKind(tekUTF8);
  const auto untouchable = std::make_shared<TUntouchableEncoding>();
  EXPECT_EQ(TextToBytes(u"h\u00E9"), B({'h', '?'})); // ASCII when no encoding is given
  EXPECT_EQ(TextToBytes(u"h\u00E9llo", 3, 2, utf8), B({0xC3, 0xA9, 'l', 'l'}));
  EXPECT_EQ(TextToBytes(u"abc", -1, 2), B({'b', 'c'}));
  EXPECT_EQ(TextToBytes(u"abc", 9, 3), B({'c'}));
  EXPECT_TRUE(TextToBytes(u"abc", 0, 1, untouchable).empty());
  EXPECT_TRUE(TextToBytes(u"abc", -1, 4, untouchable).empty());
  EXPECT_TRUE(TextToBytes(u"", untouchable).empty());
  ExpectArgError([] { TextToBytes(u"abc", 1, 0); }, u"Character index out of bounds (0)");
  EXPECT_EQ(CharToBytes(u'\u00E9', utf8), B({0xC3, 0xA9}));

  const TIdBytes bytes = B({'a', 0xC3, 0xA9});
  EXPECT_EQ(BytesToText(bytes), u"a\uFFFD\uFFFD");
  EXPECT_EQ(BytesToText(bytes, utf8), u"a\u00E9");
  EXPECT_EQ(BytesToText(bytes, 1, -1, utf8), u"\u00E9");
  EXPECT_EQ(BytesToText(bytes, 0, 1, utf8), u"a");
  EXPECT_EQ(BytesToText(bytes, 2, 50), u"\uFFFD");
  EXPECT_TRUE(BytesToText(bytes, 3, -1, untouchable).empty()); // start index = length
  EXPECT_TRUE(BytesToText(bytes, 7, -1, untouchable).empty());
  EXPECT_TRUE(BytesToText(TIdBytes(), untouchable).empty());
  EXPECT_THROW(BytesToText(bytes, -1, 1), EArgumentException);
  EXPECT_EQ(BytesToRawText(bytes), u"a\u00C3\u00A9");
  EXPECT_EQ(BytesToRawText(bytes, 1, 1), u"\u00C3");
}

TEST(IdTextConversions, FixedSizeValues) {
  const uint32_t v = 0x01020304;
  TIdBytes host(4);
  std::memcpy(host.data(), &v, 4);
  EXPECT_EQ(UInt32ToBytes(v), host);
  EXPECT_EQ(Int16ToBytes(-2), UInt16ToBytes(0xFFFE));
  EXPECT_EQ(UInt8ToBytes(7), B({7}));
  EXPECT_EQ(UInt64ToBytes(1).size(), 8u);
  TIdBytes padded = B({9});
  padded.insert(padded.end(), host.begin(), host.end());
  EXPECT_EQ(BytesToUInt32(padded, 1), v);
  EXPECT_EQ(BytesToUInt16(UInt16ToBytes(0xBEEF)), 0xBEEF);
  EXPECT_EQ(BytesToUInt64(UInt64ToBytes(0x1122334455667788ULL)), 0x1122334455667788ULL);
  EXPECT_THROW(BytesToUInt32(padded, 2), EArgumentException); // only three bytes left
  EXPECT_THROW(BytesToUInt16(padded, -1), EArgumentException);
  EXPECT_THROW(BytesToUInt64(host), EArgumentException);

  TIdBytes v6(17, 0);
  v6[1] = 0x20;
  v6[2] = 0x01;
  const TIdIPv6Address a = BytesToIPv6(v6, 1);
  uint16_t first;
  std::memcpy(&first, &v6[1], 2);
  EXPECT_EQ(a.Words[0], first);
  EXPECT_THROW(BytesToIPv6(v6, 2), EArgumentException);
  EXPECT_EQ(BytesToIPv4Text(B({0, 192, 168, 1, 20}), 1), u"192.168.1.20");
  EXPECT_THROW(BytesToIPv4Text(B({192, 168, 1})), EArgumentException);

  const char raw[] = "xyz";
  EXPECT_EQ(RawToBytes(raw, 3), B({'x', 'y', 'z'}));
  EXPECT_TRUE(RawToBytes(nullptr, 0).empty());
}
