#include "http/ozkHTTP_SSE.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ozkText.h"

namespace {

// Each event as "type|data|id", data with its LFs as they are.
using TEvents = std::vector<std::string>;

std::string Describe(const TozkSSEEvent& e) {
  return UTF16ToUTF8(e.Event) + "|" + UTF16ToUTF8(e.Data) + "|" + UTF16ToUTF8(e.Id);
}

// Feeds aStream in pieces of aPiece bytes (0: whole) and returns the events.
TEvents Parse(const std::string& aStream, size_t aPiece = 0, bool* aPending = nullptr) {
  TEvents lEvents;
  TozkSSEReader lReader([&](const TozkSSEEvent& e) {
    lEvents.push_back(Describe(e));
    return false;
  });
  size_t lStep = aPiece == 0 ? aStream.size() : aPiece;
  for (size_t i = 0; i < aStream.size(); i += lStep)
    lReader.Feed(aStream.data() + i, std::min(lStep, aStream.size() - i));
  if (aPending) *aPending = lReader.Pending();
  return lEvents;
}

struct TCase {
  const char* Name;
  std::string Stream;
  TEvents Expected;
  bool Pending;
};

const std::vector<TCase>& Cases() {
  static const std::vector<TCase> kCases = {
      {"one event", "data: hi\n\n", {"message|hi|"}, false},
      {"named event, two data lines, CR LF",
       "event: response.output_text.delta\r\ndata: {\"a\":1,\r\ndata: \"b\":2}\r\n\r\n",
       {"response.output_text.delta|{\"a\":1,\n\"b\":2}|"},
       false},
      {"CR alone ends lines", "event: e\rdata: x\r\rdata: y\r\r", {"e|x|", "message|y|"}, false},
      {"mixed line ends",
       "data: a\r\n\ndata: b\n\r\ndata: c\r\r\n",
       {"message|a|", "message|b|", "message|c|"},
       false},
      {"comments and unknown fields are skipped",
       ": keep-alive\n:\nfoo: bar\ndata: x\n: inside\n\n",
       {"message|x|"},
       false},
      {"value without a space, with two spaces, field without colon",
       "data:tight\ndata:  loose\ndata\n\n",
       {"message|tight\n loose\n|"},
       false},
      {"an event without data is none and its type does not carry over",
       "event: ping\n\ndata: x\n\n",
       {"message|x|"},
       false},
      {"ids stay until replaced; an id with NUL is ignored",
       std::string("id: 1\ndata: a\n\ndata: b\n\nid: 2\0x\ndata: c\n\nid\ndata: d\n\n", 53),
       {"message|a|1", "message|b|1", "message|c|1", "message|d|"},
       false},
      {"byte-order mark at the start only",
       "\xEF\xBB\xBF"
       "data: a\n\ndata: \xEF\xBB\xBF\n\n",
       {"message|a|", "message|\xEF\xBB\xBF|"},
       false},
      {"UTF-8 text and an invalid byte",
       "data: Gr\xC3\xBC\xC3\x9F\xE2\x82\xAC \xFF\n\n",
       {"message|Gr\xC3\xBC\xC3\x9F\xE2\x82\xAC \xEF\xBF\xBD|"},
       false},
      {"an event that no empty line ends is dropped", "data: a\n\ndata: cut", {"message|a|"}, true},
      {"a cut after a complete data line is still pending",
       "data: a\n\nevent: x\ndata: b\n",
       {"message|a|"},
       true},
      {"data may be empty", "data\n\ndata:\n\n", {"message||", "message||"}, false},
  };
  return kCases;
}

} // namespace

TEST(SSEReader, EventsOfTheFormat) {
  for (const auto& c : Cases()) {
    SCOPED_TRACE(c.Name);
    bool lPending = false;
    EXPECT_EQ(Parse(c.Stream, 0, &lPending), c.Expected);
    EXPECT_EQ(lPending, c.Pending);
  }
}

// Every split of every stream gives the same events: pieces of 1, 2, 3 ... bytes, and every
// cut into two pieces (a CR and its LF in different pieces included).
TEST(SSEReader, EverySplitPointGivesTheSameEvents) {
  for (const auto& c : Cases()) {
    SCOPED_TRACE(c.Name);
    for (size_t lPiece = 1; lPiece <= c.Stream.size(); ++lPiece)
      ASSERT_EQ(Parse(c.Stream, lPiece), c.Expected) << "pieces of " << lPiece;
    for (size_t lCut = 1; lCut < c.Stream.size(); ++lCut) {
      TEvents lEvents;
      TozkSSEReader lReader([&](const TozkSSEEvent& e) {
        lEvents.push_back(Describe(e));
        return false;
      });
      lReader.Feed(c.Stream.data(), lCut);
      lReader.Feed(c.Stream.data() + lCut, c.Stream.size() - lCut);
      ASSERT_EQ(lEvents, c.Expected) << "cut at " << lCut;
    }
  }
}

