// The Responses workflow against a recording fake client: the local assistant, conversations and
// the previous-response chain where there are none, the bodies of a Send, answers with their
// file citations, the file-search store, streamed answers and streams cut off.
#include "ai/ozkAI_OpenAI_Audio_Assistant.h"

#include <gtest/gtest.h>

#include "ozkAITestFakeClient.h"
#include "support/ozkTestUtil.h"

using ozktest::TFakeAssistant;

namespace {

bool Contains(const std::u16string& aText, const std::u16string& aPart) {
  return aText.find(aPart) != std::u16string::npos;
}

// A finished response with one answer message; aContent is the JSON of its content parts.
std::u16string ResponseJSON(const std::u16string& aId, const std::u16string& aContent,
                            const std::u16string& aStatus = u"completed") {
  return u"{\"id\":\"" + aId +
         u"\",\"object\":\"response\",\"created_at\":1700000000,"
         u"\"status\":\"" +
         aStatus +
         u"\",\"model\":\"gpt-4o\",\"output\":[{\"type\":\"message\","
         u"\"id\":\"msg_" +
         aId +
         u"\",\"status\":\"completed\",\"role\":\"assistant\","
         u"\"content\":" +
         aContent + u"}]}";
}

std::u16string TextPart(const std::u16string& aJSONText) {
  return u"[{\"type\":\"output_text\",\"text\":\"" + aJSONText + u"\",\"annotations\":[]}]";
}

TozkSSEEvent Event(const std::u16string& aType, const std::u16string& aData) {
  return TozkSSEEvent{aType, aData, u""};
}

TozkSSEEvent Delta(const std::u16string& aText) {
  return Event(u"response.output_text.delta",
               u"{\"type\":\"response.output_text.delta\",\"delta\":\"" + aText + u"\"}");
}

TozkSSEEvent Completed(const std::u16string& aResponse) {
  return Event(u"response.completed",
               u"{\"type\":\"response.completed\",\"response\":" + aResponse + u"}");
}

// A component on the Responses API with the math tutor's options, its local assistant and the
// conversation "conv_1"; the fake has recorded nothing yet.
void SetUpConversation(TFakeAssistant& aAssistant) {
  aAssistant.SetAPI(oaapiResponses);
  aAssistant.AssistantOptions().SetName(u"Math Tutor");
  aAssistant.AssistantOptions().SetModel(u"gpt-4o");
  aAssistant.AssistantOptions().Instructions().SetText(u"Solve equations.");
  aAssistant.CreateAssistant();
  aAssistant.Fake.Reply(u"{\"id\":\"conv_1\",\"object\":\"conversation\",\"created_at\":1}");
  aAssistant.CreateThread();
  aAssistant.Fake.Requests.clear();
}

// The same over a service without conversations: the thread is a chain of responses.
void SetUpChain(TFakeAssistant& aAssistant) {
  aAssistant.SetAPI(oaapiResponses);
  aAssistant.AssistantOptions().SetModel(u"gpt-4o");
  aAssistant.CreateAssistant();
  aAssistant.Fake.ReplyStatus(404, u"{\"error\":{\"message\":\"Not found\"}}");
  aAssistant.CreateThread();
  aAssistant.Fake.Requests.clear();
}

// CreateMessageText, CreateRunAndWait and GetMessages as the window's Send calls them.
std::unique_ptr<TozkOpenAIClass_Response_List_Messages> Send(TFakeAssistant& aAssistant,
                                                             const std::u16string& aText) {
  const std::u16string lThreadId = aAssistant.Thread()->Id();
  aAssistant.CreateMessageText(lThreadId, aText, u"user");
  std::unique_ptr<TozkOpenAIClass_Run> lRun = aAssistant.CreateRunAndWait(lThreadId, 10000);
  return aAssistant.GetMessages(lThreadId, lRun->Id(), 20, u"desc", u"", u"");
}

} // namespace

