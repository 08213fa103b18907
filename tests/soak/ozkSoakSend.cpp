// Soak driver: many Sends in a row through the assistant component against the bundled service
// with its periodic fault mode on (every n-th request answers 500, every m-th connection is
// reset) and the client's retrying on. Every Send must end in an answer, in a run problem that
// the window would show, or in the component's error (an Exception); anything else (a foreign
// exception, a Send that ends silently) fails the run. Open descriptors, the heap in use and
// resident memory are printed at the start, after a warm-up and at the end, and must stay flat
// from the warm-up on.
//
//   ozk_soak_send --data-dir DIR [--sends 500] [--api assistants|responses]
//                 [--fail-every 20] [--reset-every 50] [--minutes 15]
//
// The data folder is kept for the caller's consistency check (scripts/soak runs it).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <malloc.h>
#include <map>
#include <memory>
#include <string>

#include "ai/ozkAI_OpenAI_Audio_Assistant.h"
#include "base/ozkText.h"
#include "http/ozkHTTP_API.h"
#include "support/ozkTestService.h"

namespace {

struct TSoakOptions {
  std::string DataDir;
  int Sends = 500;
  TozkAI_OpenAI_API API = oaapiAssistants;
  int FailEvery = 20;
  int ResetEvery = 50;
  int Minutes = 15;
  int WarmUp = 20;
};

// Bytes the allocator has handed out and not had back: the leak check. Whatever the Sends leave
// behind beyond the warm-up's state (the current assistant and thread are replaced, not added
// to) shows here; 64 KiB over 480 Sends catches a leak of about 140 bytes a Send.
constexpr long cHeapGrowthLimitKiB = 64;
// Resident memory also counts allocator arenas and pages the allocator keeps for reuse, so it
// is only a coarse second check.
constexpr long cRSSGrowthLimitKiB = 4096;

struct TProcessUse {
  int Descriptors = 0;
  long ResidentKiB = 0;
  long HeapInUseKiB = 0;
};

TProcessUse MeasureProcess() {
  TProcessUse lUse;
  if (DIR* lDir = opendir("/proc/self/fd")) {
    while (dirent* lEntry = readdir(lDir))
      if (lEntry->d_name[0] != '.') ++lUse.Descriptors;
    closedir(lDir);
    --lUse.Descriptors; // the one opendir holds
  }
  std::ifstream lStatus("/proc/self/status");
  for (std::string lLine; std::getline(lStatus, lLine);)
    if (lLine.rfind("VmRSS:", 0) == 0) lUse.ResidentKiB = std::atol(lLine.c_str() + 6);
  // In use in every arena, small blocks and mapped large ones alike.
  const struct mallinfo2 lHeap = mallinfo2();
  lUse.HeapInUseKiB = static_cast<long>((lHeap.uordblks + lHeap.hblkhd) / 1024);
  return lUse;
}

void PrintUse(const char* aWhen, const TProcessUse& aUse) {
  std::printf("%-16s open descriptors %d, heap in use %ld KiB, resident memory %ld KiB\n", aWhen,
              aUse.Descriptors, aUse.HeapInUseKiB, aUse.ResidentKiB);
}

bool ParseArgs(int argc, char** argv, TSoakOptions& aOptions) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string lName = argv[i], lValue = argv[i + 1];
    if (lName == "--data-dir")
      aOptions.DataDir = lValue;
    else if (lName == "--sends")
      aOptions.Sends = std::atoi(lValue.c_str());
    else if (lName == "--fail-every")
      aOptions.FailEvery = std::atoi(lValue.c_str());
    else if (lName == "--reset-every")
      aOptions.ResetEvery = std::atoi(lValue.c_str());
    else if (lName == "--minutes")
      aOptions.Minutes = std::atoi(lValue.c_str());
    else if (lName == "--api" && (lValue == "assistants" || lValue == "responses"))
      aOptions.API = lValue == "assistants" ? oaapiAssistants : oaapiResponses;
    else
      return false;
  }
  return argc % 2 == 1 && !aOptions.DataDir.empty() && aOptions.Sends > aOptions.WarmUp;
}

// The process's use right after a new thread replaced the current one. Without an assistants
// thread the component keeps the conversation itself, and it grows with every Send by design;
// a fresh thread drops it, so two such measurements differ only by what leaked. A fault may
// fail the thread's creation: it is tried again a few times.
TProcessUse MeasureWithFreshThread(TozkAI_OpenAI_Assistant& aAssistant) {
  for (int lTry = 0; lTry < 5; ++lTry) {
    try {
      aAssistant.CreateThread();
      break;
    } catch (const Exception&) {
    }
  }
  return MeasureProcess();
}

enum class TOutcome { Answer, RunProblem, ComponentError, Silent };

// One Send as the window makes it: open a thread when there is none (or aNewThread), add the
// message, run and wait, read the run's messages.
TOutcome Send(TozkAI_OpenAI_Assistant& aAssistant, bool aNewThread, std::u16string& aDetail) {
  if (aNewThread || !aAssistant.Thread()) aAssistant.CreateThread();
  const std::u16string lThreadId = aAssistant.Thread()->Id();
  aAssistant.CreateMessageText(lThreadId, u"I need to solve the equation `3x + 11 = 14`.", u"user");
  auto lRun = aAssistant.CreateRunAndWait(lThreadId, 10000);
  if (!lRun) return TOutcome::Silent;
  aDetail = TozkAI_OpenAI_Assistant::RunProblem(*lRun);
  if (!aDetail.empty()) return TOutcome::RunProblem;
  auto lList = aAssistant.GetMessages(lThreadId, lRun->Id(), 20, u"desc", u"", u"");
  if (!lList || lList->Messages().empty() || !lList->Messages()[0]) return TOutcome::Silent;
  return lList->Messages()[0]->ContentText().find(u"x = 1") != std::u16string::npos
             ? TOutcome::Answer
             : TOutcome::Silent;
}

