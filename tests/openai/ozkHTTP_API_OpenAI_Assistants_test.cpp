#include "openai/ozkHTTP_API_OpenAI_Assistants.h"

#include <gtest/gtest.h>

#include "ozkHTTP_API_OpenAI_TestUtil.h"

using ozktest::ForBothRoutes;

namespace {

// An assistant as the service returns it, with a member the model does not know ("extra").
const std::u16string kAssistant = uR"({
  "id": "asst_abc123",
  "object": "assistant",
  "created_at": 1698984975,
  "name": "Math Tutor",
  "description": null,
  "model": "gpt-4o",
  "instructions": "You are a personal math tutor.\nWrite and run code to answer math questions.",
  "tools": [
    {"type": "code_interpreter"},
    {"type": "file_search", "file_search": {"max_num_results": 20}},
    {"type": "function", "function": {"name": "f"}, "description": "Looks up \"weather\"",
     "name": "get_weather", "parameters": {"type": "object", "properties": {}}},
    {"type": "web_browser"}
  ],
  "tool_resources": {
    "code_interpreter": {"file_ids": ["file-1", "file-2"]},
    "file_search": {"vector_store_ids": ["vs_1"]}
  },
  "metadata": {"owner": "ozk", "tier": "gold"},
  "top_p": 1.0,
  "temperature": 0.7,
  "response_format": {"type": "json_object"},
  "extra": {"ignored": [1, 2, 3]}
})";

// A message with two text parts (annotations of both kinds), an image part, an unknown part and
// an attachment.
const std::u16string kMessage = uR"({
  "id": "msg_abc123",
  "object": "thread.message",
  "created_at": 1699017614,
  "assistant_id": "asst_abc123",
  "thread_id": "thread_abc123",
  "run_id": "run_abc123",
  "status": "completed",
  "incomplete_details": null,
  "completed_at": 1699017620,
  "incomplete_at": null,
  "role": "assistant",
  "content": [
    {"type": "text", "text": {"value": "First part", "annotations": []}},
    {"type": "image_file", "image_file": {"file_id": "file-img", "detail": "high"}},
    {"type": "audio", "audio": {}},
    {"type": "text", "text": {
      "value": "Line one\nLine \"two\" \u00e9\u3010source\u3011",
      "annotations": [
        {"type": "file_citation", "text": "\u30104:0\u2020source\u3011", "start_index": 31,
         "end_index": 43, "file_citation": {"file_id": "file-cite", "quote": "a quote"}},
        {"type": "file_path", "text": "sandbox:/mnt/data/out.csv", "start_index": 1,
         "end_index": 25, "file_path": {"file_id": "file-out"}},
        {"type": "unknown_annotation", "text": "?"}
      ]}}
  ],
  "attachments": [
    {"file_id": "file-att", "tools": [{"type": "file_search"}, {"type": "code_interpreter"}]}
  ],
  "metadata": {"k": "v"}
})";

} // namespace