TEST(TozkAI_OpenAI_Assistant_Responses, TheAssistantIsTheLocalConfigurationAndNeedsNoRequest) {
  TFakeAssistant lAssistant;
  lAssistant.SetAPI(oaapiResponses);
  lAssistant.AssistantOptions().SetName(u"Help \"Desk\"");
  lAssistant.AssistantOptions().SetModel(u"gpt-4o");
  lAssistant.AssistantOptions().SetTemperature(0.5);
  lAssistant.AssistantOptions().Tools().FileSearch().SetEnabled(true);
  TozkOpenAIClass_Assistant* lCreated = lAssistant.CreateAssistant();
  ASSERT_NE(lCreated, nullptr);
  EXPECT_EQ(lCreated, lAssistant.Assistant());
  EXPECT_EQ(lCreated->Id(), u"asst_local");
  EXPECT_EQ(lCreated->Name(), u"Help \"Desk\"");
  EXPECT_EQ(lCreated->Model(), u"gpt-4o");
  EXPECT_DOUBLE_EQ(lCreated->Temperature(), 0.5);
  ASSERT_EQ(lCreated->Tools().size(), 1u);
  // An id stored by an earlier session gives the same local assistant.
  EXPECT_EQ(lAssistant.GetAssistant(u"asst_from_before")->Id(), u"asst_local");
  EXPECT_TRUE(lAssistant.Fake.Requests.empty());
}

TEST(TozkAI_OpenAI_Assistant_Responses, ASendAddsTheTextToTheConversationAndCreatesOneResponse) {
  TFakeAssistant lAssistant;
  SetUpConversation(lAssistant);
  lAssistant.AssistantOptions().Tools().CodeInterpreter().SetEnabled(true);
  EXPECT_EQ(lAssistant.Thread()->Id(), u"conv_1");

  lAssistant.Fake.Reply(
      u"{\"object\":\"list\",\"data\":[{\"type\":\"message\",\"id\":\"msg_u1\","
      u"\"role\":\"user\",\"content\":[{\"type\":\"input_text\",\"text\":\"x\"}]}]}");
  lAssistant.Fake.Reply(ResponseJSON(u"resp_1", TextPart(u"x = 3\\nDone")));
  std::unique_ptr<TozkOpenAIClass_Response_List_Messages> lList =
      Send(lAssistant, u"Solve \"3x = 9\"");

  ASSERT_EQ(lAssistant.Fake.Requests.size(), 2u);
  const ozktest::TFakeExchange& lItems = lAssistant.Fake.Requests[0];
  EXPECT_EQ(lItems.URL, u"http://fake.invalid/v1/conversations/conv_1/items");
  EXPECT_EQ(lItems.Body, u"{\"items\":[{\"type\":\"message\",\"role\":\"user\","
                         u"\"content\":\"Solve \\\"3x = 9\\\"\"}]}");
  const ozktest::TFakeExchange& lCreate = lAssistant.Fake.Requests[1];
  EXPECT_EQ(lCreate.Method, u"POST");
  EXPECT_EQ(lCreate.URL, u"http://fake.invalid/v1/responses");
  EXPECT_EQ(lCreate.Body, u"{\"model\":\"gpt-4o\",\"instructions\":\"Solve equations.\\r\\n\","
                          u"\"conversation\":\"conv_1\",\"tools\":[{\"type\":\"code_interpreter\","
                          u"\"container\":{\"type\":\"auto\"}}],\"temperature\":1,\"top_p\":1}");
  // These calls are not of the assistants API.
  for (const ozktest::TFakeExchange& lSent : lAssistant.Fake.Requests)
    EXPECT_FALSE(Contains(lSent.Headers, u"OpenAI-Beta")) << UTF16ToUTF8(lSent.URL);

  ASSERT_TRUE(lList);
  ASSERT_EQ(lList->Messages().size(), 1u);
  const TozkOpenAIClass_Message& lAnswer = *lList->Messages()[0];
  EXPECT_EQ(lAnswer.Role(), u"assistant");
  EXPECT_EQ(lAnswer.RunId(), u"resp_1");
  EXPECT_EQ(lAnswer.ThreadId(), u"conv_1");
  // Read the way an assistants message is: escapes kept, as the window unescapes them.
  EXPECT_EQ(lAnswer.ContentText(), u"x = 3\\nDone");
}

