// OpenAI object model, audio transcription and translation: reading and writing.
#include "openai/ozkHTTP_API_OpenAI_Endpoints_Audio.h"

// --- Audio ---------------------------------------------------------------------------------------

void TozkOpenAIClass_Request_Transcription::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FModel.empty()) lDoc->AddPair(u"model", FModel);
  if (!FPrompt.empty()) lDoc->AddPair(u"prompt", FPrompt);
  if (!FFileName.empty()) lDoc->AddPair(u"file", FFileName);
  if (!FLanguage.empty()) lDoc->AddPair(u"language", FLanguage);
  if (!FTemperature.empty()) lDoc->AddPair(u"temperature", FTemperature);
  if (!FResponseFormat.empty()) lDoc->AddPair(u"response_format", FResponseFormat);
}

void TozkOpenAIClass_Request_Translation::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FModel.empty()) lDoc->AddPair(u"model", FModel);
  if (!FPrompt.empty()) lDoc->AddPair(u"prompt", FPrompt);
  if (!FFileName.empty()) lDoc->AddPair(u"file", FFileName);
  if (!FTemperature.empty()) lDoc->AddPair(u"temperature", FTemperature);
  if (!FResponseFormat.empty()) lDoc->AddPair(u"response_format", FResponseFormat);
}

void TozkOpenAIClass_Response_Transcription::DoReadJSON() {
  FText = ReadString(u"text");
}

void TozkOpenAIClass_Response_Translation::DoReadJSON() {
  FText = ReadString(u"text");
}
