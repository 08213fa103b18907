// The Chat Completions workflow against a recording fake client: the whole history in every
// request after the instructions, answers and their runs, what is not offered there.
#include "ai/ozkAI_OpenAI_Audio_Assistant.h"

#include <gtest/gtest.h>

#include "ozkAITestFakeClient.h"
#include "support/ozkTestUtil.h"

using ozktest::TFakeAssistant;

namespace {

std::u16string CompletionJSON(const std::u16string& aId, const std::u16string& aContent,
                              const std::u16string& aFinish = u"stop") {
  return u"{\"id\":\"" + aId +
         u"\",\"object\":\"chat.completion\",\"created\":1700000000,"
         u"\"model\":\"local-model\",\"choices\":[{\"index\":0,\"message\":{\"role\":"
         u"\"assistant\",\"content\":\"" +
         aContent + u"\"},\"finish_reason\":\"" + aFinish + u"\"}]}";
}

void SetUpChat(TFakeAssistant& aAssistant) {
  aAssistant.SetAPI(oaapiChatCompletions);
  aAssistant.AssistantOptions().SetModel(u"local-model");
  aAssistant.AssistantOptions().Instructions().SetText(u"Be brief.");
  aAssistant.CreateAssistant();
  aAssistant.CreateThread();
}

std::unique_ptr<TozkOpenAIClass_Run> Turn(TFakeAssistant& aAssistant, const std::u16string& aText) {
  const std::u16string lThreadId = aAssistant.Thread()->Id();
  aAssistant.CreateMessageText(lThreadId, aText, u"user");
  return aAssistant.CreateRunAndWait(lThreadId, 10000);
}

} // namespace

TEST(TozkAI_OpenAI_Assistant_Chat, EveryRequestCarriesTheInstructionsAndTheWholeHistory) {
  TFakeAssistant lAssistant;
  SetUpChat(lAssistant);
  // Assistant and thread are local: nothing was sent.
  EXPECT_TRUE(lAssistant.Fake.Requests.empty());
  EXPECT_EQ(lAssistant.Assistant()->Id(), u"asst_local");

  lAssistant.Fake.Reply(CompletionJSON(u"chatcmpl-1", u"x = 3"));
  lAssistant.Fake.Reply(CompletionJSON(u"chatcmpl-2", u"Say \\\"hi\\\"\\nthen go"));
  lAssistant.Fake.Reply(CompletionJSON(u"chatcmpl-3", u"ok"));
  Turn(lAssistant, u"3x = 9");
  Turn(lAssistant, u"And \"then\"?");
  std::unique_ptr<TozkOpenAIClass_Run> lRun = Turn(lAssistant, u"[done]");

  ASSERT_EQ(lAssistant.Fake.Requests.size(), 3u);
  EXPECT_EQ(lAssistant.Fake.Requests[0].URL, u"http://fake.invalid/v1/chat/completions");
  EXPECT_EQ(lAssistant.Fake.Requests[0].Body,
            u"{\"model\":\"local-model\",\"messages\":[{\"role\":\"system\",\"content\":"
            u"\"Be brief.\\r\\n\"},{\"role\":\"user\",\"content\":\"3x = 9\"}],\"n\":1,"
            u"\"temperature\":1,\"top_p\":1}");
  // The third turn: everything said so far, the answers decoded and sent again escaped, and a
  // leading bracket kept as text.
  EXPECT_EQ(lAssistant.Fake.Requests[2].Body,
            u"{\"model\":\"local-model\",\"messages\":[{\"role\":\"system\",\"content\":"
            u"\"Be brief.\\r\\n\"},{\"role\":\"user\",\"content\":\"3x = 9\"},{\"role\":"
            u"\"assistant\",\"content\":\"x = 3\"},{\"role\":\"user\",\"content\":\"And "
            u"\\\"then\\\"?\"},{\"role\":\"assistant\",\"content\":\"Say \\\"hi\\\"\\nthen go\"},"
            u"{\"role\":\"user\",\"content\":\"\\u005B"
            u"done]\"}],\"n\":1,\"temperature\":1,\"top_p\":1}");

  EXPECT_EQ(lRun->Id(), u"chatcmpl-3");
  EXPECT_EQ(TozkAI_OpenAI_Assistant::RunProblem(*lRun), u"");
  const std::u16string lThreadId = lAssistant.Thread()->Id();
  std::unique_ptr<TozkOpenAIClass_Response_List_Messages> lAnswer =
      lAssistant.GetMessages(lThreadId, lRun->Id(), 20, u"desc", u"", u"");
  ASSERT_EQ(lAnswer->Messages().size(), 1u);
  EXPECT_EQ(lAnswer->Messages()[0]->ContentText(), u"ok");
  // Paging over the six messages, oldest first.
  std::unique_ptr<TozkOpenAIClass_Response_List_Messages> lPage =
      lAssistant.GetMessages(lThreadId, u"", 2, u"asc", u"", u"");
  ASSERT_EQ(lPage->Messages().size(), 2u);
  EXPECT_EQ(lPage->Messages()[1]->ContentText(), u"x = 3");
  std::unique_ptr<TozkOpenAIClass_Response_List_Messages> lNext =
      lAssistant.GetMessages(lThreadId, u"", 2, u"asc", lPage->Messages()[1]->Id(), u"");
  ASSERT_EQ(lNext->Messages().size(), 2u);
  EXPECT_EQ(lNext->Messages()[0]->ContentText(), u"And \\\"then\\\"?");
}

