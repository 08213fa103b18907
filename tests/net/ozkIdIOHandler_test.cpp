#include "net/ozkIdIOHandler.h"

#include <gtest/gtest.h>

#include "support/ozkTestUtil.h"

#include <climits>
#include <string>
#include <vector>

#include "base/ozkFileUtils.h"
#include "base/ozkStream.h"
#include "base/ozkText.h"
#include "net/ozkIdException.h"
#include "net/ozkIdIOHandlerSocket.h"
#include "net/ozkIdIntercept.h"
#include "net/ozkIdSSLOpenSSL.h"
#include "support/ozkTestStreams.h"
#include "support/ozkTestTransport.h"

using ozktest::TTestMemoryIOHandler;

namespace {

std::string Text(const TIdBytes& ABytes) {
  return std::string(ABytes.begin(), ABytes.end());
}

std::string Text(const TMemoryStream& AStream) {
  return std::string(AStream.Bytes().begin(), AStream.Bytes().end());
}

std::string Buffered(TIdIOHandler& AHandler) {
  TIdBuffer& buffer = AHandler.InputBuffer();
  return std::string(reinterpret_cast<const char*>(buffer.Data()), size_t(buffer.Size()));
}

// Every split point of AInput, and unlimited reads.
template <typename F>
void ForEveryChunkSize(const std::string& AInput, F ACheck,
                       TTestMemoryIOHandler::TEnd AEnd = TTestMemoryIOHandler::teClose) {
  ozktest::ForEveryReadSize({AInput}, ACheck, AEnd);
}

} // namespace

// --- Lines ---------------------------------------------------------------------------------------

TEST(TIdIOHandlerReadLn, TerminatorsAtEverySplitPoint) {
  ForEveryChunkSize("abc\r\nabc\nabc\r\r\nlast", [](TTestMemoryIOHandler& io) {
    EXPECT_EQ(io.ReadLn(), u"abc");
    EXPECT_EQ(io.ReadLn(), u"abc");
    EXPECT_EQ(io.ReadLn(), u"abc\r"); // only the CR right before LF goes
    // The peer closes in the middle of a line: the partial line stays buffered and the
    // handler counts as connected until it is consumed.
    EXPECT_EQ(MessageOf<EIdConnClosedGracefully>([&] { io.ReadLn(); }),
              u"Connection Closed Gracefully.");
    EXPECT_EQ(Buffered(io), "last");
    EXPECT_TRUE(io.Connected());
    EXPECT_EQ(io.InputBufferAsString(), u"last");
    EXPECT_FALSE(io.Connected());
  });
  ForEveryChunkSize("a\nb\r\nc\r\n", [](TTestMemoryIOHandler& io) {
    EXPECT_EQ(io.ReadLn(u"\r\n"), u"a\nb"); // a bare LF does not end a CR LF line
    EXPECT_EQ(io.ReadLn(u"\r\n"), u"c");
  });
  // A terminator split across reads is still found by the resumed search.
  ForEveryChunkSize("xxENyENDzzEND", [](TTestMemoryIOHandler& io) {
    EXPECT_EQ(io.ReadLn(u"END"), u"xxENy");
    EXPECT_EQ(io.ReadLn(u"END"), u"zz");
  });
  // A multi-byte character split across reads.
  ForEveryChunkSize("gr\xC3\xBC\xC3\x9F\n\xE2\x82\xAC\n", [](TTestMemoryIOHandler& io) {
    const IIdTextEncodingPtr utf8 = TextEncodingOfKind(tekUTF8);
    EXPECT_EQ(io.ReadLn(utf8), u"gr\u00FC\u00DF");
    io.SetDefStringEncoding(utf8);
    EXPECT_EQ(io.ReadLn(), u"\u20AC");
  });
}

