#include "openai/ozkHTTP_API_OpenAI_Responses.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ozkHTTP_API_OpenAI_SchemaCheck.h"
#include "ozkHTTP_API_OpenAI_TestUtil.h"

using ozktest::ForBothRoutes;

namespace {

// A completed response of a help-desk question: a file search, then the answer with citations
// of three kinds, a refusal part and an image part; a reasoning item and a web search tool that
// the model does not know; a code interpreter call with two outputs.
const std::u16string kResponse = uR"J({
  "id": "resp_abc123",
  "object": "response",
  "created_at": 1741476542,
  "status": "completed",
  "completed_at": 1741476543,
  "error": null,
  "incomplete_details": null,
  "instructions": "Answer from the manuals.",
  "max_output_tokens": 800,
  "model": "gpt-4o-mini",
  "conversation": {"id": "conv_abc123"},
  "previous_response_id": null,
  "output": [
    {"type": "reasoning", "id": "rs_1", "summary": []},
    {"type": "file_search_call", "id": "fs_1", "status": "completed",
     "queries": ["how to connect", "proxy"],
     "results": [{"file_id": "file-manual", "filename": "manual.txt", "score": 0.9,
                  "text": "Set \"Host\" first.\nThen connect."}, {"file_id": null}]},
    {"type": "code_interpreter_call", "id": "ci_1", "status": "completed",
     "container_id": "cntr_1", "code": "print(6*7)",
     "outputs": [{"type": "logs", "logs": "42\n"}, {"type": "image", "url": "x"}]},
    {"type": "message", "id": "msg_1", "status": "completed", "role": "assistant",
     "content": [
       {"type": "output_text", "text": "Set \"Host\" first \u2014 see the manual.",
        "annotations": [
          {"type": "file_citation", "file_id": "file-manual", "filename": "manual.txt",
           "index": 34},
          {"type": "url_citation", "url": "https://example.invalid/a", "title": "A",
           "start_index": 1, "end_index": 5},
          {"type": "container_file_citation", "container_id": "c", "file_id": "f"},
          {"type": "file_path", "file_id": "file-out", "index": 2}],
        "logprobs": []},
       {"type": "refusal", "refusal": "Not that part."},
       {"type": "input_image", "image_url": "x"},
       {"type": "output_text", "text": " Done.", "annotations": []}]}
  ],
  "parallel_tool_calls": true,
  "temperature": 0.5,
  "tool_choice": "auto",
  "tools": [
    {"type": "file_search", "vector_store_ids": ["vs_1", "vs_2"], "max_num_results": 8},
    {"type": "code_interpreter", "container": {"type": "auto", "file_ids": ["file-a"]}},
    {"type": "code_interpreter", "container": "cntr_fixed"},
    {"type": "web_search"}
  ],
  "top_p": 1.0,
  "usage": {"input_tokens": 36, "input_tokens_details": {"cached_tokens": 4},
            "output_tokens": 87, "output_tokens_details": {"reasoning_tokens": 3},
            "total_tokens": 123},
  "metadata": {"topic": "proxy"}
})J";

// The request a help desk sends: instructions, the user's message as an item, the
// conversation, both tools.
std::unique_ptr<TozkOpenAIClass_Request_Response> HelpDeskRequest() {
  auto lRequest = std::make_unique<TozkOpenAIClass_Request_Response>();
  TozkOpenAIClass_Request_Response& r = *lRequest;
  r.SetModel(u"gpt-4o-mini");
  r.SetInstructions(u"Answer from the manuals.\\r\\n");
  auto lMessage = std::make_unique<TozkOpenAIClass_ResponseItem_Message>();
  lMessage->SetRole(u"user");
  lMessage->SetContentText(u"How do I set \\\"Host\\\"?");
  r.Input().push_back(std::move(lMessage));
  r.SetConversation(u"conv_1");
  auto lSearch = std::make_unique<TozkOpenAIClass_ResponseTool_FileSearch>();
  lSearch->VectorStoreIds()->Add(u"vs_1");
  r.Tools().push_back(std::move(lSearch));
  r.Tools().push_back(std::make_unique<TozkOpenAIClass_ResponseTool_CodeInterpreter>());
  r.SetTemperature(1);
  r.SetTopP(1);
  return lRequest;
}

