// OpenAI object model, runs family: reading and writing of runs, tool outputs and run steps.
#include "openai/ozkHTTP_API_OpenAI_Runs.h"

void TozkOpenAIClass_TruncationStrategy::DoReadJSON() {
  F_Type = ReadString(u"type");
  FLastMessages = ReadInteger(u"last_messages");
}

// --- Runs ----------------------------------------------------------------------------------------

TozkOpenAIClass_Last_Error* TozkOpenAIClass_Run_Base::LastError() {
  return Lazy(FLastError);
}

TStringList* TozkOpenAIClass_Run_Base::MetaData() {
  return Lazy(FMetaData);
}

TozkOpenAIClass_Usage* TozkOpenAIClass_Run_Base::Usage() {
  return Lazy(FUsage);
}

TozkOpenAIClass_TruncationStrategy* TozkOpenAIClass_Run_Base::TruncationStrategy() {
  return Lazy(FTruncationStrategy);
}

void TozkOpenAIClass_Run_Base::DoReadJSON() {
  FId = ReadString(u"id");
  F_Object = ReadString(u"object");
  FCreatedAt = ReadInteger(u"created_at");
  FThreadId = ReadString(u"thread_id");
  FAssistantId = ReadString(u"assistant_id");
  FStatus = ReadString(u"status");
  FRequiredAction = ReadString(u"required_action");
  ReadLazyChild(u"last_error", FLastError);
  FExpiresAt = ReadInteger(u"expires_at");
  FStartedAt = ReadInteger(u"started_at");
  FCancelledAt = ReadInteger(u"cancelled_at");
  FFailedAt = ReadInteger(u"failed_at");
  FCompletedAt = ReadInteger(u"completed_at");
  TozkObjectJSON* lDetails = FindMember(u"incomplete_details");
  FIncompleteDetails = lDetails ? ReadString(u"reason", lDetails) : std::u16string();
  FModel = ReadString(u"model");
  FInstructions = ReadString(u"instructions");
  ReadObjectArray(u"tools", FTools, TozkOpenAIClass_Assistant_Tool::CreateFromItem);
  MetaData()->Clear();
  ReadMetaData(u"metadata", MetaData());
  ReadLazyChild(u"usage", FUsage);
  FTemperature = ReadDouble(u"temperature");
  FTopP = ReadDouble(u"top_p");
  FMaxPromptTokens = ReadInteger(u"max_prompt_tokens");
  FMaxCompletionTokens = ReadInteger(u"max_completion_tokens");
  ReadLazyChild(u"truncation_strategy", FTruncationStrategy);
  FToolChoice = ReadString(u"tool_choice");
  FResponseFormat = ReadString(u"response_format");
}

