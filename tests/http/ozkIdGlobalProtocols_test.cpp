#include "http/ozkIdGlobalProtocols.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>
#include <tuple>

#include "base/ozkText.h"

namespace {

// Runs a block with the process time zone set to a POSIX rule, restoring the old one after.
class TZGuard {
 public:
  explicit TZGuard(const char* aZone) {
    const char* old = std::getenv("TZ");
    FHadOld = old != nullptr;
    if (old) FOld = old;
    setenv("TZ", aZone, 1);
    tzset();
  }
  ~TZGuard() {
    if (FHadOld)
      setenv("TZ", FOld.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  bool FHadOld = false;
  std::string FOld;
};

std::u16string U(const char* s) {
  return UTF8ToUTF16(s);
}

} // namespace

TEST(InternetDates, TheThreeHttpFormsAndZones) {
  const TDateTime expected = EncodeDateTime(1994, 11, 6, 8, 49, 37, 0);
  for (const char16_t* text :
       {u"Sun, 06 Nov 1994 08:49:37 GMT", u"Sunday, 06-Nov-94 08:49:37 GMT",
        u"Sun Nov  6 08:49:37 1994", u"06 Nov 1994 08:49:37 UTC",
        u"Sun, 06 Nov 1994 09:49:37 +0100", u"Sun, 06 Nov 1994 03:49:37 EST"}) {
    TDateTime utc = 0;
    ASSERT_TRUE(TryStrInternetToDateTime(text, utc)) << UTF16ToUTF8(text);
    EXPECT_NEAR(utc, expected, 1e-9) << UTF16ToUTF8(text);
  }
  TDateTime utc = 0;
  for (const char16_t* bad : {u"", u"yesterday", u"Sun, 31 Feb 1994 08:49:37 GMT",
                              u"Sun, 06 Nov 1994 25:00:00 GMT", u"06 Foo 1994"})
    EXPECT_FALSE(TryStrInternetToDateTime(bad, utc)) << UTF16ToUTF8(bad);
  EXPECT_EQ(GMTToLocalDateTime(u"not a date"), 0);
  // Two-digit years of the RFC 850 form: 70..99 are the 1900s, below 70 the 2000s.
  ASSERT_TRUE(TryStrInternetToDateTime(u"Monday, 01-Jan-24 00:00:00 GMT", utc));
  EXPECT_EQ(DecodeDateTime(utc).Year, 2024);
}

TEST(InternetDates, LocalTimeIsConvertedBothWays) {
  TZGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
  // Winter: UTC+1; summer: UTC+2.
  const TDateTime winterLocal = GMTToLocalDateTime(u"Sun, 06 Nov 1994 08:49:37 GMT");
  TLocalDateTime d = DecodeDateTime(winterLocal);
  EXPECT_EQ(d.Hour, 9);
  EXPECT_EQ(d.Minute, 49);
  const TDateTime summerLocal = GMTToLocalDateTime(u"Tue, 02 Jul 2024 22:30:00 GMT");
  d = DecodeDateTime(summerLocal);
  EXPECT_EQ(d.Day, 3);
  EXPECT_EQ(d.Hour, 0);

  EXPECT_EQ(LocalDateTimeToGMT(winterLocal), u"Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_EQ(LocalDateTimeToGMT(summerLocal), u"Tue, 02 Jul 2024 22:30:00 GMT");
  // Single-digit fields are zero-padded and the weekday is computed.
  EXPECT_EQ(LocalDateTimeToGMT(UTCToLocal(EncodeDateTime(2005, 3, 4, 5, 6, 7, 0))),
            u"Fri, 04 Mar 2005 05:06:07 GMT");
}

TEST(HeaderParams, SplittingAndLookup) {
  // A quoted boundary containing ";" reads as the text between the quotes.
  const std::u16string ct = u"multipart/form-data; boundary=\"ab;cd\"; CharSet=utf-8";
  EXPECT_EQ(GetHeaderParam(ct, u"boundary", QuoteHTTP), u"ab;cd");
  EXPECT_EQ(GetHeaderParam(ct, u"charset", QuoteHTTP), u"utf-8");
  EXPECT_EQ(GetHeaderParam(ct, u"missing", QuoteHTTP), u"");
  EXPECT_EQ(GetHeaderItem(ct), u"multipart/form-data");
  EXPECT_EQ(GetHeaderItem(u"  text/plain  "), u"text/plain");

  // Backslash escapes inside quotes, blanks around "=", a parameter without value is dropped.
  auto params = SplitHeaderSubItems(u"x; a = \"q\\\"t\\\\\" ; flag; b=\"\"; c=3", QuoteHTTP);
  ASSERT_EQ(params.size(), 3u);
  EXPECT_EQ(params[0].Name, u"a");
  EXPECT_EQ(params[0].Value, u"q\"t\\");
  EXPECT_TRUE(params[0].Quoted);
  EXPECT_EQ(params[1].Name, u"b"); // empty but quoted: kept
  EXPECT_EQ(params[1].Value, u"");
  EXPECT_EQ(params[2].Value, u"3");
  EXPECT_FALSE(params[2].Quoted);

  // The quoting type decides where an unquoted value ends.
  const std::u16string v = u"x; p=a/b.c=d{e}";
  EXPECT_EQ(GetHeaderParam(v, u"p", QuotePlain), u"a/b.c=d{e}");
  EXPECT_EQ(GetHeaderParam(v, u"p", QuoteRFC822), u"a");
  EXPECT_EQ(GetHeaderParam(u"x; p=b.c=d{e}", u"p", QuoteRFC822), u"b");
  EXPECT_EQ(GetHeaderParam(u"x; p=c=d{e}", u"p", QuoteRFC822), u"c=d{e}");
  EXPECT_EQ(GetHeaderParam(u"x; p=c=d{e}", u"p", QuoteMIME), u"c");
  EXPECT_EQ(GetHeaderParam(u"x; p=d{e}", u"p", QuoteMIME), u"d{e}");
  EXPECT_EQ(GetHeaderParam(u"x; p=d{e}", u"p", QuoteHTTP), u"d");
  // Controls and blanks end a value of every type.
  EXPECT_EQ(GetHeaderParam(u"x; p=ab cd", u"p", QuotePlain), u"ab");
}

TEST(HeaderParams, SettingQuotingAndTaking) {
  EXPECT_EQ(SetHeaderParam(u"text/plain", u"charset", u"utf-8", QuoteHTTP),
            u"text/plain; charset=utf-8");
  // Spaces and specials force quotes; quotes and backslashes are escaped.
  EXPECT_EQ(SetHeaderParam(u"text/plain", u"name", u"a b", QuoteHTTP), u"text/plain; name=\"a b\"");
  EXPECT_EQ(SetHeaderParam(u"t/x", u"n", u"a\"b\\c", QuoteHTTP), u"t/x; n=\"a\\\"b\\\\c\"");
  EXPECT_EQ(SetHeaderParam(u"t/x", u"n", u"a/b", QuoteRFC822), u"t/x; n=\"a/b\"");
  EXPECT_EQ(SetHeaderParam(u"t/x", u"n", u"a=b", QuoteRFC822), u"t/x; n=a=b");
  EXPECT_EQ(SetHeaderParam(u"t/x", u"n", u"a=b", QuoteMIME), u"t/x; n=\"a=b\"");
  // Carriage return is escaped for RFC 822 and MIME only.
  EXPECT_EQ(QuoteHeaderParamValue(u"a\rb", QuoteMIME), u"\"a\\\rb\"");
  EXPECT_EQ(QuoteHeaderParamValue(u"a\rb", QuoteHTTP), u"\"a\rb\"");

  // Replacing keeps the order; a value quoted before stays quoted.
  const std::u16string h = u"form-data; name=\"f\"; filename=x.txt";
  EXPECT_EQ(SetHeaderParam(h, u"NAME", u"g", QuoteMIME), u"form-data; name=\"g\"; filename=x.txt");
  // A blank value removes; removing an absent parameter leaves the text as it was.
  EXPECT_EQ(SetHeaderParam(h, u"filename", u"  ", QuoteMIME), u"form-data; name=\"f\"");
  EXPECT_EQ(SetHeaderParam(u"a ;  b=1", u"zz", u"", QuoteHTTP), u"a ;  b=1");

  std::u16string old;
  EXPECT_EQ(TakeHeaderParam(u"text/html; charset=ISO-8859-1; level=1", u"charset", QuoteHTTP, old),
            u"text/html; level=1");
  EXPECT_EQ(old, u"ISO-8859-1");
}

TEST(HeaderParams, MediaTypes) {
  EXPECT_TRUE(MediaTypeIs(u"Text/HTML; charset=x", u"text/html"));
  EXPECT_TRUE(MediaTypeIs(u"text/plain", u"TEXT"));
  EXPECT_FALSE(MediaTypeIs(u"textual/plain", u"text"));
  EXPECT_FALSE(MediaTypeIs(u"text", u"text"));
  EXPECT_FALSE(MediaTypeIs(u"text/html", u"text/htm"));
  EXPECT_TRUE(MediaTypeIsOneOf(u"application/xhtml+xml",
                               {u"text/html", u"text/html-sandboxed", u"application/xhtml+xml"}));
  EXPECT_FALSE(MediaTypeIsOneOf(u"application/json", {u"text", u"image/png"}));
  EXPECT_EQ(GetMediaSubType(u"image/svg+xml; q=1"), u"svg+xml");
  EXPECT_EQ(GetMediaSubType(u"text"), u"");
  EXPECT_EQ(GetMediaType(u"image/svg+xml"), u"image");
}

TEST(Encoders, Base64AndEncodedWords) {
  for (auto [in, out] : std::initializer_list<std::pair<const char*, const char16_t*>>{
           {"", u""}, {"f", u"Zg=="}, {"fo", u"Zm8="}, {"foo", u"Zm9v"}, {"foobar", u"Zm9vYmFy"}}) {
    TIdBytes bytes(in, in + std::strlen(in));
    EXPECT_EQ(EncodeBase64Text(bytes), out);
    EXPECT_EQ(DecodeBase64(out), bytes);
  }

  EXPECT_EQ(EncodeHeaderWords(U("äöü"), u"UTF-8", u'B'), u"=?UTF-8?B?w6TDtsO8?=");
  EXPECT_EQ(EncodeHeaderWords(U("a ü.txt"), u"UTF-8", u'Q'), u"=?UTF-8?Q?a_=C3=BC=2Etxt?=");

  // A long name becomes several words of at most 75 characters; decoding them in order gives
  // the text back, and no word splits a character (emoji are surrogate pairs).
  std::u16string longName;
  for (int i = 0; i < 30; ++i) longName += U("日本😀");
  for (char16_t enc : {u'B', u'Q'}) {
    const std::u16string words = EncodeHeaderWords(longName, u"UTF-8", enc);
    std::string decoded;
    size_t pos = 0;
    int count = 0;
    while (pos < words.size()) {
      size_t end = words.find(u' ', pos);
      if (end == std::u16string::npos) end = words.size();
      const std::u16string word = words.substr(pos, end - pos);
      EXPECT_LE(word.size(), 75u);
      const std::u16string prefix = enc == u'B' ? u"=?UTF-8?B?" : u"=?UTF-8?Q?";
      ASSERT_EQ(word.substr(0, prefix.size()), prefix);
      const std::u16string payload = word.substr(prefix.size(), word.size() - prefix.size() - 2);
      std::string bytes;
      if (enc == u'B') {
        for (uint8_t b : DecodeBase64(payload)) bytes.push_back(static_cast<char>(b));
      } else {
        for (size_t k = 0; k < payload.size(); ++k) {
          if (payload[k] == u'=') {
            bytes.push_back(
                static_cast<char>(std::stoi(UTF16ToUTF8(payload.substr(k + 1, 2)), nullptr, 16)));
            k += 2;
          } else {
            bytes.push_back(payload[k] == u'_' ? ' ' : static_cast<char>(payload[k]));
          }
        }
      }
      // Each word holds whole characters, so it decodes on its own.
      EXPECT_EQ(UTF16ToUTF8(UTF8ToUTF16(bytes)), bytes);
      decoded += bytes;
      pos = end + 1;
      ++count;
    }
    EXPECT_GT(count, 1);
    EXPECT_EQ(UTF8ToUTF16(decoded), longName);
  }
}

TEST(MimeTable, BuiltInListOrderAndTellingRows) {
  TStringList lines;
  TIdMimeTable::LoadBuiltInMimeTypes(lines);
  EXPECT_EQ(lines.Count(), 380);
  const std::u16string expectedOrder =
      u".nml .aac .aif .aifc .aiff .au .gsm .kar .m3u .m4a .mid .midi .mpega .mp2 .mp3 .mpga "
      u".pls .qcp .ra .ram .rm .sd2 .sid .snd .wav .wax .wma .mjf .art .bmp .cdr .cdt .cpt .djv "
      u".djvu .gif .ief .ico .jng .jpg .jpeg .jpe .pat .pcx .pbm .pgm .pict .png .pnm .pntg .ppm "
      u".psd .qtif .ras .rf .rgb .rp .sgi .svg .svgz .targa .tif .wbmp .webp .xbm .xpm .xwd .323 "
      u".xml .uls .txt .rtx .wsc .rt .htt .htc .vcf .asf .asx .avi .dl .dv .flc .fli .gl .lsf "
      u".lsx .mng .mp4 .mpeg .mpa .mpe .mpg .ogv .moov .mov .mxu .qt .qtc .rv .ivf .webm .wm "
      u".wmp .wmv .wmx .wvx .rms .movie .7z .a .aab .aam .aas .abw .ace .ai .alz .ani .arj .bat "
      u".bcpio .boz .bz .bz2 .cab .cat .ccn .cco .cdf .cer .chm .chrt .cil .class .com .clp "
      u".cpio .cqk .crd .crl .csh .dar .dbf .dcr .deb .dir .dist .distz .dll .dmg .doc .dot "
      u".dvi .dxr .ebk .eps .evy .exe .fdf .fif .flm .fml .gzip .gnumeric .gtar .gz .hdf .hlp "
      u".hpf .hqx .hta .ims .ins .iii .iso .jar .karbon .kfo .kon .kpr .kpt .kwd .kwt .latex "
      u".lha .lcc .lrm .lz .lzh .lzma .lzo .lzx .m13 .m14 .mpp .mvb .man .mdb .me .ms .msi .mpkg "
      u".mny .nix .o .oda .odb .odc .odf .odg .odi .odm .odp .ods .ogg .odt .otg .oth .otp .ots "
      u".ott .p10 .p12 .p7b .p7m .p7r .p7s .package .pfr .pkg .pdf .pko .pl .pnq .pot .pps .ppt "
      u".ppz .ps .pub .qpw .qtl .rar .rdf .rjs .rmf .rmp .rmx .rnx .rpm .rsml .rtsp .rss .scm "
      u".ser .scd .sda .sdc .sdd .sdp .setpay .setreg .sh .shar .shw .sit .sitx .skd .skm .skp "
      u".skt .smf .smi .smil .spl .ssm .sst .stc .std .sti .stl .stw .svi .sv4cpio .sv4crc .swf "
      u".swf1 .sxc .sxi .sxm .sxw .sxg .t .tar .tcl .tex .texi .texinfo .tbz .tbz2 .tgz .tlz .tr "
      u".trm .troff .tsp .torrent .ttz .txz .udeb .uin .urls .ustar .vcd .vor .vsl .wcm .wb1 "
      u".wb2 .wb3 .wdb .wks .wmd .wms .wmz .wp5 .wpd .wpl .wps .wri .xfdf .xls .xlb .xpi .xps "
      u".xsd .xul .z .zoo .zip .wml .wmlc .wmls .wmlsc .asm .p .pas .cs .c .c++ .cpp .cxx .cc .h "
      u".h++ .hpp .hxx .hh .java .css .js .htm .html .xhtml .xht .ls .mocha .shtml .sgm .sgml "
      u".mht";
  TIdMimeTable table(true);
  TStringList saved;
  table.SaveToStrings(saved, u' ');
  std::u16string order;
  for (const auto& line : saved) {
    if (!order.empty()) order += u' ';
    order += line.substr(0, line.find(u' '));
  }
  EXPECT_EQ(order, expectedOrder);
  EXPECT_EQ(table.Count(), 372);

  for (auto [file, type] : std::initializer_list<std::pair<const char16_t*, const char16_t*>>{
           {u"notes.PDF", u"application/pdf"},
           {u"a.txt", u"text/plain"},
           {u"a.htm", u"text/html"},
           {u"a.html", u"text/html"},
           {u"a.xml", u"text/xml"},
           {u"a.c", u"text/x-csrc"},
           {u"a.cpp", u"text/x-c++src"},
           {u"a.cs", u"text/x-csharp"},
           {u"A.java", u"text/x-java"},
           {u"a.js", u"text/javascript"},
           {u"a.css", u"text/css"},
           {u"a.doc", u"application/msword"},
           {u"a.tex", u"application/x-tex"},
           {u"a.sh", u"application/x-sh"},
           {u"a.png", u"image/x-png"},
           {u"a.jpg", u"image/jpeg"},
           {u"a.jpeg", u"image/jpeg"},
           {u"a.gif", u"image/gif"},
           {u"a.webp", u"image/webp"},
           {u"a.wav", u"audio/x-wav"},
           {u"a.mp3", u"audio/x-mpg"},
           {u"a.m4a", u"audio/x-mpg"},
           {u"a.mp4", u"video/mpeg"},
           {u"a.webm", u"video/webm"},
           {u"a.zip", u"application/x-zip-compressed"},
           {u"/dir.d/README", u"application/octet-stream"},
           {u"data.json", u"application/octet-stream"},
           {u"x.md", u"application/octet-stream"},
           {u"x.docx", u"application/octet-stream"},
           {u"dir.pdf/file", u"application/octet-stream"}}) {
    EXPECT_EQ(table.GetFileMIMEType(file), type) << UTF16ToUTF8(file);
  }
  EXPECT_EQ(table.GetDefaultFileExt(u"TEXT/HTML"), u".htm");
  EXPECT_EQ(table.GetDefaultFileExt(u"application/x-unknown"), u"");
  EXPECT_EQ(GetMIMETypeFromFile(u"report.Pdf"), u"application/pdf");
}

TEST(MimeTable, AddLoadSaveAndCacheEvent) {
  TIdMimeTable table(false);
  EXPECT_EQ(table.Count(), 0);
  table.AddMimeType(u"JSON", u"Application/JSON");
  EXPECT_EQ(table.GetFileMIMEType(u"x.json"), u"application/json");
  EXPECT_EQ(table.Count(), 1);
  EXPECT_EQ(table.GetFileMIMEType(u"x.unknownext"), u"application/octet-stream");
  EXPECT_EQ(table.Count(), 1); // not empty, so the built-in list is not loaded

  for (auto [ext, type, message] :
       std::initializer_list<std::tuple<const char16_t*, const char16_t*, const char16_t*>>{
           {u"", u"a/b", u"Extension is empty"},
           {u".x", u"", u"Mimetype is empty"},
           {u".JSON", u"text/other", u"Extension already exists"}}) {
    try {
      table.AddMimeType(ext, type, true);
      ADD_FAILURE() << "no exception for " << UTF16ToUTF8(message);
    } catch (const EIdMimeTypeException& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_NO_THROW(table.AddMimeType(ext, type, false));
  }
  EXPECT_EQ(table.Count(), 1);
  EXPECT_EQ(table.GetFileMIMEType(u"a.json"), u"application/json"); // the first entry won

  TStringList lines{u"txt:text/plain", u"no separator", u"md:text/markdown", u"MD:text/other"};
  table.LoadFromStrings(lines, u':');
  EXPECT_EQ(table.Count(), 2);
  TStringList saved;
  table.SaveToStrings(saved, u'=');
  EXPECT_EQ(saved.Text(), u".txt=text/plain\r\n.md=text/markdown\r\n");

  int calls = 0;
  TIdMimeTable custom(false);
  custom.SetOnBuildCache([&](TIdMimeTable& t) {
    ++calls;
    t.AddMimeType(u".abc", u"x/abc", false);
  });
  EXPECT_EQ(custom.GetFileMIMEType(u"f.abc"), u"x/abc");
  EXPECT_EQ(custom.GetFileMIMEType(u"f.pdf"), u"application/octet-stream");
  EXPECT_EQ(calls, 2);
}

TEST(MimeTable, ThreadSafeTableSharedBetweenThreads) {
  TIdThreadSafeMimeTable shared(true);
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  threads.reserve(4);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        shared.AddMimeType(u".t" + IntToStr(t * 1000 + i), u"x/t", false);
        if (shared.GetFileMIMEType(u"a.pdf") != u"application/pdf") ++wrong;
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong, 0);
  TIdMimeTable& inner = shared.Lock();
  EXPECT_EQ(inner.Count(), 372 + 800);
  shared.Unlock();
}
