// The assistant workflow against a recording fake client: the requests each operation sends,
// the run wait's polling rules, ownership of the current assistant and thread, vector stores.
#include "ai/ozkAI_OpenAI_Audio_Assistant.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "ozkAITestFakeClient.h"
#include "support/ozkTestUtil.h"

using ozktest::TFakeAssistant;

namespace {

std::u16string RunJSON(const std::u16string& aStatus) {
  return u"{\"id\":\"run_1\",\"object\":\"thread.run\",\"thread_id\":\"thread_1\",\"status\":\"" +
         aStatus + u"\"}";
}

bool Contains(const std::u16string& aText, const std::u16string& aPart) {
  return aText.find(aPart) != std::u16string::npos;
}

// A component that already holds the assistant "asst_1".
void GiveAssistant(TFakeAssistant& aAssistant) {
  aAssistant.Fake.Reply(u"{\"id\":\"asst_1\",\"object\":\"assistant\",\"temperature\":1}");
  aAssistant.GetAssistant(u"asst_1");
  aAssistant.Fake.Requests.clear();
}

} // namespace

TEST(TozkAI_OpenAI_Assistant, ClientIsMadeOnFirstUseAndTakesOptionChangesAtTheNextOperation) {
  TFakeAssistant lAssistant;
  EXPECT_FALSE(lAssistant.HasOpenAI());
  int lCreated = 0;
  lAssistant.OnCreateOpenAI = [&](TozkHTTP_API_OpenAI&) { ++lCreated; };
  lAssistant.Fake.Reply(u"{\"id\":\"thread_1\"}");
  lAssistant.Fake.Reply(u"{\"id\":\"thread_2\"}");
  lAssistant.CreateThread();
  lAssistant.OpenAIOptions().SetApiKey(u"sk-second");
  lAssistant.OpenAIOptions().SetBaseURL(u"http://other.invalid/");
  lAssistant.CreateThread();
  EXPECT_EQ(lCreated, 1);
  ASSERT_EQ(lAssistant.Fake.Requests.size(), 2u);
  EXPECT_TRUE(Contains(lAssistant.Fake.Requests[0].Headers, u"Authorization: Bearer sk-test\r\n"));
  EXPECT_EQ(lAssistant.Fake.Requests[0].URL, u"http://fake.invalid/v1/threads");
  EXPECT_TRUE(
      Contains(lAssistant.Fake.Requests[1].Headers, u"Authorization: Bearer sk-second\r\n"));
  EXPECT_EQ(lAssistant.Fake.Requests[1].URL, u"http://other.invalid/v1/threads");
  // A fresh, empty thread request.
  EXPECT_EQ(lAssistant.Fake.Requests[1].Body, u"{}");
  EXPECT_EQ(lAssistant.Thread()->Id(), u"thread_2");
}

TEST(TozkAI_OpenAI_Assistant, CreateAssistantSendsTheOptionsEscapedWithTheEnabledTools) {
  TFakeAssistant lAssistant;
  TozkAI_OpenAI_Assistant_Options& lOptions = lAssistant.AssistantOptions();
  lOptions.SetName(u"Math \"Tutor\"");
  lOptions.SetModel(u"gpt\\4");
  lOptions.Instructions().SetText(u"Be brief.\r\nUse code.");
  lOptions.SetTemperature(2);
  lOptions.SetTopP(0);
  lOptions.Tools().FileSearch().SetEnabled(true);
  lOptions.Tools().CodeInterpreter().SetEnabled(true);
  lAssistant.Fake.Reply(u"{\"id\":\"asst_9\",\"object\":\"assistant\"}");
  TozkOpenAIClass_Assistant* lResult = lAssistant.CreateAssistant();
  ASSERT_NE(lResult, nullptr);
  EXPECT_EQ(lResult, lAssistant.Assistant());
  EXPECT_EQ(lResult->Id(), u"asst_9");

  ASSERT_EQ(lAssistant.Fake.Requests.size(), 1u);
  const ozktest::TFakeExchange& lSent = lAssistant.Fake.Requests[0];
  EXPECT_EQ(lSent.Method, u"POST");
  EXPECT_EQ(lSent.URL, u"http://fake.invalid/v1/assistants");
  EXPECT_EQ(lSent.Body, u"{\"name\":\"Math \\\"Tutor\\\"\",\"model\":\"gpt\\\\4\","
                        u"\"instructions\":\"Be brief.\\r\\nUse code.\\r\\n\","
                        u"\"tools\":[{\"type\":\"code_interpreter\"},{\"type\":\"file_search\"}],"
                        u"\"temperature\":2,\"top_p\":0}");
}

