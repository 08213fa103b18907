// OpenAI object model, moderations: reading and writing.
#include "openai/ozkHTTP_API_OpenAI_Endpoints_Moderations.h"

// --- Moderations ---------------------------------------------------------------------------------

void TozkOpenAIClass_Request_Moderation::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FModel.empty()) lDoc->AddPair(u"model", FModel);
  if (!FInput.empty()) lDoc->AddPair(u"input", FInput);
}

void TozkOpenAIClass_Response_Moderation_Results_Categories::DoReadJSON() {
  FHate = ReadBoolean(u"hate");
  FHateThreatening = ReadBoolean(u"hate/threatening");
  FSelfHarm = ReadBoolean(u"self-harm");
  FSexual = ReadBoolean(u"sexual");
  FSexualMinors = ReadBoolean(u"sexual/minors");
  FViolence = ReadBoolean(u"violence");
  FViolenceGraphic = ReadBoolean(u"violence/graphic");
}

void TozkOpenAIClass_Response_Moderation_Results_CategoryScores::DoReadJSON() {
  FHate = ReadDouble(u"hate");
  FHateThreatening = ReadDouble(u"hate/threatening");
  FSelfHarm = ReadDouble(u"self-harm");
  FSexual = ReadDouble(u"sexual");
  FSexualMinors = ReadDouble(u"sexual/minors");
  FViolence = ReadDouble(u"violence");
  FViolenceGraphic = ReadDouble(u"violence/graphic");
}

TozkOpenAIClass_Response_Moderation_Results_Categories*
TozkOpenAIClass_Response_Moderation_Results::Categories() {
  return Lazy(FCategories);
}

TozkOpenAIClass_Response_Moderation_Results_CategoryScores*
TozkOpenAIClass_Response_Moderation_Results::CategoryScores() {
  return Lazy(FCategoryScores);
}

void TozkOpenAIClass_Response_Moderation_Results::DoReadJSON() {
  ReadLazyChild(u"categories", FCategories);
  ReadLazyChild(u"category_scores", FCategoryScores);
  FFlagged = ReadBoolean(u"flagged");
}

void TozkOpenAIClass_Response_Moderation::DoReadJSON() {
  FId = ReadString(u"id");
  FModel = ReadString(u"model");
  ReadObjectArray<TozkOpenAIClass_Response_Moderation_Results>(u"results", FResults);
}
