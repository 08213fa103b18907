// The assistant workflow end to end against the bundled local service over loopback: the run
// wait's edge cases and its request count, vector stores found, created and listed by name, and
// what an upload leaves on the assistant.
#include "ai/ozkAI.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "base/ozkText.h"
#include "support/ozkTestService.h"
#include "support/ozkTestUtil.h"

namespace {

bool Contains(const std::u16string& aText, const std::u16string& aPart) {
  return aText.find(aPart) != std::u16string::npos;
}

size_t CountOf(const std::u16string& aText, const std::u16string& aPart) {
  size_t lCount = 0;
  for (size_t i = aText.find(aPart); i != std::u16string::npos; i = aText.find(aPart, i + 1))
    ++lCount;
  return lCount;
}

// The service's test controls (no key needed) over the same HTTP stack.
class TServiceControl {
 public:
  explicit TServiceControl(const ozktest::TTestService& aService)
      : FBase(UTF8ToUTF16(aService.BaseURL())) {}
  // The log of received API requests as JSON text, compact ("method":"GET","path":"/v1/...").
  std::u16string Requests() { return FClient.Get(FBase + u"/_control/requests"); }
  void ClearRequests() { FClient.Delete(FBase + u"/_control/requests"); }
  // The next aCount API requests fail with aStatus.
  void Fail(int aStatus, int aCount) {
    TStringList lHeaders;
    lHeaders.Add(u"Content-Type: application/json");
    FClient.Post(FBase + u"/_control/fail",
                 u"{\"status\":" + IntToStr(aStatus) + u",\"count\":" + IntToStr(aCount) + u"}",
                 &lHeaders);
  }
  // How many status reads of that run the service received.
  size_t StatusReads(const TozkOpenAIClass_Run& aRun) {
    return CountOf(Requests(), u"\"method\":\"GET\",\"path\":\"/v1/threads/" + aRun.ThreadId() +
                                   u"/runs/" + aRun.Id() + u"\"");
  }

 private:
  std::u16string FBase;
  TozkHTTPAPI_client FClient;
};

void PointAt(TozkHTTPOpenAI_Options& aOptions, const ozktest::TTestService& aService) {
  aOptions.SetApiKey(u"sk-local-test");
  aOptions.SetBaseURL(UTF8ToUTF16(aService.BaseURL()));
}

// A component set up as the window sets it up, pointed at the service.
struct TServiceAssistant : TozkAIOpenAIAssistant {
  explicit TServiceAssistant(const ozktest::TTestService& aService) {
    PointAt(OpenAIOptions(), aService);
    AssistantOptions().SetName(u"Tutor");
    AssistantOptions().SetModel(u"gpt-4o-mini");
    AssistantOptions().Instructions().SetText(u"You are a tutor.\nAnswer briefly.");
    AssistantOptions().Tools().CodeInterpreter().SetEnabled(true);
    AssistantOptions().Tools().FileSearch().SetEnabled(true);
  }
  std::function<void()> OnPause;

 protected:
  void DoPollPause(uint32_t aMilliseconds) override {
    if (OnPause) OnPause();
    TozkAIOpenAIAssistant::DoPollPause(aMilliseconds);
  }
};

struct TTempText {
  std::filesystem::path Path;
  explicit TTempText(const std::string& aText) {
    static int sCount = 0;
    Path = std::filesystem::temp_directory_path() / ("ozk_ai_manual_" + std::to_string(::getpid()) +
                                                     "_" + std::to_string(++sCount) + ".txt");
    std::ofstream(Path) << aText;
  }
  ~TTempText() { std::filesystem::remove(Path); }
  std::u16string Name() const { return UTF8ToUTF16(Path.string()); }
};

ozktest::TTestServiceOptions WithRunPolls(int aPolls) {
  ozktest::TTestServiceOptions lOptions;
  lOptions.RunPolls = aPolls;
  return lOptions;
}

} // namespace