// A leading bracket would make the writer embed the name as JSON: the body must stay valid.
TEST(TozkAI_OpenAI_Assistant, NamesBeginningWithABracketStayStrings) {
  TFakeAssistant lAssistant;
  lAssistant.AssistantOptions().SetName(u"[draft] Tutor");
  lAssistant.AssistantOptions().SetModel(u"{m}");
  lAssistant.Fake.Reply(u"{\"id\":\"asst_1\"}");
  lAssistant.CreateAssistant();
  EXPECT_EQ(lAssistant.Fake.Requests.at(0).Body,
            u"{\"name\":\"\\u005B"
            u"draft] Tutor\",\"model\":\"\\u007Bm}\",\"temperature\":1,"
            u"\"top_p\":1}");
}

TEST(TozkAI_OpenAI_Assistant, CreateAssistantWithoutToolsSendsNoToolList) {
  TFakeAssistant lAssistant;
  lAssistant.AssistantOptions().SetModel(u"m");
  lAssistant.Fake.Reply(u"{\"id\":\"asst_1\"}");
  lAssistant.CreateAssistant();
  EXPECT_FALSE(Contains(lAssistant.Fake.Requests.at(0).Body, u"tools"));
}

TEST(TozkAI_OpenAI_Assistant, AFailedCallKeepsTheCurrentAssistantAndThread) {
  TFakeAssistant lAssistant;
  lAssistant.Fake.Reply(u"{\"id\":\"asst_1\"}");
  lAssistant.Fake.Reply(u"{\"id\":\"thread_1\"}");
  TozkOpenAIClass_Assistant* lOldAssistant = lAssistant.CreateAssistant();
  TozkOpenAIClass_Thread* lOldThread = lAssistant.CreateThread();

  const std::u16string lError = u"{\"error\":{\"message\":\"No assistant found\"}}";
  lAssistant.Fake.ReplyStatus(404, lError);
  lAssistant.Fake.ReplyStatus(500, lError);
  lAssistant.Fake.ReplyStatus(404, lError);
  lAssistant.Fake.ReplyStatus(404, lError);
  EXPECT_THROW(lAssistant.GetAssistant(u"asst_gone"), EIdHTTPProtocolException);
  EXPECT_THROW(lAssistant.CreateAssistant(), EIdHTTPProtocolException);
  EXPECT_THROW(lAssistant.GetThread(u"thread_gone"), EIdHTTPProtocolException);
  EXPECT_THROW(lAssistant.CreateThread(), EIdHTTPProtocolException);

  EXPECT_EQ(lAssistant.Assistant(), lOldAssistant);
  EXPECT_EQ(lAssistant.Assistant()->Id(), u"asst_1");
  EXPECT_EQ(lAssistant.Thread(), lOldThread);
  EXPECT_EQ(lAssistant.Thread()->Id(), u"thread_1");
}

TEST(TozkAI_OpenAI_Assistant, OperationsThatNeedAnAssistantRaiseAndSendNothingWithoutOne) {
  TFakeAssistant lAssistant;
  const std::u16string lFile = u"/nonexistent/never-read.txt";
  EXPECT_THROW(lAssistant.CreateRun(u"thread_1"), EozkAI_OpenAI_Assistant);
  EXPECT_THROW(lAssistant.CreateRunAndWait(u"thread_1", 10000), EozkAI_OpenAI_Assistant);
  EXPECT_EQ(MessageOf<EozkAI_OpenAI_Assistant>(
                [&] { lAssistant.UploadVectorStoreFile(u"store", lFile); }),
            u"UploadVectorStoreFile needs a current assistant: create or fetch an assistant "
            u"first");
  EXPECT_TRUE(lAssistant.Fake.Requests.empty());
}

