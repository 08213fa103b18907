// OpenAI object model, the endpoints outside the assistants family: reading and writing of
// models, completions, chat completions, edits, images, embeddings, audio, fine-tunes and
// moderations.
#include "openai/ozkHTTP_API_OpenAI_Endpoints.h"

namespace {

template <class T> T* Lazy(std::unique_ptr<T>& aChild) {
  if (!aChild) aChild = std::make_unique<T>();
  return aChild.get();
}

// Each distinct text once: every text is added under its own text as name, so a repeated text
// only sets the value of the member it already has.
void WriteStop(TozkJSON& aDoc, const TozkArrayOfString& aStop) {
  TozkJSON* lItems = aDoc.AddArray(u"stop", u"")->JSONObject();
  for (const auto& lText : aStop) lItems->AddPair(lText, lText);
}

} // namespace

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

// --- Images --------------------------------------------------------------------------------------

TozkOpenAIClass_Request_Image_Base::TozkOpenAIClass_Request_Image_Base() {
  FN = 1;
  FResponseFormat = u"url";
}

void TozkOpenAIClass_Request_Image_Base::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (FN != 0) lDoc->AddPair(u"n", FN);
  if (!FResponseFormat.empty()) lDoc->AddPair(u"response_format", FResponseFormat);
  if (!FSize.empty()) lDoc->AddPair(u"size", FSize);
  if (!FUser.empty()) lDoc->AddPair(u"user", FUser);
}

void TozkOpenAIClass_Request_Image::DoWriteJSON() {
  TozkOpenAIClass_Request_Image_Base::DoWriteJSON();
  if (!FPrompt.empty()) GetJSON()->AddPair(u"prompt", FPrompt);
}

void TozkOpenAIClass_Request_Image_Edit::DoWriteJSON() {
  TozkOpenAIClass_Request_Image::DoWriteJSON();
  TozkJSON* lDoc = GetJSON();
  if (!FImage.empty()) lDoc->AddPair(u"image", FImage);
  if (!FMask.empty()) lDoc->AddPair(u"mask", FMask);
}

void TozkOpenAIClass_Request_Image_Variation::DoWriteJSON() {
  TozkOpenAIClass_Request_Image_Base::DoWriteJSON();
  if (!FImage.empty()) GetJSON()->AddPair(u"image", FImage);
}

void TozkOpenAIClass_Response_Image_Data::DoReadJSON() {
  FUrl = ReadString(u"url");
  FB64_json = ReadString(u"b64_json");
}

void TozkOpenAIClass_Response_Image::DoReadJSON() {
  ReadObjectArray<TozkOpenAIClass_Response_Image_Data>(u"data", FData);
  FCreated = ReadInteger(u"created");
}

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

// --- Fine-tunes ----------------------------------------------------------------------------------

TozkOpenAIClass_Request_FineTune::TozkOpenAIClass_Request_FineTune() {
  FNEpochs = 4;
  FPromptLossWeight = 0.01;
}

void TozkOpenAIClass_Request_FineTune::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (FBatchSize != 0) lDoc->AddPair(u"batch_size", FBatchSize);
  if (!FClassificationBetas.empty()) {
    TozkJSON* lItems = lDoc->AddArray(u"classification_betas", u"")->JSONObject();
    for (size_t i = 0; i < FClassificationBetas.size(); ++i)
      lItems->AddPair(IndexName(i), FClassificationBetas[i]);
  }
  if (!FClassificationPositiveClass.empty())
    lDoc->AddPair(u"classification_positive_class", FClassificationPositiveClass);
  if (FClassificationNClasses != 0)
    lDoc->AddPair(u"classification_n_classes", FClassificationNClasses);
  lDoc->AddPair(u"compute_classification_metrics", FComputeClassificationMetrics);
  if (FLearningRateMultiplier != 0)
    lDoc->AddPair(u"learning_rate_multiplier", FLearningRateMultiplier);
  if (!FModel.empty()) lDoc->AddPair(u"model", FModel);
  if (FNEpochs != 0) lDoc->AddPair(u"n_epochs", FNEpochs);
  if (FPromptLossWeight != 0) lDoc->AddPair(u"prompt_loss_weight", FPromptLossWeight);
  if (!FSuffix.empty()) lDoc->AddPair(u"suffix", FSuffix);
  if (!FTrainingFile.empty()) lDoc->AddPair(u"training_file", FTrainingFile);
  if (!FValidationFile.empty()) lDoc->AddPair(u"validation_file", FValidationFile);
}

void TozkOpenAIClass_Response_FineTune_HyperParams::DoReadJSON() {
  FBatchSize = ReadInteger(u"batch_size");
  FLearningRateMultiplier = ReadDouble(u"learning_rate_multiplier");
  FNEpochs = ReadInteger(u"n_epochs");
  FPromptLossWeight = ReadDouble(u"prompt_loss_weight");
}

void TozkOpenAIClass_Response_FineTune_Event::DoReadJSON() {
  FCreatedAt = ReadInteger(u"created_at");
  FLevel = ReadString(u"level");
  F_Message = ReadString(u"message");
  F_Object = ReadString(u"object");
}

TozkOpenAIClass_Response_FineTune_HyperParams* TozkOpenAIClass_Response_FineTune::Hyperparams() {
  return Lazy(FHyperparams);
}

void TozkOpenAIClass_Response_FineTune::DoReadJSON() {
  FCreatedAt = ReadInteger(u"created_at");
  ReadObjectArray<TozkOpenAIClass_Response_FineTune_Event>(u"events", FEvents);
  ReadLazyChild(u"hyperparams", FHyperparams);
  FId = ReadString(u"id");
  FModel = ReadString(u"model");
  F_Object = ReadString(u"object");
  FOrganizationId = ReadString(u"organization_id");
  ReadObjectArray<TozkOpenAIClass_Response_File>(u"result_files", FResultFiles);
  FStatus = ReadString(u"status");
  ReadObjectArray<TozkOpenAIClass_Response_File>(u"training_files", FTrainingFiles);
  FUpdatedAt = ReadInteger(u"updated_at");
  ReadObjectArray<TozkOpenAIClass_Response_File>(u"validation_files", FValidationFiles);
}

void TozkOpenAIClass_Response_FineTunes::DoReadJSON() {
  ReadObjectArray<TozkOpenAIClass_Response_FineTune>(u"data", FData);
  F_Object = ReadString(u"object");
}

void TozkOpenAIClass_Response_FineTune_Events::DoReadJSON() {
  ReadObjectArray<TozkOpenAIClass_Response_FineTune_Event>(u"data", FData);
  F_Object = ReadString(u"object");
}

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