// The service's own fault counters ("/_control/faults"), as JSON text.
std::string FaultCounters(const ozktest::TTestService& aService) {
  try {
    TozkHTTPAPI_client lClient;
    return UTF16ToUTF8(lClient.Get(UTF8ToUTF16(aService.BaseURL()) + u"/_control/faults"));
  } catch (const std::exception& e) {
    return std::string("(not read: ") + e.what() + ")";
  }
}

} // namespace

int main(int argc, char** argv) {
  TSoakOptions lOptions;
  if (!ParseArgs(argc, argv, lOptions)) {
    std::fprintf(stderr, "usage: ozk_soak_send --data-dir DIR [--sends N>20] "
                         "[--api assistants|responses] [--fail-every N] [--reset-every M] "
                         "[--minutes M]\n");
    return 2;
  }
  const TProcessUse lStart = MeasureProcess();
  PrintUse("start:", lStart);

  ozktest::TTestServiceOptions lServiceOptions;
  lServiceOptions.DataDir = lOptions.DataDir;
  lServiceOptions.ExtraArgs = {"--fail-every", std::to_string(lOptions.FailEvery), "--reset-every",
                               std::to_string(lOptions.ResetEvery)};
  ozktest::TTestService lService(lServiceOptions);

  TozkAI_OpenAI_Assistant lAssistant;
  lAssistant.OpenAIOptions().SetApiKey(u"sk-soak");
  lAssistant.OpenAIOptions().SetBaseURL(UTF8ToUTF16(lService.BaseURL()));
  lAssistant.OpenAIOptions().RetryOptions().SetEnabled(true);
  lAssistant.OpenAIOptions().RetryOptions().SetRetries(3);
  lAssistant.SetAPI(lOptions.API);
  lAssistant.AssistantOptions().SetName(u"Math Tutor");
  lAssistant.AssistantOptions().SetModel(u"gpt-4o-mini");
  lAssistant.AssistantOptions().Instructions().SetText(u"You are a personal math tutor.");

  const auto lDeadline = std::chrono::steady_clock::now() + std::chrono::minutes(lOptions.Minutes);
  std::map<TOutcome, int> lCounts;
  std::map<std::string, int> lErrors;
  int lForeign = 0, lSent = 0;
  bool lNewThread = false;
  TProcessUse lWarm;
  for (; lSent < lOptions.Sends && std::chrono::steady_clock::now() < lDeadline; ++lSent) {
    if (lSent == lOptions.WarmUp) {
      lWarm = MeasureWithFreshThread(lAssistant);
      lNewThread = false;
      PrintUse("after warm-up:", lWarm);
    }
    std::u16string lDetail;
    try {
      // The assistant is set up once; a fault during its creation fails that Send.
      if (!lAssistant.Assistant()) lAssistant.CreateAssistant();
      const TOutcome lOutcome = Send(lAssistant, lNewThread, lDetail);
      lNewThread = false;
      ++lCounts[lOutcome];
      if (lOutcome == TOutcome::RunProblem) ++lErrors["run problem: " + UTF16ToUTF8(lDetail)];
    } catch (const Exception& e) {
      ++lCounts[TOutcome::ComponentError];
      ++lErrors[e.what()];
      // The thread may hold a run that nobody waits for any more: the next Send opens a new
      // thread, as a user starting over would.
      lNewThread = true;
    } catch (const std::exception& e) {
      ++lForeign;
      ++lErrors[std::string("foreign exception: ") + e.what()];
    }
  }
  const TProcessUse lEnd = MeasureWithFreshThread(lAssistant);
  PrintUse("end:", lEnd);

  std::printf("sends %d of %d: answers %d, run problems %d, component errors %d, silent %d, "
              "foreign exceptions %d\n",
              lSent, lOptions.Sends, lCounts[TOutcome::Answer], lCounts[TOutcome::RunProblem],
              lCounts[TOutcome::ComponentError], lCounts[TOutcome::Silent], lForeign);
  for (const auto& [lText, lCount] : lErrors) std::printf("  %4d x %s\n", lCount, lText.c_str());
  std::printf("service faults: %s\n", FaultCounters(lService).c_str());
  const int lStop = lService.Stop();

  bool lPassed = true;
  auto lFail = [&lPassed](const char* aWhy) {
    std::printf("FAILED: %s\n", aWhy);
    lPassed = false;
  };
  if (lSent < lOptions.Sends) lFail("the time ran out before every Send was made");
  if (lCounts[TOutcome::Silent] || lForeign) lFail("a Send ended without an answer or an error");
  if (lCounts[TOutcome::Answer] == 0) lFail("no Send was answered");
  if (lEnd.Descriptors != lWarm.Descriptors) lFail("open descriptors changed after the warm-up");
  if (lEnd.HeapInUseKiB - lWarm.HeapInUseKiB > cHeapGrowthLimitKiB)
    lFail("heap memory in use grew after the warm-up");
  if (lEnd.ResidentKiB - lWarm.ResidentKiB > cRSSGrowthLimitKiB)
    lFail("resident memory grew after the warm-up");
  if (lStop != 0) lFail("the service did not stop cleanly");
  std::printf("%s\n", lPassed ? "soak: passed" : "soak: failed");
  return lPassed ? 0 : 1;
}