TEST(OpenAIAssistants, AssistantResponseIsReadCompletely) {
  ForBothRoutes([] {
    TozkOpenAIClass_Assistant a(kAssistant);
    EXPECT_EQ(a.Id(), u"asst_abc123");
    EXPECT_EQ(a._Object(), u"assistant");
    EXPECT_EQ(a.CreatedAt(), 1698984975);
    EXPECT_EQ(a.Name(), u"Math Tutor");
    EXPECT_EQ(a.Description(), u"null");
    EXPECT_EQ(a.Model(), u"gpt-4o");
    EXPECT_EQ(a.Instructions(),
              u"You are a personal math tutor.\nWrite and run code to answer math questions.");
    ASSERT_EQ(a.Tools().size(), 4u);
    EXPECT_NE(dynamic_cast<TozkOpenAIClass_Assistant_Tool_CodeInterpreter*>(a.Tools()[0].get()),
              nullptr);
    EXPECT_NE(dynamic_cast<TozkOpenAIClass_Assistant_Tool_FileSearch*>(a.Tools()[1].get()),
              nullptr);
    auto* f = dynamic_cast<TozkOpenAIClass_Assistant_Tool_Function*>(a.Tools()[2].get());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->_Type(), u"function");
    EXPECT_EQ(f->_Name(), u"get_weather");
    EXPECT_EQ(f->Description(), u"Looks up \"weather\"");
    EXPECT_EQ(f->Parameters(), u"{\"type\":\"object\",\"properties\":{}}");
    EXPECT_EQ(a.Tools()[3], nullptr); // unknown type: none at its index
    ASSERT_NE(a.ToolResources(), nullptr);
    EXPECT_EQ(a.ToolResources()->CodeInterpreter()->FileIds()->Text(), u"file-1\r\nfile-2\r\n");
    EXPECT_EQ(a.ToolResources()->FileSearch()->VectorStoreIds()->Text(), u"vs_1\r\n");
    EXPECT_EQ(a.MetaData()->Text(), u"owner=ozk\r\ntier=gold\r\n");
    EXPECT_EQ(a.Temperature(), 0.7);
    EXPECT_EQ(a.TopP(), 1.0);
    EXPECT_EQ(a.ResponseFormat(), u"{\"type\":\"json_object\"}");
  });

  // The function tool as the service sends it: its members inside "function".
  TozkOpenAIClass_Assistant_Tool_Function lNested(
      uR"({"type":"function","function":{"name":"get_weather","description":"Weather",)"
      uR"("parameters":{"type":"object"},"strict":false}})");
  EXPECT_EQ(lNested._Name(), u"get_weather");
  EXPECT_EQ(lNested.Description(), u"Weather");
  EXPECT_EQ(lNested.Parameters(), u"{\"type\":\"object\"}");
  lNested.Set_Name(u"get_forecast");
  EXPECT_EQ(lNested.AsString(),
            uR"({"type":"function","function":{"name":"get_forecast","description":"Weather",)"
            uR"("parameters":{"type":"object"},"strict":false}})");

  TozkOpenAIClass_Assistant lBare(u"{\"id\":\"asst_x\",\"tools\":[]}");
  EXPECT_EQ(lBare.ToolResources(), nullptr);
  EXPECT_TRUE(lBare.Tools().empty());
  EXPECT_EQ(lBare.MetaData()->Count(), 0);
}

TEST(OpenAIAssistants, AssistantRequestWritesRowsInOrder) {
  TozkOpenAIClass_Request_Assistant r;
  r.SetName(u"Math Tutor");
  r.SetModel(u"gpt-4o");
  // The plain constructor sets nothing: temperature and top-p of 0 are written.
  EXPECT_EQ(r.AsString(), uR"({"name":"Math Tutor","model":"gpt-4o","temperature":0,"top_p":0})");
  EXPECT_EQ(r.AsString(), r.AsString());

  TozkOpenAIClass_Request_Assistant s;
  s.SetName(u"n");
  s.SetModel(u"m");
  s.SetTemperature(-1);
  s.SetTopP(-1);
  EXPECT_EQ(s.AsString(), uR"({"name":"n","model":"m"})");

  TozkOpenAIClass_Request_Assistant full;
  full.SetModel(u"gpt-4o");
  full.SetName(u"Help");
  full.SetDescription(u"desk");
  // Escaped free text that starts with a bracket stays a JSON string.
  full.SetInstructions(u"[rule] answer\\n");
  TozkOpenAIArray_Assistant_Tools lTools;
  lTools.push_back(std::make_unique<TozkOpenAIClass_Assistant_Tool_CodeInterpreter>());
  lTools.push_back(std::make_unique<TozkOpenAIClass_Assistant_Tool_FileSearch>());
  auto lFunction = std::make_unique<TozkOpenAIClass_Assistant_Tool_Function>();
  lFunction->Set_Name(u"lookup");
  lFunction->SetParameters(u"{\"type\":\"object\"}");
  lTools.push_back(std::move(lFunction));
  full.SetTools(std::move(lTools));
  auto lResources = std::make_unique<TozkOpenAIClass_Assistant_Resources>();
  lResources->FileSearch()->VectorStoreIds()->Add(u"vs_42");
  full.SetToolResources(std::move(lResources));
  full.MetaData()->Add(u"team=a=b");
  full.SetTemperature(1);
  full.SetTopP(0.5);
  full.SetResponseFormat(u"{\"type\":\"json_object\"}");
  EXPECT_EQ(full.AsString(),
            uR"({"name":"Help","description":"desk","model":"gpt-4o",)"
            uR"("instructions":"[rule] answer\n","tools":[{"type":"code_interpreter"},)"
            uR"({"type":"file_search"},{"type":"function","function":{"name":"lookup",)"
            uR"("parameters":{"type":"object"}}}],"tool_resources":{"file_search":)"
            uR"({"vector_store_ids":["vs_42"]}},"metadata":{"team":"a=b"},"temperature":1,)"
            uR"("top_p":0.5,"response_format":{"type":"json_object"}})");
}

