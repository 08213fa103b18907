// The Responses and Chat Completions workflows end to end against the bundled local service:
// the math preset's answer, an upload and a help-desk question that quotes the file, a streamed
// answer in several pieces, a stream cut off, the previous-response chain with conversations
// switched off, and a three-turn chat whose requests carry the whole history.
#include "ai/ozkAI.h"

#include <gtest/gtest.h>

#include "ozkAITestFakeClient.h"
#include "ozkAITestService.h"
#include "support/ozkTestUtil.h"

namespace {

using ozktest::Contains;
using ozktest::CountOf;
using ozktest::PointAt;
using ozktest::TServiceControl;

const std::u16string cMathQuestion =
    u"I need to solve the equation `3x + 11 = 14`. Can you help me?";

// A component on aAPI with the window's math preset, pointed at the service.
struct TServiceAssistant : TozkAIOpenAIAssistant {
  TServiceAssistant(const ozktest::TTestService& aService, TozkAI_OpenAI_API aAPI) {
    PointAt(OpenAIOptions(), aService);
    SetAPI(aAPI);
    AssistantOptions().SetName(u"Math Tutor");
    AssistantOptions().SetModel(u"gpt-4o-mini");
    AssistantOptions().Instructions().SetText(
        u"You are a personal math tutor. Answer questions briefly, in a sentence or less.");
    AssistantOptions().Tools().CodeInterpreter().SetEnabled(aAPI == oaapiResponses);
  }

  // The window's Send: message, run, the run's messages; the answer's text (escapes kept).
  std::u16string Send(const std::u16string& aText,
                      std::unique_ptr<TozkOpenAIClass_Run>* aRun = nullptr) {
    const std::u16string lThreadId = Thread()->Id();
    CreateMessageText(lThreadId, aText, u"user");
    std::unique_ptr<TozkOpenAIClass_Run> lRun = CreateRunAndWait(lThreadId, 10000);
    EXPECT_EQ(RunProblem(*lRun), u"");
    auto lList = GetMessages(lThreadId, lRun->Id(), 20, u"desc", u"", u"");
    EXPECT_EQ(lList->Messages().size(), 1u);
    std::u16string lText = lList->Messages().empty() ? u"" : lList->Messages()[0]->ContentText();
    if (aRun) *aRun = std::move(lRun);
    return lText;
  }
};

ozktest::TTestServiceOptions WithoutConversations() {
  ozktest::TTestServiceOptions lOptions;
  lOptions.ExtraArgs = {"--no-conversations"};
  return lOptions;
}

} // namespace

TEST(TozkAI_OpenAI_Assistant_ResponsesService, TheMathPresetIsAnsweredInAConversation) {
  ozktest::TTestService lService;
  TServiceControl lControl(lService);
  TServiceAssistant lAssistant(lService, oaapiResponses);
  lAssistant.CreateAssistant();
  ASSERT_NE(lAssistant.CreateThread(), nullptr);
  EXPECT_TRUE(Contains(lAssistant.Thread()->Id(), u"conv"))
      << UTF16ToUTF8(lAssistant.Thread()->Id());

  const std::u16string lAnswer = lAssistant.Send(cMathQuestion);
  EXPECT_TRUE(Contains(lAnswer, u"Solution: x = 1")) << UTF16ToUTF8(lAnswer);
  // The second turn is answered in the same conversation.
  EXPECT_TRUE(Contains(lAssistant.Send(u"And 2y = 10?"), u"Solution: y = 5"));

  const std::u16string lLog = lControl.Requests();
  EXPECT_EQ(CountOf(lLog, u"/assistants"), 0u);
  EXPECT_EQ(CountOf(lLog, u"\"method\":\"POST\",\"path\":\"/v1/conversations\""), 1u);
  EXPECT_EQ(CountOf(lLog, u"\"method\":\"POST\",\"path\":\"/v1/responses\""), 2u);
  EXPECT_EQ(CountOf(lLog, u"/items\""), 2u) << UTF16ToUTF8(lLog);
}

