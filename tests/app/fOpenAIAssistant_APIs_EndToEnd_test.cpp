// End to end over TLS with the window's other API choices: controller, assistant component, REST
// client, HTTP and TLS against the bundled service. Responses: the math preset's streamed answer
// growing one log entry, an upload and a help-desk question quoting the file, a stream cut off
// by the service, the previous-response chain where the service has no conversations. Chat
// Completions: three turns whose requests carry the whole history.
#include "app/fOpenAIAssistant.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ai/ozkAITestService.h"
#include "app/ozkAppTestUtil.h"
#include "app/ozkFakeAssistantView.h"

namespace {

using ozktest::Contains;
using ozktest::CountOf;

const std::u16string MathQuestion =
    u"I need to solve the equation `3x + 11 = 14`. Can you help me?\r\n";

class APIEndToEnd : public ::testing::Test {
 protected:
  // The service over TLS (with aServiceArgs), and the window started on the API of index aAPI
  // with the "ASSISTANT" lines aAssistant.
  void Start(int aAPI, std::vector<std::string> aServiceArgs = {},
             const std::string& aAssistant = "") {
    FService = std::make_unique<ozktest::TTLSTestService>(std::move(aServiceArgs));
    FControl = std::make_unique<ozktest::TServiceControl>(FService->Service());
    FFolder.WriteSettings(FService->BaseURL(), aAssistant, "API=" + std::to_string(aAPI) + "\n");
    FController = FFolder.Controller(FView);
    FController->FormCreate();
    ASSERT_EQ(FView.Errors, std::vector<std::u16string>{});
    ASSERT_NE(FController->CurrentThread(), nullptr);
  }
  // The window's Send of aText; the log's entries that it added.
  std::vector<std::u16string> Send(const std::u16string& aText) {
    FView.Memos[amMessage].SetText(aText);
    const size_t before = FView.Log.size();
    FController->RunEvent(&TFRMOpenAIAssistant::btnSendMessageClick);
    return std::vector<std::u16string>(FView.Log.begin() + static_cast<std::ptrdiff_t>(before),
                                       FView.Log.end());
  }
  // The JSON bodies of the requests in the controller's traffic log, in order.
  std::vector<std::u16string> RequestBodies() const {
    std::vector<std::u16string> bodies;
    std::istringstream lines(TrafficLog());
    for (std::string line; std::getline(lines, line);) {
      const size_t at = line.find(": {");
      if (line.rfind("Sent ", 0) == 0 && at != std::string::npos)
        bodies.push_back(UTF8ToUTF16(line.substr(at + 2)));
    }
    return bodies;
  }
  // The traffic log of the controller's client (requests with their bodies).
  std::string TrafficLog() const {
    std::ifstream f(FFolder.Path() + "/openai.txt", std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }

  ozktest::TAppTestFolder FFolder;
  std::unique_ptr<ozktest::TTLSTestService> FService;
  std::unique_ptr<ozktest::TServiceControl> FControl;
  TFakeAssistantView FView;
  std::unique_ptr<TFRMOpenAIAssistant> FController;
};

TEST_F(APIEndToEnd, ResponsesMathPresetStreamsIntoOneGrowingLogEntry) {
  Start(1);
  EXPECT_EQ(FController->Assistant().API(), oaapiResponses);
  EXPECT_TRUE(Contains(FController->CurrentThread()->Id(), u"conv"));
  EXPECT_EQ(FView.Tab, atLog);

  const auto added = Send(MathQuestion);
  ASSERT_EQ(FView.Errors, std::vector<std::u16string>{});
  ASSERT_EQ(added.size(), 2u) << UTF16ToUTF8(FView.LogText());
  EXPECT_EQ(added[0], u"[user]: " + MathQuestion);
  EXPECT_EQ(added[1].rfind(u"[assistant]: ", 0), 0u);
  EXPECT_TRUE(Contains(added[1], u"\r\nSolution: x = 1")) << UTF16ToUTF8(added[1]);
  EXPECT_TRUE(added[1].ends_with(u"\r\n"));
  EXPECT_FALSE(Contains(added[1], u"\\n")); // streamed pieces are decoded text
  EXPECT_FALSE(FView.LogEntryOpen);
  EXPECT_EQ(FView.Memos[amMessage].Count(), 0);

  // The answer arrived in several pieces: the log grew at each repaint, each time from what it
  // showed before, with the busy cursor on until the answer was complete.
  ASSERT_GT(FView.PaintedLogs.size(), 1u);
  for (size_t i = 1; i < FView.PaintedLogs.size(); ++i) {
    EXPECT_GT(FView.PaintedLogs[i].size(), FView.PaintedLogs[i - 1].size());
    EXPECT_EQ(FView.PaintedLogs[i].rfind(FView.PaintedLogs[i - 1], 0), 0u);
  }
  EXPECT_EQ(FView.LogText().rfind(FView.PaintedLogs.back(), 0), 0u);
  EXPECT_FALSE(Contains(FView.PaintedLogs.front(), u"Solution"));
  EXPECT_EQ(std::count(FView.PaintedBusy.begin(), FView.PaintedBusy.end(), true),
            static_cast<std::ptrdiff_t>(FView.PaintedBusy.size()));
  EXPECT_EQ(FView.BusyShown, 1);
  EXPECT_EQ(FView.BusyDepth, 0);

  // Only the Responses and Conversations APIs were asked.
  const std::u16string requests = FControl->Requests();
  EXPECT_EQ(CountOf(requests, u"/assistants"), 0u);
  EXPECT_EQ(CountOf(requests, u"/threads"), 0u);
  EXPECT_EQ(CountOf(requests, u"\"method\":\"POST\",\"path\":\"/v1/conversations\""), 1u);
  EXPECT_EQ(CountOf(requests, u"\"method\":\"POST\",\"path\":\"/v1/responses\""), 1u)
      << UTF16ToUTF8(requests);
  EXPECT_NE(TrafficLog().find("\"stream\":true"), std::string::npos);
}

TEST_F(APIEndToEnd, ResponsesUploadThenHelpDeskQuestionQuotesTheFile) {
  Start(1, {}, "TYPE=1\n");
  EXPECT_TRUE(FView.FileSearch);
  FView.FileToChoose = FFolder.WriteFile(
      "manual.txt", "Installing: run the setup program and choose a folder.\n"
                    "TozkWebSocketClient connects with Connect and sends text with Send.\n"
                    "Licences are per developer.\n");
  const std::u16string firstThread = FController->CurrentThread()->Id();
  FController->RunEvent(&TFRMOpenAIAssistant::btnVectorStoreUploadFileClick);
  ASSERT_EQ(FView.Errors, std::vector<std::u16string>{});
  ASSERT_EQ(FView.Files.size(), 1u);
  EXPECT_EQ(FView.Files[0].rfind(u"file-", 0), 0u);
  EXPECT_NE(FController->CurrentThread()->Id(), firstThread); // a new conversation

  const auto added = Send(u"How does the WebSocket client connect?");
  ASSERT_EQ(FView.Errors, std::vector<std::u16string>{});
  ASSERT_EQ(added.size(), 2u) << UTF16ToUTF8(FView.LogText());
  EXPECT_TRUE(Contains(added[1], u"TozkWebSocketClient connects with Connect"))
      << UTF16ToUTF8(added[1]);
  // The response searched the store that the upload made.
  const std::string traffic = TrafficLog();
  EXPECT_NE(traffic.find("\"type\":\"file_search\",\"vector_store_ids\":[\"vs_"),
            std::string::npos);
}

TEST_F(APIEndToEnd, ResponsesStreamCutOffShowsTheErrorAndKeepsWhatArrived) {
  Start(1);
  // Created, in progress, item added, part added, then the first pieces.
  FControl->CutStream(6);
  const auto added = Send(MathQuestion);
  ASSERT_EQ(FView.Errors.size(), 1u);
  EXPECT_FALSE(FView.Errors[0].empty());
  ASSERT_EQ(added.size(), 2u) << UTF16ToUTF8(FView.LogText());
  EXPECT_EQ(added[0], u"[user]: " + MathQuestion);
  // What arrived stays, as an entry of its own that is ended.
  EXPECT_EQ(added[1].rfind(u"[assistant]: ", 0), 0u);
  EXPECT_GT(added[1].size(), std::u16string(u"[assistant]: \r\n").size());
  EXPECT_FALSE(Contains(added[1], u"Solution"));
  EXPECT_FALSE(FView.LogEntryOpen);
  EXPECT_EQ(FView.Memos[amMessage].Text(), MathQuestion); // the user's text is kept to retry
  EXPECT_EQ(FView.BusyDepth, 0);

  // The window stays usable: the next Send is answered whole.
  const auto again = Send(u"Solve 2y = 10");
  EXPECT_EQ(FView.Errors.size(), 1u);
  ASSERT_EQ(again.size(), 2u) << UTF16ToUTF8(FView.LogText());
  EXPECT_TRUE(Contains(again[1], u"Solution: y = 5")) << UTF16ToUTF8(again[1]);
}

TEST_F(APIEndToEnd, ResponsesWithoutConversationsChainTheSameThread) {
  Start(1, {"--no-conversations"});
  const std::u16string threadId = FController->CurrentThread()->Id();
  EXPECT_FALSE(Contains(threadId, u"conv_"));

  auto first = Send(MathQuestion);
  ASSERT_EQ(first.size(), 2u) << UTF16ToUTF8(FView.LogText());
  EXPECT_TRUE(Contains(first[1], u"Solution: x = 1"));
  auto second = Send(u"And 2y = 10?");
  ASSERT_EQ(FView.Errors, std::vector<std::u16string>{});
  ASSERT_EQ(second.size(), 2u) << UTF16ToUTF8(FView.LogText());
  EXPECT_TRUE(Contains(second[1], u"Solution: y = 5"));
  EXPECT_EQ(FController->CurrentThread()->Id(), threadId);

  // The service holds the chain: the second answer's response follows the first one's.
  auto messages = FController->Assistant().GetMessages(threadId, u"", 20, u"asc", u"", u"");
  std::vector<std::u16string> runs;
  for (const auto& m : messages->Messages())
    if (m->Role() == u"assistant") runs.push_back(m->RunId());
  ASSERT_EQ(runs.size(), 2u);
  TozkHTTP_API_OpenAI client;
  ozktest::PointAt(client.OpenAIOptions(), FService->Service());
  EXPECT_EQ(client.RetrieveResponse(runs[1])->PreviousResponseId(), runs[0]);

  const std::u16string requests = FControl->Requests();
  EXPECT_EQ(CountOf(requests, u"\"path\":\"/v1/conversations\""), 1u); // the 404
  EXPECT_EQ(CountOf(requests, u"\"method\":\"POST\",\"path\":\"/v1/responses\""), 2u);
}

TEST_F(APIEndToEnd, ChatCompletionsThreeTurnsSendTheWholeHistory) {
  Start(2);
  // The math preset ticks the code interpreter, which Chat Completions does not offer.
  EXPECT_EQ(FView.Log.front(), u"#not offered by Chat Completions, left out: Code interpreter");
  const std::vector<std::pair<std::u16string, std::u16string>> turns = {
      {MathQuestion, u"Solution: x = 1"},
      {u"And 2y = 10?", u"Solution: y = 5"},
      {u"Thanks for the help", u"Thanks for the help"}};
  for (const auto& [question, answer] : turns) {
    const auto added = Send(question);
    ASSERT_EQ(added.size(), 2u) << UTF16ToUTF8(FView.LogText());
    EXPECT_TRUE(Contains(added[1], answer)) << UTF16ToUTF8(added[1]);
  }
  ASSERT_EQ(FView.Errors, std::vector<std::u16string>{});
  EXPECT_TRUE(FView.PaintedLogs.empty()); // not streamed

  const std::u16string requests = FControl->Requests();
  EXPECT_EQ(CountOf(requests, u"\"method\":\"POST\",\"path\":\"/v1/chat/completions\""), 3u);
  EXPECT_EQ(CountOf(requests, u"\"method\""), 3u) << UTF16ToUTF8(requests);
  // Each request carries the instructions as the system message and every earlier turn, both
  // sides, before its own question.
  const std::vector<std::u16string> bodies = RequestBodies();
  ASSERT_EQ(bodies.size(), 3u);
  for (size_t i = 0; i < bodies.size(); ++i) {
    SCOPED_TRACE(UTF16ToUTF8(bodies[i]));
    EXPECT_EQ(CountOf(bodies[i], u"{\"role\":\"system\",\"content\":\"You are a personal math"),
              1u);
    EXPECT_EQ(CountOf(bodies[i], u"\"role\":\"user\""), i + 1);
    EXPECT_EQ(CountOf(bodies[i], u"\"role\":\"assistant\""), i);
    EXPECT_TRUE(Contains(bodies[i], u"3x + 11 = 14`. Can you help me?"));
  }
  EXPECT_TRUE(Contains(bodies[1], u"Solution: x = 1\"},{\"role\":\"user\",\"content\":\"And 2y"));
  EXPECT_TRUE(Contains(bodies[2], u"Solution: y = 5\"},{\"role\":\"user\",\"content\":\"Thanks"));
}

} // namespace
