#include "openai/ozkHTTP_API_OpenAI_Runs.h"

#include <gtest/gtest.h>

#include "ozkHTTP_API_OpenAI_TestUtil.h"

using ozktest::ForBothRoutes;

namespace {

const std::u16string kRun = uR"({
  "id": "run_abc123",
  "object": "thread.run",
  "created_at": 1699063290,
  "assistant_id": "asst_abc123",
  "thread_id": "thread_abc123",
  "status": "requires_action",
  "started_at": 1699063290,
  "expires_at": 1699063890,
  "cancelled_at": null,
  "failed_at": null,
  "completed_at": 1699063291,
  "required_action": {"type": "submit_tool_outputs", "submit_tool_outputs": {"tool_calls": [
    {"id": "call_1", "type": "function",
     "function": {"name": "get_weather", "arguments": "{\"city\":\"Paris\"}"}}]}},
  "last_error": null,
  "model": "gpt-4o",
  "instructions": "You are a helpful assistant.",
  "tools": [{"type": "code_interpreter"}, {"type": "retrieval"}],
  "metadata": {"source": "test"},
  "incomplete_details": null,
  "usage": {"prompt_tokens": 123, "completion_tokens": 456, "total_tokens": 579},
  "temperature": 1.0,
  "top_p": 0.9,
  "max_prompt_tokens": 1000,
  "max_completion_tokens": 1000,
  "truncation_strategy": {"type": "last_messages", "last_messages": 5},
  "response_format": "auto",
  "tool_choice": {"type": "function", "function": {"name": "get_weather"}},
  "parallel_tool_calls": true
})";

const std::u16string kToolCallsStep = uR"J({
  "id": "step_abc123",
  "object": "thread.run.step",
  "created_at": 1699063291,
  "run_id": "run_abc123",
  "assistant_id": "asst_abc123",
  "thread_id": "thread_abc123",
  "type": "tool_calls",
  "status": "completed",
  "cancelled_at": null,
  "completed_at": 1699063291,
  "expired_at": null,
  "failed_at": null,
  "last_error": null,
  "step_details": {"type": "tool_calls", "tool_calls": [
    {"id": "call_ci", "type": "code_interpreter", "code_interpreter": {
      "input": "print(2+2)",
      "outputs": [{"type": "logs", "logs": "4\n"},
                  {"type": "image", "image": {"file_id": "file-png"}},
                  {"type": "chart"}]}},
    {"id": "call_fs", "type": "file_search", "file_search": {"ranking_options": {}, "results": []}},
    {"id": "call_fn", "type": "function", "function": {
      "name": "get_weather", "arguments": "{\"city\":\"Paris\"}", "output": "sunny"}},
    {"id": "call_x", "type": "browser"}
  ]},
  "usage": {"prompt_tokens": 123, "completion_tokens": 456, "total_tokens": 579},
  "metadata": {"m": "1"}
})J";

} // namespace

