// OpenAI object model, chat completions with function definitions: reading and writing.
#include "openai/ozkHTTP_API_OpenAI_Endpoints_Chat.h"

#include "openai/ozkHTTP_API_OpenAI_Endpoints_Internal.h"

// --- Chat completions ----------------------------------------------------------------------------

void TozkOpenAIClass_Request_ChatCompletion_Function_Parameter::DoWriteJSON() {
  static const char16_t* const kTypeNames[] = {u"string", u"integer", u"number", u"boolean",
                                               u"object"};
  TozkJSON* lDoc = GetJSON();
  lDoc->AddPair(u"type", kTypeNames[F_Type <= oafptObject ? F_Type : oafptString]);
  if (!FDescription.empty()) lDoc->AddPair(u"description", FDescription);
}

void TozkOpenAIClass_Request_ChatCompletion_Function_Parameter_Object::DoWriteJSON() {
  TozkOpenAIClass_Request_ChatCompletion_Function_Parameter::DoWriteJSON();
  if (FProperties.empty()) return;
  TozkJSON* lProperties = GetJSON()->AddObject(u"properties", u"")->JSONObject();
  for (const auto& lParameter : FProperties)
    if (lParameter) lProperties->AddObject(lParameter->Name(), lParameter->AsString());
}

TozkOpenAIClass_Request_ChatCompletion_Function_Parameter_Object*
TozkOpenAIClass_Request_ChatCompletion_Function::Parameters() {
  return Lazy(FParameters);
}

TozkOpenAIClass_Request_ChatCompletion::TozkOpenAIClass_Request_ChatCompletion() {
  FTemperature = 1.0;
  FTop_p = 1.0;
  FN = 1;
}

void TozkOpenAIClass_Request_ChatCompletion::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (FFrequency_penalty != 0) lDoc->AddPair(u"frequency_penalty", FFrequency_penalty);
  if (!FLogit_bias.empty()) lDoc->AddPair(u"logit_bias", FLogit_bias);
  if (FMaxTokens != 0) lDoc->AddPair(u"max_tokens", FMaxTokens);
  lDoc->AddPair(u"model", FModel);
  if (!FMessages.empty()) {
    TozkJSON* lItems = lDoc->AddArray(u"messages", u"")->JSONObject();
    for (size_t i = 0; i < FMessages.size(); ++i) {
      if (!FMessages[i]) continue;
      TozkJSON* lMessage = lItems->AddObject(IndexName(i), u"")->JSONObject();
      lMessage->AddPair(u"role", FMessages[i]->Role());
      lMessage->AddPair(u"content", FMessages[i]->Content());
    }
  }
  if (!FFunctions.empty()) {
    TozkJSON* lItems = lDoc->AddArray(u"functions", u"")->JSONObject();
    for (size_t i = 0; i < FFunctions.size(); ++i) {
      if (!FFunctions[i]) continue;
      TozkJSON* lFunction = lItems->AddObject(IndexName(i), u"")->JSONObject();
      lFunction->AddPair(u"name", FFunctions[i]->Name());
      if (!FFunctions[i]->Description().empty())
        lFunction->AddPair(u"description", FFunctions[i]->Description());
      lFunction->AddObject(u"parameters", FFunctions[i]->Parameters()->AsString());
    }
  }
  if (!FFunctionCall.empty()) lDoc->AddPair(u"function_call", FFunctionCall);
  if (FN != 0) lDoc->AddPair(u"n", FN);
  if (FPresence_penalty != 0) lDoc->AddPair(u"presence_penalty", FPresence_penalty);
  if (!FStop.empty()) WriteStop(*lDoc, FStop);
  if (FStream) lDoc->AddPair(u"stream", true);
  if (FTemperature != 0) lDoc->AddPair(u"temperature", FTemperature);
  if (FTop_p != 0) lDoc->AddPair(u"top_p", FTop_p);
  if (!FUser.empty()) lDoc->AddPair(u"user", FUser);
}

void TozkOpenAIClass_Response_ChatCompletion_Choices_Message::DoReadJSON() {
  FRole = ReadString(u"role");
  FContent = ReadString(u"content");
}

void TozkOpenAIClass_Response_ChatCompletion_Choices::DoReadJSON() {
  F_Index = ReadInteger(u"index");
  FFinishReason = ReadString(u"finish_reason");
  if (TozkObjectJSON* lMember = FindMember(u"message"))
    F_Message =
        CreateFromMember<TozkOpenAIClass_Response_ChatCompletion_Choices_Message>(*this, *lMember);
  else
    F_Message.reset();
}

TozkOpenAIClass_Usage* TozkOpenAIClass_Response_ChatCompletion::Usage() {
  return Lazy(FUsage);
}

void TozkOpenAIClass_Response_ChatCompletion::DoReadJSON() {
  ReadObjectArray<TozkOpenAIClass_Response_ChatCompletion_Choices>(u"choices", FChoices);
  FCreated = ReadInteger(u"created");
  FId = ReadString(u"id");
  F_Object = ReadString(u"object");
  ReadLazyChild(u"usage", FUsage);
}
