// OpenAI object model, audio transcription and translation: the request and response objects and
// their JSON form.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_Files.h"
#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

// --- Audio ---------------------------------------------------------------------------------------

// Sent as a multipart form: "file" names the local audio file.
class TozkOpenAIClass_Request_Transcription : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Request_Transcription() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Transcription, TozkOpenAIClass)

  const std::u16string& Model() const { return FModel; }
  void SetModel(std::u16string aValue) { FModel = std::move(aValue); }
  const std::u16string& Prompt() const { return FPrompt; }
  void SetPrompt(std::u16string aValue) { FPrompt = std::move(aValue); }
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(std::u16string aValue) { FFileName = std::move(aValue); }
  // Another name of FileName, as the recording methods of the client know it.
  const std::u16string& File() const { return FFileName; }
  void SetFile(std::u16string aValue) { FFileName = std::move(aValue); }
  const std::u16string& Language() const { return FLanguage; }
  void SetLanguage(std::u16string aValue) { FLanguage = std::move(aValue); }
  // Held as text, written as a JSON string.
  const std::u16string& Temperature() const { return FTemperature; }
  void SetTemperature(std::u16string aValue) { FTemperature = std::move(aValue); }
  const std::u16string& ResponseFormat() const { return FResponseFormat; }
  void SetResponseFormat(std::u16string aValue) { FResponseFormat = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FModel;
  std::u16string FPrompt;
  std::u16string FFileName;
  std::u16string FLanguage;
  std::u16string FTemperature;
  std::u16string FResponseFormat;
};

// Sent as a multipart form: "file" names the local audio file.
class TozkOpenAIClass_Request_Translation : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Request_Translation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Translation, TozkOpenAIClass)

  const std::u16string& Model() const { return FModel; }
  void SetModel(std::u16string aValue) { FModel = std::move(aValue); }
  const std::u16string& Prompt() const { return FPrompt; }
  void SetPrompt(std::u16string aValue) { FPrompt = std::move(aValue); }
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(std::u16string aValue) { FFileName = std::move(aValue); }
  // Another name of FileName, as the recording methods of the client know it.
  const std::u16string& File() const { return FFileName; }
  void SetFile(std::u16string aValue) { FFileName = std::move(aValue); }
  const std::u16string& Temperature() const { return FTemperature; }
  void SetTemperature(std::u16string aValue) { FTemperature = std::move(aValue); }
  const std::u16string& ResponseFormat() const { return FResponseFormat; }
  void SetResponseFormat(std::u16string aValue) { FResponseFormat = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FModel;
  std::u16string FPrompt;
  std::u16string FFileName;
  std::u16string FTemperature;
  std::u16string FResponseFormat;
};

class TozkOpenAIClass_Response_Transcription : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Transcription() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Transcription, TozkOpenAIClass)

  const std::u16string& Text() const { return FText; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FText;
};

class TozkOpenAIClass_Response_Translation : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Translation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Translation, TozkOpenAIClass)

  const std::u16string& Text() const { return FText; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FText;
};
