// Parse and write throughput of the JSON library on three generated inputs, beside
// nlohmann::json and RapidJSON (when they are installed). Every throughput is counted in bytes
// of the UTF-8 input document, so the columns compare directly. Rows run in interleaved
// rounds (ozkBenchRounds.h); the summary compares the medians of the CPU time per parse or
// write (single-threaded, no I/O: the figure least disturbed by other work on the machine).
//
// What each side does, per row:
//   parse/ozk             UTF-8 bytes decoded to UTF-16 and read into a document: strings are
//                         kept escaped and numbers as text, both pointing into the document's
//                         copy of the input (the library's contract).
//   parse/ozk_predecoded  the same from UTF-16 text decoded beforehand (the copy the document
//                         keeps is still made).
//   parse/ozk_convert     parse/ozk, then every number converted to a double and every string
//                         value decoded (JSONUnescape), as a caller that reads them all does.
//   parse/rapidjson_lean  the like-for-like peer of parse/ozk: a copy of the input parsed in
//                         place with numbers kept as strings. RapidJSON cannot leave escapes
//                         undecoded; in place it decodes them without copying the strings.
//   parse/nlohmann_sax    the like-for-like peer on nlohmann's SAX interface: a tree of nodes
//                         holding the texts its lexer hands over (it always decodes strings
//                         and converts numbers; floats keep their text as well).
//   parse/rapidjson, parse/nlohmann  full documents: every number converted, every string
//                         decoded and copied; the peers of parse/ozk_convert.
//   write/ozk             the document's text (UTF-16); write/ozk_utf8 adds the encoding to
//                         UTF-8, which is what the peers' writers produce and what is compared.
//
// Inputs (generated deterministically at start-up):
//   messages   - a 1 MiB message-list response of the assistants service (100 messages)
//   embeddings - an embeddings response with 16 vectors of 3072 numbers
//   mixed      - a 5 MiB document: nesting, escapes, non-ASCII text, numbers, literals
#include <benchmark/benchmark.h>

#include <charconv>
#include <memory>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/ozkText.h"
#include "ozkBenchRounds.h"
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