TEST(TozkAI_OpenAI_Assistant_Responses, AnswersKeepTheirFileCitationsAndNonASCIIText) {
  TFakeAssistant lAssistant;
  SetUpConversation(lAssistant);
  lAssistant.Fake.Reply(u"{\"object\":\"list\",\"data\":[]}");
  lAssistant.Fake.Reply(ResponseJSON(
      u"resp_1",
      u"[{\"type\":\"output_text\",\"text\":\"Caf\u00e9 hours: 9-5\",\"annotations\":[]},"
      u"{\"type\":\"output_text\",\"text\":\" (see)\",\"annotations\":[{\"type\":\"file_citation\","
      u"\"file_id\":\"file-7\",\"filename\":\"hours.txt\",\"index\":5}]}]"));
  std::unique_ptr<TozkOpenAIClass_Response_List_Messages> lList = Send(lAssistant, u"Hours?");
  ASSERT_EQ(lList->Messages().size(), 1u);
  TozkOpenAIClass_Message& lAnswer = *lList->Messages()[0];
  EXPECT_EQ(lAnswer.ContentText(), u"Caf\u00e9 hours: 9-5 (see)");
  ASSERT_EQ(lAnswer.Content().size(), 1u);
  auto* lText = dynamic_cast<TozkOpenAIClass_MessageContent_Text*>(lAnswer.Content()[0].get());
  ASSERT_NE(lText, nullptr);
  ASSERT_EQ(lText->Annotations().size(), 1u);
  auto* lCitation =
      dynamic_cast<TozkOpenAIClass_Annotation_FileCitation*>(lText->Annotations()[0].get());
  ASSERT_NE(lCitation, nullptr);
  EXPECT_EQ(lCitation->FileId(), u"file-7");
  EXPECT_EQ(lCitation->Text(), u"hours.txt");
  // The index of the second part, moved past the 15 units of the first.
  EXPECT_EQ(lCitation->StartIndex(), 20);
}

TEST(TozkAI_OpenAI_Assistant_Responses, FileSearchPointsAtTheNamedStoreOnlyWhenItExists) {
  TFakeAssistant lAssistant;
  SetUpConversation(lAssistant);
  lAssistant.AssistantOptions().Tools().FileSearch().SetEnabled(true);

  // No store of that name: the tool is left out, and the lookup is not repeated.
  lAssistant.Fake.Reply(u"{\"object\":\"list\",\"data\":[]}");
  EXPECT_EQ(lAssistant.GetVectorStoreFiles(u"help-desk"), nullptr);
  EXPECT_EQ(lAssistant.VectorStoreName(), u"help-desk");
  for (int i = 0; i < 2; ++i) {
    lAssistant.Fake.Reply(u"{\"object\":\"list\",\"data\":[]}");
    lAssistant.Fake.Reply(ResponseJSON(u"resp_" + IntToStr(i), TextPart(u"echo")));
    Send(lAssistant, u"Where?");
  }
  ASSERT_EQ(lAssistant.Fake.Requests.size(), 5u);
  EXPECT_FALSE(Contains(lAssistant.Fake.Requests[2].Body, u"tools"));
  EXPECT_FALSE(Contains(lAssistant.Fake.Requests[4].Body, u"tools"));

  // Another name that exists: one lookup, then the store's id.
  lAssistant.Fake.Requests.clear();
  lAssistant.SetVectorStoreName(u"manuals");
  lAssistant.Fake.Reply(u"{\"object\":\"list\",\"data\":[]}");
  lAssistant.Fake.Reply(u"{\"object\":\"list\",\"data\":[{\"id\":\"vs_new\",\"name\":\"manuals\"},"
                        u"{\"id\":\"vs_old\",\"name\":\"manuals\"}]}");
  lAssistant.Fake.Reply(ResponseJSON(u"resp_9", TextPart(u"found")));
  Send(lAssistant, u"Where?");
  ASSERT_EQ(lAssistant.Fake.Requests.size(), 3u);
  EXPECT_EQ(lAssistant.Fake.Requests[1].Method, u"GET");
  EXPECT_TRUE(Contains(lAssistant.Fake.Requests[1].URL, u"/v1/vector_stores"));
  EXPECT_TRUE(
      Contains(lAssistant.Fake.Requests[2].Body,
               u"\"tools\":[{\"type\":\"file_search\",\"vector_store_ids\":[\"vs_new\"]}]"));
}

