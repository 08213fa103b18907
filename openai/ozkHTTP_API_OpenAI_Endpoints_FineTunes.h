// OpenAI object model, fine-tunes and their events: the request and response objects and their JSON
// form.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_Files.h"
#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

// --- Fine-tunes ----------------------------------------------------------------------------------

class TozkOpenAIClass_Request_FineTune : public TozkOpenAIClass {
 public:
  // NEpochs 4, PromptLossWeight 0.01.
  TozkOpenAIClass_Request_FineTune();
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_FineTune, TozkOpenAIClass)

  int32_t BatchSize() const { return FBatchSize; }
  void SetBatchSize(int32_t aValue) { FBatchSize = aValue; }
  const TozkArrayOfDouble& ClassificationBetas() const { return FClassificationBetas; }
  TozkArrayOfDouble& ClassificationBetas() { return FClassificationBetas; }
  void SetClassificationBetas(TozkArrayOfDouble aValue) {
    FClassificationBetas = std::move(aValue);
  }
  const std::u16string& ClassificationPositiveClass() const { return FClassificationPositiveClass; }
  void SetClassificationPositiveClass(std::u16string aValue) {
    FClassificationPositiveClass = std::move(aValue);
  }
  int32_t ClassificationNClasses() const { return FClassificationNClasses; }
  void SetClassificationNClasses(int32_t aValue) { FClassificationNClasses = aValue; }
  // Always written.
  bool ComputeClassificationMetrics() const { return FComputeClassificationMetrics; }
  void SetComputeClassificationMetrics(bool aValue) { FComputeClassificationMetrics = aValue; }
  double LearningRateMultiplier() const { return FLearningRateMultiplier; }
  void SetLearningRateMultiplier(double aValue) { FLearningRateMultiplier = aValue; }
  const std::u16string& Model() const { return FModel; }
  void SetModel(std::u16string aValue) { FModel = std::move(aValue); }
  int32_t NEpochs() const { return FNEpochs; }
  void SetNEpochs(int32_t aValue) { FNEpochs = aValue; }
  double PromptLossWeight() const { return FPromptLossWeight; }
  void SetPromptLossWeight(double aValue) { FPromptLossWeight = aValue; }
  const std::u16string& Suffix() const { return FSuffix; }
  void SetSuffix(std::u16string aValue) { FSuffix = std::move(aValue); }
  const std::u16string& TrainingFile() const { return FTrainingFile; }
  void SetTrainingFile(std::u16string aValue) { FTrainingFile = std::move(aValue); }
  const std::u16string& ValidationFile() const { return FValidationFile; }
  void SetValidationFile(std::u16string aValue) { FValidationFile = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  int32_t FBatchSize = 0;
  TozkArrayOfDouble FClassificationBetas;
  std::u16string FClassificationPositiveClass;
  int32_t FClassificationNClasses = 0;
  bool FComputeClassificationMetrics = false;
  double FLearningRateMultiplier = 0;
  std::u16string FModel;
  int32_t FNEpochs = 0;
  double FPromptLossWeight = 0;
  std::u16string FSuffix;
  std::u16string FTrainingFile;
  std::u16string FValidationFile;
};

class TozkOpenAIClass_Response_FineTune_HyperParams : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_FineTune_HyperParams() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_FineTune_HyperParams, TozkOpenAIClass)

  int32_t BatchSize() const { return FBatchSize; }
  double LearningRateMultiplier() const { return FLearningRateMultiplier; }
  int32_t NEpochs() const { return FNEpochs; }
  double PromptLossWeight() const { return FPromptLossWeight; }

 protected:
  void DoReadJSON() override;

 private:
  int32_t FBatchSize = 0;
  double FLearningRateMultiplier = 0;
  int32_t FNEpochs = 0;
  double FPromptLossWeight = 0;
};