TEST(TozkAI_OpenAI_Assistant, CreateMessageTextEscapesTheTextAndCreateRunNamesTheAssistant) {
  TFakeAssistant lAssistant;
  GiveAssistant(lAssistant);
  lAssistant.Fake.Reply(u"{\"id\":\"msg_1\"}");
  lAssistant.Fake.Reply(RunJSON(u"queued"));
  auto lMessage = lAssistant.CreateMessageText(u"thread_1", u"{x} \"y\"\r\n", u"user");
  auto lRun = lAssistant.CreateRun(u"thread_1");
  ASSERT_EQ(lAssistant.Fake.Requests.size(), 2u);
  EXPECT_EQ(lAssistant.Fake.Requests[0].URL, u"http://fake.invalid/v1/threads/thread_1/messages");
  EXPECT_EQ(lAssistant.Fake.Requests[0].Body,
            u"{\"role\":\"user\",\"content\":\"{x} \\\"y\\\"\\r\\n\"}");
  EXPECT_EQ(lAssistant.Fake.Requests[1].URL, u"http://fake.invalid/v1/threads/thread_1/runs");
  EXPECT_TRUE(Contains(lAssistant.Fake.Requests[1].Body, u"\"assistant_id\":\"asst_1\""));
  EXPECT_EQ(lMessage->Id(), u"msg_1");
  EXPECT_EQ(lRun->Status(), u"queued");
}

// The wait polls while the run is queued or in progress; every other status, an empty one
// included, ends it. The time-out is tested only after a poll.
TEST(TozkAI_OpenAI_Assistant, CreateRunAndWaitPollsByTheRules) {
  struct Case {
    const char* Name;
    std::u16string Created; // the body of the run creation's answer
    std::vector<std::u16string> Polls;
    int32_t Timeout;
    std::u16string Final;
  };
  const std::vector<Case> lCases = {
      {"time-out 0, queued: exactly one poll",
       RunJSON(u"queued"),
       {RunJSON(u"queued")},
       0,
       u"queued"},
      {"time-out 0, already done: no poll", RunJSON(u"completed"), {}, 0, u"completed"},
      {"negative time-out waits for the change",
       RunJSON(u"in_progress"),
       {RunJSON(u"queued"), RunJSON(u"in_progress"), RunJSON(u"in_progress"),
        RunJSON(u"completed")},
       -1,
       u"completed"},
      {"empty status at creation ends the wait", u"{}", {}, -1, u""},
      {"empty status from a poll ends the wait", RunJSON(u"queued"), {u"{}"}, -1, u""},
      {"requires_action ends the wait",
       RunJSON(u"queued"),
       {RunJSON(u"requires_action")},
       -1,
       u"requires_action"},
      {"case matters: Queued is not queued", RunJSON(u"Queued"), {}, -1, u"Queued"},
  };
  for (const Case& c : lCases) {
    SCOPED_TRACE(c.Name);
    TFakeAssistant lAssistant;
    GiveAssistant(lAssistant);
    lAssistant.Fake.Reply(c.Created);
    for (const std::u16string& lPoll : c.Polls) lAssistant.Fake.Reply(lPoll);
    std::unique_ptr<TozkOpenAIClass_Run> lRun = lAssistant.CreateRunAndWait(u"thread_1", c.Timeout);
    ASSERT_NE(lRun, nullptr);
    EXPECT_EQ(lRun->Status(), c.Final);
    ASSERT_EQ(lAssistant.Fake.Requests.size(), 1 + c.Polls.size());
    for (size_t i = 1; i < lAssistant.Fake.Requests.size(); ++i) {
      EXPECT_EQ(lAssistant.Fake.Requests[i].Method, u"GET");
      EXPECT_EQ(lAssistant.Fake.Requests[i].URL,
                u"http://fake.invalid/v1/threads/thread_1/runs/run_1");
    }
    EXPECT_TRUE(lAssistant.Fake.Replies.empty());
  }
}

TEST(TozkAI_OpenAI_Assistant, CreateRunAndWaitPausesBetweenPollsGrowingToASecond) {
  TFakeAssistant lAssistant;
  GiveAssistant(lAssistant);
  lAssistant.Fake.Reply(RunJSON(u"queued"));
  for (int i = 0; i < 8; ++i) lAssistant.Fake.Reply(RunJSON(u"in_progress"));
  lAssistant.Fake.Reply(RunJSON(u"completed"));
  auto lRun = lAssistant.CreateRunAndWait(u"thread_1", -1);
  EXPECT_EQ(lRun->Status(), u"completed");
  EXPECT_EQ(lAssistant.Pauses,
            (std::vector<uint32_t>{50, 100, 200, 400, 800, 1000, 1000, 1000, 1000}));
}

TEST(TozkAI_OpenAI_Assistant, CreateRunAndWaitWithTimeoutZeroDoesNotPause) {
  TFakeAssistant lAssistant;
  GiveAssistant(lAssistant);
  lAssistant.Fake.Reply(RunJSON(u"queued"));
  lAssistant.Fake.Reply(RunJSON(u"queued"));
  lAssistant.CreateRunAndWait(u"thread_1", 0);
  EXPECT_TRUE(lAssistant.Pauses.empty());
}