TEST(TIdIOHandlerReadLn, LineLengthLimit) {
  const std::string exact(16384, 'a');
  for (int chunk : {0, 1000, 4096, 16384, 16385}) {
    SCOPED_TRACE(chunk);
    TTestMemoryIOHandler io;
    // NOLINTNEXTLINE(performance-inefficient-string-concatenation): test input, built once
    io.SetInput(exact + "\n" + exact + "b\n");
    io.SetChunkSize(chunk);
    io.Open();
    EXPECT_EQ(io.ReadLn().size(), 16384u);
    EXPECT_EQ(MessageOf<EIdReadLnMaxLineLengthExceeded>([&] { io.ReadLn(); }),
              u"Max line length exceeded.");
  }
  {
    // Under maSplit the first 16384 bytes come back and the rest stays buffered.
    TTestMemoryIOHandler io;
    io.SetInput(exact + "bc\n");
    io.Open();
    io.SetMaxLineAction(maSplit);
    EXPECT_EQ(io.ReadLn(), std::u16string(16384, u'a'));
    EXPECT_TRUE(io.ReadLnSplit());
    EXPECT_EQ(io.ReadLn(), u"bc");
    EXPECT_FALSE(io.ReadLnSplit());
  }
  {
    // A peer that never sends a line end hits the limit as soon as more than the limit is
    // buffered, long before its data ends: memory stays bounded.
    TTestMemoryIOHandler io;
    io.SetInput(std::string(1000000, 'x'));
    io.SetChunkSize(1000);
    io.Open();
    EXPECT_THROW(io.ReadLn(), EIdReadLnMaxLineLengthExceeded);
    EXPECT_LE(io.InputBuffer().Size(), 16384 + 1000);
    EXPECT_GT(io.InputLeft(), 900000u);
  }
  ForEveryChunkSize("12345\n123456\n1234567\n", [](TTestMemoryIOHandler& io) {
    EXPECT_EQ(io.ReadLn(u"\n", IdTimeoutDefault, 5), u"12345");
    EXPECT_THROW(io.ReadLn(u"\n", IdTimeoutDefault, 5), EIdReadLnMaxLineLengthExceeded);
    bool split = false;
    // The failed read consumed nothing; ReadLnSplit switches to maSplit for one call only.
    EXPECT_EQ(io.ReadLnSplit(split, u"\n", IdTimeoutDefault, 5), u"12345");
    EXPECT_TRUE(split);
    EXPECT_EQ(io.MaxLineAction(), maException);
    EXPECT_EQ(io.ReadLnSplit(split, u"\n", IdTimeoutDefault, 5), u"6");
    EXPECT_FALSE(split);
    EXPECT_EQ(io.ReadLnSplit(split, u"\n", IdTimeoutDefault, 5), u"12345");
    EXPECT_TRUE(split);
    EXPECT_EQ(io.ReadLnSplit(split, u"\n", IdTimeoutDefault, 5), u"67");
    EXPECT_FALSE(split);
  });
}

TEST(TIdIOHandlerReadLn, TimeOuts) {
  TTestMemoryIOHandler io;
  io.SetInput("abc");
  io.SetEnd(TTestMemoryIOHandler::teStall);
  io.Open();
  // Time-out 0: one poll; the bytes that arrived stay buffered.
  EXPECT_EQ(io.ReadLn(u"\n", 0), u"");
  EXPECT_TRUE(io.ReadLnTimedOut());
  EXPECT_EQ(Buffered(io), "abc");
  io.AddInput("def\nghi\n");
  EXPECT_EQ(io.ReadLn(u"\n", 0), u""); // not complete in the buffer before the poll
  EXPECT_TRUE(io.ReadLnTimedOut());
  EXPECT_EQ(io.ReadLn(u"\n", 0), u"abcdef"); // complete now
  EXPECT_FALSE(io.ReadLnTimedOut());
  EXPECT_EQ(io.ReadLn(u"\n", 0), u"ghi");

  // A silent transport: ReadLn answers empty text, counted reads raise.
  io.SetReadTimeout(5000);
  EXPECT_EQ(io.ReadLn(), u"");
  EXPECT_TRUE(io.ReadLnTimedOut());
  TIdBytes bytes;
  EXPECT_EQ(MessageOf<EIdReadTimeout>([&] { io.ReadBytes(bytes, 1); }), u"Read timed out.");
  EXPECT_EQ(MessageOf<EIdReadTimeout>([&] { io.ReadLnWait(); }), u"Read timed out.");
}