TEST(OpenAIAssistants, ToolResourcesWriting) {
  TozkOpenAIClass_Assistant_Resources_CodeInterpreter lCode;
  EXPECT_EQ(lCode.AsString(), uR"({"file_ids":[]})"); // always written by itself
  TozkOpenAIClass_Assistant_Resources_FileSearch lSearch;
  EXPECT_EQ(lSearch.AsString(), u"{}");
  lSearch.VectorStores()->Add(u"{\"file_ids\":[\"f\"]}");
  EXPECT_EQ(lSearch.AsString(), uR"({"vector_stores":[{"file_ids":["f"]}]})");

  TozkOpenAIClass_Assistant_Resources lResources;
  lResources.CodeInterpreter();
  lResources.FileSearch()->VectorStores()->Add(u"{}");
  EXPECT_EQ(lResources.AsString(), uR"({"code_interpreter":{},"file_search":{}})");

  TozkOpenAIClass_Assistant_Resources lRead(
      uR"({"code_interpreter":{"file_ids":["a"]},"file_search":{"vector_store_ids":["v"],)"
      uR"("vector_stores":[{"file_ids":[]}]}})");
  EXPECT_EQ(lRead.FileSearch()->VectorStores()->Text(), u"{\"file_ids\":[]}\r\n");
  EXPECT_EQ(lRead.CodeInterpreter()->FileIds()->Text(), u"a\r\n");
}

TEST(OpenAIThreads, ThreadResponseAndWriting) {
  ForBothRoutes([] {
    TozkOpenAIClass_Thread t(
        uR"({"id":"thread_abc123","object":"thread","created_at":1699012949,)"
        uR"("metadata":{},"tool_resources":{"code_interpreter":{"file_ids":[]}}})");
    EXPECT_EQ(t.Id(), u"thread_abc123");
    EXPECT_EQ(t._Object(), u"thread");
    EXPECT_EQ(t.CreatedAt(), 1699012949);
    ASSERT_NE(t.ToolResources(), nullptr);
    EXPECT_FALSE(t.ToolResources()->HasFileSearch());
    EXPECT_EQ(t.MetaData()->Count(), 0);
  });

  TozkOpenAIClass_Thread t;
  t.SetToolResources(std::make_unique<TozkOpenAIClass_Assistant_Resources>());
  EXPECT_EQ(t.AsString(), uR"({"tool_resources":{}})");
  TozkOpenAIClass_Thread both;
  auto lResources = std::make_unique<TozkOpenAIClass_Assistant_Resources>();
  lResources->CodeInterpreter()->FileIds()->Add(u"file-1");
  lResources->FileSearch()->VectorStoreIds()->Add(u"vs_1");
  both.SetToolResources(std::move(lResources));
  both.SetId(u"thread_1");
  EXPECT_EQ(both.AsString(),
            uR"({"id":"thread_1","tool_resources":{"code_interpreter":)"
            uR"({"file_ids":["file-1"]},"file_search":{"vector_store_ids":["vs_1"]}}})");

  TozkOpenAIClass_Request_Thread lEmpty;
  EXPECT_EQ(lEmpty.AsString(), u"{}");
  TozkOpenAIClass_Request_Thread r;
  auto lMessage = std::make_unique<TozkOpenAIClass_Message>();
  lMessage->SetRole(u"user");
  lMessage->SetContentText(u"Hi");
  r.Messages().push_back(std::move(lMessage));
  auto lRequestResources = std::make_unique<TozkOpenAIClass_Assistant_Resources>();
  lRequestResources->CodeInterpreter();
  r.SetToolResources(std::move(lRequestResources));
  r.MetaData()->Add(u"a=1");
  EXPECT_EQ(r.AsString(), uR"({"messages":[{"role":"user","content":"Hi"}],)"
                          uR"("tool_resources":{"code_interpreter":{"file_ids":[]}},)"
                          uR"("metadata":{"a":"1"}})");
}