TEST(TozkAI_OpenAI_Assistant_Chat, ANewThreadStartsAnEmptyHistory) {
  TFakeAssistant lAssistant;
  SetUpChat(lAssistant);
  lAssistant.Fake.Reply(CompletionJSON(u"chatcmpl-1", u"one"));
  Turn(lAssistant, u"first");
  const std::u16string lOldThread = lAssistant.Thread()->Id();
  lAssistant.CreateThread();
  EXPECT_NE(lAssistant.Thread()->Id(), lOldThread);
  lAssistant.Fake.Reply(CompletionJSON(u"chatcmpl-2", u"two"));
  Turn(lAssistant, u"again");
  EXPECT_EQ(lAssistant.Fake.Requests[1].Body,
            u"{\"model\":\"local-model\",\"messages\":[{\"role\":\"system\",\"content\":"
            u"\"Be brief.\\r\\n\"},{\"role\":\"user\",\"content\":\"again\"}],\"n\":1,"
            u"\"temperature\":1,\"top_p\":1}");
  // The old thread is gone with its history.
  EXPECT_THROW(lAssistant.GetThread(lOldThread), EozkAI_OpenAI_Assistant);
}

TEST(TozkAI_OpenAI_Assistant_Chat, AnswersMissingOrCutShortAreNotReportedAsComplete) {
  TFakeAssistant lAssistant;
  SetUpChat(lAssistant);
  // An object without choices (what the client gives when its error event took the failure).
  lAssistant.Fake.Reply(u"{}");
  std::unique_ptr<TozkOpenAIClass_Run> lRun = Turn(lAssistant, u"first");
  EXPECT_EQ(TozkAI_OpenAI_Assistant::RunProblem(*lRun), u"failed: the service gave no answer");
  EXPECT_TRUE(lAssistant.GetMessages(lAssistant.Thread()->Id(), lRun->Id(), 20, u"desc", u"", u"")
                  ->Messages()
                  .empty());

  lAssistant.Fake.Reply(CompletionJSON(u"chatcmpl-2", u"x =", u"length"));
  lRun = Turn(lAssistant, u"second");
  EXPECT_EQ(TozkAI_OpenAI_Assistant::RunProblem(*lRun),
            u"incomplete: the answer stopped early (length)");
  // Both questions went: the unanswered one stays in the history.
  EXPECT_NE(lAssistant.Fake.Requests[1].Body.find(u"{\"role\":\"user\",\"content\":\"first\"},"
                                                  u"{\"role\":\"user\",\"content\":\"second\"}"),
            std::u16string::npos);
  EXPECT_EQ(lAssistant.GetRun(lAssistant.Thread()->Id(), lRun->Id())->Status(), u"incomplete");
}

TEST(TozkAI_OpenAI_Assistant_Chat, VectorStoresAreNotOfferedAndCostNoRequest) {
  TFakeAssistant lAssistant;
  SetUpChat(lAssistant);
  lAssistant.AssistantOptions().Tools().FileSearch().SetEnabled(true);
  EXPECT_EQ(lAssistant.GetVectorStoreFiles(u"help-desk"), nullptr);
  EXPECT_EQ(MessageOf<EozkAI_OpenAI_Assistant>(
                [&] { lAssistant.UploadVectorStoreFile(u"help-desk", u"/nonexistent.txt"); }),
            u"UploadVectorStoreFile: Chat Completions has no vector stores and no file search");
  EXPECT_EQ(lAssistant.UnavailableTools(), std::vector<std::u16string>{u"File search"});
  // A ticked tool changes nothing in the request.
  lAssistant.Fake.Reply(CompletionJSON(u"chatcmpl-1", u"one"));
  Turn(lAssistant, u"first");
  ASSERT_EQ(lAssistant.Fake.Requests.size(), 1u);
  EXPECT_EQ(lAssistant.Fake.Requests[0].Body.find(u"tool"), std::u16string::npos);
}