TEST(TIdIOHandlerReadLn, LineVariants) {
  ForEveryChunkSize("\n  \n x \nnext\n", [](TTestMemoryIOHandler& io) {
    EXPECT_EQ(io.ReadLnWait(), u"x");
    EXPECT_EQ(io.ReadLnWait(1), u"next");
  });
  ForEveryChunkSize("\n\n\nlate\n", [](TTestMemoryIOHandler& io) {
    EXPECT_EQ(MessageOf<EIdReadLnWaitMaxAttemptsExceeded>([&] { io.ReadLnWait(2); }),
              u"Max line read attempts exceeded.");
  });
  ForEveryChunkSize("..dot\nplain\n.\n", [](TTestMemoryIOHandler& io) {
    bool end = true;
    EXPECT_EQ(io.ReadLnRFC(end), u".dot");
    EXPECT_FALSE(end);
    EXPECT_EQ(io.ReadLnRFC(end), u"plain");
    EXPECT_EQ(io.ReadLnRFC(end), u".");
    EXPECT_TRUE(end);
  });
  ForEveryChunkSize(std::string("\x00\x00\x00\x02", 4) + "one\r\ntwo\nthree\n",
                    [](TTestMemoryIOHandler& io) {
                      TStringList lines;
                      io.ReadStrings(lines); // the count comes first
                      EXPECT_EQ(lines.Text(), u"one\r\ntwo\r\n");
                      io.ReadStrings(lines, 1);
                      EXPECT_EQ(lines.Count(), 3);
                    });
  ForEveryChunkSize("head 1\n..two\n\nbody\n.\n", [](TTestMemoryIOHandler& io) {
    TStringList header;
    int count = -1;
    io.Capture(header, count, u""); // an empty delimiter stops at the first empty line
    EXPECT_EQ(count, 2);
    EXPECT_EQ(header.Text(), u"head 1\r\n.two\r\n");
    TMemoryStream body;
    io.Capture(body, count);
    EXPECT_EQ(Text(body), "body\r\n");
  });
  ForEveryChunkSize("1\n2\n3\n4\n.\n", [](TTestMemoryIOHandler& io) {
    io.SetMaxCapturedLines(2);
    TStringList lines;
    EXPECT_EQ(MessageOf<EIdMaxCaptureLineExceeded>([&] { io.Capture(lines); }),
              u"Maximum number of line allowed exceeded");
    EXPECT_EQ(lines.Count(), 3);
  });
  ForEveryChunkSize("user: name<>rest", [](TTestMemoryIOHandler& io) {
    EXPECT_EQ(io.WaitFor(u"<>", false, true), u"user: name<>");
    EXPECT_EQ(Buffered(io).substr(0, 2), "<>"); // not removed
    EXPECT_EQ(io.WaitFor(u"<>"), u"");
    EXPECT_EQ(io.WaitFor(u"st", true, true), u"rest");
  });
}

TEST(TIdIOHandlerReadLn, CaptureNeedsADestination) {
  struct TNoDestination : TTestMemoryIOHandler {
    void Run() {
      int count = 0;
      PerformCapture(nullptr, nullptr, count, u".", true, nullptr);
    }
  } io;
  io.Open();
  EXPECT_EQ(MessageOf<EIdObjectTypeNotSupported>([&] { io.Run(); }), u"Object type not supported.");
}

TEST(TIdIOHandlerReadLn, InputLnEditsAndEchoes) {
  ForEveryChunkSize("ab\bc\td\x1B\r\n", [](TTestMemoryIOHandler& io) {
    EXPECT_EQ(io.InputLn(), u"ac      d");
    EXPECT_EQ(io.Written(), "ab\b \bc      d\r\n");
  });
  ForEveryChunkSize("pw\n", [](TTestMemoryIOHandler& io) {
    EXPECT_EQ(io.InputLn(u"*"), u"pw");
    EXPECT_EQ(io.Written(), "**\r\n");
  });
}

// --- Counted data and streams --------------------------------------------------------------------

TEST(TIdIOHandlerRead, CountedValuesAtEverySplitPoint) {
  const std::string fixture = std::string("\x01\x02\x03\xFF\xFF\xFF\xFE", 7) +
                              std::string("\x00\x00\x00\x01\x00\x00\x00\x02", 8) + "hello" +
                              "\xC3\xA9" + "tail";
  ForEveryChunkSize(fixture, [](TTestMemoryIOHandler& io) {
    EXPECT_EQ(io.ReadByte(), 0x01);
    EXPECT_EQ(io.ReadUInt16(), 0x0203);
    EXPECT_EQ(io.ReadInt32(), -2);
    EXPECT_EQ(io.ReadInt64(), int64_t(0x0000000100000002));
    EXPECT_EQ(io.ReadString(5), u"hello");
    EXPECT_EQ(io.ReadChar(TextEncodingOfKind(tekUTF8)), u'\u00E9');
    TIdBytes bytes = {'>'};
    io.ReadBytes(bytes, 2);
    EXPECT_EQ(Text(bytes), ">ta");
    io.ReadBytes(bytes, 1, false);
    EXPECT_EQ(Text(bytes), "ita");
    // Asking for more than the peer sends before closing: the bytes stay buffered.
    EXPECT_THROW(io.ReadBytes(bytes, 5), EIdConnClosedGracefully);
    EXPECT_EQ(Buffered(io), "l");
    io.ReadBytes(bytes, -1, false); // a negative count takes what is buffered
    EXPECT_EQ(Text(bytes), "lta");
  });
  TTestMemoryIOHandler io;
  io.SetInput("\x12\x34");
  io.Open();
  const uint16_t raw = io.ReadUInt16(false);
  const uint8_t* p = reinterpret_cast<const uint8_t*>(&raw);
  EXPECT_EQ(p[0], 0x12); // host order: the wire bytes as they came
  EXPECT_EQ(p[1], 0x34);
}

