// Cost of building the object model from a response, beside the plain JSON parse of the same
// text. Input: a 1 MiB list-of-messages response of the assistants service (100 messages, each
// with two text parts carrying annotations), generated deterministically at start-up.
//
//   BM_ParseOnly         - TozkJSON::Read of the text
//   BM_ReadObjects       - TozkOpenAIClass_Response_List_Messages made from the text
//   BM_ReadObjectsAsText - the same, each nested member written to text and parsed again
//
// Throughput is counted in bytes of the UTF-8 document. The ratio the model is held to is
// BM_ReadObjects / BM_ParseOnly (at most 3).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "base/ozkText.h"
#include "openai/ozkHTTP_API_OpenAI_Assistants.h"
#include "json/ozkJSON.h"

namespace {

class TRandom {
 public:
  explicit TRandom(uint64_t aSeed) : FState(aSeed) {}
  uint64_t Next() {
    uint64_t z = (FState += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  size_t Below(size_t aLimit) { return static_cast<size_t>(Next() % aLimit); }

 private:
  uint64_t FState;
};

const char* const kWords[] = {"the",     "assistant", "vector",   "store",     "file",
                              "search",  "answer",    "question", "code",      "function",
                              "returns", "value",     "because",  "request",   "response",
                              "thread",  "message",   "model",    "tokens",    "integral",
                              "matrix",  "equation",  "solution", "following", "property"};

std::string Id(TRandom& aRandom, const char* aPrefix) {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string s = aPrefix;
  for (int i = 0; i < 24; ++i) s += kAlphabet[aRandom.Below(sizeof kAlphabet - 1)];
  return s;
}

// Prose of about aLength bytes as it stands in a JSON string: escaped line breaks and quotes,
// a few non-ASCII characters and citation marks.
std::string Prose(TRandom& aRandom, size_t aLength) {
  std::string s;
  while (s.size() < aLength) {
    s += kWords[aRandom.Below(sizeof kWords / sizeof kWords[0])];
    switch (aRandom.Below(40)) {
    case 0:
      s += "\\n\\n";
      break;
    case 1:
      s += " \\\"quoted\\\" ";
      break;
    case 2:
      s += " \\u00e9t\\u00e9 ";
      break;
    case 3:
      s += "\\u30104:0\\u2020source\\u3011 ";
      break;
    case 4:
      s += ". ";
      break;
    default:
      s += ' ';
    }
  }
  return s;
}

std::string Annotations(TRandom& aRandom) {
  std::string s = "[";
  for (int i = 0; i < 3; ++i) {
    if (i) s += ',';
    if (i == 1)
      s += R"({"type":"file_path","text":"sandbox:/mnt/data/result.csv","start_index":)" +
           std::to_string(aRandom.Below(4000)) + R"(,"end_index":4100,"file_path":{"file_id":")" +
           Id(aRandom, "file-") + "\"}}";
    else
      s += R"({"type":"file_citation","text":"\u3010)" + std::to_string(i) +
           R"(:0\u2020source\u3011","start_index":)" + std::to_string(aRandom.Below(4000)) +
           R"(,"end_index":4012,"file_citation":{"file_id":")" + Id(aRandom, "file-") + "\"}}";
  }
  return s + "]";
}

std::string Message(TRandom& aRandom, size_t aTextLength) {
  std::string s = R"({"id":")" + Id(aRandom, "msg_") +
                  R"(","object":"thread.message","created_at":1717000000,"assistant_id":")" +
                  Id(aRandom, "asst_") + R"(","thread_id":")" + Id(aRandom, "thread_") +
                  R"(","run_id":")" + Id(aRandom, "run_") +
                  R"(","status":"completed","incomplete_details":null,"completed_at":1717000009,)"
                  R"("incomplete_at":null,"role":"assistant","content":[)";
  for (int part = 0; part < 2; ++part) {
    if (part) s += ',';
    s += R"({"type":"text","text":{"value":")" + Prose(aRandom, aTextLength) +
         R"(","annotations":)" + Annotations(aRandom) + "}}";
  }
  s += R"(],"attachments":[{"file_id":")" + Id(aRandom, "file-") +
       R"(","tools":[{"type":"file_search"}]}],"metadata":{}})";
  return s;
}

const std::u16string& MessagesResponse() {
  static const std::u16string lText = [] {
    TRandom lRandom(20240501);
    const size_t lTarget = 1u << 20;
    std::string s = R"({"object":"list","data":[)";
    for (int i = 0; i < 100; ++i) {
      if (i) s += ',';
      // Spread what is left of the 1 MiB over the remaining messages (two text parts each,
      // about 1.3 KB of other members).
      size_t lLeft = lTarget > s.size() + 200 ? lTarget - s.size() - 200 : 0;
      size_t lPerMessage = lLeft / static_cast<size_t>(100 - i);
      s += Message(lRandom, lPerMessage > 2800 ? (lPerMessage - 1300) / 2 : 100);
    }
    s += R"(],"first_id":"msg_first","last_id":"msg_last","has_more":true})";
    return UTF8ToUTF16(s);
  }();
  return lText;
}

int64_t InputBytes() {
  return static_cast<int64_t>(UTF16ToUTF8(MessagesResponse()).size());
}

void BM_ParseOnly(benchmark::State& aState) {
  const std::u16string& lText = MessagesResponse();
  for (auto _ : aState) {
    TozkJSON lDoc;
    lDoc.Read(lText);
    benchmark::DoNotOptimize(lDoc.Count());
  }
  aState.SetBytesProcessed(aState.iterations() * InputBytes());
}

void ReadObjects(benchmark::State& aState, bool aThroughText) {
  const std::u16string& lText = MessagesResponse();
  TozkOpenAIClass::SetNestedReadThroughText(aThroughText);
  size_t lCount = 0;
  for (auto _ : aState) {
    TozkOpenAIClass_Response_List_Messages lList(lText);
    lCount = lList.Messages().size();
    benchmark::DoNotOptimize(lList.Messages().back()->ContentText().size());
  }
  TozkOpenAIClass::SetNestedReadThroughText(false);
  if (lCount != 100) aState.SkipWithError("the list did not hold 100 messages");
  aState.SetBytesProcessed(aState.iterations() * InputBytes());
}

void BM_ReadObjects(benchmark::State& aState) {
  ReadObjects(aState, false);
}
void BM_ReadObjectsAsText(benchmark::State& aState) {
  ReadObjects(aState, true);
}

BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadObjects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadObjectsAsText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