TEST(OpenAIMessages, MessageResponseIsReadCompletely) {
  ForBothRoutes([] {
    TozkOpenAIClass_Message m(kMessage);
    EXPECT_EQ(m.Id(), u"msg_abc123");
    EXPECT_EQ(m._Object(), u"thread.message");
    EXPECT_EQ(m.CreatedAt(), 1699017614);
    EXPECT_EQ(m.AssistantId(), u"asst_abc123");
    EXPECT_EQ(m.ThreadId(), u"thread_abc123");
    EXPECT_EQ(m.RunId(), u"run_abc123");
    EXPECT_EQ(m.Status(), u"completed");
    EXPECT_EQ(m.IncompleteDetails(), u"");
    EXPECT_EQ(m.CompletedAt(), 1699017620);
    EXPECT_EQ(m.IncompleteAt(), 0);
    EXPECT_EQ(m.Role(), u"assistant");
    // The last text part, escapes kept.
    EXPECT_EQ(m.ContentText(), uR"(Line one\nLine \"two\" \u00e9\u3010source\u3011)");
    ASSERT_EQ(m.Content().size(), 4u);
    auto* lFirst = dynamic_cast<TozkOpenAIClass_MessageContent_Text*>(m.Content()[0].get());
    ASSERT_NE(lFirst, nullptr);
    EXPECT_EQ(lFirst->Value(), u"First part");
    EXPECT_TRUE(lFirst->Annotations().empty());
    auto* lImage = dynamic_cast<TozkOpenAIClass_MessageContent_ImageFile*>(m.Content()[1].get());
    ASSERT_NE(lImage, nullptr);
    EXPECT_EQ(lImage->FileId(), u"file-img");
    EXPECT_EQ(lImage->Detail(), u"high");
    EXPECT_EQ(m.Content()[2], nullptr);
    auto* lSecond = dynamic_cast<TozkOpenAIClass_MessageContent_Text*>(m.Content()[3].get());
    ASSERT_NE(lSecond, nullptr);
    EXPECT_EQ(lSecond->_Type(), u"text");
    EXPECT_EQ(lSecond->Value(), u"Line one\nLine \"two\" \u00e9\u3010source\u3011"); // decoded
    ASSERT_EQ(lSecond->Annotations().size(), 3u);
    auto* lCitation =
        dynamic_cast<TozkOpenAIClass_Annotation_FileCitation*>(lSecond->Annotations()[0].get());
    ASSERT_NE(lCitation, nullptr);
    EXPECT_EQ(lCitation->_Type(), u"file_citation");
    EXPECT_EQ(lCitation->Text(), u"\u30104:0\u2020source\u3011");
    EXPECT_EQ(lCitation->StartIndex(), 31);
    EXPECT_EQ(lCitation->EndIndex(), 43);
    EXPECT_EQ(lCitation->FileId(), u"file-cite");
    EXPECT_EQ(lCitation->Quote(), u"a quote");
    auto* lPath =
        dynamic_cast<TozkOpenAIClass_Annotation_FilePath*>(lSecond->Annotations()[1].get());
    ASSERT_NE(lPath, nullptr);
    EXPECT_EQ(lPath->FileId(), u"file-out");
    EXPECT_EQ(lPath->Text(), u"sandbox:/mnt/data/out.csv");
    EXPECT_EQ(lSecond->Annotations()[2], nullptr);
    ASSERT_EQ(m.Attachments().size(), 1u);
    EXPECT_EQ(m.Attachments()[0]->FileId(), u"file-att");
    ASSERT_EQ(m.Attachments()[0]->Tools().size(), 2u);
    EXPECT_EQ(m.Attachments()[0]->Tools()[1]->_Type(), u"code_interpreter");
    EXPECT_EQ(m.MetaData()->Text(), u"k=v\r\n");
    // The child documents hold exactly their members.
    EXPECT_EQ(lImage->AsString(),
              uR"({"type":"image_file","image_file":{"file_id":"file-img","detail":"high"}})");
  });
}