const ozktest::TSchemaChecker& Schemas() {
  static const ozktest::TSchemaChecker lChecker(OZK_OPENAI_TEST_DIR
                                                "/responses_request_schemas.json");
  return lChecker;
}

} // namespace

TEST(OpenAIResponses, ResponseIsReadCompletely) {
  ForBothRoutes([] {
    TozkOpenAIClass_Response r(kResponse);
    EXPECT_EQ(r.Id(), u"resp_abc123");
    EXPECT_EQ(r._Object(), u"response");
    EXPECT_EQ(r.CreatedAt(), 1741476542);
    EXPECT_EQ(r.CompletedAt(), 1741476543);
    EXPECT_EQ(r.Status(), u"completed");
    EXPECT_EQ(r.Error(), nullptr);
    EXPECT_EQ(r.IncompleteDetails(), u"");
    EXPECT_EQ(r.Instructions(), u"Answer from the manuals.");
    EXPECT_EQ(r.MaxOutputTokens(), 800);
    EXPECT_EQ(r.Model(), u"gpt-4o-mini");
    EXPECT_EQ(r.Conversation(), u"conv_abc123");
    // null is no previous response, not the id "null".
    EXPECT_EQ(r.PreviousResponseId(), u"");
    EXPECT_EQ(r.Temperature(), 0.5);
    EXPECT_EQ(r.TopP(), 1.0);
    EXPECT_EQ(r.ToolChoice(), u"auto");
    EXPECT_EQ(r.MetaData()->Text(), u"topic=proxy\r\n");
    EXPECT_EQ(r.Usage()->InputTokens(), 36);
    EXPECT_EQ(r.Usage()->CachedTokens(), 4);
    EXPECT_EQ(r.Usage()->OutputTokens(), 87);
    EXPECT_EQ(r.Usage()->ReasoningTokens(), 3);
    EXPECT_EQ(r.Usage()->TotalTokens(), 123);

    ASSERT_EQ(r.Tools().size(), 4u);
    auto* lSearch = dynamic_cast<TozkOpenAIClass_ResponseTool_FileSearch*>(r.Tools()[0].get());
    ASSERT_NE(lSearch, nullptr);
    EXPECT_EQ(lSearch->VectorStoreIds()->Text(), u"vs_1\r\nvs_2\r\n");
    EXPECT_EQ(lSearch->MaxNumResults(), 8);
    auto* lAuto = dynamic_cast<TozkOpenAIClass_ResponseTool_CodeInterpreter*>(r.Tools()[1].get());
    ASSERT_NE(lAuto, nullptr);
    EXPECT_EQ(lAuto->ContainerId(), u"");
    EXPECT_EQ(lAuto->FileIds()->Text(), u"file-a\r\n");
    auto* lFixed = dynamic_cast<TozkOpenAIClass_ResponseTool_CodeInterpreter*>(r.Tools()[2].get());
    ASSERT_NE(lFixed, nullptr);
    EXPECT_EQ(lFixed->ContainerId(), u"cntr_fixed");
    EXPECT_EQ(r.Tools()[3], nullptr);

    ASSERT_EQ(r.Output().size(), 4u);
    EXPECT_EQ(r.Output()[0], nullptr);
    auto* lCall = dynamic_cast<TozkOpenAIClass_ResponseItem_FileSearchCall*>(r.Output()[1].get());
    ASSERT_NE(lCall, nullptr);
    EXPECT_EQ(lCall->Id(), u"fs_1");
    EXPECT_EQ(lCall->Status(), u"completed");
    EXPECT_EQ(lCall->Queries()->Text(), u"how to connect\r\nproxy\r\n");
    EXPECT_EQ(lCall->Results()->Text(),
              u"file-manual=Set \\\"Host\\\" first.\\nThen connect.\r\n=\r\n");
    auto* lCode =
        dynamic_cast<TozkOpenAIClass_ResponseItem_CodeInterpreterCall*>(r.Output()[2].get());
    ASSERT_NE(lCode, nullptr);
    EXPECT_EQ(lCode->ContainerId(), u"cntr_1");
    EXPECT_EQ(lCode->Code(), u"print(6*7)");
    EXPECT_EQ(lCode->Logs(), u"42\n");

    auto* lMessage = dynamic_cast<TozkOpenAIClass_ResponseItem_Message*>(r.Output()[3].get());
    ASSERT_NE(lMessage, nullptr);
    EXPECT_EQ(lMessage->_Type(), u"message");
    EXPECT_EQ(lMessage->Role(), u"assistant");
    ASSERT_EQ(lMessage->Content().size(), 4u);
    const auto& lText = *lMessage->Content()[0];
    EXPECT_EQ(lText._Type(), u"output_text");
    EXPECT_EQ(lText.Text(), u"Set \"Host\" first \u2014 see the manual.");
    ASSERT_EQ(lText.Annotations().size(), 4u);
    auto* lCite = dynamic_cast<TozkOpenAIClass_ResponseAnnotation_FileCitation*>(
        lText.Annotations()[0].get());
    ASSERT_NE(lCite, nullptr);
    EXPECT_EQ(lCite->FileId(), u"file-manual");
    EXPECT_EQ(lCite->Filename(), u"manual.txt");
    EXPECT_EQ(lCite->_Index(), 34);
    auto* lUrl =
        dynamic_cast<TozkOpenAIClass_ResponseAnnotation_UrlCitation*>(lText.Annotations()[1].get());
    ASSERT_NE(lUrl, nullptr);
    EXPECT_EQ(lUrl->Url(), u"https://example.invalid/a");
    EXPECT_EQ(lUrl->EndIndex(), 5);
    EXPECT_EQ(lText.Annotations()[2], nullptr);
    auto* lPath =
        dynamic_cast<TozkOpenAIClass_ResponseAnnotation_FilePath*>(lText.Annotations()[3].get());
    ASSERT_NE(lPath, nullptr);
    EXPECT_EQ(lPath->FileId(), u"file-out");
    EXPECT_EQ(lMessage->Content()[1]->_Type(), u"refusal");
    EXPECT_EQ(lMessage->Content()[1]->Text(), u"Not that part.");
    EXPECT_EQ(lMessage->Content()[2], nullptr);
    // The message's text leaves the refusal out; the answer takes only output text.
    EXPECT_EQ(lMessage->Text(), u"Set \"Host\" first \u2014 see the manual. Done.");
    EXPECT_EQ(r.OutputText(), u"Set \"Host\" first \u2014 see the manual. Done.");
  });
}