void TozkOpenAIClass_Run_Base::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FId.empty()) lDoc->AddPair(u"id", FId);
  if (!F_Object.empty()) lDoc->AddPair(u"object", F_Object);
  if (FCreatedAt != 0) lDoc->AddPair(u"created_at", FCreatedAt);
  if (!FThreadId.empty()) lDoc->AddPair(u"thread_id", FThreadId);
  if (!FAssistantId.empty()) lDoc->AddPair(u"assistant_id", FAssistantId);
  if (!FStatus.empty()) lDoc->AddPair(u"status", FStatus);
  if (!FRequiredAction.empty()) lDoc->AddPair(u"required_action", FRequiredAction);
  if (FLastError && (!FLastError->Code().empty() || !FLastError->_Message().empty())) {
    TozkJSON* lError = lDoc->AddObject(u"last_error", u"")->JSONObject();
    lError->AddPair(u"code", FLastError->Code());
    lError->AddPair(u"message", FLastError->_Message());
  }
  if (FExpiresAt != 0) lDoc->AddPair(u"expires_at", FExpiresAt);
  if (FStartedAt != 0) lDoc->AddPair(u"started_at", FStartedAt);
  if (FCancelledAt != 0) lDoc->AddPair(u"cancelled_at", FCancelledAt);
  if (FFailedAt != 0) lDoc->AddPair(u"failed_at", FFailedAt);
  if (FCompletedAt != 0) lDoc->AddPair(u"completed_at", FCompletedAt);
  if (!FIncompleteDetails.empty())
    lDoc->AddObject(u"incomplete_details", u"")
        ->JSONObject()
        ->AddPair(u"reason", FIncompleteDetails);
  if (!FModel.empty()) lDoc->AddPair(u"model", FModel);
  if (!FInstructions.empty()) WriteQuotedText(*lDoc, u"instructions", FInstructions);
  if (!FTools.empty()) WriteObjectArray(*lDoc, u"tools", FTools);
  WriteMetaData(*lDoc, FMetaData.get());
  if (FTemperature > 0) lDoc->AddPair(u"temperature", FTemperature);
  if (FTopP > 0) lDoc->AddPair(u"top_p", FTopP);
  if (FMaxPromptTokens > 0) lDoc->AddPair(u"max_prompt_tokens", FMaxPromptTokens);
  if (FMaxCompletionTokens > 0) lDoc->AddPair(u"max_completion_tokens", FMaxCompletionTokens);
  if (FTruncationStrategy) {
    TozkJSON* lStrategy = lDoc->AddObject(u"truncation_strategy", u"")->JSONObject();
    if (!FTruncationStrategy->_Type().empty())
      lStrategy->AddPair(u"type", FTruncationStrategy->_Type());
    if (FTruncationStrategy->LastMessages() != 0)
      lStrategy->AddPair(u"last_messages", FTruncationStrategy->LastMessages());
  }
  if (!FToolChoice.empty()) lDoc->AddPair(u"tool_choice", FToolChoice);
  if (!FResponseFormat.empty()) lDoc->AddPair(u"response_format", FResponseFormat);
}

void TozkOpenAIClass_Request_Run::DoWriteJSON() {
  TozkOpenAIClass_Run_Base::DoWriteJSON();
  TozkJSON* lDoc = GetJSON();
  if (!FAdditionalInstructions.empty())
    WriteQuotedText(*lDoc, u"additional_instructions", FAdditionalInstructions);
  if (!FAdditionalMessages.empty())
    WriteObjectArray(*lDoc, u"additional_messages", FAdditionalMessages);
  lDoc->AddPair(u"stream", FStream);
}

void TozkOpenAIClass_Request_ToolOutputs::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  // The service takes a list of outputs; this request carries one, as the list's only element.
  TozkJSON* lOutputs = lDoc->AddArray(u"tool_outputs", u"")->JSONObject();
  TozkJSON* lOutput = lOutputs->AddObject(u"0", u"")->JSONObject();
  if (!FToolCallId.empty()) lOutput->AddPair(u"tool_call_id", FToolCallId);
  if (!FOutput.empty()) lOutput->AddPair(u"output", FOutput);
  lDoc->AddPair(u"stream", FStream);
}

// --- Code interpreter outputs --------------------------------------------------------------------

std::unique_ptr<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs>
TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs::CreateFromItem(
    TozkOpenAIClass& aParent, TozkObjectJSON& aItem) {
  std::u16string lType = ItemType(aItem);
  if (lType == u"logs")
    return CreateFromMember<
        TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs_Log>(aParent,
                                                                                     aItem);
  if (lType == u"image")
    return CreateFromMember<
        TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs_Image>(aParent,
                                                                                       aItem);
  return nullptr;
}

void TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs::DoReadJSON() {
  F_Index = ReadInteger(u"index");
  F_Type = ReadString(u"type");
}

void TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs_Log::DoReadJSON() {
  TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs::DoReadJSON();
  FLogs = ReadString(u"logs");
}

void TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs_Image::DoReadJSON() {
  TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs::DoReadJSON();
  TozkObjectJSON* lImage = FindMember(u"image");
  FFileId = lImage ? ReadString(u"file_id", lImage) : std::u16string();
}

// --- Tool calls ----------------------------------------------------------------------------------