TEST(TozkAI_OpenAI_Assistant_ResponsesService, AnUploadedFileIsQuotedWithItsCitation) {
  ozktest::TTestService lService;
  TServiceAssistant lAssistant(lService, oaapiResponses);
  lAssistant.AssistantOptions().SetName(u"HelpDesk");
  lAssistant.AssistantOptions().Tools().FileSearch().SetEnabled(true);
  lAssistant.CreateAssistant();
  lAssistant.CreateThread();
  ozktest::TTempFile lFile("The support desk is open from nine to five on weekdays.\n"
                           "Parking is behind the building.\n");
  ASSERT_TRUE(lAssistant.UploadVectorStoreFile(u"help-desk", lFile.Name()));
  auto lFiles = lAssistant.GetVectorStoreFiles(u"help-desk");
  ASSERT_TRUE(lFiles);
  ASSERT_EQ(lFiles->VectorStoreFiles().size(), 1u);
  const std::u16string lFileId = lFiles->VectorStoreFiles()[0]->Id();

  lAssistant.CreateThread();
  const std::u16string lThreadId = lAssistant.Thread()->Id();
  lAssistant.CreateMessageText(lThreadId, u"When is the support desk open?", u"user");
  auto lRun = lAssistant.CreateRunAndWait(lThreadId, 10000);
  auto lList = lAssistant.GetMessages(lThreadId, lRun->Id(), 20, u"desc", u"", u"");
  ASSERT_EQ(lList->Messages().size(), 1u);
  TozkOpenAIClass_Message& lAnswer = *lList->Messages()[0];
  EXPECT_TRUE(Contains(lAnswer.ContentText(), u"open from nine to five"))
      << UTF16ToUTF8(lAnswer.ContentText());
  auto* lText = dynamic_cast<TozkOpenAIClass_MessageContent_Text*>(lAnswer.Content().at(0).get());
  ASSERT_NE(lText, nullptr);
  ASSERT_EQ(lText->Annotations().size(), 1u);
  auto* lCitation =
      dynamic_cast<TozkOpenAIClass_Annotation_FileCitation*>(lText->Annotations()[0].get());
  ASSERT_NE(lCitation, nullptr);
  EXPECT_EQ(lCitation->FileId(), lFileId);
}

TEST(TozkAI_OpenAI_Assistant_ResponsesService, AStreamedAnswerArrivesInSeveralPieces) {
  ozktest::TTestService lService;
  TServiceAssistant lAssistant(lService, oaapiResponses);
  std::vector<std::u16string> lPieces;
  lAssistant.OnTextDelta = [&](const std::u16string& aDelta) { lPieces.push_back(aDelta); };
  lAssistant.CreateAssistant();
  lAssistant.CreateThread();
  const std::u16string lAnswer = lAssistant.Send(cMathQuestion);

  EXPECT_GT(lPieces.size(), 1u);
  std::u16string lJoined;
  for (const std::u16string& lPiece : lPieces) lJoined += lPiece;
  // The pieces are decoded text; the kept answer keeps its escapes.
  EXPECT_EQ(ReplaceAll(lJoined, u"\n", u"\\n"), lAnswer);
  EXPECT_TRUE(Contains(lAnswer, u"Solution: x = 1"));
}

TEST(TozkAI_OpenAI_Assistant_ResponsesService, AStreamCutOffEndsInAnErrorAfterItsPieces) {
  ozktest::TTestService lService;
  TServiceControl lControl(lService);
  TServiceAssistant lAssistant(lService, oaapiResponses);
  std::u16string lShown;
  lAssistant.OnTextDelta = [&](const std::u16string& aDelta) { lShown += aDelta; };
  lAssistant.CreateAssistant();
  lAssistant.CreateThread();
  const std::u16string lThreadId = lAssistant.Thread()->Id();

  // Created, in progress, item added, part added, then the first pieces.
  lControl.CutStream(6);
  lAssistant.CreateMessageText(lThreadId, cMathQuestion, u"user");
  EXPECT_THROW(lAssistant.CreateRunAndWait(lThreadId, 10000), EIdSSEError);
  EXPECT_FALSE(lShown.empty());
  EXPECT_FALSE(Contains(lShown, u"Solution"));
  auto lAll = lAssistant.GetMessages(lThreadId, u"", 20, u"desc", u"", u"");
  for (const auto& lMessage : lAll->Messages()) EXPECT_EQ(lMessage->Role(), u"user");

  // The next Send is whole again.
  lShown.clear();
  EXPECT_TRUE(Contains(lAssistant.Send(u"Solve 2y = 10"), u"Solution: y = 5"));
  EXPECT_TRUE(Contains(lShown, u"Solution: y = 5"));
}