TEST(OpenAIResponses, FailedIncompleteEmptyAndNullShapes) {
  TozkOpenAIClass_Response lFailed(
      uR"({"id":"resp_2","status":"failed","error":{"code":"server_error","message":"Boom \"x\""},)"
      uR"("incomplete_details":{"reason":"max_output_tokens"},"conversation":"conv_9",)"
      uR"("instructions":null,"output":null,"usage":null,"tools":null})");
  ASSERT_NE(lFailed.Error(), nullptr);
  EXPECT_EQ(lFailed.Error()->Code(), u"server_error");
  EXPECT_EQ(lFailed.Error()->_Message(), u"Boom \"x\"");
  EXPECT_EQ(lFailed.IncompleteDetails(), u"max_output_tokens");
  EXPECT_EQ(lFailed.Conversation(), u"conv_9");
  EXPECT_EQ(lFailed.Instructions(), u"");
  EXPECT_TRUE(lFailed.Output().empty());
  EXPECT_TRUE(lFailed.Tools().empty());
  EXPECT_EQ(lFailed.Usage()->TotalTokens(), 0);
  EXPECT_EQ(lFailed.OutputText(), u"");

  TozkOpenAIClass_Response lEmpty(u"");
  EXPECT_EQ(lEmpty.Id(), u"");
  EXPECT_EQ(lEmpty.Error(), nullptr);
  EXPECT_EQ(lEmpty.CreatedAt(), 0);
  EXPECT_EQ(lEmpty.Temperature(), 0);

  // An error body of the service read as a response: nothing of it becomes a field.
  TozkOpenAIClass_Response lErrorBody(
      uR"({"error":{"message":"No such response","type":"invalid_request_error"}})");
  EXPECT_EQ(lErrorBody.Id(), u"");
  EXPECT_EQ(lErrorBody.Status(), u"");
}