TEST(TozkAI_OpenAI_Assistant_Service, SendAndAnswerThroughTheWholeWorkflow) {
  ozktest::TTestService lService;
  TServiceAssistant lAssistant(lService);
  TozkOpenAIClass_Assistant* lCreated = lAssistant.CreateAssistant();
  ASSERT_NE(lCreated, nullptr);
  EXPECT_EQ(lCreated->Name(), u"Tutor");
  ASSERT_NE(lAssistant.CreateThread(), nullptr);
  const std::u16string lThreadId = lAssistant.Thread()->Id();

  auto lMessage = lAssistant.CreateMessageText(
      lThreadId, u"I need to solve the equation `3x + 11 = 14`. Can you help me?\r\n", u"user");
  ASSERT_FALSE(lMessage->Id().empty());
  auto lRun = lAssistant.CreateRunAndWait(lThreadId, 10000);
  ASSERT_NE(lRun, nullptr);
  EXPECT_EQ(lRun->Status(), u"completed");
  EXPECT_EQ(TozkAI_OpenAI_Assistant::RunProblem(*lRun), u"");
  auto lList = lAssistant.GetMessages(lThreadId, lRun->Id(), 20, u"desc", u"", u"");
  ASSERT_NE(lList, nullptr);
  ASSERT_FALSE(lList->Messages().empty());
  EXPECT_EQ(lList->Messages()[0]->Role(), u"assistant");
  EXPECT_EQ(lList->Messages()[0]->RunId(), lRun->Id());
  EXPECT_FALSE(lList->Messages()[0]->ContentText().empty());

  // The same assistant fetched by id, by a second component.
  TServiceAssistant lAgain(lService);
  ASSERT_NE(lAgain.GetAssistant(lCreated->Id()), nullptr);
  EXPECT_EQ(lAgain.Assistant()->Id(), lCreated->Id());
  // The escaped instructions arrive as they were written, line breaks included.
  EXPECT_EQ(lAgain.Assistant()->Instructions(), u"You are a tutor.\r\nAnswer briefly.\r\n");
}

TEST(TozkAI_OpenAI_Assistant_Service, AnUnknownAssistantIdRaisesAndKeepsTheCurrentOne) {
  ozktest::TTestService lService;
  TServiceAssistant lAssistant(lService);
  TozkOpenAIClass_Assistant* lOld = lAssistant.CreateAssistant();
  try {
    lAssistant.GetAssistant(u"asst_unknown");
    FAIL() << "expected an HTTP error";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorCode(), 404);
    EXPECT_TRUE(Contains(e.Message(), u"asst_unknown")) << UTF16ToUTF8(e.Message());
  }
  EXPECT_EQ(lAssistant.Assistant(), lOld);
}

// Default service: a run is queued when created, in progress at the first status read and
// completed at the second.
TEST(TozkAI_OpenAI_Assistant_Service, RunWaitTimeoutZeroAndNegative) {
  ozktest::TTestService lService;
  TServiceControl lControl(lService);
  TServiceAssistant lAssistant(lService);
  lAssistant.CreateAssistant();
  const std::u16string lThreadId = lAssistant.CreateThread()->Id();

  auto lZero = lAssistant.CreateRunAndWait(lThreadId, 0);
  EXPECT_EQ(lZero->Status(), u"in_progress");
  EXPECT_EQ(lControl.StatusReads(*lZero), 1u);
  EXPECT_EQ(TozkAI_OpenAI_Assistant::RunProblem(*lZero), u"in_progress");

  // The service allows one active run per thread, so the next wait uses a thread of its own.
  const std::u16string lOtherThread = lAssistant.CreateThread()->Id();
  auto lForever = lAssistant.CreateRunAndWait(lOtherThread, -1);
  EXPECT_EQ(lForever->Status(), u"completed");
  EXPECT_EQ(lControl.StatusReads(*lForever), 2u);
}

// A wait that runs for its whole budget polls a few times a second, not hundreds of times.
TEST(TozkAI_OpenAI_Assistant_Service, AWaitOverItsWholeBudgetSendsFewStatusRequests) {
  ozktest::TTestService lService(WithRunPolls(1000000));
  TServiceControl lControl(lService);
  TServiceAssistant lAssistant(lService);
  lAssistant.CreateAssistant();
  const std::u16string lThreadId = lAssistant.CreateThread()->Id();
  auto lRun = lAssistant.CreateRunAndWait(lThreadId, 3000);
  ASSERT_NE(lRun, nullptr);
  EXPECT_EQ(lRun->Status(), u"in_progress");
  // Pauses of 50, 100, 200, 400, 800 and then 1000 ms fit about 9 polls into 3 s; polling
  // without a pause would send hundreds.
  const size_t lReads = lControl.StatusReads(*lRun);
  RecordProperty("status_reads", static_cast<int>(lReads));
  EXPECT_GE(lReads, 2u);
  EXPECT_LE(lReads, 12u);
}

// A status request whose failure the executor's error event swallowed gives a run with an
// empty status, which ends the wait at once.
TEST(TozkAI_OpenAI_Assistant_Service, AnEmptyStatusEndsTheWait) {
  ozktest::TTestService lService(WithRunPolls(1000000));
  TServiceControl lControl(lService);
  TServiceAssistant lAssistant(lService);
  int lSwallowed = 0;
  lAssistant.OnCreateOpenAI = [&](TozkHTTP_API_OpenAI& aClient) {
    aClient.OnHTTPAPIException = [&](TozkHTTPAPI_client*, Exception&) { ++lSwallowed; };
  };
  lAssistant.CreateAssistant();
  const std::u16string lThreadId = lAssistant.CreateThread()->Id();
  lAssistant.OnPause = [&] { lControl.Fail(500, 1); };
  auto lRun = lAssistant.CreateRunAndWait(lThreadId, -1);
  ASSERT_NE(lRun, nullptr);
  EXPECT_EQ(lRun->Status(), u"");
  EXPECT_EQ(lSwallowed, 1);
  EXPECT_EQ(TozkAI_OpenAI_Assistant::RunProblem(*lRun), u"(no status)");
}