TEST(TozkAI_OpenAI_Assistant_Responses, AnUploadPointsFileSearchAtTheStoreWithoutAnAssistantCall) {
  TFakeAssistant lAssistant;
  SetUpConversation(lAssistant);
  lAssistant.AssistantOptions().Tools().FileSearch().SetEnabled(true);
  ozktest::TTempFile lFile("Opening hours are 9 to 5.\n");
  lAssistant.Fake.Reply(u"{\"object\":\"list\",\"data\":[]}");
  lAssistant.Fake.Reply(u"{\"id\":\"vs_1\",\"name\":\"help-desk\"}");
  lAssistant.Fake.Reply(u"{\"id\":\"file-1\",\"object\":\"file\"}");
  lAssistant.Fake.Reply(u"{\"id\":\"file-1\",\"object\":\"vector_store.file\"}");
  EXPECT_TRUE(lAssistant.UploadVectorStoreFile(u"help-desk", lFile.Name()));
  ASSERT_EQ(lAssistant.Fake.Requests.size(), 4u);
  for (const ozktest::TFakeExchange& lSent : lAssistant.Fake.Requests)
    EXPECT_FALSE(Contains(lSent.URL, u"/assistants")) << UTF16ToUTF8(lSent.URL);

  lAssistant.Fake.Reply(u"{\"object\":\"list\",\"data\":[]}");
  lAssistant.Fake.Reply(ResponseJSON(u"resp_1", TextPart(u"9 to 5")));
  Send(lAssistant, u"Hours?");
  EXPECT_TRUE(Contains(lAssistant.Fake.Requests.back().Body,
                       u"{\"type\":\"file_search\",\"vector_store_ids\":[\"vs_1\"]}"));
}

TEST(TozkAI_OpenAI_Assistant_Responses, WithoutConversationsTheThreadIsAChainOfResponses) {
  TFakeAssistant lAssistant;
  SetUpChain(lAssistant);
  const std::u16string lThreadId = lAssistant.Thread()->Id();
  EXPECT_FALSE(lThreadId.empty());

  lAssistant.Fake.Reply(ResponseJSON(u"resp_1", TextPart(u"one")));
  Send(lAssistant, u"first");
  lAssistant.Fake.Reply(ResponseJSON(u"resp_2", TextPart(u"two")));
  std::unique_ptr<TozkOpenAIClass_Response_List_Messages> lList = Send(lAssistant, u"second");

  // A message costs no request: each Send is the one response.
  ASSERT_EQ(lAssistant.Fake.Requests.size(), 2u);
  EXPECT_EQ(lAssistant.Fake.Requests[0].Body,
            u"{\"model\":\"gpt-4o\",\"input\":[{\"type\":\"message\",\"role\":\"user\","
            u"\"content\":\"first\"}],\"temperature\":1,\"top_p\":1}");
  EXPECT_EQ(lAssistant.Fake.Requests[1].Body,
            u"{\"model\":\"gpt-4o\",\"input\":[{\"type\":\"message\",\"role\":\"user\","
            u"\"content\":\"second\"}],\"previous_response_id\":\"resp_1\",\"temperature\":1,"
            u"\"top_p\":1}");
  ASSERT_EQ(lList->Messages().size(), 1u);
  EXPECT_EQ(lList->Messages()[0]->ContentText(), u"two");
  // The whole transcript, newest first.
  std::unique_ptr<TozkOpenAIClass_Response_List_Messages> lAll =
      lAssistant.GetMessages(lThreadId, u"", 20, u"desc", u"", u"");
  ASSERT_EQ(lAll->Messages().size(), 4u);
  EXPECT_EQ(lAll->Messages()[0]->ContentText(), u"two");
  EXPECT_EQ(lAll->Messages()[3]->ContentText(), u"first");
}

