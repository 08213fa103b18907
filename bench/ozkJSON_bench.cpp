// Parse and write throughput of the JSON library on three generated inputs, beside
// nlohmann::json and RapidJSON (when they are installed). Every throughput is counted in bytes
// of the UTF-8 input document, so the columns compare directly.
//
// Inputs (generated deterministically at start-up):
//   messages   - a 1 MiB message-list response of the assistants service (100 messages)
//   embeddings - an embeddings response with 16 vectors of 3072 numbers
//   mixed      - a 5 MiB document: nesting, escapes, non-ASCII text, numbers, literals
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/ozkText.h"
#include "json/ozkJSON.h"

#if OZK_BENCH_NLOHMANN
#include <nlohmann/json.hpp>
#endif
#if OZK_BENCH_RAPIDJSON
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#endif

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
  double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }

 private:
  uint64_t FState;
};

const char* const kWords[] = {
    "the",       "assistant", "vector",   "store",     "file",      "search",   "answer",
    "question",  "code",      "function", "returns",   "value",     "because",  "request",
    "response",  "thread",    "message",  "model",     "tokens",    "run",      "step",
    "component", "library",   "socket",   "handler",   "encoding",  "parser",   "document",
    "example",   "therefore", "we",       "can",       "compute",   "integral", "derivative",
    "matrix",    "equation",  "solution", "following", "interface", "property", "event"};

std::string Id(TRandom& aRandom, const char* aPrefix, size_t aLength) {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string s = aPrefix;
  for (size_t i = 0; i < aLength; ++i) s += kAlphabet[aRandom.Below(sizeof kAlphabet - 1)];
  return s;
}

void AppendWords(TRandom& aRandom, std::string& aOut, size_t aLength) {
  size_t target = aOut.size() + aLength;
  while (aOut.size() < target) {
    aOut += kWords[aRandom.Below(std::size(kWords))];
    size_t pick = aRandom.Below(40);
    if (pick == 0)
      aOut += ".\\n\\n";
    else if (pick == 1)
      aOut += ", ";
    else if (pick == 2)
      aOut += " \\\"quoted\\\" ";
    else
      aOut += ' ';
  }
}