TEST(TIdIOHandlerRead, ReadStreamForms) {
  ForEveryChunkSize(std::string("\x00\x00\x00\x05", 4) + "helloREST", [](TTestMemoryIOHandler& io) {
    TMemoryStream stream;
    io.ReadStream(&stream); // 32-bit size first
    EXPECT_EQ(Text(stream), "hello");
    TIdBytes rest;
    io.ReadBytes(rest, 4);
    EXPECT_EQ(Text(rest), "REST");
  });
  ForEveryChunkSize(std::string("\x00\x00\x00\x00\x00\x00\x00\x03", 8) + "abcdef",
                    [](TTestMemoryIOHandler& io) {
                      io.SetLargeStream(true); // 64-bit size first
                      TMemoryStream stream;
                      io.ReadStream(&stream);
                      EXPECT_EQ(Text(stream), "abc");
                      io.ReadStream(nullptr, 2); // without a stream the bytes are dropped
                      EXPECT_EQ(io.ReadString(1), u"f");
                    });
  ForEveryChunkSize("until the end", [](TTestMemoryIOHandler& io) {
    TMemoryStream stream;
    io.ReadStream(&stream, -1, true);
    EXPECT_EQ(Text(stream), "until the end");
  });
  ForEveryChunkSize(std::string("\xFF\xFF\xFF\xFF", 4) + "negative size",
                    [](TTestMemoryIOHandler& io) {
                      TMemoryStream stream;
                      io.ReadStream(&stream); // a negative size reads until the peer closes
                      EXPECT_EQ(Text(stream), "negative size");
                    });
  ForEveryChunkSize("short", [](TTestMemoryIOHandler& io) {
    TMemoryStream stream;
    EXPECT_THROW(io.ReadStream(&stream, 10), EIdConnClosedGracefully);
    EXPECT_EQ(Text(stream), "short"); // what arrived is in the stream, which is trimmed to it
  });
  {
    TTestMemoryIOHandler io;
    io.SetInput("abc");
    io.Open();
    TMemoryStream stream;
    stream.WriteBuffer("XXXXXXXXXX", 10);
    stream.SetPosition(2);
    io.ReadStream(&stream, 3);
    EXPECT_EQ(Text(stream), "XXabc"); // truncated at its final position
  }
  {
    TTestMemoryIOHandler io;
    io.Open();
    TSinkStream stream(INT64_MAX - 2, INT64_MAX - 2);
    EXPECT_EQ(MessageOf<EIdIOHandlerStreamDataTooLarge>([&] { io.ReadStream(&stream, 5); }),
              u"Data is too large for stream");
  }
}

TEST(TIdIOHandlerRead, DiscardAllDataAndPolling) {
  ForEveryChunkSize("0123456789", [](TTestMemoryIOHandler& io) {
    io.Discard(0);
    io.Discard(4);
    EXPECT_EQ(io.ReadString(2), u"45");
    EXPECT_THROW(io.Discard(10), EIdConnClosedGracefully);
  });
  ForEveryChunkSize("0123456789", [](TTestMemoryIOHandler& io) {
    io.ReadByte();
    io.DiscardAll(); // the close that ends it is not an error
    EXPECT_TRUE(io.InputBufferIsEmpty());
    EXPECT_FALSE(io.Connected());
  });
  ForEveryChunkSize("everything\r\nsent", [](TTestMemoryIOHandler& io) {
    EXPECT_EQ(io.AllData(), u"everything\r\nsent");
  });
  {
    TTestMemoryIOHandler io;
    io.SetInput("x");
    io.SetEnd(TTestMemoryIOHandler::teStall);
    io.Open();
    EXPECT_TRUE(io.CheckForDataOnSource());
    EXPECT_FALSE(io.CheckForDataOnSource()); // nothing new arrived
    io.Close();
    EXPECT_FALSE(io.CheckForDataOnSource()); // not connected any more
  }
}