TEST(TozkAI_OpenAI_Assistant_ResponsesService, WithoutConversationsTheThreadIsAResponseChain) {
  ozktest::TTestService lService(WithoutConversations());
  TServiceControl lControl(lService);
  TServiceAssistant lAssistant(lService, oaapiResponses);
  lAssistant.CreateAssistant();
  ASSERT_NE(lAssistant.CreateThread(), nullptr);

  std::unique_ptr<TozkOpenAIClass_Run> lFirst, lSecond;
  EXPECT_TRUE(Contains(lAssistant.Send(cMathQuestion, &lFirst), u"Solution: x = 1"));
  EXPECT_TRUE(Contains(lAssistant.Send(u"And 2y = 10?", &lSecond), u"Solution: y = 5"));

  // The service holds the chain: the second response follows the first.
  TozkHTTP_API_OpenAI lClient;
  PointAt(lClient.OpenAIOptions(), lService);
  std::unique_ptr<TozkOpenAIClass_Response> lStored = lClient.RetrieveResponse(lSecond->Id());
  EXPECT_EQ(lStored->PreviousResponseId(), lFirst->Id());
  std::unique_ptr<TozkOpenAIClass_Response_List_Items> lInput =
      lClient.ListResponseInputItems(lSecond->Id(), 20, u"asc");
  ASSERT_EQ(lInput->Items().size(), 1u);

  const std::u16string lLog = lControl.Requests();
  EXPECT_EQ(CountOf(lLog, u"\"path\":\"/v1/conversations\""), 1u);
  EXPECT_EQ(CountOf(lLog, u"\"method\":\"POST\",\"path\":\"/v1/responses\""), 2u);
}

TEST(TozkAI_OpenAI_Assistant_ResponsesService, AThreeTurnChatSendsTheWholeHistoryEachTime) {
  ozktest::TTestService lService;
  TServiceControl lControl(lService);
  TServiceAssistant lAssistant(lService, oaapiChatCompletions);
  lAssistant.CreateAssistant();
  lAssistant.CreateThread();
  lControl.ClearRequests();

  EXPECT_TRUE(Contains(lAssistant.Send(cMathQuestion), u"Solution: x = 1"));
  EXPECT_TRUE(Contains(lAssistant.Send(u"And 2y = 10?"), u"Solution: y = 5"));
  EXPECT_TRUE(Contains(lAssistant.Send(u"Thanks!"), u"received your message: \\\"Thanks!\\\""));

  // Only chat completions went out, each one larger by the turn before it.
  const std::u16string lLog = lControl.Requests();
  EXPECT_EQ(CountOf(lLog, u"\"method\":\"POST\",\"path\":\"/v1/chat/completions\""), 3u);
  EXPECT_EQ(CountOf(lLog, u"\"method\""), 3u) << UTF16ToUTF8(lLog);
  std::vector<int> lSizes;
  for (size_t i = lLog.find(u"\"body_size\":"); i != std::u16string::npos;
       i = lLog.find(u"\"body_size\":", i + 1))
    lSizes.push_back(std::stoi(UTF16ToUTF8(lLog.substr(i + 12, 8))));
  ASSERT_EQ(lSizes.size(), 3u);
  EXPECT_LT(lSizes[0], lSizes[1]);
  EXPECT_LT(lSizes[1], lSizes[2]);
  // The third request carries the earlier questions and both answers, not just its own text.
  EXPECT_GT(lSizes[2] - lSizes[0],
            static_cast<int>(UTF16ToUTF8(u"And 2y = 10?Thanks!").size()) + 100);
}