TEST(TozkAI_OpenAI_Assistant_Responses, AFailedResponseKeepsNothingAndTheChainResendsTheText) {
  TFakeAssistant lAssistant;
  SetUpChain(lAssistant);
  const std::u16string lThreadId = lAssistant.Thread()->Id();
  lAssistant.Fake.Reply(ResponseJSON(u"resp_1", TextPart(u"one")));
  Send(lAssistant, u"first");

  lAssistant.Fake.Reply(u"{\"id\":\"resp_2\",\"object\":\"response\",\"status\":\"failed\","
                        u"\"error\":{\"code\":\"server_error\",\"message\":\"The model broke\"},"
                        u"\"output\":[]}");
  lAssistant.CreateMessageText(lThreadId, u"second", u"user");
  std::unique_ptr<TozkOpenAIClass_Run> lRun = lAssistant.CreateRunAndWait(lThreadId, 10000);
  EXPECT_EQ(TozkAI_OpenAI_Assistant::RunProblem(*lRun), u"failed: The model broke");
  EXPECT_TRUE(
      lAssistant.GetMessages(lThreadId, lRun->Id(), 20, u"desc", u"", u"")->Messages().empty());
  // GetRun gives the same run again without a request.
  const size_t lSentSoFar = lAssistant.Fake.Requests.size();
  EXPECT_EQ(lAssistant.GetRun(lThreadId, lRun->Id())->Status(), u"failed");
  EXPECT_EQ(lAssistant.Fake.Requests.size(), lSentSoFar);

  lAssistant.Fake.Reply(ResponseJSON(u"resp_3", TextPart(u"three")));
  lAssistant.CreateMessageText(lThreadId, u"third", u"user");
  lAssistant.CreateRunAndWait(lThreadId, 10000);
  EXPECT_EQ(lAssistant.Fake.Requests.back().Body,
            u"{\"model\":\"gpt-4o\",\"input\":[{\"type\":\"message\",\"role\":\"user\","
            u"\"content\":\"second\"},{\"type\":\"message\",\"role\":\"user\",\"content\":"
            u"\"third\"}],\"previous_response_id\":\"resp_1\",\"temperature\":1,\"top_p\":1}");
}

TEST(TozkAI_OpenAI_Assistant_Responses, AnIncompleteAnswerIsShownWithItsReason) {
  TFakeAssistant lAssistant;
  SetUpChain(lAssistant);
  std::u16string lResponse = ResponseJSON(u"resp_1", TextPart(u"x = "), u"incomplete");
  lResponse.insert(lResponse.size() - 1,
                   u",\"incomplete_details\":{\"reason\":\"max_output_tokens\"}");
  lAssistant.Fake.Reply(lResponse);
  const std::u16string lThreadId = lAssistant.Thread()->Id();
  lAssistant.CreateMessageText(lThreadId, u"2x = 6", u"user");
  std::unique_ptr<TozkOpenAIClass_Run> lRun = lAssistant.CreateRunAndWait(lThreadId, 10000);
  EXPECT_EQ(TozkAI_OpenAI_Assistant::RunProblem(*lRun),
            u"incomplete: the answer stopped early (max_output_tokens)");
  EXPECT_EQ(lAssistant.GetMessages(lThreadId, lRun->Id(), 20, u"desc", u"", u"")
                ->Messages()
                .at(0)
                ->ContentText(),
            u"x = ");
}

TEST(TozkAI_OpenAI_Assistant_Responses, GetThreadFetchesAConversationAndCarriesItOn) {
  TFakeAssistant lAssistant;
  SetUpConversation(lAssistant);
  lAssistant.Fake.Reply(u"{\"id\":\"conv_9\",\"object\":\"conversation\",\"created_at\":5}");
  EXPECT_EQ(lAssistant.GetThread(u"conv_9")->Id(), u"conv_9");
  EXPECT_EQ(lAssistant.Fake.Requests.at(0).Method, u"GET");
  EXPECT_EQ(lAssistant.Fake.Requests.at(0).URL, u"http://fake.invalid/v1/conversations/conv_9");
  lAssistant.Fake.Reply(u"{\"object\":\"list\",\"data\":[]}");
  lAssistant.Fake.Reply(ResponseJSON(u"resp_1", TextPart(u"again")));
  EXPECT_EQ(Send(lAssistant, u"more")->Messages().at(0)->ContentText(), u"again");
  EXPECT_TRUE(Contains(lAssistant.Fake.Requests.back().Body, u"\"conversation\":\"conv_9\""));
}