TEST(TIdIOHandlerRead, NotConnectedAndClosedSocket) {
  TTestMemoryIOHandler io;
  io.SetInput("abc");
  io.Open();
  io.ReadByte();
  io.Close();
  // The transport is gone but bytes are still buffered: no disconnect is reported, and a read
  // that must reach the transport cannot.
  EXPECT_EQ(MessageOf<EIdNotConnected>([&] { io.FillInputBuffer(true); }), u"Not Connected");
  EXPECT_EQ(io.FillInputBuffer(false), 0);

  struct TVanishing : TTestMemoryIOHandler {
    bool Readable(int AMSec) override {
      const bool result = TTestMemoryIOHandler::Readable(AMSec);
      FVanish = true; // the transport disappears between the wait and the read
      return result;
    }
    bool TransportIsAvailable() override {
      return !FVanish && TTestMemoryIOHandler::TransportOpen();
    }
    bool FVanish = false;
  } vanishing;
  vanishing.SetInput("abc");
  vanishing.Open();
  EXPECT_EQ(MessageOf<EIdClosedSocket>([&] { vanishing.FillInputBuffer(true); }), u"Disconnected.");
}

// --- Writing -------------------------------------------------------------------------------------

TEST(TIdIOHandlerWrite, ValuesTextAndLines) {
  TTestMemoryIOHandler io;
  io.Open();
  io.Write(uint8_t(1));
  io.Write(uint16_t(0x0203));
  io.Write(int32_t(-2));
  io.Write(uint64_t(0x0405060708090A0Bull));
  io.Write(u"");
  io.Write(u"txt");
  io.Write(u'!');
  io.WriteLn(u"line");
  io.WriteLn();
  io.WriteLnRFC(u".dot");
  io.WriteLnRFC(u"plain");
  io.WriteRFCStrings(TStringList{u"a", u".b"});
  io.Write(u"\u00E9", TextEncodingOfKind(tekUTF8));
  io.Write(u"\u00E9"); // ASCII by default: one "?"
  EXPECT_EQ(io.Written(),
            std::string("\x01\x02\x03\xFF\xFF\xFF\xFE\x04\x05\x06\x07\x08\x09\x0A\x0B", 15) +
                "txt!line\r\n\r\n..dot\r\nplain\r\na\r\n..b\r\n.\r\n\xC3\xA9?");

  TTestMemoryIOHandler raw;
  raw.Open();
  raw.Write(uint16_t(0x0102), false);
  uint16_t expected = 0x0102;
  EXPECT_EQ(raw.Written(), std::string(reinterpret_cast<const char*>(&expected), 2));
}

TEST(TIdIOHandlerWrite, BufferingAndStringLists) {
  TTestMemoryIOHandler io;
  io.Open();
  // A string list leaves in one transport write, with its count first when asked.
  io.Write(TStringList{u"one", u"two"}, true);
  EXPECT_EQ(io.OperationCount(), 1);
  EXPECT_EQ(io.Written(), std::string("\x00\x00\x00\x02", 4) + "one\r\ntwo\r\n");

  // Inside open buffering the list does not flush; the threshold flushes in its own chunks.
  io.WriteBufferOpen(4);
  io.Write(TStringList{u"abcdefghi"}); // 11 bytes: two flushes of 4, 3 stay buffered
  EXPECT_EQ(io.OperationCount(), 3);
  EXPECT_TRUE(io.WriteBufferingActive());
  io.WriteBufferClose();
  EXPECT_EQ(io.OperationCount(), 4);
  EXPECT_FALSE(io.WriteBufferingActive());
  EXPECT_EQ(io.Written().substr(14), "abcdefghi\r\n");

  io.WriteBufferOpen();
  io.Write(u"dropped");
  io.WriteBufferCancel();
  EXPECT_EQ(io.OperationCount(), 4);
  io.WriteBufferOpen();
  io.Write(u"cleared");
  io.WriteBufferClear();
  io.Write(u"kept");
  io.WriteBufferFlush(2);
  EXPECT_EQ(io.Written().substr(25), "ke");
  io.WriteBufferClose();
  EXPECT_EQ(io.Written().substr(25), "kept");

  // A failure while writing a list discards what it buffered.
  TTestMemoryIOHandler failing;
  failing.Open();
  failing.FailOperation(1, 10054);
  EXPECT_THROW(failing.Write(TStringList{u"x", u"y"}), EIdSocketError);
  EXPECT_FALSE(failing.WriteBufferingActive());
  EXPECT_EQ(failing.Written(), "");
}

