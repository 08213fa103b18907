#include "http/ozkIdHTTP.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "support/ozkTestHTTPWire.h"
#include "support/ozkTestLoopback.h"

using namespace ozkhttptest;
using ozktest::TTestScriptedServer;

namespace {

std::vector<uint8_t> Bytes(const std::string& AText) {
  return {AText.begin(), AText.end()};
}

// Inflates nothing: a "zlib stream" here is the two header bytes followed by the plain data,
// which makes the framing work of the base class visible.
class TPassThroughCompressor : public TIdZLibCompressorBase {
 public:
  std::string LastInput;
  void InflateStream(TStream& AIn, TStream& AOut) override {
    std::string data(static_cast<size_t>(AIn.Size() - AIn.Position()), '\0');
    AIn.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
    LastInput = data;
    AOut.WriteBuffer(data.data() + 2, static_cast<int64_t>(data.size() - 2));
  }
  void DeflateStream(TStream&, TStream&, int) override {}
  void CompressStream(TStream&, TStream&, int, int, int, int) override {}
  void DecompressStream(TStream&, TStream&, int) override {}
  void CompressFTPToIO(TStream&, TIdIOHandler&, int, int, int, int) override {}
  void DecompressFTPFromIO(TIdIOHandler&, TStream&, int) override {}
};

} // namespace

TEST(IdHTTPBody, XMLCharsetDiscovery) {
  EXPECT_EQ(DetectXMLCharset(Bytes("\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>")), u"UTF-8");
  EXPECT_EQ(DetectXMLCharset(Bytes("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>")),
            u"ISO-8859-1");
  EXPECT_EQ(DetectXMLCharset(Bytes("<?xml version='1.0' encoding = ' windows-1252 ' ?>")),
            u"windows-1252");
  EXPECT_EQ(DetectXMLCharset(Bytes("<a>no declaration</a>")), u"UTF-8");
  EXPECT_EQ(DetectXMLCharset(Bytes(std::string("\xFF\xFE<\0?\0", 6))), u"UTF-16LE");
  // A UTF-16 big-endian declaration without a byte-order mark.
  std::string be;
  for (char c : std::string("<?xml version=\"1.0\" encoding=\"UTF-16BE\"?>")) be += {'\0', c};
  EXPECT_EQ(DetectXMLCharset(Bytes(be)), u"UTF-16BE");

  // Through the engine: the declaration decides the charset of the response.
  const std::string html = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                           "charset=windows-1252\"><title>t</title></head><body>\x80</body></html>";
  TTestScriptedServer server(
      Serve({Response("200 OK", {"Content-Type: application/atom+xml"},
                      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><feed>\xFC</feed>"),
             Response("200 OK", {"Content-Type: text/html"}, html)}));
  TIdHTTP http;
  http.SetReadTimeout(3000);
  EXPECT_EQ(http.Get(URL(server, u"/feed")),
            u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><feed>\u00FC</feed>");
  EXPECT_EQ(http.Response().CharSet(), u"ISO-8859-1");
  // An HTML body's meta tags declare headers and the charset.
  TMemoryStream page;
  http.Get(URL(server, u"/page"), &page);
  EXPECT_EQ(http.Response().CharSet(), u"windows-1252");
  EXPECT_EQ(http.Response().RawHeaders().GetValue(u"Content-Type"),
            u"text/html; charset=windows-1252");
  EXPECT_EQ(StreamText(page), html); // the caller's stream holds the whole body
}

TEST(IdHTTPBody, MultipartWithoutLengthEndsAtTheClosingBoundary) {
  const std::string parts = "--XyZ\r\nContent-Type: text/plain\r\n\r\nfirst\r\n"
                            "--XyZ\r\nContent-Type: text/plain\r\n\r\nsecond\r\n--XyZ--\r\n";
  TTestScriptedServer server(
      Serve({"HTTP/1.1 200 OK\r\nContent-Type: multipart/mixed; boundary=\"XyZ\"\r\n\r\n" + parts,
             Response("200 OK", {}, "after")}));
  TIdHTTP http;
  http.SetReadTimeout(3000);
  TMemoryStream body;
  http.Get(URL(server, u"/parts"), &body);
  EXPECT_EQ(StreamText(body), parts.substr(0, parts.size() - 2));
  // The connection stays usable: the reader stopped at the terminator, not at a close.
  EXPECT_EQ(http.Get(URL(server, u"/next")), u"after");
  EXPECT_EQ(server.AcceptedCount(), 1);
}

TEST(IdHTTPBody, ZeroLengthAndUnreadChunkedBodies) {
  TTestScriptedServer server(
      Serve({Response("200 OK", {}, ""),
             "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n"}));
  TIdHTTP http;
  http.SetReadTimeout(3000);
  EXPECT_EQ(http.Get(URL(server, u"/empty")), u"");
  // hoNoReadChunked leaves the chunks on the connection for the caller.
  http.SetHTTPOptions(TIdHTTPOptions{hoNoReadChunked});
  TMemoryStream body;
  http.Get(URL(server, u"/chunks"), &body);
  EXPECT_EQ(body.Size(), 0);
  EXPECT_EQ(http.IOHandler()->ReadLn(), u"3");
  EXPECT_EQ(http.IOHandler()->ReadLn(), u"abc");
}

TEST(IdHTTPBody, CompressedBodiesGoThroughTheDecompressorHook) {
  // gzip: ten header bytes with FNAME set, the name, "deflate data", and the 8-byte trailer.
  std::string gzip("\x1F\x8B\x08\x08\0\0\0\0\0\x03", 10);
  gzip += std::string("name.txt\0", 9) + "compressed payload" + std::string(8, 'T');
  TTestScriptedServer server(Serve({Response("200 OK", {"Content-Encoding: gzip"}, gzip),
                                    Response("200 OK", {"Content-Encoding: identity"}, "as is")}));
  TIdHTTP http;
  http.SetReadTimeout(3000);
  TPassThroughCompressor compressor;
  http.SetCompressor(&compressor);
  EXPECT_EQ(http.Get(URL(server, u"/gz")), u"compressed payload");
  EXPECT_EQ(compressor.LastInput, "\x78\x9C"
                                  "compressed payload");
  EXPECT_EQ(http.Request().AcceptEncoding(), u"deflate, gzip, identity");
  EXPECT_EQ(http.Get(URL(server, u"/plain")), u"as is");
  ASSERT_TRUE(server.WaitForAccepted(1));
  http.Disconnect();
  ASSERT_TRUE(server.WaitForFinished(1));
  EXPECT_NE(server.Received(0).find("Accept-Encoding: deflate, gzip, identity\r\n"),
            std::string::npos);

  // A freed compressor is forgotten by the engine.
  {
    TPassThroughCompressor temporary;
    http.SetCompressor(&temporary);
  }
  EXPECT_EQ(http.Compressor(), nullptr);

  TMemoryStream in, out;
  in.WriteBuffer("\x12\x34", 2);
  in.SetPosition(0);
  EXPECT_THROW(compressor.DecompressHTTPDeflate(in, out), EIdException);
}