TEST(OpenAIResponses, RequestWritesMembersInFixedOrder) {
  // A fresh request writes nothing, not even temperature or top_p.
  EXPECT_EQ(TozkOpenAIClass_Request_Response().AsString(), u"{}");

  auto lRequest = HelpDeskRequest();
  TozkOpenAIClass_Request_Response& r = *lRequest;
  const std::u16string lExpected =
      uR"({"model":"gpt-4o-mini","instructions":"Answer from the manuals.\r\n",)"
      uR"("input":[{"type":"message","role":"user","content":"How do I set \"Host\"?"}],)"
      uR"("conversation":"conv_1","tools":[{"type":"file_search","vector_store_ids":["vs_1"]},)"
      uR"({"type":"code_interpreter","container":{"type":"auto"}}],"temperature":1,"top_p":1})";
  EXPECT_EQ(r.AsString(), lExpected);
  EXPECT_EQ(r.AsString(), lExpected);

  TozkOpenAIClass_Request_Response lAll;
  lAll.SetModel(u"m");
  lAll.SetInstructions(u"{not json}");
  lAll.SetInputText(u"[1] first");
  lAll.SetPreviousResponseId(u"resp_1");
  lAll.SetToolChoice(u"{\"type\":\"file_search\"}");
  lAll.SetTemperature(0);
  lAll.SetMaxOutputTokens(64);
  lAll.MetaData()->Add(u"k=v");
  lAll.Include()->Add(u"file_search_call.results");
  lAll.SetStore(false);
  lAll.SetStream(true);
  auto lCode = std::make_unique<TozkOpenAIClass_ResponseTool_CodeInterpreter>();
  lCode->FileIds()->Add(u"file-1");
  lAll.Tools().push_back(std::move(lCode));
  // Free text beginning with a bracket stays a string; the tool choice is embedded JSON.
  EXPECT_EQ(lAll.AsString(),
            uR"({"model":"m","instructions":"{not json}","input":"[1] first",)"
            uR"("previous_response_id":"resp_1","tools":[{"type":"code_interpreter",)"
            uR"("container":{"type":"auto","file_ids":["file-1"]}}],)"
            uR"("tool_choice":{"type":"file_search"},"temperature":0,"max_output_tokens":64,)"
            uR"("metadata":{"k":"v"},"include":["file_search_call.results"],"store":false,)"
            uR"("stream":true})");
}

TEST(OpenAIResponses, ItemsPartsAndAnnotationsWriteWhatTheServiceRequires) {
  TozkOpenAIClass_ResponseItem_Message lMessage;
  lMessage.SetRole(u"assistant");
  lMessage.SetId(u"msg_1");
  lMessage.SetStatus(u"completed");
  auto lPart = std::make_unique<TozkOpenAIClass_ResponseContent>();
  lPart->Set_Type(u"output_text");
  lPart->SetText(u"See it.");
  auto lCite = std::make_unique<TozkOpenAIClass_ResponseAnnotation_FileCitation>();
  lCite->SetFileId(u"file-1");
  lCite->SetFilename(u"a.txt");
  lPart->Annotations().push_back(std::move(lCite));
  lMessage.Content().push_back(std::move(lPart));
  auto lRefusal = std::make_unique<TozkOpenAIClass_ResponseContent>();
  lRefusal->Set_Type(u"refusal");
  lRefusal->SetText(u"No.");
  lMessage.Content().push_back(std::move(lRefusal));
  EXPECT_EQ(lMessage.AsString(),
            uR"({"type":"message","id":"msg_1","status":"completed","role":"assistant",)"
            uR"("content":[{"type":"output_text","text":"See it.","annotations":[{"type":)"
            uR"("file_citation","file_id":"file-1","filename":"a.txt","index":0}],)"
            uR"("logprobs":[]},{"type":"refusal","refusal":"No."}]})");

  // A message read back from its text gives the same text again.
  TozkOpenAIClass_ResponseItem_Message lAgain(lMessage.AsString());
  EXPECT_EQ(lAgain.AsString(), lMessage.AsString());

  // The short form without "type" is a message; its content may be text.
  auto lShort = TozkOpenAIClass_ResponseItem::CreateFromText(uR"({"role":"user","content":"hi"})");
  ASSERT_NE(lShort, nullptr);
  auto* lShortMessage = dynamic_cast<TozkOpenAIClass_ResponseItem_Message*>(lShort.get());
  ASSERT_NE(lShortMessage, nullptr);
  EXPECT_EQ(lShortMessage->ContentText(), u"hi");
  EXPECT_EQ(lShortMessage->Text(), u"hi");
  EXPECT_EQ(TozkOpenAIClass_ResponseItem::CreateFromText(uR"({"type":"reasoning"})"), nullptr);
  EXPECT_EQ(TozkOpenAIClass_ResponseItem::CreateFromText(u"[1]"), nullptr);
}