TEST(TozkAI_OpenAI_Assistant_Service, VectorStoresByName) {
  ozktest::TTestService lService;
  TServiceControl lControl(lService);
  TServiceAssistant lAssistant(lService);
  lAssistant.AssistantOptions().SetTemperature(1.5);
  lAssistant.AssistantOptions().SetTopP(0.5);
  const std::u16string lAssistantId = lAssistant.CreateAssistant()->Id();

  // Two stores of one name: the newer one gets the file and is the one listed.
  TozkHTTP_API_OpenAI lDirect;
  PointAt(lDirect.OpenAIOptions(), lService);
  TozkOpenAIClass_Request_VectorStore lStore;
  lStore.SetName(u"manuals");
  const std::u16string lOlder = lDirect.CreateVectorStore(lStore)->Id();
  const std::u16string lNewer = lDirect.CreateVectorStore(lStore)->Id();
  ASSERT_NE(lOlder, lNewer);

  TTempText lManual("The WebSocket client connects with Connect and echoes with Send.\n");
  EXPECT_TRUE(lAssistant.UploadVectorStoreFile(u"manuals", lManual.Name()));
  auto lFiles = lAssistant.GetVectorStoreFiles(u"manuals");
  ASSERT_NE(lFiles, nullptr);
  ASSERT_EQ(lFiles->VectorStoreFiles().size(), 1u);
  EXPECT_EQ(lFiles->VectorStoreFiles()[0]->VectorStoreId(), lNewer);
  EXPECT_TRUE(lDirect.ListVectorStoreFiles(lOlder)->VectorStoreFiles().empty());

  // The upload points the file-search tool at the store and leaves temperature and top-p.
  auto lAfter = lDirect.RetrieveAssistant(lAssistantId);
  EXPECT_EQ(lAfter->Temperature(), 1.5);
  EXPECT_EQ(lAfter->TopP(), 0.5);
  ASSERT_NE(lAfter->ToolResources(), nullptr);
  TStringList* lIds = lAfter->ToolResources()->FileSearch()->VectorStoreIds();
  EXPECT_EQ(lIds->Text(), lNewer + u"\r\n");

  // Uploading into a name that does not exist yet creates the store first.
  TTempText lSecond("Second manual.\n");
  EXPECT_TRUE(lAssistant.UploadVectorStoreFile(u"fresh", lSecond.Name()));
  auto lStores = lDirect.ListVectorStores();
  ASSERT_EQ(lStores->VectorStores().size(), 3u);
  EXPECT_EQ(lStores->VectorStores()[0]->Name(), u"fresh");
  auto lFresh = lAssistant.GetVectorStoreFiles(u"fresh");
  ASSERT_NE(lFresh, nullptr);
  EXPECT_EQ(lFresh->VectorStoreFiles().size(), 1u);

  // Listing a name that does not exist gives none and creates nothing.
  lControl.ClearRequests();
  EXPECT_EQ(lAssistant.GetVectorStoreFiles(u"missing"), nullptr);
  const std::u16string lLog = lControl.Requests();
  EXPECT_EQ(CountOf(lLog, u"\"method\":\"POST\""), 0u) << UTF16ToUTF8(lLog);
  EXPECT_EQ(lDirect.ListVectorStores()->VectorStores().size(), 3u);
}

TEST(TozkAI_OpenAI_Assistant_Service, QuotesAndBracketsInNamesReadBackAsGiven) {
  ozktest::TTestService lService;
  TServiceAssistant lAssistant(lService);
  lAssistant.AssistantOptions().SetName(u"[draft] \"Tutor\" \\ {1}");
  ASSERT_NE(lAssistant.CreateAssistant(), nullptr);
  EXPECT_EQ(lAssistant.Assistant()->Name(), u"[draft] \"Tutor\" \\ {1}");

  TTempText lManual("Text.\n");
  EXPECT_TRUE(lAssistant.UploadVectorStoreFile(u"{manuals} \"v2\"", lManual.Name()));
  auto lFiles = lAssistant.GetVectorStoreFiles(u"{manuals} \"v2\"");
  ASSERT_NE(lFiles, nullptr);
  EXPECT_EQ(lFiles->VectorStoreFiles().size(), 1u);
}