TEST(OpenAIRuns, RunResponseIsReadCompletely) {
  ForBothRoutes([] {
    TozkOpenAIClass_Run r(kRun);
    EXPECT_EQ(r.Id(), u"run_abc123");
    EXPECT_EQ(r._Object(), u"thread.run");
    EXPECT_EQ(r.CreatedAt(), 1699063290);
    EXPECT_EQ(r.AssistantId(), u"asst_abc123");
    EXPECT_EQ(r.ThreadId(), u"thread_abc123");
    EXPECT_EQ(r.Status(), u"requires_action");
    EXPECT_EQ(r.StartedAt(), 1699063290);
    EXPECT_EQ(r.ExpiresAt(), 1699063890);
    EXPECT_EQ(r.CancelledAt(), 0);
    EXPECT_EQ(r.FailedAt(), 0);
    EXPECT_EQ(r.CompletedAt(), 1699063291);
    // The object's text, escapes inside decoded.
    EXPECT_EQ(
        r.RequiredAction(),
        uR"({"type":"submit_tool_outputs","submit_tool_outputs":{"tool_calls":[{"id":"call_1",)"
        uR"("type":"function","function":{"name":"get_weather",)"
        uR"("arguments":"{"city":"Paris"}"}}]}})");
    EXPECT_EQ(r.LastError()->Code(), u"");
    EXPECT_EQ(r.LastError()->_Message(), u"");
    EXPECT_EQ(r.Model(), u"gpt-4o");
    EXPECT_EQ(r.Instructions(), u"You are a helpful assistant.");
    ASSERT_EQ(r.Tools().size(), 2u);
    EXPECT_EQ(r.Tools()[0]->_Type(), u"code_interpreter");
    EXPECT_EQ(r.Tools()[1], nullptr);
    EXPECT_EQ(r.MetaData()->Text(), u"source=test\r\n");
    EXPECT_EQ(r.IncompleteDetails(), u"");
    EXPECT_EQ(r.Usage()->PromptTokens(), 123);
    EXPECT_EQ(r.Usage()->CompletionTokens(), 456);
    EXPECT_EQ(r.Usage()->TotalTokens(), 579);
    EXPECT_EQ(r.Temperature(), 1.0);
    EXPECT_EQ(r.TopP(), 0.9);
    EXPECT_EQ(r.MaxPromptTokens(), 1000);
    EXPECT_EQ(r.MaxCompletionTokens(), 1000);
    EXPECT_EQ(r.TruncationStrategy()->_Type(), u"last_messages");
    EXPECT_EQ(r.TruncationStrategy()->LastMessages(), 5);
    EXPECT_EQ(r.ResponseFormat(), u"auto");
    EXPECT_EQ(r.ToolChoice(), uR"({"type":"function","function":{"name":"get_weather"}})");
  });

  TozkOpenAIClass_Run lQueued(uR"({"id":"run_1","status":"queued","required_action":null,)"
                              uR"("last_error":null,"usage":null,"incomplete_details":)"
                              uR"({"reason":"max_prompt_tokens"}})");
  EXPECT_EQ(lQueued.RequiredAction(), u"null");
  EXPECT_EQ(lQueued.Usage()->TotalTokens(), 0);
  EXPECT_EQ(lQueued.IncompleteDetails(), u"max_prompt_tokens");
  // An empty answer gives a run with an empty id and status.
  TozkOpenAIClass_Run lEmpty(u"{}");
  EXPECT_EQ(lEmpty.Id(), u"");
  EXPECT_EQ(lEmpty.Status(), u"");
}