TEST(TIdIOHandlerWrite, StreamsFilesAndPartialWrites) {
  TTestMemoryIOHandler io;
  io.Open();
  io.SetSendBufferSize(3);
  io.SetSendChunkSize(2); // the transport takes at most 2 bytes a time
  TMemoryStream stream;
  stream.WriteBuffer("0123456789", 10);
  stream.SetPosition(6);
  io.Write(stream, -1); // from the position: 4 bytes in chunks of 3 (3 writes of 2,1,1)
  EXPECT_EQ(io.Written(), "6789");
  io.Write(stream, 0, true); // rewound, whole stream, 32-bit size first
  EXPECT_EQ(io.Written().substr(4), std::string("\x00\x00\x00\x0A", 4) + "0123456789");
  io.SetLargeStream(true);
  stream.SetPosition(8);
  io.Write(stream, 2, true);
  EXPECT_EQ(io.Written().substr(18), std::string("\x00\x00\x00\x00\x00\x00\x00\x02", 8) + "89");

  io.SetLargeStream(false);
  TSinkStream huge(int64_t(3) << 30, 0);
  EXPECT_EQ(MessageOf<EIdIOHandlerRequiresLargeStream>([&] { io.Write(huge, -1, true); }),
            u"Set LargeStream to True to send streams greater than 2GB");
  TSinkStream empty(10, 0);
  EXPECT_EQ(MessageOf<EIdNoDataToRead>([&] { io.Write(empty, -1); }), u"No data to read.");

  EXPECT_EQ(MessageOf<EIdFileNotFound>([&] { io.WriteFile(u"/nonexistent/file.bin"); }),
            u"File \"/nonexistent/file.bin\" not found");
  const std::u16string path = UTF8ToUTF16(testing::TempDir()) + u"ozkIdIOHandler_writefile.bin";
  {
    TFileStream file(path, fmCreate);
    file.WriteBuffer("file body", 9);
  }
  const size_t before = io.Written().size();
  EXPECT_EQ(io.WriteFile(path), 9);
  EXPECT_EQ(io.Written().substr(before), "file body");
  DeleteFile(path);
}

// --- Interceptors and work events ----------------------------------------------------------------

TEST(TIdIOHandlerIntercept, ChainsActLikeNestedLayers) {
  std::vector<std::string> log;
  auto inner = std::make_unique<TIdConnectionIntercept>();
  TIdConnectionIntercept outer;
  outer.SetIntercept(inner.get());
  auto tag = [&](const char* AName) {
    return [&log, AName](TIdConnectionIntercept*, TIdBytes& ABuffer) {
      log.push_back(std::string(AName) + ":" + Text(ABuffer));
      ABuffer.push_back(uint8_t(AName[0])); // replace the block
    };
  };
  outer.OnSend = tag("outer");
  inner->OnSend = tag("inner");
  outer.OnReceive = tag("Outer");
  inner->OnReceive = tag("Inner");
  outer.OnConnect = [&](TIdConnectionIntercept*) { log.push_back("outer connect"); };
  inner->OnConnect = [&](TIdConnectionIntercept*) { log.push_back("inner connect"); };
  outer.OnDisconnect = [&](TIdConnectionIntercept*) { log.push_back("outer disconnect"); };
  inner->OnDisconnect = [&](TIdConnectionIntercept*) { log.push_back("inner disconnect"); };

  TTestMemoryIOHandler io;
  io.SetIntercept(&outer);
  io.SetInput("in");
  io.Open();
  outer.Connect(&io);
  EXPECT_EQ(outer.Connection(), &io);
  EXPECT_EQ(inner->Connection(), &io);
  TIdBytes payload = {'x'};
  io.Write(payload);
  EXPECT_EQ(payload, TIdBytes{'x'});    // the caller's bytes are never touched
  EXPECT_EQ(io.Written(), "xoi");       // sent: outer first, then the chained one
  EXPECT_EQ(io.ReadString(4), u"inIO"); // received: chained one first
  io.Close();
  EXPECT_EQ(outer.Connection(), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"outer connect", "inner connect", "outer:x", "inner:xo",
                                           "Inner:in", "Outer:inI", "inner disconnect",
                                           "outer disconnect"}));

  EXPECT_EQ(MessageOf<EIdInterceptCircularLink>([&] { inner->SetIntercept(&outer); }),
            u"TIdConnectionIntercept: Circular links are not allowed");
  EXPECT_THROW(outer.SetIntercept(&outer), EIdInterceptCircularLink);
  inner.reset(); // destroying a linked interceptor clears the references to it
  EXPECT_EQ(outer.Intercept(), nullptr);
}

