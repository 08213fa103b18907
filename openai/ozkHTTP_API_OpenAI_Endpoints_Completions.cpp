// OpenAI object model, models, text completions and edits: reading and writing.
#include "openai/ozkHTTP_API_OpenAI_Endpoints_Completions.h"

#include "openai/ozkHTTP_API_OpenAI_Endpoints_Internal.h"

void WriteStop(TozkJSON& aDoc, const TozkArrayOfString& aStop) {
  TozkJSON* lItems = aDoc.AddArray(u"stop", u"")->JSONObject();
  for (const auto& lText : aStop) lItems->AddPair(lText, lText);
}

// --- Models --------------------------------------------------------------------------------------

void TozkOpenAIClass_Response_Model_Permission::DoReadJSON() {
  FAllowCreateEngine = ReadBoolean(u"allow_create_engine");
  FAllowFineTuning = ReadBoolean(u"allow_fine_tuning");
  FAllowSearchIndices = ReadBoolean(u"allow_search_indices");
  FAllowView = ReadBoolean(u"allow_view");
  FCreated = ReadInteger(u"created");
  FId = ReadString(u"id");
  FIsBlocking = ReadBoolean(u"is_blocking");
  F_Object = ReadString(u"object");
  FOrganization = ReadString(u"organization");
  FAllowLogprobs = ReadBoolean(u"allow_logprobs");
  FAllowSampling = ReadBoolean(u"allow_sampling");
}

void TozkOpenAIClass_Response_Model_Data::DoReadJSON() {
  FCreated = ReadInteger(u"created");
  FId = ReadString(u"id");
  F_Object = ReadString(u"object");
  FOwnedBy = ReadString(u"owned_by");
  ReadObjectArray<TozkOpenAIClass_Response_Model_Permission>(u"permission", FPermission);
  FRoot = ReadString(u"root");
}

void TozkOpenAIClass_Response_Models::DoReadJSON() {
  ReadObjectArray<TozkOpenAIClass_Response_Model_Data>(u"data", FData);
  F_Object = ReadString(u"object");
}

// --- Completions ---------------------------------------------------------------------------------

TozkOpenAIClass_Request_Completion::TozkOpenAIClass_Request_Completion() {
  FTemperature = 1.0;
  FTop_p = 1.0;
  FN = 1;
  FBestOf = 1;
}

void TozkOpenAIClass_Request_Completion::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (FBestOf != 0) lDoc->AddPair(u"best_of", FBestOf);
  if (FFrequency_penalty != 0) lDoc->AddPair(u"frequency_penalty", FFrequency_penalty);
  if (!FLogit_bias.empty()) lDoc->AddPair(u"logit_bias", FLogit_bias);
  if (FMaxTokens != 0) lDoc->AddPair(u"max_tokens", FMaxTokens);
  lDoc->AddPair(u"model", FModel);
  if (!FPrompt.empty()) lDoc->AddPair(u"prompt", FPrompt);
  if (FN != 0) lDoc->AddPair(u"n", FN);
  if (FPresence_penalty != 0) lDoc->AddPair(u"presence_penalty", FPresence_penalty);
  if (!FStop.empty()) WriteStop(*lDoc, FStop);
  if (FStream) lDoc->AddPair(u"stream", true);
  if (FTemperature != 0) lDoc->AddPair(u"temperature", FTemperature);
  if (FTop_p != 0) lDoc->AddPair(u"top_p", FTop_p);
  if (!FUser.empty()) lDoc->AddPair(u"user", FUser);
  if (!FSuffix.empty()) lDoc->AddPair(u"suffix", FSuffix);
  if (FLogprobs > 0) lDoc->AddPair(u"logprobs", FLogprobs);
  if (FEcho) lDoc->AddPair(u"echo", true);
}

void TozkOpenAIClass_Request_Completion_Message::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FContent.empty()) lDoc->AddPair(u"content", FContent);
  if (!FRole.empty()) lDoc->AddPair(u"role", FRole);
  if (!FName.empty()) lDoc->AddPair(u"name", FName);
}

void TozkOpenAIClass_Response_Completion_Choices::DoReadJSON() {
  FFinishReason = ReadString(u"finish_reason");
  F_Index = ReadInteger(u"index");
  FText = ReadString(u"text");
  FLogprobs = ReadString(u"logprobs");
}

TozkOpenAIClass_Usage* TozkOpenAIClass_Response_Completion::Usage() {
  return Lazy(FUsage);
}

void TozkOpenAIClass_Response_Completion::DoReadJSON() {
  ReadObjectArray<TozkOpenAIClass_Response_Completion_Choices>(u"choices", FChoices);
  FCreated = ReadInteger(u"created");
  FId = ReadString(u"id");
  FModel = ReadString(u"model");
  F_Object = ReadString(u"object");
  ReadLazyChild(u"usage", FUsage);
}

// --- Edits ---------------------------------------------------------------------------------------

TozkOpenAIClass_Request_Edit::TozkOpenAIClass_Request_Edit() {
  FN = 1;
  FTemperature = 1.0;
  FTopP = 1.0;
}

void TozkOpenAIClass_Request_Edit::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FModel.empty()) lDoc->AddPair(u"model", FModel);
  if (!FInput.empty()) lDoc->AddPair(u"input", FInput);
  if (!FInstruction.empty()) lDoc->AddPair(u"instruction", FInstruction);
  if (FN != 0) lDoc->AddPair(u"n", FN);
  if (FTemperature != 0) lDoc->AddPair(u"temperature", FTemperature);
  if (FTopP != 0) lDoc->AddPair(u"top_p", FTopP);
}

void TozkOpenAIClass_Response_Edit_Choices::DoReadJSON() {
  F_Index = ReadInteger(u"index");
  FText = ReadString(u"text");
}

TozkOpenAIClass_Usage* TozkOpenAIClass_Response_Edit::Usage() {
  return Lazy(FUsage);
}

void TozkOpenAIClass_Response_Edit::DoReadJSON() {
  ReadObjectArray<TozkOpenAIClass_Response_Edit_Choices>(u"choices", FChoices);
  FCreated = ReadInteger(u"created");
  F_Object = ReadString(u"object");
  ReadLazyChild(u"usage", FUsage);
}