std::string MessagesResponse() {
  TRandom r(1);
  const size_t target = 1 << 20;
  const int count = 100;
  std::string s = R"({"object":"list","data":[)";
  std::string firstId, lastId;
  const std::string thread = Id(r, "thread_", 24), assistant = Id(r, "asst_", 24),
                    run = Id(r, "run_", 24);
  for (int i = 0; i < count; ++i) {
    std::string id = Id(r, "msg_", 24);
    if (i == 0) firstId = id;
    lastId = id;
    if (i) s += ',';
    s += R"({"id":")" + id + R"(","object":"thread.message","created_at":)" +
         std::to_string(1712345678 + i) + R"(,"assistant_id":")" + assistant +
         R"(","thread_id":")" + thread + R"(","run_id":")" + run +
         R"(","role":"assistant","content":[{"type":"text","text":{"value":")";
    // Spread what is left of the 1 MiB evenly over the remaining messages.
    size_t budget = (target - s.size()) / static_cast<size_t>(count - i);
    size_t textStart = s.size();
    AppendWords(r, s, budget > 900 ? budget - 900 : 100);
    std::string marker =
        "\xE3\x80\x90" + std::to_string(i % 7) + ":0\xE2\x80\xA0source\xE3\x80\x91";
    size_t textLength = s.size() - textStart;
    s += marker;
    s += R"(","annotations":[)";
    for (int a = 0; a < 2; ++a) {
      if (a) s += ',';
      s += R"({"type":"file_citation","text":")" + marker + R"(","start_index":)" +
           std::to_string(textLength) + R"(,"end_index":)" + std::to_string(textLength + 13) +
           R"(,"file_citation":{"file_id":")" + Id(r, "file-", 24) + R"("}})";
    }
    s += R"(]}}],"attachments":[],"metadata":{}})";
  }
  s += R"(],"first_id":")" + firstId + R"(","last_id":")" + lastId + R"(","has_more":false})";
  return s;
}

std::string EmbeddingsResponse() {
  TRandom r(2);
  std::string s = R"({"object":"list","data":[)";
  char buf[32];
  for (int v = 0; v < 16; ++v) {
    if (v) s += ',';
    s += R"({"object":"embedding","index":)" + std::to_string(v) + R"(,"embedding":[)";
    for (int i = 0; i < 3072; ++i) {
      if (i) s += ',';
      double x = (r.Unit() - 0.5) * 0.08;
      if (r.Below(50) == 0) x *= 1e-3;
      std::snprintf(buf, sizeof buf, "%.8g", x);
      s += buf;
    }
    s += "]}";
  }
  s += R"(],"model":"text-embedding-3-large","usage":{"prompt_tokens":512,"total_tokens":512}})";
  return s;
}

void MixedString(TRandom& aRandom, std::string& aOut) {
  static const char* const kPieces[] = {"\\n",
                                        "\\t",
                                        "\\\"",
                                        "\\\\",
                                        "\\/",
                                        "\\u00e9",
                                        "\\uD83D\\uDE00",
                                        "\xC3\xA9",
                                        "\xC3\xBC",
                                        "\xE4\xB8\xAD\xE6\x96\x87",
                                        "\xF0\x9F\x98\x80"};
  aOut += '"';
  size_t length = aRandom.Below(80);
  for (size_t i = 0; i < length; ++i) {
    if (aRandom.Below(12) == 0)
      aOut += kPieces[aRandom.Below(std::size(kPieces))];
    else
      aOut += static_cast<char>('a' + aRandom.Below(26));
    if (aRandom.Below(6) == 0) aOut += ' ';
  }
  aOut += '"';
}

void MixedValue(TRandom& aRandom, std::string& aOut, int aDepth) {
  static const char* const kKeys[] = {"id",    "name",    "type",       "value",    "items",
                                      "count", "enabled", "created_at", "metadata", "description",
                                      "x",     "y",       "children",   "ratio",    "tags"};
  size_t kind = aRandom.Below(aDepth < 7 ? 100 : 70);
  char buf[40];
  if (kind < 35) {
    MixedString(aRandom, aOut);
  } else if (kind < 48) {
    aOut += std::to_string(static_cast<int64_t>(aRandom.Next() % 2000000) - 1000000);
  } else if (kind < 58) {
    std::snprintf(buf, sizeof buf, "%.12g", (aRandom.Unit() - 0.5) * 1e6);
    aOut += buf;
    if (aRandom.Below(4) == 0) aOut += "e-3";
  } else if (kind < 70) {
    static const char* const kLiterals[] = {"true", "false", "null"};
    aOut += kLiterals[aRandom.Below(3)];
  } else if (kind < 85) {
    aOut += '{';
    size_t n = aRandom.Below(7);
    for (size_t i = 0; i < n; ++i) {
      if (i) aOut += ',';
      aOut += '"';
      aOut += kKeys[aRandom.Below(std::size(kKeys))];
      if (aRandom.Below(3) == 0) {
        aOut += '_';
        aOut += std::to_string(i);
      }
      aOut += "\":";
      MixedValue(aRandom, aOut, aDepth + 1);
    }
    aOut += '}';
  } else {
    aOut += '[';
    size_t n = aRandom.Below(8);
    for (size_t i = 0; i < n; ++i) {
      if (i) aOut += ',';
      MixedValue(aRandom, aOut, aDepth + 1);
    }
    aOut += ']';
  }
}

std::string MixedDocument() {
  TRandom r(3);
  const size_t target = 5 << 20;
  std::string s = R"({"kind":"mixed","records":[)";
  size_t count = 0;
  while (s.size() < target) {
    if (count++) s += ',';
    s += R"({"id":)" + std::to_string(count) + R"(,"payload":{)";
    for (int i = 0; i < 6; ++i) {
      if (i) s += ',';
      s += "\"field" + std::to_string(i) + "\":";
      MixedValue(r, s, 2);
    }
    s += "}}";
  }
  s += R"(],"count":)" + std::to_string(count) + "}";
  return s;
}

struct TInput {
  std::string Name;
  std::string Text; // UTF-8
};

const std::vector<TInput>& Inputs() {
  static const std::vector<TInput> inputs = {{"messages", MessagesResponse()},
                                             {"embeddings", EmbeddingsResponse()},
                                             {"mixed", MixedDocument()}};
  return inputs;
}

void SetBytes(benchmark::State& aState, const TInput& aInput) {
  aState.SetBytesProcessed(static_cast<int64_t>(aState.iterations()) *
                           static_cast<int64_t>(aInput.Text.size()));
}

void OzkParse(benchmark::State& aState, const TInput* aInput) {
  for (auto _ : aState) {
    TozkJSON doc;
    doc.Read(UTF8ToUTF16(aInput->Text));
    benchmark::DoNotOptimize(doc.Count());
  }
  SetBytes(aState, *aInput);
}

// The parser alone, on text decoded beforehand (where the time of OzkParse goes).
void OzkParseDecoded(benchmark::State& aState, const TInput* aInput) {
  const std::u16string text = UTF8ToUTF16(aInput->Text);
  for (auto _ : aState) {
    TozkJSON doc;
    doc.Read(text);
    benchmark::DoNotOptimize(doc.Count());
  }
  SetBytes(aState, *aInput);
}

void OzkWrite(benchmark::State& aState, const TInput* aInput) {
  TozkJSON doc;
  doc.Read(UTF8ToUTF16(aInput->Text));
  for (auto _ : aState) {
    std::u16string text = doc.Text();
    benchmark::DoNotOptimize(text.data());
  }
  SetBytes(aState, *aInput);
}

// Writing plus encoding the text as UTF-8 bytes for the wire, as the peers produce.
void OzkWriteUTF8(benchmark::State& aState, const TInput* aInput) {
  TozkJSON doc;
  doc.Read(UTF8ToUTF16(aInput->Text));
  for (auto _ : aState) {
    std::string bytes = UTF16ToUTF8(doc.Text());
    benchmark::DoNotOptimize(bytes.data());
  }
  SetBytes(aState, *aInput);
}

#if OZK_BENCH_NLOHMANN
void NlohmannParse(benchmark::State& aState, const TInput* aInput) {
  for (auto _ : aState) {
    nlohmann::json j = nlohmann::json::parse(aInput->Text);
    benchmark::DoNotOptimize(j.size());
  }
  SetBytes(aState, *aInput);
}

void NlohmannWrite(benchmark::State& aState, const TInput* aInput) {
  nlohmann::json j = nlohmann::json::parse(aInput->Text);
  for (auto _ : aState) {
    std::string text = j.dump();
    benchmark::DoNotOptimize(text.data());
  }
  SetBytes(aState, *aInput);
}
#endif

#if OZK_BENCH_RAPIDJSON
void RapidJSONParse(benchmark::State& aState, const TInput* aInput) {
  for (auto _ : aState) {
    rapidjson::Document d;
    d.Parse(aInput->Text.data(), aInput->Text.size());
    if (d.HasParseError()) aState.SkipWithError("RapidJSON parse error");
    benchmark::DoNotOptimize(d.IsObject());
  }
  SetBytes(aState, *aInput);
}

void RapidJSONWrite(benchmark::State& aState, const TInput* aInput) {
  rapidjson::Document d;
  d.Parse(aInput->Text.data(), aInput->Text.size());
  for (auto _ : aState) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    d.Accept(writer);
    benchmark::DoNotOptimize(buffer.GetString());
  }
  SetBytes(aState, *aInput);
}
#endif

void Register() {
  using TBody = void (*)(benchmark::State&, const TInput*);
  auto add = [](const std::string& aName, TBody aBody, const TInput& aInput) {
    benchmark::RegisterBenchmark(aName.c_str(), aBody, &aInput)->Unit(benchmark::kMillisecond);
  };
  for (const TInput& input : Inputs()) {
    add("parse/" + input.Name + "/ozk", OzkParse, input);
    add("parse/" + input.Name + "/ozk_predecoded", OzkParseDecoded, input);
#if OZK_BENCH_NLOHMANN
    add("parse/" + input.Name + "/nlohmann", NlohmannParse, input);
#endif
#if OZK_BENCH_RAPIDJSON
    add("parse/" + input.Name + "/rapidjson", RapidJSONParse, input);
#endif
    add("write/" + input.Name + "/ozk", OzkWrite, input);
    add("write/" + input.Name + "/ozk_utf8", OzkWriteUTF8, input);
#if OZK_BENCH_NLOHMANN
    add("write/" + input.Name + "/nlohmann", NlohmannWrite, input);
#endif
#if OZK_BENCH_RAPIDJSON
    add("write/" + input.Name + "/rapidjson", RapidJSONWrite, input);
#endif
  }
}

} // namespace

int main(int argc, char** argv) {
  for (const TInput& input : Inputs())
    std::printf("input %-10s %9zu bytes\n", input.Name.c_str(), input.Text.size());
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