TEST(TIdIOHandlerIntercept, InterceptorDestroyedBeforeHandler) {
  TTestMemoryIOHandler io;
  {
    TIdConnectionIntercept intercept;
    io.SetIntercept(&intercept);
  }
  EXPECT_EQ(io.Intercept(), nullptr);
  io.SetInput("ok\n");
  io.Open();
  EXPECT_EQ(io.ReadLn(), u"ok");
}

TEST(TIdIOHandlerWork, EventsNestAndReachTheTarget) {
  struct TEvent {
    std::string Kind;
    TWorkMode Mode;
    int64_t Value;
    bool operator==(const TEvent&) const = default;
  };
  std::vector<TEvent> events;
  TTestMemoryIOHandler io;
  io.OnWorkBegin = [&](TComponent*, TWorkMode m, int64_t v) { events.push_back({"begin", m, v}); };
  io.OnWork = [&](TComponent*, TWorkMode m, int64_t v) { events.push_back({"work", m, v}); };
  io.OnWorkEnd = [&](TComponent*, TWorkMode m) { events.push_back({"end", m, 0}); };
  io.SetInput("0123456789");
  io.SetChunkSize(4);
  io.Open();
  io.ReadByte(); // outside a bracket: no events
  EXPECT_TRUE(events.empty());
  TMemoryStream stream;
  io.ReadStream(&stream, 9);
  EXPECT_EQ(events, (std::vector<TEvent>{{"begin", wmRead, 9},
                                         {"work", wmRead, 3},
                                         {"work", wmRead, 7},
                                         {"work", wmRead, 9},
                                         {"end", wmRead, 0}}));
  events.clear();
  io.SetSendChunkSize(3);
  io.BeginWork(wmWrite, 100);
  io.BeginWork(wmWrite, 5); // nested: no second begin
  io.Write(TIdBytes(5, 'w'));
  io.EndWork(wmWrite);
  io.EndWork(wmWrite);
  EXPECT_EQ(events, (std::vector<TEvent>{{"begin", wmWrite, 100},
                                         {"work", wmWrite, 3},
                                         {"work", wmWrite, 5},
                                         {"end", wmWrite, 0}}));

  // With a work target, the target raises the events, as their sender.
  TIdComponent target;
  TComponent* sender = nullptr;
  int64_t total = 0;
  target.OnWork = [&](TComponent* s, TWorkMode, int64_t v) {
    sender = s;
    total = v;
  };
  io.SetWorkTarget(&target);
  io.Write(stream, 0);
  EXPECT_EQ(sender, &target);
  EXPECT_EQ(total, 9);
}

TEST(TIdIOHandlerWork, StatusTexts) {
  TIdComponent component;
  std::vector<std::u16string> texts;
  component.DoStatus(hsResolving, {u"nobody listens"});
  component.OnStatus = [&](TComponent*, TIdStatus, const std::u16string& t) { texts.push_back(t); };
  component.DoStatus(hsResolving, {u"example.org"});
  component.DoStatus(hsConnecting, {u"10.0.0.1"});
  component.DoStatus(hsConnected);
  component.DoStatus(hsDisconnecting);
  component.DoStatus(hsDisconnected);
  component.DoStatus(hsStatusText, {u"free text"});
  EXPECT_EQ(texts, (std::vector<std::u16string>{
                       u"Resolving hostname example.org.", u"Connecting to 10.0.0.1.",
                       u"Connected.", u"Disconnecting.", u"Disconnected.", u"free text"}));
}

// --- Fault injection -----------------------------------------------------------------------------