TEST(OpenAIRuns, RunWritingRules) {
  // The run the assistant component creates: two members.
  TozkOpenAIClass_Request_Run lCreate;
  lCreate.SetAssistantId(u"asst_abc123");
  EXPECT_EQ(lCreate.AsString(), uR"({"assistant_id":"asst_abc123","stream":false})");

  // Temperature 0 is left out of a run (an assistant writes it); last_error only when set.
  TozkOpenAIClass_Run lRun;
  lRun.SetId(u"run_1");
  lRun.SetTemperature(0);
  lRun.LastError();
  EXPECT_EQ(lRun.AsString(), uR"({"id":"run_1"})");
  lRun.LastError()->SetCode(u"server_error");
  EXPECT_EQ(lRun.AsString(),
            uR"({"id":"run_1","last_error":{"code":"server_error","message":""}})");

  TozkOpenAIClass_Run lAll;
  lAll.SetId(u"run_2");
  lAll.Set_Object(u"thread.run");
  lAll.SetCreatedAt(1);
  lAll.SetThreadId(u"t");
  lAll.SetAssistantId(u"a");
  lAll.SetStatus(u"failed");
  lAll.SetRequiredAction(u"{\"type\":\"submit_tool_outputs\"}");
  lAll.LastError()->Set_Message(u"oops");
  lAll.SetExpiresAt(2);
  lAll.SetStartedAt(3);
  lAll.SetCancelledAt(4);
  lAll.SetFailedAt(5);
  lAll.SetCompletedAt(6);
  lAll.SetIncompleteDetails(u"max_completion_tokens");
  lAll.SetModel(u"gpt-4o");
  lAll.SetInstructions(u"[be brief]");
  lAll.Tools().push_back(std::make_unique<TozkOpenAIClass_Assistant_Tool_FileSearch>());
  lAll.MetaData()->Add(u"k=v");
  lAll.Usage(); // never written
  lAll.SetTemperature(0.5);
  lAll.SetTopP(0.25);
  lAll.SetMaxPromptTokens(7);
  lAll.SetMaxCompletionTokens(-1);
  lAll.TruncationStrategy()->Set_Type(u"auto");
  lAll.SetToolChoice(u"{\"type\":\"file_search\"}");
  lAll.SetResponseFormat(u"auto");
  EXPECT_EQ(
      lAll.AsString(),
      uR"({"id":"run_2","object":"thread.run","created_at":1,"thread_id":"t",)"
      uR"("assistant_id":"a","status":"failed","required_action":{"type":"submit_tool_outputs"},)"
      uR"("last_error":{"code":"","message":"oops"},"expires_at":2,"started_at":3,)"
      uR"("cancelled_at":4,"failed_at":5,"completed_at":6,"incomplete_details":)"
      uR"({"reason":"max_completion_tokens"},"model":"gpt-4o","instructions":"[be brief]",)"
      uR"("tools":[{"type":"file_search"}],"metadata":{"k":"v"},"temperature":0.5,)"
      uR"("top_p":0.25,"max_prompt_tokens":7,"truncation_strategy":{"type":"auto"},)"
      uR"("tool_choice":{"type":"file_search"},"response_format":"auto"})");

  TozkOpenAIClass_Request_Run lRequest;
  lRequest.SetAssistantId(u"asst_1");
  lRequest.SetModel(u"gpt-4o");
  lRequest.TruncationStrategy()->SetLastMessages(10);
  lRequest.SetAdditionalInstructions(u"Address the user as Jane Doe.");
  auto lExtra = std::make_unique<TozkOpenAIClass_Additional_Messages>();
  lExtra->SetRole(u"user");
  lExtra->SetContentText(u"Hi");
  lRequest.AdditionalMessages().push_back(std::move(lExtra));
  lRequest.SetStream(true);
  EXPECT_EQ(
      lRequest.AsString(),
      uR"({"assistant_id":"asst_1","model":"gpt-4o","truncation_strategy":{"last_messages":10},)"
      uR"("additional_instructions":"Address the user as Jane Doe.",)"
      uR"("additional_messages":[{"role":"user","content":"Hi"}],"stream":true})");
  EXPECT_EQ(lRequest.AsString(), lRequest.AsString());

  TozkOpenAIClass_TruncationStrategy lStrategy(uR"({"type":"auto","last_messages":null})");
  EXPECT_EQ(lStrategy.AsString(), uR"({"type":"auto","last_messages":null})"); // writes nothing
}

TEST(OpenAIRuns, ToolOutputsRequest) {
  TozkOpenAIClass_Request_ToolOutputs t;
  EXPECT_EQ(t.AsString(), uR"({"tool_outputs":[{}],"stream":false})");
  TozkOpenAIClass_Request_ToolOutputs lFull;
  lFull.SetToolCallId(u"call_1");
  lFull.SetOutput(u"22C");
  EXPECT_EQ(lFull.AsString(),
            uR"({"tool_outputs":[{"tool_call_id":"call_1","output":"22C"}],"stream":false})");
}