TEST(OpenAIMessages, ContentTextAndEdgeShapes) {
  // A text part without "text" leaves ContentText as it was and reads no value.
  TozkOpenAIClass_Message m(uR"({"content":[{"type":"text","text":{"value":"a\tb"}},)"
                            uR"({"type":"text"}],"incomplete_details":{"reason":"max_tokens"}})");
  EXPECT_EQ(m.ContentText(), uR"(a\tb)");
  EXPECT_EQ(m.IncompleteDetails(), u"max_tokens");
  auto* lBare = dynamic_cast<TozkOpenAIClass_MessageContent_Text*>(m.Content()[1].get());
  ASSERT_NE(lBare, nullptr);
  EXPECT_EQ(lBare->Value(), u"");

  // An annotation of type "text" is a file path read from "file_citation".
  TozkOpenAIClass_MessageContent_Text lPart(
      uR"({"type":"text","text":{"value":"v","annotations":[{"type":"text",)"
      uR"("file_citation":{"file_id":"file-c"}}]}})");
  auto* lPath = dynamic_cast<TozkOpenAIClass_Annotation_FilePath*>(lPart.Annotations()[0].get());
  ASSERT_NE(lPath, nullptr);
  EXPECT_EQ(lPath->FileId(), u"file-c");

  // An invalid escape in a part's value stops the whole message with the unescaping error.
  EXPECT_THROW(TozkOpenAIClass_Message(uR"({"content":[{"type":"text","text":{"value":"\q"}}]})"),
               EozkJSONError);
}

TEST(OpenAIMessages, RequestMessageWriting) {
  // What the assistant component sends for user text: two members.
  TozkOpenAIClass_Request_Message r;
  r.SetRole(u"user");
  r.SetContentText(u"What is 2+2?\\n");
  EXPECT_EQ(r.AsString(), uR"({"role":"user","content":"What is 2+2?\n"})");

  // User text that begins with a bracket is still sent as a string (it used to go out as
  // broken embedded JSON).
  TozkOpenAIClass_Request_Message lBracket;
  lBracket.SetRole(u"user");
  lBracket.SetContentText(u"{\\\"a\\\":1} what is this?");
  EXPECT_EQ(lBracket.AsString(), uR"({"role":"user","content":"{\"a\":1} what is this?"})");

  // ContentText wins over Content; Content alone is written as an array of parts.
  TozkOpenAIClass_Request_Message lBoth;
  lBoth.SetContentText(u"text");
  lBoth.Content().push_back(std::make_unique<TozkOpenAIClass_MessageContent_Text>());
  EXPECT_EQ(lBoth.AsString(), uR"({"content":"text"})");

  TozkOpenAIClass_Request_Message lParts;
  lParts.SetRole(u"user");
  auto lText = std::make_unique<TozkOpenAIClass_MessageContent_Text>();
  lText->SetValue(u"Describe this");
  lParts.Content().push_back(std::move(lText));
  auto lUrl = std::make_unique<TozkOpenAIClass_MessageContent_ImageUrl>();
  lUrl->SetUrl(u"https://example.invalid/cat.png");
  lUrl->SetDetail(u"low");
  lParts.Content().push_back(std::move(lUrl));
  lParts.Content().push_back(std::make_unique<TozkOpenAIClass_MessageContent_ImageFile>());
  auto lAttachment = std::make_unique<TozkOpenAIClass_Message_Attachment>();
  lAttachment->SetFileId(u"file-9");
  lAttachment->Tools().push_back(std::make_unique<TozkOpenAIClass_Assistant_Tool_FileSearch>());
  lParts.Attachments().push_back(std::move(lAttachment));
  lParts.MetaData()->Add(u"k=v");
  EXPECT_EQ(lParts.AsString(),
            uR"({"role":"user","content":[{"type":"text","text":{"value":"Describe this"}},)"
            uR"({"type":"image_url","image_url":{"url":"https://example.invalid/cat.png",)"
            uR"("detail":"low"}},{"type":"image_file","image_file":{}}],)"
            uR"("attachments":[{"file_id":"file-9","tools":[{"type":"file_search"}]}],)"
            uR"("metadata":{"k":"v"}})");
  EXPECT_EQ(lParts.AsString(), lParts.AsString());

  // Every row of the message, in order.
  TozkOpenAIClass_Message lAll;
  lAll.SetId(u"msg_1");
  lAll.Set_Object(u"thread.message");
  lAll.SetCreatedAt(1);
  lAll.SetThreadId(u"t");
  lAll.SetStatus(u"incomplete");
  lAll.SetIncompleteDetails(u"max_tokens");
  lAll.SetCompletedAt(2);
  lAll.SetIncompleteAt(3);
  lAll.SetRole(u"assistant");
  lAll.SetContentText(u"x");
  lAll.SetAssistantId(u"a");
  lAll.SetRunId(u"r");
  EXPECT_EQ(lAll.AsString(),
            uR"({"id":"msg_1","object":"thread.message","created_at":1,"thread_id":"t",)"
            uR"("status":"incomplete","incomplete_details":{"reason":"max_tokens"},)"
            uR"("completed_at":2,"incomplete_at":3,"role":"assistant","content":"x",)"
            uR"("assistant_id":"a","run_id":"r"})");

  TozkOpenAIClass_Additional_Messages lAdditional;
  lAdditional.SetRole(u"assistant");
  EXPECT_EQ(lAdditional.AsString(), uR"({"role":"assistant"})");
}