TEST(SSEReader, RetryField) {
  TozkSSEReader lReader(nullptr);
  EXPECT_EQ(lReader.Retry(), -1);
  std::string s = "retry: 1500\n\nretry: 12x\n\n";
  lReader.Feed(s.data(), s.size());
  EXPECT_EQ(lReader.Retry(), 1500);
  EXPECT_EQ(lReader.EventCount(), 0);
}

TEST(SSEReader, FinalEventEndsTheStream) {
  TEvents lEvents;
  TozkSSEReader lReader([&](const TozkSSEEvent& e) {
    lEvents.push_back(Describe(e));
    return e.Event == u"response.completed";
  });
  std::string s = "event: a\ndata: 1\n\nevent: response.completed\ndata: 2\n\ndata: after\n\n";
  lReader.Feed(s.data(), s.size());
  EXPECT_TRUE(lReader.Done());
  EXPECT_EQ(lEvents, (TEvents{"a|1|", "response.completed|2|"}));
  lReader.Feed(s.data(), s.size());
  EXPECT_EQ(lEvents.size(), 2u);
}

TEST(SSEReader, BoundsRaiseAndStopTheReader) {
  struct TBound {
    const char* Name;
    size_t MaxLine;
    size_t MaxEvent;
    std::string Stream;
    const char* Message;
  };
  const TBound kBounds[] = {
      {"line", 16, 1000, "data: " + std::string(11, 'x') + "\n", "line longer than 16 bytes"},
      // The line is within bounds; the event grows past them over three lines.
      {"event", 1000, 10, "data: 1234\ndata: 5678\ndata: 9\n\n", "Event larger than 10 bytes"},
  };
  for (const auto& b : kBounds) {
    SCOPED_TRACE(b.Name);
    int lEvents = 0;
    TozkSSEReader lReader([&](const TozkSSEEvent&) { return ++lEvents, false; });
    lReader.SetMaxLineLength(b.MaxLine);
    lReader.SetMaxEventSize(b.MaxEvent);
    // Fed a byte at a time, as a slow server would send it: the bound holds across pieces.
    try {
      for (char c : b.Stream) lReader.Feed(&c, 1);
      FAIL() << "no error";
    } catch (const EIdSSEError& e) {
      EXPECT_NE(std::string(e.what()).find(b.Message), std::string::npos) << e.what();
    }
    std::string lMore = "data: ok\n\n";
    lReader.Feed(lMore.data(), lMore.size());
    EXPECT_EQ(lEvents, 0);
  }
  // Exactly at the bound is fine.
  TozkSSEReader lReader(nullptr);
  lReader.SetMaxLineLength(8);
  std::string s = "data: ab\n\n";
  EXPECT_NO_THROW(lReader.Feed(s.data(), s.size()));
  EXPECT_EQ(lReader.EventCount(), 1);
}

TEST(SSEStream, FeedsAcceptedBodiesAndEndsAtTheFinalEvent) {
  TEvents lEvents;
  TozkSSEReader lReader([&](const TozkSSEEvent& e) {
    lEvents.push_back(Describe(e));
    return e.Event == u"end";
  });
  bool lAccept = false;
  TozkSSEStream lStream(lReader, [&] { return lAccept; });
  std::string lRedirect = "data: not for us\n\n";
  lStream.WriteBuffer(lRedirect.data(), static_cast<int64_t>(lRedirect.size()));
  EXPECT_TRUE(lEvents.empty());
  lStream.SetSize(0);
  lStream.SetPosition(0);
  lAccept = true;
  std::string lBody = "data: one\n\nevent: end\ndata: two\n\ndata: three\n\n";
  EXPECT_THROW(lStream.WriteBuffer(lBody.data(), static_cast<int64_t>(lBody.size())),
               TozkSSEFinished);
  EXPECT_EQ(lEvents, (TEvents{"message|one|", "end|two|"}));
  EXPECT_EQ(lStream.Position(), static_cast<int64_t>(lBody.size()));
}