// Writes a request and reads two lines back, failing transport operation n = 1, 2, 3 ... until
// the exchange succeeds. Every failure must surface as the error it was, close the handler
// unless it was a time-out, and keep what had been received.
TEST(TIdIOHandlerFaults, EveryOperationFailsOnce) {
  for (const int error : {10054, 10053, 10058, 10060, 10038}) {
    for (const bool raises : {false, true}) {
      bool succeeded = false;
      for (int n = 1; n < 100 && !succeeded; ++n) {
        SCOPED_TRACE("error " + std::to_string(error) + (raises ? " raised" : " returned") +
                     ", operation " + std::to_string(n));
        TTestMemoryIOHandler io;
        io.SetInput("one\ntwo\n");
        io.SetChunkSize(3);
        io.SetSendChunkSize(2);
        io.SetEnd(TTestMemoryIOHandler::teStall);
        io.FailOperation(n, error, raises);
        io.Open();
        bool failedOnWrite = false;
        try {
          failedOnWrite = true;
          io.WriteLn(u"hello");
          failedOnWrite = false;
          std::vector<std::u16string> lines;
          while (lines.size() < 2) {
            std::u16string line = io.ReadLn();
            if (io.ReadLnTimedOut()) {
              // A timed-out read is not a disconnect: the handler stays open and the next
              // read carries on where this one stopped.
              EXPECT_EQ(error, 10060);
              EXPECT_TRUE(io.Opened());
              EXPECT_EQ(line, u"");
              continue;
            }
            lines.push_back(line);
          }
          EXPECT_EQ(lines, (std::vector<std::u16string>{u"one", u"two"}));
          EXPECT_EQ(io.Written(), "hello\r\n");
          succeeded = true;
        } catch (const EIdSocketError& e) {
          EXPECT_EQ(e.LastError(), error);
          EXPECT_EQ(e.Message(),
                    Format(u"Socket Error # %d\r\n%s", error, IdSocketErrorText(error)));
          if (error == 10038) {
            EXPECT_NE(dynamic_cast<const EIdNotASocket*>(&e), nullptr);
          }
          if (failedOnWrite && !raises && error != 10060 && error != 10038) {
            EXPECT_FALSE(io.Opened());
            EXPECT_TRUE(io.ClosedGracefully());
          }
        } catch (const EIdReadTimeout&) {
          EXPECT_EQ(error, 10060);
        } catch (const EIdConnClosedGracefully&) {
          // A failed read that closed the handler while a partial line was buffered.
          EXPECT_FALSE(failedOnWrite);
          EXPECT_NE(error, 10060);
        }
      }
      EXPECT_TRUE(succeeded) << "error " << error;
    }
  }
}

// --- Registry ------------------------------------------------------------------------------------

TEST(TIdIOHandlerRegistry, DefaultAndDescendants) {
  EXPECT_EQ(TIdIOHandler::DefaultClass()->ClassName(), u"TIdIOHandlerStack");
  std::unique_ptr<TIdIOHandler> handler = TIdIOHandler::MakeDefaultIOHandler();
  ASSERT_NE(handler, nullptr);
  EXPECT_EQ(handler->ClassName(), u"TIdIOHandlerStack");

  // A class reference of its own per run: registrations last for the whole process.
  static std::vector<std::unique_ptr<TIdIOHandlerClassInfo>> references;
  references.push_back(
      std::make_unique<TIdIOHandlerClassInfo>(u"TTestMemoryIOHandler", TIdIOHandler::ClassType(),
                                              &IdCreateIOHandler<TTestMemoryIOHandler>));
  const TIdIOHandlerClassInfo* memory = references.back().get();
  EXPECT_EQ(TIdIOHandler::TryMakeIOHandler(memory), nullptr);
  EXPECT_EQ(MessageOf<EIdException>([&] { TIdIOHandler::MakeIOHandler(memory); }),
            u"No IOHandler of type TTestMemoryIOHandler is installed.");
  TIdIOHandler::RegisterIOHandler(memory);
  TIdIOHandler::RegisterIOHandler(memory); // once only
  handler = TIdIOHandler::MakeIOHandler(memory);
  EXPECT_NE(dynamic_cast<TTestMemoryIOHandler*>(handler.get()), nullptr);
  // The most recently registered descendant of the base type.
  handler = TIdIOHandler::MakeIOHandler(TIdIOHandler::ClassType());
  EXPECT_NE(dynamic_cast<TTestMemoryIOHandler*>(handler.get()), nullptr);
  EXPECT_NE(dynamic_cast<TIdIOHandlerStack*>(
                TIdIOHandler::MakeIOHandler(TIdIOHandlerSocket::ClassType()).get()),
            nullptr);

  TComponent owner;
  TIdIOHandler* owned = TIdIOHandler::MakeIOHandler(memory, owner);
  EXPECT_EQ(owned->Owner(), &owner); // freed with its owner
  EXPECT_EQ(TIdIOHandler::DefaultClass()->ClassName(), u"TIdIOHandlerStack");
}

TEST(TIdIOHandlerRegistry, TheOpenSSLHandlerIsRegisteredWithoutAsking) {
  // A client that needs TLS asks for the most recently registered TLS class; nothing in this
  // program registers one explicitly.
  std::unique_ptr<TIdIOHandler> tls =
      TIdIOHandler::TryMakeIOHandler(TIdSSLIOHandlerSocketBase::ClassType());
  ASSERT_NE(tls, nullptr);
  EXPECT_NE(dynamic_cast<TIdSSLIOHandlerSocketOpenSSL*>(tls.get()), nullptr);
  EXPECT_EQ(TIdIOHandler::DefaultClass(), TIdIOHandlerStack::ClassType());
}