TEST(TozkAI_OpenAI_Assistant, RunProblemTellsWhyNoAnswerCame) {
  struct Case {
    std::u16string Body;
    std::u16string Problem;
  };
  const std::vector<Case> lCases = {
      {RunJSON(u"completed"), u""},
      {u"{\"status\":\"failed\",\"last_error\":{\"code\":\"rate_limit_exceeded\","
       u"\"message\":\"Rate limit reached\"}}",
       u"failed: Rate limit reached"},
      {u"{\"status\":\"expired\",\"last_error\":null}", u"expired"},
      {RunJSON(u"in_progress"), u"in_progress"},
      {RunJSON(u"cancelled"), u"cancelled"},
      {u"{}", u"(no status)"},
  };
  for (const Case& c : lCases) {
    TozkOpenAIClass_Run lRun(c.Body);
    EXPECT_EQ(TozkAI_OpenAI_Assistant::RunProblem(lRun), c.Problem) << UTF16ToUTF8(c.Body);
  }
}

TEST(TozkAI_OpenAI_Assistant, GetMessagesHandsTheRunIdToTheClientLast) {
  TFakeAssistant lAssistant;
  lAssistant.Fake.Reply(u"{\"data\":[{\"id\":\"msg_2\"},{\"id\":\"msg_1\"}]}");
  auto lList = lAssistant.GetMessages(u"thread_1", u"run_1", 20, u"desc", u"", u"");
  ASSERT_EQ(lList->Messages().size(), 2u);
  EXPECT_EQ(lList->Messages()[0]->Id(), u"msg_2");
  EXPECT_EQ(lAssistant.Fake.Requests.at(0).URL,
            u"http://fake.invalid/v1/threads/thread_1/messages?run_id=run_1");
}

namespace {

const std::u16string cTwoStoresOfOneName =
    u"{\"object\":\"list\",\"data\":[{\"id\":\"vs_other\",\"name\":\"docs2\"},"
    u"{\"id\":\"vs_new\",\"name\":\"docs\"},{\"id\":\"vs_old\",\"name\":\"docs\"}]}";

// A small file to upload, removed with the object.
struct TTempFile {
  std::filesystem::path Path;
  TTempFile() {
    Path = std::filesystem::temp_directory_path() /
           ("ozk_ai_upload_" + std::to_string(::getpid()) + ".txt");
    std::ofstream(Path) << "manual text\n";
  }
  ~TTempFile() { std::filesystem::remove(Path); }
  std::u16string Name() const { return UTF8ToUTF16(Path.string()); }
};

} // namespace

TEST(TozkAI_OpenAI_Assistant, UploadAttachesTheFileAndSendsOnlyTheToolResources) {
  TTempFile lFile;
  TFakeAssistant lAssistant;
  GiveAssistant(lAssistant);
  lAssistant.Fake.Reply(cTwoStoresOfOneName);
  lAssistant.Fake.Reply(u"{\"id\":\"file_1\",\"object\":\"file\"}");
  lAssistant.Fake.Reply(u"{\"id\":\"file_1\",\"object\":\"vector_store.file\"}");
  lAssistant.Fake.Reply(u"{\"id\":\"asst_1\",\"temperature\":1,\"top_p\":1}");
  TozkOpenAIClass_Assistant* lBefore = lAssistant.Assistant();
  EXPECT_TRUE(lAssistant.UploadVectorStoreFile(u"docs", lFile.Name()));

  const auto& lSent = lAssistant.Fake.Requests;
  ASSERT_EQ(lSent.size(), 4u);
  EXPECT_EQ(lSent[1].URL, u"http://fake.invalid/v1/files");
  EXPECT_TRUE(lSent[1].Multipart);
  EXPECT_EQ(lSent[2].URL, u"http://fake.invalid/v1/vector_stores/vs_new/files");
  EXPECT_TRUE(Contains(lSent[2].Body, u"\"file_id\":\"file_1\""));
  EXPECT_EQ(lSent[3].URL, u"http://fake.invalid/v1/assistants/asst_1");
  EXPECT_EQ(lSent[3].Body,
            u"{\"tool_resources\":{\"file_search\":{\"vector_store_ids\":[\"vs_new\"]}}}");
  // The modified assistant that came back is not kept.
  EXPECT_EQ(lAssistant.Assistant(), lBefore);
}