TEST(OpenAIRunSteps, ToolCallStep) {
  ForBothRoutes([] {
    TozkOpenAIClass_RunSteps s(kToolCallsStep);
    EXPECT_EQ(s.Id(), u"step_abc123");
    EXPECT_EQ(s._Object(), u"thread.run.step");
    EXPECT_EQ(s.CreatedAt(), 1699063291);
    EXPECT_EQ(s.RunId(), u"run_abc123");
    EXPECT_EQ(s.AssistantId(), u"asst_abc123");
    EXPECT_EQ(s.ThreadId(), u"thread_abc123");
    EXPECT_EQ(s._Type(), u"tool_calls");
    EXPECT_EQ(s.Status(), u"completed");
    EXPECT_EQ(s.CancelledAt(), 0);
    EXPECT_EQ(s.CompletedAt(), 1699063291);
    EXPECT_EQ(s.ExpiredAt(), 0);
    EXPECT_EQ(s.FailedAt(), 0);
    EXPECT_EQ(s.LastError(), u"null");
    EXPECT_EQ(s.Usage(), uR"({"prompt_tokens":123,"completion_tokens":456,"total_tokens":579})");
    EXPECT_EQ(s.MetaData()->Text(), u"m=1\r\n");
    auto* d = s.StepDetails();
    EXPECT_EQ(d->_Type(), u"tool_calls");
    EXPECT_EQ(d->MessageCreation(), nullptr);
    ASSERT_EQ(d->ToolCalls().size(), 4u);

    auto* lCode = dynamic_cast<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter*>(
        d->ToolCalls()[0].get());
    ASSERT_NE(lCode, nullptr);
    EXPECT_EQ(lCode->Id(), u"call_ci");
    EXPECT_EQ(lCode->_Type(), u"code_interpreter");
    EXPECT_EQ(lCode->Input(), u"print(2+2)");
    ASSERT_EQ(lCode->Outputs().size(), 3u);
    auto* lLog =
        dynamic_cast<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs_Log*>(
            lCode->Outputs()[0].get());
    ASSERT_NE(lLog, nullptr);
    EXPECT_EQ(lLog->Logs(), u"4\n");
    auto* lImage = dynamic_cast<
        TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs_Image*>(
        lCode->Outputs()[1].get());
    ASSERT_NE(lImage, nullptr);
    EXPECT_EQ(lImage->_Type(), u"image");
    EXPECT_EQ(lImage->FileId(), u"file-png");
    EXPECT_EQ(lCode->Outputs()[2], nullptr);

    auto* lSearch = dynamic_cast<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_FileSearch*>(
        d->ToolCalls()[1].get());
    ASSERT_NE(lSearch, nullptr);
    EXPECT_EQ(lSearch->FileSearch(), uR"({"ranking_options":{},"results":[]})");

    auto* lFunction = dynamic_cast<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_Function*>(
        d->ToolCalls()[2].get());
    ASSERT_NE(lFunction, nullptr);
    EXPECT_EQ(lFunction->_Name(), u"get_weather");
    EXPECT_EQ(lFunction->Arguments(), u"{\"city\":\"Paris\"}");
    EXPECT_EQ(lFunction->Output(), u"sunny");
    EXPECT_EQ(d->ToolCalls()[3], nullptr);
  });

  // Members given at the top level of the call, beside "type", are read from there.
  TozkOpenAIClass_RunStepDetail_Details lFlat(
      uR"({"type":"tool_calls","tool_calls":[{"index":2,"id":"c","type":"code_interpreter",)"
      uR"("input":"x=1","outputs":[{"index":0,"type":"logs","logs":"ok"}]},)"
      uR"({"type":"function","name":"f","arguments":"{}","output":null}]})");
  auto* lCode = dynamic_cast<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter*>(
      lFlat.ToolCalls()[0].get());
  ASSERT_NE(lCode, nullptr);
  EXPECT_EQ(lCode->_Index(), 2);
  EXPECT_EQ(lCode->Input(), u"x=1");
  ASSERT_EQ(lCode->Outputs().size(), 1u);
  EXPECT_EQ(lCode->Outputs()[0]->_Index(), 0);
  auto* lFunction = dynamic_cast<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_Function*>(
      lFlat.ToolCalls()[1].get());
  ASSERT_NE(lFunction, nullptr);
  EXPECT_EQ(lFunction->_Name(), u"f");
  EXPECT_EQ(lFunction->Output(), u"null");
}

