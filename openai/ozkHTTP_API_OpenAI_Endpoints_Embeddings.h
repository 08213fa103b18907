// OpenAI object model, embeddings: the request and response objects and their JSON form.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_Files.h"
#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

// --- Embeddings ----------------------------------------------------------------------------------

class TozkOpenAIClass_Request_Embeddings : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Request_Embeddings() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Embeddings, TozkOpenAIClass)

  const std::u16string& Model() const { return FModel; }
  void SetModel(std::u16string aValue) { FModel = std::move(aValue); }
  // A text, or a JSON array of texts given as text.
  const std::u16string& Input() const { return FInput; }
  void SetInput(std::u16string aValue) { FInput = std::move(aValue); }
  const std::u16string& User() const { return FUser; }
  void SetUser(std::u16string aValue) { FUser = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FModel;
  std::u16string FInput;
  std::u16string FUser;
};

class TozkOpenAIClass_Response_Embeddings_Data : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Embeddings_Data() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Embeddings_Data, TozkOpenAIClass)

  const TozkArrayOfDouble& Embedding() const { return FEmbedding; }
  int32_t _Index() const { return F_Index; }
  const std::u16string& _Object() const { return F_Object; }
  // "[", the values in the writer's number format separated by ",", "]".
  std::u16string EmbeddingAsString() const;

 protected:
  void DoReadJSON() override;

 private:
  TozkArrayOfDouble FEmbedding;
  int32_t F_Index = 0;
  std::u16string F_Object;
};

using TozkOpenAIArray_Response_Embeddings_Data =
    std::vector<std::unique_ptr<TozkOpenAIClass_Response_Embeddings_Data>>;

class TozkOpenAIClass_Response_Embeddings_Usage : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Embeddings_Usage() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Embeddings_Usage, TozkOpenAIClass)

  int32_t PromptTokens() const { return FPromptTokens; }
  int32_t TotalTokens() const { return FTotalTokens; }

 protected:
  void DoReadJSON() override;

 private:
  int32_t FPromptTokens = 0;
  int32_t FTotalTokens = 0;
};

class TozkOpenAIClass_Response_Embeddings : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Embeddings() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Embeddings, TozkOpenAIClass)

  const TozkOpenAIArray_Response_Embeddings_Data& Data() const { return FData; }
  TozkOpenAIArray_Response_Embeddings_Data& Data() { return FData; }
  const std::u16string& Model() const { return FModel; }
  const std::u16string& _Object() const { return F_Object; }
  // Created on first read.
  TozkOpenAIClass_Response_Embeddings_Usage* Usage();

 protected:
  void DoReadJSON() override;

 private:
  TozkOpenAIArray_Response_Embeddings_Data FData;
  std::u16string FModel;
  std::u16string F_Object;
  std::unique_ptr<TozkOpenAIClass_Response_Embeddings_Usage> FUsage;
};
