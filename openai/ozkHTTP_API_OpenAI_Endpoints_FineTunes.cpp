// OpenAI object model, fine-tunes and their events: reading and writing.
#include "openai/ozkHTTP_API_OpenAI_Endpoints_FineTunes.h"

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