// Appends each part in turn to aOut, without the temporaries of a chain of "+".
template <class... TParts> void Append(std::string& aOut, const TParts&... aParts) {
  (aOut += ... += aParts);
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
    Append(s, R"({"id":")", id, R"(","object":"thread.message","created_at":)",
           std::to_string(1712345678 + i), R"(,"assistant_id":")", assistant, R"(","thread_id":")",
           thread, R"(","run_id":")", run,
           R"(","role":"assistant","content":[{"type":"text","text":{"value":")");
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
      Append(s, R"({"type":"file_citation","text":")", marker, R"(","start_index":)",
             std::to_string(textLength), R"(,"end_index":)", std::to_string(textLength + 13),
             R"(,"file_citation":{"file_id":")", Id(r, "file-", 24), R"("}})");
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

// Converts every number to a double and decodes every string value of aDoc; returns a
// checksum so nothing is optimised away.
double ReadEverything(const TozkJSON& aDoc) {
  double sum = 0;
  std::vector<const TozkJSON*> work{&aDoc};
  char digits[64];
  while (!work.empty()) {
    const TozkJSON* doc = work.back();
    work.pop_back();
    for (const auto& m : doc->Members()) {
      if (const TozkJSON* nested = m->NestedJSON()) {
        work.push_back(nested);
        continue;
      }
      const std::u16string_view text = m->StoredValue().TextView();
      if (m->JSONType() == ozkJSONNumber) {
        const size_t n = std::min(text.size(), sizeof digits);
        for (size_t i = 0; i < n; ++i) digits[i] = static_cast<char>(text[i]);
        const char* first = digits + (n && digits[0] == '+' ? 1 : 0);
        double value = 0;
        std::from_chars(first, digits + n, value);
        sum += value;
      } else if (m->JSONType() == ozkJSONString) {
        sum += static_cast<double>(JSONUnescape(text).size());
      }
    }
  }
  return sum;
}

void OzkParseConvert(benchmark::State& aState, const TInput* aInput) {
  for (auto _ : aState) {
    TozkJSON doc;
    doc.Read(UTF8ToUTF16(aInput->Text));
    benchmark::DoNotOptimize(ReadEverything(doc));
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

// The least a SAX client keeps to be able to read the document afterwards: per container a
// vector of nodes with their key and the text (or number) the lexer produced.
struct TSaxNode {
  std::string Key;
  std::string Text;
  double Number = 0;
  std::unique_ptr<std::vector<TSaxNode>> Children;
};

class TSaxTree : public nlohmann::json_sax<nlohmann::json> {
 public:
  TSaxTree() { FStack.push_back(&FRoot); }
  bool null() override { return Add(); }
  bool boolean(bool aValue) override { return Add()->Number = aValue, true; }
  bool number_integer(number_integer_t aValue) override {
    return Add()->Number = static_cast<double>(aValue), true;
  }
  bool number_unsigned(number_unsigned_t aValue) override {
    return Add()->Number = static_cast<double>(aValue), true;
  }
  bool number_float(number_float_t, const string_t& aText) override {
    return Add()->Text = aText, true;
  }
  bool string(string_t& aValue) override { return Add()->Text = std::move(aValue), true; }
  bool binary(binary_t&) override { return Add(); }
  bool start_object(std::size_t) override { return Open(); }
  bool key(string_t& aValue) override {
    FKey = std::move(aValue);
    return true;
  }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }
  size_t Count() const { return FRoot.size(); }

 private:
  TSaxNode* Add() {
    TSaxNode& node = FStack.back()->emplace_back();
    node.Key = std::move(FKey);
    FKey.clear();
    return &node;
  }
  bool Open() {
    if (FStack.size() == 1 && FRoot.empty() && !FOpenedRoot) {
      FOpenedRoot = true; // the top-level container is the root vector itself
      return true;
    }
    TSaxNode* node = Add();
    node->Children = std::make_unique<std::vector<TSaxNode>>();
    FStack.push_back(node->Children.get());
    return true;
  }
  bool Close() {
    if (FStack.size() > 1) FStack.pop_back();
    return true;
  }

  std::vector<TSaxNode> FRoot;
  std::vector<std::vector<TSaxNode>*> FStack;
  std::string FKey;
  bool FOpenedRoot = false;
};

void NlohmannSax(benchmark::State& aState, const TInput* aInput) {
  for (auto _ : aState) {
    TSaxTree tree;
    if (!nlohmann::json::sax_parse(aInput->Text, &tree))
      aState.SkipWithError("nlohmann SAX parse error");
    benchmark::DoNotOptimize(tree.Count());
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

void RapidJSONLean(benchmark::State& aState, const TInput* aInput) {
  for (auto _ : aState) {
    std::unique_ptr<char[]> copy(new char[aInput->Text.size() + 1]);
    std::memcpy(copy.get(), aInput->Text.c_str(), aInput->Text.size() + 1);
    rapidjson::Document d;
    d.ParseInsitu<rapidjson::kParseNumbersAsStringsFlag>(copy.get());
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

struct TRow {
  std::string Name;
  void (*Body)(benchmark::State&, const TInput*);
  const TInput* Input;
};

std::vector<TRow> Rows() {
  std::vector<TRow> rows;
  for (const TInput& input : Inputs()) {
    auto add = [&](const std::string& aKind, const char* aSide, auto aBody) {
      rows.push_back({aKind + "/" + input.Name + "/" + aSide, aBody, &input});
    };
    add("parse", "ozk", OzkParse);
    add("parse", "ozk_predecoded", OzkParseDecoded);
    add("parse", "ozk_convert", OzkParseConvert);
#if OZK_BENCH_RAPIDJSON
    add("parse", "rapidjson_lean", RapidJSONLean);
    add("parse", "rapidjson", RapidJSONParse);
#endif
#if OZK_BENCH_NLOHMANN
    add("parse", "nlohmann_sax", NlohmannSax);
    add("parse", "nlohmann", NlohmannParse);
#endif
    add("write", "ozk", OzkWrite);
    add("write", "ozk_utf8", OzkWriteUTF8);
#if OZK_BENCH_RAPIDJSON
    add("write", "rapidjson", RapidJSONWrite);
#endif
#if OZK_BENCH_NLOHMANN
    add("write", "nlohmann", NlohmannWrite);
#endif
  }
  return rows;
}

void Register() {
  ozkbench::RegisterRounds<TRow>(Rows(), [](const TRow& aRow, const std::string& aSuffix) {
    benchmark::RegisterBenchmark((aRow.Name + aSuffix).c_str(), aRow.Body, aRow.Input)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.2);
  });
}

// ours, the peer, how many times as fast as ours the peer is (median CPU times), the rounds.
void Summary(const ozkbench::TRoundsReporter& aReporter) {
  struct TComparison {
    const char* What;
    const char* Ours;
    const char* Peer;
    double Goal; // largest acceptable peer speed-up, 0 for none
  };
  static const TComparison kComparisons[] = {
      {"parse like for like", "parse/%s/ozk", "parse/%s/rapidjson_lean", 2.0},
      {"parse like for like", "parse/%s/ozk", "parse/%s/nlohmann_sax", 0},
      {"parse, all converted", "parse/%s/ozk_convert", "parse/%s/rapidjson", 0},
      {"parse, all converted", "parse/%s/ozk_convert", "parse/%s/nlohmann", 0},
      {"write UTF-8", "write/%s/ozk_utf8", "write/%s/rapidjson", 0},
      {"write UTF-8", "write/%s/ozk_utf8", "write/%s/nlohmann", 0},
  };
  std::printf("\n%-22s %-11s %-15s %10s %10s %9s %6s  %s\n", "comparison", "input", "peer",
              "ours ms", "peer ms", "peer x", "rounds", "goal");
  char ours[96], peer[96];
  for (const TInput& input : Inputs()) {
    for (const TComparison& c : kComparisons) {
      std::snprintf(ours, sizeof ours, c.Ours, input.Name.c_str());
      std::snprintf(peer, sizeof peer, c.Peer, input.Name.c_str());
      if (!aReporter.Has(ours) || !aReporter.Has(peer)) continue;
      const double a = aReporter.MedianSeconds(ours), b = aReporter.MedianSeconds(peer);
      const double times = a / b; // > 1: the peer is faster
      const int rounds = std::min(aReporter.Count(ours), aReporter.Count(peer));
      std::printf("%-22s %-11s %-15s %10.2f %10.2f %8.2fx %6d  ", c.What, input.Name.c_str(),
                  std::strrchr(peer, '/') + 1, a * 1e3, b * 1e3, times, rounds);
      if (c.Goal > 0)
        std::printf("peer <= %.1fx %s\n", c.Goal, times <= c.Goal ? "met" : "NOT met");
      else
        std::printf("-\n");
    }
  }
  std::printf("peer x: median time of ours / median time of the peer (above 1: the peer is "
              "faster)\n");
}

// One parse of one input, for instruction counts: valgrind --tool=callgrind
// --toggle-collect='*ProfileParse*' ozk_json_bench --profile=mixed
[[gnu::noinline]] int ProfileParse(const TInput& aInput) {
  TozkJSON doc;
  doc.Read(UTF8ToUTF16(aInput.Text));
  return doc.Count();
}

} // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strncmp(argv[1], "--profile=", 10) == 0) {
    for (const TInput& input : Inputs())
      if (input.Name == argv[1] + 10) return ProfileParse(input) > 0 ? 0 : 1;
    return 2;
  }
  for (const TInput& input : Inputs())
    std::printf("input %-10s %9zu bytes\n", input.Name.c_str(), input.Text.size());
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ozkbench::TRoundsReporter reporter(/*aCPUTime=*/true);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  Summary(reporter);
  benchmark::Shutdown();
  return 0;
}