TEST(OpenAIRunSteps, MessageCreationStepAndLists) {
  const std::u16string lStep =
      uR"({"id":"step_1","object":"thread.run.step","type":"message_creation",)"
      uR"("step_details":{"type":"message_creation",)"
      uR"("message_creation":{"message_id":"msg_abc123"}},)"
      uR"("last_error":{"code":"server_error","message":"x"},"usage":null,"metadata":null})";
  ForBothRoutes([&] {
    TozkOpenAIClass_RunSteps s(lStep);
    ASSERT_NE(s.StepDetails()->MessageCreation(), nullptr);
    EXPECT_EQ(s.StepDetails()->MessageCreation()->MessageId(), u"msg_abc123");
    EXPECT_TRUE(s.StepDetails()->ToolCalls().empty());
    EXPECT_EQ(s.LastError(), uR"({"code":"server_error","message":"x"})");
    EXPECT_EQ(s.Usage(), u"null");
    EXPECT_EQ(s.MetaData()->Count(), 0);

    TozkOpenAIClass_Response_List_RunSteps lSteps(u"{\"object\":\"list\",\"data\":[" + lStep +
                                                  u"," + kToolCallsStep + u"],\"has_more\":false}");
    ASSERT_EQ(lSteps.Runs().size(), 2u);
    EXPECT_EQ(lSteps.Runs()[1]->StepDetails()->ToolCalls().size(), 4u);
    TozkOpenAIClass_Response_List_Runs lRuns(u"{\"object\":\"list\",\"data\":[" + kRun + u"]}");
    ASSERT_EQ(lRuns.Runs().size(), 1u);
    EXPECT_EQ(lRuns.Runs()[0]->Usage()->TotalTokens(), 579);
    EXPECT_EQ(lRuns.Runs()[0]->TruncationStrategy()->LastMessages(), 5);
  });
  // Without step details the details exist only once read, with nothing in them.
  TozkOpenAIClass_RunSteps lBare(u"{\"id\":\"step_2\"}");
  EXPECT_EQ(lBare.StepDetails()->_Type(), u"");
  EXPECT_EQ(lBare.StepDetails()->MessageCreation(), nullptr);
}

// A child read from its parent's document keeps the document it was read from: the parent's
// later writes into that member do not show in the child.
TEST(OpenAIRuns, ChildrenKeepTheDocumentTheyWereReadFrom) {
  ForBothRoutes([] {
    TozkOpenAIClass_Run r(
        uR"({"id":"run_1","truncation_strategy":{"type":"auto","last_messages":2},)"
        uR"("last_error":{"code":"a","message":"b"}})");
    r.TruncationStrategy()->Set_Type(u"last_messages");
    r.TruncationStrategy()->SetLastMessages(3);
    r.LastError()->SetCode(u"x");
    EXPECT_EQ(r.AsString(), uR"({"id":"run_1","truncation_strategy":{"type":"last_messages",)"
                            uR"("last_messages":3},"last_error":{"code":"x","message":"b"}})");
    EXPECT_EQ(r.TruncationStrategy()->AsString(), uR"({"type":"auto","last_messages":2})");
    EXPECT_EQ(r.LastError()->AsString(), uR"({"code":"x","message":"b"})");
    // Reading again replaces the parent's document; the children read now see the new one.
    r.Read(uR"({"truncation_strategy":{"type":"auto"}})");
    EXPECT_EQ(r.TruncationStrategy()->AsString(), uR"({"type":"auto"})");
  });
}

// A child created on first read is dropped when a later document lacks its member; nothing
// tested that, so a child kept from the previous document (its old values reported as the new
// answer's) would have gone unnoticed.
TEST(OpenAIRuns, ALazyChildIsDroppedWhenItsMemberIsAbsent) {
  ForBothRoutes([] {
    TozkOpenAIClass_Run r(uR"({"id":"run_1","usage":{"total_tokens":579},)"
                          uR"("truncation_strategy":{"type":"last_messages","last_messages":5}})");
    EXPECT_EQ(r.Usage()->TotalTokens(), 579);
    EXPECT_EQ(r.TruncationStrategy()->LastMessages(), 5);
    r.Read(uR"({"id":"run_2"})");
    EXPECT_EQ(r.Usage()->TotalTokens(), 0);
    EXPECT_EQ(r.TruncationStrategy()->LastMessages(), 0);
    EXPECT_EQ(r.TruncationStrategy()->_Type(), u"");
  });
}