TEST(OpenAIResponses, StreamEvents) {
  TozkOpenAIClass_ResponseStreamEvent lDelta(
      uR"({"type":"response.output_text.delta","sequence_number":4,"item_id":"msg_1",)"
      uR"("output_index":1,"content_index":0,"delta":"Hel\"lo\n","logprobs":[]})");
  EXPECT_EQ(lDelta._Type(), u"response.output_text.delta");
  EXPECT_EQ(lDelta.SequenceNumber(), 4);
  EXPECT_EQ(lDelta.ItemId(), u"msg_1");
  EXPECT_EQ(lDelta.OutputIndex(), 1);
  EXPECT_EQ(lDelta.Delta(), u"Hel\"lo\n");
  EXPECT_EQ(lDelta.Response(), nullptr);

  std::unique_ptr<TozkOpenAIClass_Response> lTaken;
  {
    TozkOpenAIClass_ResponseStreamEvent lDone(
        uR"({"type":"response.completed","sequence_number":9,"response":)" + kResponse + u"}");
    ASSERT_NE(lDone.Response(), nullptr);
    EXPECT_EQ(lDone.Response()->Status(), u"completed");
    lTaken = lDone.TakeResponse();
    EXPECT_EQ(lDone.Response(), nullptr);
  }
  // The response outlives the event it came with.
  EXPECT_EQ(lTaken->OutputText(), u"Set \"Host\" first \u2014 see the manual. Done.");

  for (const std::u16string lError :
       {uR"({"type":"error","code":"rate_limit","message":"Slow down","param":null})",
        uR"({"type":"error","error":{"code":"rate_limit","message":"Slow down"}})"}) {
    TozkOpenAIClass_ResponseStreamEvent e(lError);
    EXPECT_EQ(e._Type(), u"error");
    EXPECT_EQ(e.Code(), u"rate_limit");
    EXPECT_EQ(e._Message(), u"Slow down");
  }
}

TEST(OpenAIConversations, ConversationObjectsRequestsAndItemLists) {
  TozkOpenAIClass_Conversation c(
      uR"({"id":"conv_1","object":"conversation","created_at":1741900000,)"
      uR"("metadata":{"topic":"demo"}})");
  EXPECT_EQ(c.Id(), u"conv_1");
  EXPECT_EQ(c._Object(), u"conversation");
  EXPECT_EQ(c.CreatedAt(), 1741900000);
  EXPECT_EQ(c.MetaData()->Text(), u"topic=demo\r\n");

  EXPECT_EQ(TozkOpenAIClass_Request_Conversation().AsString(), u"{}");
  TozkOpenAIClass_Request_Conversation lCreate;
  lCreate.MetaData()->Add(u"topic=demo");
  auto lItem = std::make_unique<TozkOpenAIClass_ResponseItem_Message>();
  lItem->SetRole(u"user");
  lItem->SetContentText(u"Hello!");
  lCreate.Items().push_back(std::move(lItem));
  EXPECT_EQ(lCreate.AsString(), uR"({"metadata":{"topic":"demo"},"items":[{"type":"message",)"
                                uR"("role":"user","content":"Hello!"}]})");

  EXPECT_EQ(TozkOpenAIClass_Request_ConversationUpdate().AsString(), uR"({"metadata":{}})");
  TozkOpenAIClass_Request_ConversationUpdate lUpdate;
  lUpdate.MetaData()->Add(u"a=1");
  EXPECT_EQ(lUpdate.AsString(), uR"({"metadata":{"a":"1"}})");
  EXPECT_EQ(TozkOpenAIClass_Request_ConversationItems().AsString(), uR"({"items":[]})");

  const std::u16string kItems =
      uR"({"object":"list","data":[)"
      uR"({"type":"message","id":"msg_a","status":"completed","role":"user",)"
      uR"("content":[{"type":"input_text","text":"Hello!"}]},)"
      uR"({"type":"function_call","id":"fc_1"},)"
      uR"({"type":"message","id":"msg_b","status":"completed","role":"assistant",)"
      uR"("content":[{"type":"output_text","text":"Hi.","annotations":[]}]}],)"
      uR"("first_id":"msg_a","last_id":"msg_b","has_more":true})";
  ForBothRoutes([&] {
    TozkOpenAIClass_Response_List_ConversationItems l(kItems);
    ASSERT_EQ(l.Items().size(), 3u);
    auto* a = dynamic_cast<TozkOpenAIClass_ResponseItem_Message*>(l.Items()[0].get());
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Id(), u"msg_a");
    EXPECT_EQ(a->Text(), u"Hello!");
    EXPECT_EQ(l.Items()[1], nullptr);
    auto* b = dynamic_cast<TozkOpenAIClass_ResponseItem_Message*>(l.Items()[2].get());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Role(), u"assistant");
    EXPECT_EQ(b->Text(), u"Hi.");
    EXPECT_EQ(l.FirstId(), u"msg_a");
    EXPECT_EQ(l.LastId(), u"msg_b");
    EXPECT_TRUE(l.HasMore());
  });
  TozkOpenAIClass_Response_List_Items lNone(
      uR"({"object":"list","data":[],"first_id":null,"last_id":null,"has_more":false})");
  EXPECT_TRUE(lNone.Items().empty());
  EXPECT_EQ(lNone.LastId(), u"");
  EXPECT_FALSE(lNone.HasMore());
}

