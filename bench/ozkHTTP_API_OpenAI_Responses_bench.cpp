// A long answer of the bundled service through CreateResponse, streamed and not: the time to
// the first streamed piece and to the whole answer, beside the same answer without streaming.
// Repetitions alternate the two forms (and their order), medians are reported.
//   ozk_openai_responses_bench [REPETITIONS [WORDS]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/ozkText.h"
#include "openai/ozkHTTP_API_OpenAI_Client.h"
#include "support/ozkTestService.h"

namespace {

using TClock = std::chrono::steady_clock;

double Ms(TClock::duration aSpan) {
  return std::chrono::duration<double, std::milli>(aSpan).count();
}

double Median(std::vector<double> aValues) {
  std::sort(aValues.begin(), aValues.end());
  size_t n = aValues.size();
  return n % 2 ? aValues[n / 2] : (aValues[n / 2 - 1] + aValues[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
  const int lRepetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const int lWords = argc > 2 ? std::max(1, std::atoi(argv[2])) : 4000;
  ozktest::TTestService lService;
  TozkHTTP_API_OpenAI lClient;
  lClient.OpenAIOptions().SetApiKey(u"sk-bench");
  lClient.OpenAIOptions().SetBaseURL(UTF8ToUTF16(lService.BaseURL()));
  lClient.OpenAIOptions().HttpOptions().SetReadTimeout(60000);
  // The echo engine answers with the question: a long question gives a long answer.
  std::u16string lQuestion;
  for (int i = 0; i < lWords; ++i) lQuestion += u"word" + IntToStr(i) + u" ";
  auto Request = [&](bool aStream) {
    auto lRequest = std::make_unique<TozkOpenAIClass_Request_Response>();
    lRequest->SetModel(u"gpt-4o-mini");
    lRequest->SetInputText(lQuestion);
    lRequest->SetStream(aStream);
    return lRequest;
  };

  std::vector<double> lFirst, lStreamed, lPlain;
  size_t lPieces = 0, lLength = 0;
  auto RunStreamed = [&] {
    auto lRequest = Request(true);
    size_t lCount = 0;
    TClock::time_point lStart = TClock::now(), lFirstAt{};
    auto lAnswer = lClient.CreateResponse(*lRequest, [&](const std::u16string&) {
      if (lCount++ == 0) lFirstAt = TClock::now();
    });
    lStreamed.push_back(Ms(TClock::now() - lStart));
    lFirst.push_back(Ms(lFirstAt - lStart));
    lPieces = lCount;
    lLength = lAnswer->OutputText().size();
  };
  auto RunPlain = [&] {
    auto lRequest = Request(false);
    TClock::time_point lStart = TClock::now();
    auto lAnswer = lClient.CreateResponse(*lRequest);
    lPlain.push_back(Ms(TClock::now() - lStart));
    if (lAnswer->OutputText().size() != lLength) std::fprintf(stderr, "answers differ\n");
  };
  RunStreamed(); // warm-up of both forms, not counted
  RunPlain();
  lFirst.clear();
  lStreamed.clear();
  lPlain.clear();
  for (int i = 0; i < lRepetitions; ++i) {
    if (i % 2) {
      RunPlain();
      RunStreamed();
    } else {
      RunStreamed();
      RunPlain();
    }
  }
  std::printf("answer: %zu UTF-16 units in %zu streamed pieces, %d repetitions (medians)\n",
              lLength, lPieces, lRepetitions);
  std::printf("streamed:     first piece %8.2f ms   whole answer %8.2f ms\n", Median(lFirst),
              Median(lStreamed));
  std::printf("not streamed:                         whole answer %8.2f ms\n", Median(lPlain));
  return 0;
}