class TozkOpenAIClass_Response_FineTune_Event : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_FineTune_Event() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_FineTune_Event, TozkOpenAIClass)

  int32_t CreatedAt() const { return FCreatedAt; }
  const std::u16string& Level() const { return FLevel; }
  const std::u16string& _Message() const { return F_Message; }
  const std::u16string& _Object() const { return F_Object; }

 protected:
  void DoReadJSON() override;

 private:
  int32_t FCreatedAt = 0;
  std::u16string FLevel;
  std::u16string F_Message;
  std::u16string F_Object;
};

using TozkOpenAIArray_Response_FineTune_Events =
    std::vector<std::unique_ptr<TozkOpenAIClass_Response_FineTune_Event>>;

class TozkOpenAIClass_Response_FineTune : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_FineTune() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_FineTune, TozkOpenAIClass)

  // Read through the 32-bit reader.
  int64_t CreatedAt() const { return FCreatedAt; }
  const TozkOpenAIArray_Response_FineTune_Events& Events() const { return FEvents; }
  TozkOpenAIArray_Response_FineTune_Events& Events() { return FEvents; }
  // Created on first read.
  TozkOpenAIClass_Response_FineTune_HyperParams* Hyperparams();
  const std::u16string& Id() const { return FId; }
  const std::u16string& Model() const { return FModel; }
  const std::u16string& _Object() const { return F_Object; }
  const std::u16string& OrganizationId() const { return FOrganizationId; }
  const TozkOpenAIArray_Response_File& ResultFiles() const { return FResultFiles; }
  TozkOpenAIArray_Response_File& ResultFiles() { return FResultFiles; }
  const std::u16string& Status() const { return FStatus; }
  const TozkOpenAIArray_Response_File& TrainingFiles() const { return FTrainingFiles; }
  TozkOpenAIArray_Response_File& TrainingFiles() { return FTrainingFiles; }
  int32_t UpdatedAt() const { return FUpdatedAt; }
  const TozkOpenAIArray_Response_File& ValidationFiles() const { return FValidationFiles; }
  TozkOpenAIArray_Response_File& ValidationFiles() { return FValidationFiles; }

 protected:
  void DoReadJSON() override;

 private:
  int64_t FCreatedAt = 0;
  TozkOpenAIArray_Response_FineTune_Events FEvents;
  std::unique_ptr<TozkOpenAIClass_Response_FineTune_HyperParams> FHyperparams;
  std::u16string FId;
  std::u16string FModel;
  std::u16string F_Object;
  std::u16string FOrganizationId;
  TozkOpenAIArray_Response_File FResultFiles;
  std::u16string FStatus;
  TozkOpenAIArray_Response_File FTrainingFiles;
  int32_t FUpdatedAt = 0;
  TozkOpenAIArray_Response_File FValidationFiles;
};

using TozkOpenAIArray_Response_FineTune =
    std::vector<std::unique_ptr<TozkOpenAIClass_Response_FineTune>>;

class TozkOpenAIClass_Response_FineTunes : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_FineTunes() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_FineTunes, TozkOpenAIClass)

  const TozkOpenAIArray_Response_FineTune& Data() const { return FData; }
  TozkOpenAIArray_Response_FineTune& Data() { return FData; }
  const std::u16string& _Object() const { return F_Object; }

 protected:
  void DoReadJSON() override;

 private:
  TozkOpenAIArray_Response_FineTune FData;
  std::u16string F_Object;
};

class TozkOpenAIClass_Response_FineTune_Events : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_FineTune_Events() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_FineTune_Events, TozkOpenAIClass)

  const TozkOpenAIArray_Response_FineTune_Events& Data() const { return FData; }
  TozkOpenAIArray_Response_FineTune_Events& Data() { return FData; }
  const std::u16string& _Object() const { return F_Object; }

 protected:
  void DoReadJSON() override;

 private:
  TozkOpenAIArray_Response_FineTune_Events FData;
  std::u16string F_Object;
};