TEST(TozkAI_OpenAI_Assistant_Responses, CreateThreadRaisesOtherErrorsAndKeepsTheThread) {
  TFakeAssistant lAssistant;
  SetUpConversation(lAssistant);
  TozkOpenAIClass_Thread* lOld = lAssistant.Thread();
  lAssistant.Fake.ReplyStatus(401, u"{\"error\":{\"message\":\"Incorrect API key\"}}");
  EXPECT_THROW(lAssistant.CreateThread(), EIdHTTPProtocolException);
  EXPECT_EQ(lAssistant.Thread(), lOld);
  EXPECT_EQ(lAssistant.Thread()->Id(), u"conv_1");
}

TEST(TozkAI_OpenAI_Assistant_Responses, OperationsOnAThreadThatIsNotCurrentRaiseAndSendNothing) {
  TFakeAssistant lAssistant;
  SetUpChain(lAssistant);
  const std::u16string lOther = u"chain_local_99";
  EXPECT_EQ(MessageOf<EozkAI_OpenAI_Assistant>(
                [&] { lAssistant.CreateMessageText(lOther, u"hi", u"user"); }),
            u"CreateMessageText needs the current thread: chain_local_99 is not it; create or "
            u"fetch a thread first");
  EXPECT_THROW(lAssistant.CreateRun(lOther), EozkAI_OpenAI_Assistant);
  EXPECT_THROW(lAssistant.GetMessages(lOther, u"", 20, u"desc", u"", u""), EozkAI_OpenAI_Assistant);
  EXPECT_THROW(lAssistant.GetThread(lOther), EozkAI_OpenAI_Assistant);
  EXPECT_TRUE(lAssistant.Fake.Requests.empty());
}

TEST(TozkAI_OpenAI_Assistant_Responses, AStreamedAnswerArrivesPieceByPiece) {
  TFakeAssistant lAssistant;
  SetUpChain(lAssistant);
  std::vector<std::u16string> lPieces;
  lAssistant.OnTextDelta = [&](const std::u16string& aDelta) { lPieces.push_back(aDelta); };
  lAssistant.Fake.Streams.push_back(
      {Event(u"response.created", u"{\"type\":\"response.created\",\"response\":{\"id\":"
                                  u"\"resp_1\",\"status\":\"in_progress\"}}"),
       Delta(u"x = "), Delta(u"3\\n"), Delta(u"Caf\u00e9"),
       Completed(ResponseJSON(u"resp_1", TextPart(u"x = 3\\nCaf\u00e9")))});
  std::unique_ptr<TozkOpenAIClass_Response_List_Messages> lList = Send(lAssistant, u"3x = 9");

  EXPECT_EQ(lPieces, (std::vector<std::u16string>{u"x = ", u"3\n", u"Caf\u00e9"}));
  ASSERT_EQ(lAssistant.Fake.Requests.size(), 1u);
  EXPECT_TRUE(Contains(lAssistant.Fake.Requests[0].Body, u",\"stream\":true}"));
  ASSERT_EQ(lList->Messages().size(), 1u);
  EXPECT_EQ(lList->Messages()[0]->ContentText(), u"x = 3\\nCaf\u00e9");
}