TEST(OpenAIMessages, TextPartWritesAnnotationsBesideText) {
  TozkOpenAIClass_MessageContent_Text lPart(
      uR"({"type":"text","text":{"value":"v","annotations":[{"type":"file_path",)"
      uR"("text":"t","start_index":0,"end_index":1,"file_path":{"file_id":"f"}}]}})");
  ASSERT_EQ(lPart.Annotations().size(), 1u);
  // A read part writes its document back, with the annotations as an object member beside
  // "text", each under its index.
  EXPECT_EQ(lPart.AsString(),
            uR"({"type":"text","text":{"value":"v","annotations":[{"type":"file_path","text":"t",)"
            uR"("start_index":0,"end_index":1,"file_path":{"file_id":"f"}}]},"annotations":)"
            uR"({"0":{"type":"file_path","text":"t","start_index":0,"end_index":1,)"
            uR"("file_path":{"file_id":"f"}}}})");
}

TEST(OpenAIAssistants, ListsReadOnlyData) {
  ForBothRoutes([] {
    TozkOpenAIClass_Response_List_Messages lList(
        u"{\"object\":\"list\",\"data\":[" + kMessage + u"," + kMessage +
        u"],\"first_id\":\"msg_abc123\",\"last_id\":\"msg_abc123\",\"has_more\":false}");
    ASSERT_EQ(lList.Messages().size(), 2u);
    EXPECT_EQ(lList.Messages()[1]->Id(), u"msg_abc123");
    EXPECT_EQ(lList.Messages()[1]->Content().size(), 4u);

    TozkOpenAIClass_Response_List_Assistants lAssistants(u"{\"object\":\"list\",\"data\":[" +
                                                         kAssistant + u"],\"has_more\":true}");
    ASSERT_EQ(lAssistants.Asisstants().size(), 1u);
    EXPECT_EQ(lAssistants.Asisstants()[0]->Name(), u"Math Tutor");
  });
  EXPECT_TRUE(
      TozkOpenAIClass_Response_List_Messages(uR"({"object":"list","data":[]})").Messages().empty());
  EXPECT_TRUE(TozkOpenAIClass_Response_List_Messages(uR"({"object":"list"})").Messages().empty());
  // Reading again replaces the entries.
  TozkOpenAIClass_Response_List_Assistants lAgain(u"{\"data\":[{\"id\":\"a\"},{\"id\":\"b\"}]}");
  lAgain.Read(u"{\"data\":[{\"id\":\"c\"}]}");
  ASSERT_EQ(lAgain.Asisstants().size(), 1u);
  EXPECT_EQ(lAgain.Asisstants()[0]->Id(), u"c");
}

TEST(OpenAIMessages, MessageTakenFromItsListOutlivesTheList) {
  ForBothRoutes([] {
    auto lList = std::make_unique<TozkOpenAIClass_Response_List_Messages>(
        u"{\"object\":\"list\",\"data\":[" + kMessage + u"]}");
    std::unique_ptr<TozkOpenAIClass_Message> lMessage = std::move(lList->Messages()[0]);
    lList->Read(u"{\"data\":[]}");
    lList.reset();
    TozkOpenAIClass_Message lDirect(kMessage);
    EXPECT_EQ(lMessage->AsString(), lDirect.AsString());
    EXPECT_EQ(lMessage->Content()[3]->AsString(), lDirect.Content()[3]->AsString());
  });
}
