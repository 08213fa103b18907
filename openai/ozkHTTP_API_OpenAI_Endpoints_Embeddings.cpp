// OpenAI object model, embeddings: reading and writing.
#include "openai/ozkHTTP_API_OpenAI_Endpoints_Embeddings.h"

// --- Embeddings ----------------------------------------------------------------------------------

void TozkOpenAIClass_Request_Embeddings::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FModel.empty()) lDoc->AddPair(u"model", FModel);
  if (!FInput.empty()) lDoc->AddPair(u"input", FInput);
  if (!FUser.empty()) lDoc->AddPair(u"user", FUser);
}

void TozkOpenAIClass_Response_Embeddings_Data::DoReadJSON() {
  FEmbedding.clear();
  if (TozkObjectJSON* lMember = FindMember(u"embedding"))
    if (TozkJSON* lValues = lMember->NestedJSON()) {
      FEmbedding.reserve(static_cast<size_t>(lValues->Count()));
      for (const auto& lValue : lValues->Members())
        FEmbedding.push_back(OpenAITextToDouble(ValueText(*lValue)));
    }
  F_Index = ReadInteger(u"index");
  F_Object = ReadString(u"object");
}

std::u16string TozkOpenAIClass_Response_Embeddings_Data::EmbeddingAsString() const {
  std::u16string lText = u"[";
  for (size_t i = 0; i < FEmbedding.size(); ++i) {
    if (i > 0) lText += u',';
    lText += JSONFloatToStr(FEmbedding[i]);
  }
  lText += u']';
  return lText;
}

void TozkOpenAIClass_Response_Embeddings_Usage::DoReadJSON() {
  FPromptTokens = ReadInteger(u"prompt_tokens");
  FTotalTokens = ReadInteger(u"total_tokens");
}

TozkOpenAIClass_Response_Embeddings_Usage* TozkOpenAIClass_Response_Embeddings::Usage() {
  return Lazy(FUsage);
}

void TozkOpenAIClass_Response_Embeddings::DoReadJSON() {
  ReadObjectArray<TozkOpenAIClass_Response_Embeddings_Data>(u"data", FData);
  FModel = ReadString(u"model");
  F_Object = ReadString(u"object");
  ReadLazyChild(u"usage", FUsage);
}