std::unique_ptr<TozkOpenAIClass_RunStepDetail_Details_ToolCalls>
TozkOpenAIClass_RunStepDetail_Details_ToolCalls::CreateFromItem(TozkOpenAIClass& aParent,
                                                                TozkObjectJSON& aItem) {
  std::u16string lType = ItemType(aItem);
  if (lType == u"code_interpreter")
    return CreateFromMember<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter>(
        aParent, aItem);
  if (lType == u"file_search")
    return CreateFromMember<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_FileSearch>(aParent,
                                                                                        aItem);
  if (lType == u"function")
    return CreateFromMember<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_Function>(aParent,
                                                                                      aItem);
  return nullptr;
}

void TozkOpenAIClass_RunStepDetail_Details_ToolCalls::DoReadJSON() {
  F_Index = ReadInteger(u"index");
  FId = ReadString(u"id");
  F_Type = ReadString(u"type");
}

void TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter::DoReadJSON() {
  TozkOpenAIClass_RunStepDetail_Details_ToolCalls::DoReadJSON();
  FInput = ReadString(u"input", HolderOf(u"input", u"code_interpreter"));
  ReadObjectArray(
      u"outputs", FOutputs,
      TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs::CreateFromItem,
      HolderOf(u"outputs", u"code_interpreter"));
}

void TozkOpenAIClass_RunStepDetail_Details_ToolCalls_FileSearch::DoReadJSON() {
  TozkOpenAIClass_RunStepDetail_Details_ToolCalls::DoReadJSON();
  FFileSearch = ReadString(u"file_search");
}

void TozkOpenAIClass_RunStepDetail_Details_ToolCalls_Function::DoReadJSON() {
  TozkOpenAIClass_RunStepDetail_Details_ToolCalls::DoReadJSON();
  F_Name = ReadString(u"name", HolderOf(u"name", u"function"));
  FArguments = ReadString(u"arguments", HolderOf(u"arguments", u"function"));
  FOutput = ReadString(u"output", HolderOf(u"output", u"function"));
}

// --- Run steps -----------------------------------------------------------------------------------

void TozkOpenAIClass_RunStepDetail_Details::DoReadJSON() {
  F_Type = ReadString(u"type");
  FMessageCreation.reset();
  FToolCalls.clear();
  if (F_Type == u"message_creation") {
    FMessageCreation = std::make_unique<TozkOpenAIClass_RunStepDetail_Details_MessageCreation>();
    if (TozkObjectJSON* lCreation = FindMember(u"message_creation"))
      FMessageCreation->SetMessageId(ReadString(u"message_id", lCreation));
  } else if (F_Type == u"tool_calls") {
    ReadObjectArray(u"tool_calls", FToolCalls,
                    TozkOpenAIClass_RunStepDetail_Details_ToolCalls::CreateFromItem);
  }
}

TozkOpenAIClass_RunStepDetail_Details* TozkOpenAIClass_RunSteps::StepDetails() {
  return Lazy(FStepDetails);
}

TStringList* TozkOpenAIClass_RunSteps::MetaData() {
  return Lazy(FMetaData);
}

void TozkOpenAIClass_RunSteps::DoReadJSON() {
  FId = ReadString(u"id");
  F_Object = ReadString(u"object");
  FCreatedAt = ReadInteger(u"created_at");
  FThreadId = ReadString(u"thread_id");
  FAssistantId = ReadString(u"assistant_id");
  FRunId = ReadString(u"run_id");
  F_Type = ReadString(u"type");
  FStatus = ReadString(u"status");
  ReadLazyChild(u"step_details", FStepDetails);
  FLastError = ReadString(u"last_error");
  FExpiredAt = ReadInteger(u"expired_at");
  FCancelledAt = ReadInteger(u"cancelled_at");
  FFailedAt = ReadInteger(u"failed_at");
  FCompletedAt = ReadInteger(u"completed_at");
  MetaData()->Clear();
  ReadMetaData(u"metadata", MetaData());
  FUsage = ReadString(u"usage");
}