// An item whose "type" is not text is of no known kind, whichever route reads it: the copy
// route used to decode the text of an object "type" and raised on an escape inside it, where
// the text route gave no item (or a message, when the item has a role).
TEST(OpenAIConversations, ItemWhoseTypeIsNotTextReadsTheSameOnBothRoutes) {
  const std::u16string kItems =
      uR"({"object":"list","data":[{"type":{"a":"\uZZZZ"}},{"type":{"b":1},"role":"user"},)"
      uR"({"type":7},{"type":["message"]},{"type":"message","role":"user","content":"hi"}]})";
  std::vector<std::u16string> lWritten;
  ForBothRoutes([&] {
    TozkOpenAIClass_Response_List_Items l(kItems);
    ASSERT_EQ(l.Items().size(), 5u);
    EXPECT_EQ(l.Items()[0], nullptr);
    EXPECT_NE(dynamic_cast<TozkOpenAIClass_ResponseItem_Message*>(l.Items()[1].get()), nullptr);
    EXPECT_EQ(l.Items()[2], nullptr);
    EXPECT_EQ(l.Items()[3], nullptr);
    auto* lMessage = dynamic_cast<TozkOpenAIClass_ResponseItem_Message*>(l.Items()[4].get());
    ASSERT_NE(lMessage, nullptr);
    EXPECT_EQ(lMessage->Text(), u"hi");
    lWritten.push_back(l.AsString());
  });
  ASSERT_EQ(lWritten.size(), 2u);
  EXPECT_EQ(lWritten[0], lWritten[1]);
}