TEST(TozkAI_OpenAI_Assistant_Responses, AStreamCutOffRaisesAfterItsPiecesAndKeepsNoAnswer) {
  TFakeAssistant lAssistant;
  SetUpChain(lAssistant);
  const std::u16string lThreadId = lAssistant.Thread()->Id();
  std::u16string lShown;
  lAssistant.OnTextDelta = [&](const std::u16string& aDelta) { lShown += aDelta; };
  lAssistant.Fake.Streams.push_back({Delta(u"Par"), Delta(u"tial")});
  lAssistant.CreateMessageText(lThreadId, u"long question", u"user");
  EXPECT_EQ(MessageOf<EIdSSEError>([&] { lAssistant.CreateRunAndWait(lThreadId, 10000); }),
            u"The event stream ended before its final event.");
  EXPECT_EQ(lShown, u"Partial");
  // Only the question is in the thread; no partial answer.
  std::unique_ptr<TozkOpenAIClass_Response_List_Messages> lAll =
      lAssistant.GetMessages(lThreadId, u"", 20, u"desc", u"", u"");
  ASSERT_EQ(lAll->Messages().size(), 1u);
  EXPECT_EQ(lAll->Messages()[0]->Role(), u"user");

  // A failure event raises too, and the question goes again with the next response.
  lAssistant.Fake.Streams.push_back(
      {Delta(u"x"),
       Event(u"response.failed", u"{\"type\":\"response.failed\",\"response\":{"
                                 u"\"id\":\"resp_2\",\"status\":\"failed\",\"error\":"
                                 u"{\"code\":\"server_error\",\"message\":\"Boom\"}}}")});
  EXPECT_EQ(
      MessageOf<EozkOpenAIResponseError>([&] { lAssistant.CreateRunAndWait(lThreadId, 10000); }),
      u"The response failed: Boom (server_error)");
  // A failure that the client's error event took gives an empty response: no success either.
  lAssistant.Fake.Streams.push_back({});
  EXPECT_EQ(TozkAI_OpenAI_Assistant::RunProblem(*lAssistant.CreateRunAndWait(lThreadId, 10000)),
            u"(no status)");
  EXPECT_EQ(lAssistant.GetMessages(lThreadId, u"", 20, u"desc", u"", u"")->Messages().size(), 1u);
  lAssistant.Fake.Streams.push_back({Completed(ResponseJSON(u"resp_3", TextPart(u"whole")))});
  lAssistant.CreateRunAndWait(lThreadId, 10000);
  EXPECT_TRUE(Contains(lAssistant.Fake.Requests.back().Body,
                       u"\"input\":[{\"type\":\"message\",\"role\":\"user\",\"content\":"
                       u"\"long question\"}],\"temperature\""));
}

TEST(TozkAI_OpenAI_Assistant_Responses, ChoosingAnotherAPIDropsTheAssistantAndThread) {
  TFakeAssistant lAssistant;
  SetUpConversation(lAssistant);
  ASSERT_NE(lAssistant.Thread(), nullptr);
  lAssistant.SetAPI(oaapiResponses);
  EXPECT_NE(lAssistant.Thread(), nullptr);
  lAssistant.SetAPI(oaapiAssistants);
  EXPECT_EQ(lAssistant.Assistant(), nullptr);
  EXPECT_EQ(lAssistant.Thread(), nullptr);
}

TEST(TozkAI_OpenAI_Assistant_Responses, UnavailableToolsNameWhatTheAPILeavesOut) {
  struct TCase {
    TozkAI_OpenAI_API API;
    bool FileSearch, CodeInterpreter, Functions;
    std::vector<std::u16string> Expected;
  };
  const TCase lCases[] = {
      {oaapiAssistants, true, true, true, {}},
      {oaapiResponses, true, true, false, {}},
      {oaapiResponses, false, false, true, {u"Functions"}},
      {oaapiChatCompletions, true, false, false, {u"File search"}},
      {oaapiChatCompletions, true, true, true, {u"File search", u"Code interpreter", u"Functions"}},
      {oaapiChatCompletions, false, false, false, {}},
  };
  for (const TCase& lCase : lCases) {
    TozkAIOpenAIAssistant lAssistant;
    lAssistant.SetAPI(lCase.API);
    lAssistant.AssistantOptions().Tools().FileSearch().SetEnabled(lCase.FileSearch);
    lAssistant.AssistantOptions().Tools().CodeInterpreter().SetEnabled(lCase.CodeInterpreter);
    lAssistant.AssistantOptions().Tools().Functions().SetEnabled(lCase.Functions);
    EXPECT_EQ(lAssistant.UnavailableTools(), lCase.Expected) << int(lCase.API);
  }
}