// Every body this unit writes must satisfy the request schema of its endpoint.
TEST(OpenAIResponsesSchema, RequestBodiesValidate) {
  ASSERT_TRUE(Schemas().Loaded());
  struct TCase {
    const char* Name;
    std::u16string_view Schema;
    std::function<std::u16string()> Body;
  };
  const TCase kCases[] = {
      {"help desk request", u"CreateResponse", [] { return HelpDeskRequest()->AsString(); }},
      {"text input, chained, streamed", u"CreateResponse",
       [] {
         TozkOpenAIClass_Request_Response r;
         r.SetModel(u"gpt-4o");
         r.SetInputText(u"What is 2+2?");
         r.SetPreviousResponseId(u"resp_1");
         r.SetStream(true);
         r.SetStore(true);
         r.Include()->Add(u"file_search_call.results");
         r.MetaData()->Add(u"k=v");
         r.SetMaxOutputTokens(256);
         r.SetToolChoice(u"auto");
         return r.AsString();
       }},
      {"items with content parts and an earlier answer", u"CreateResponse",
       [] {
         TozkOpenAIClass_Request_Response r;
         r.SetModel(u"gpt-4o");
         auto lUser = std::make_unique<TozkOpenAIClass_ResponseItem_Message>();
         lUser->SetRole(u"user");
         auto lPart = std::make_unique<TozkOpenAIClass_ResponseContent>();
         lPart->SetText(u"Hello");
         lUser->Content().push_back(std::move(lPart));
         r.Input().push_back(std::move(lUser));
         auto lAnswer = std::make_unique<TozkOpenAIClass_ResponseItem_Message>();
         lAnswer->SetRole(u"assistant");
         lAnswer->SetContentText(u"Hi.");
         r.Input().push_back(std::move(lAnswer));
         auto lCode = std::make_unique<TozkOpenAIClass_ResponseTool_CodeInterpreter>();
         lCode->FileIds()->Add(u"file-1");
         r.Tools().push_back(std::move(lCode));
         auto lFixed = std::make_unique<TozkOpenAIClass_ResponseTool_CodeInterpreter>();
         lFixed->SetContainerId(u"cntr_1");
         r.Tools().push_back(std::move(lFixed));
         return r.AsString();
       }},
      {"output message given back as input", u"CreateResponse",
       [] {
         // Read text is decoded; this one holds nothing that needs escaping again.
         TozkOpenAIClass_Response lEarlier(
             uR"({"output":[{"type":"message","id":"msg_1","status":"completed",)"
             uR"("role":"assistant","content":[{"type":"output_text","text":"Four.",)"
             uR"("annotations":[{"type":"file_citation","file_id":"f","filename":"a.txt",)"
             uR"("index":5}]}]}]})");
         TozkOpenAIClass_Request_Response r;
         r.SetModel(u"gpt-4o");
         r.Input().push_back(std::make_unique<TozkOpenAIClass_ResponseItem_Message>(
             lEarlier.Output()[0]->AsString()));
         return r.AsString();
       }},
      {"conversation with items", u"CreateConversationBody",
       [] {
         TozkOpenAIClass_Request_Conversation c;
         c.MetaData()->Add(u"topic=demo");
         auto lItem = std::make_unique<TozkOpenAIClass_ResponseItem_Message>();
         lItem->SetRole(u"user");
         lItem->SetContentText(u"Hello!");
         c.Items().push_back(std::move(lItem));
         return c.AsString();
       }},
      {"empty conversation", u"CreateConversationBody",
       [] { return TozkOpenAIClass_Request_Conversation().AsString(); }},
      {"conversation update", u"UpdateConversationBody",
       [] { return TozkOpenAIClass_Request_ConversationUpdate().AsString(); }},
      {"conversation items", u"CreateConversationItemsBody",
       [] {
         TozkOpenAIClass_Request_ConversationItems c;
         auto lItem = std::make_unique<TozkOpenAIClass_ResponseItem_Message>();
         lItem->SetRole(u"user");
         lItem->SetContentText(u"More.");
         c.Items().push_back(std::move(lItem));
         return c.AsString();
       }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.Name);
    std::u16string lBody = c.Body();
    EXPECT_EQ(Schemas().Check(lBody, c.Schema), "") << UTF16ToUTF8(lBody);
  }
}

// The checker itself: bodies with the faults a writer could make are rejected.
TEST(OpenAIResponsesSchema, CheckerRejectsFaultyBodies) {
  ASSERT_TRUE(Schemas().Loaded());
  struct TCase {
    std::u16string_view Schema;
    std::u16string Body;
    const char* Fault;
  };
  const TCase kCases[] = {
      {u"CreateResponse", uR"({"model":"m","temprature":1})", "$.temprature: not a member"},
      {u"CreateResponse", uR"({"model":"m","temperature":"1"})", "$.temperature"},
      {u"CreateResponse", uR"({"model":"m","temperature":3})", "above the maximum"},
      {u"CreateResponse", uR"({"model":"m","tools":[{"type":"file_search"}]})",
       "lacks required vector_store_ids"},
      {u"CreateResponse", uR"({"model":"m","tools":[{"type":"code_interpreter"}]})",
       "lacks required container"},
      {u"CreateResponse", uR"({"model":"m","input":[{"role":"robot","content":"x"}]})",
       "not one of the enumerated values"},
      {u"CreateResponse", uR"({"model":"m","max_output_tokens":1.5})", "max_output_tokens"},
      {u"CreateResponse", uR"({"model":"m","metadata":{"k":1}})", "$.metadata"},
      {u"UpdateConversationBody", uR"({})", "lacks required metadata"},
      {u"CreateConversationItemsBody", uR"({"items":{}})", "not of type array"},
      {u"NoSuchSchema", uR"({})", "no schema"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(UTF16ToUTF8(c.Body));
    std::string lFaults = Schemas().Check(c.Body, c.Schema);
    EXPECT_NE(lFaults.find(c.Fault), std::string::npos) << lFaults;
  }
}
