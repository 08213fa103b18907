// OpenAI object model, chat completions with function definitions: the request and response objects
// and their JSON form.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_Endpoints_Completions.h"
#include "openai/ozkHTTP_API_OpenAI_Files.h"
#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

// --- Chat completions ----------------------------------------------------------------------------

enum TozkOpenAIFunctionParameterType : uint8_t {
  oafptString,
  oafptInteger,
  oafptNumber,
  oafptBoolean,
  oafptObject,
};

// One parameter of a function definition; its Name is written only as the member name that the
// enclosing object parameter gives it.
class TozkOpenAIClass_Request_ChatCompletion_Function_Parameter : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Request_ChatCompletion_Function_Parameter() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_ChatCompletion_Function_Parameter,
                          TozkOpenAIClass)

  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string aValue) { FName = std::move(aValue); }
  const std::u16string& Description() const { return FDescription; }
  void SetDescription(std::u16string aValue) { FDescription = std::move(aValue); }
  TozkOpenAIFunctionParameterType _Type() const { return F_Type; }
  void Set_Type(TozkOpenAIFunctionParameterType aValue) { F_Type = aValue; }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FName;
  std::u16string FDescription;
  TozkOpenAIFunctionParameterType F_Type = oafptString;
};

using TozkOpenAIArray_Request_ChatCompletion_Functions_Parameters =
    std::vector<std::unique_ptr<TozkOpenAIClass_Request_ChatCompletion_Function_Parameter>>;

class TozkOpenAIClass_Request_ChatCompletion_Function_Parameter_Object
    : public TozkOpenAIClass_Request_ChatCompletion_Function_Parameter {
 public:
  TozkOpenAIClass_Request_ChatCompletion_Function_Parameter_Object() { Set_Type(oafptObject); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_ChatCompletion_Function_Parameter_Object,
                          TozkOpenAIClass_Request_ChatCompletion_Function_Parameter)

  const TozkOpenAIArray_Request_ChatCompletion_Functions_Parameters& Properties() const {
    return FProperties;
  }
  TozkOpenAIArray_Request_ChatCompletion_Functions_Parameters& Properties() { return FProperties; }
  void SetProperties(TozkOpenAIArray_Request_ChatCompletion_Functions_Parameters aValue) {
    FProperties = std::move(aValue);
  }

 protected:
  void DoWriteJSON() override;

 private:
  TozkOpenAIArray_Request_ChatCompletion_Functions_Parameters FProperties;
};

// A function definition; the chat request writes it.
class TozkOpenAIClass_Request_ChatCompletion_Function : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Request_ChatCompletion_Function() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_ChatCompletion_Function, TozkOpenAIClass)

  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string aValue) { FName = std::move(aValue); }
  const std::u16string& Description() const { return FDescription; }
  void SetDescription(std::u16string aValue) { FDescription = std::move(aValue); }
  // Created on first read.
  TozkOpenAIClass_Request_ChatCompletion_Function_Parameter_Object* Parameters();

 private:
  std::u16string FName;
  std::u16string FDescription;
  std::unique_ptr<TozkOpenAIClass_Request_ChatCompletion_Function_Parameter_Object> FParameters;
};

using TozkOpenAIArray_Request_ChatCompletion_Functions =
    std::vector<std::unique_ptr<TozkOpenAIClass_Request_ChatCompletion_Function>>;

class TozkOpenAIClass_Request_ChatCompletion : public TozkOpenAIClass {
 public:
  // Temperature and Top_p 1.0, N 1.
  TozkOpenAIClass_Request_ChatCompletion();
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_ChatCompletion, TozkOpenAIClass)

  double Frequency_penalty() const { return FFrequency_penalty; }
  void SetFrequency_penalty(double aValue) { FFrequency_penalty = aValue; }
  const std::u16string& Logit_bias() const { return FLogit_bias; }
  void SetLogit_bias(std::u16string aValue) { FLogit_bias = std::move(aValue); }
  int32_t MaxTokens() const { return FMaxTokens; }
  void SetMaxTokens(int32_t aValue) { FMaxTokens = aValue; }
  // Always written.
  const std::u16string& Model() const { return FModel; }
  void SetModel(std::u16string aValue) { FModel = std::move(aValue); }
  const TozkOpenAIArray_Request_Completion_Messages& Messages() const { return FMessages; }
  TozkOpenAIArray_Request_Completion_Messages& Messages() { return FMessages; }
  void SetMessages(TozkOpenAIArray_Request_Completion_Messages aValue) {
    FMessages = std::move(aValue);
  }
  const TozkOpenAIArray_Request_ChatCompletion_Functions& Functions() const { return FFunctions; }
  TozkOpenAIArray_Request_ChatCompletion_Functions& Functions() { return FFunctions; }
  void SetFunctions(TozkOpenAIArray_Request_ChatCompletion_Functions aValue) {
    FFunctions = std::move(aValue);
  }
  const std::u16string& FunctionCall() const { return FFunctionCall; }
  void SetFunctionCall(std::u16string aValue) { FFunctionCall = std::move(aValue); }
  int32_t N() const { return FN; }
  void SetN(int32_t aValue) { FN = aValue; }
  double Presence_penalty() const { return FPresence_penalty; }
  void SetPresence_penalty(double aValue) { FPresence_penalty = aValue; }
  const TozkArrayOfString& Stop() const { return FStop; }
  TozkArrayOfString& Stop() { return FStop; }
  void SetStop(TozkArrayOfString aValue) { FStop = std::move(aValue); }
  bool Stream() const { return FStream; }
  void SetStream(bool aValue) { FStream = aValue; }
  double Temperature() const { return FTemperature; }
  void SetTemperature(double aValue) { FTemperature = aValue; }
  double Top_p() const { return FTop_p; }
  void SetTop_p(double aValue) { FTop_p = aValue; }
  const std::u16string& User() const { return FUser; }
  void SetUser(std::u16string aValue) { FUser = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  double FFrequency_penalty = 0;
  std::u16string FLogit_bias;
  int32_t FMaxTokens = 0;
  std::u16string FModel;
  TozkOpenAIArray_Request_Completion_Messages FMessages;
  TozkOpenAIArray_Request_ChatCompletion_Functions FFunctions;
  std::u16string FFunctionCall;
  int32_t FN = 0;
  double FPresence_penalty = 0;
  TozkArrayOfString FStop;
  bool FStream = false;
  double FTemperature = 0;
  double FTop_p = 0;
  std::u16string FUser;
};

class TozkOpenAIClass_Response_ChatCompletion_Choices_Message : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_ChatCompletion_Choices_Message() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_ChatCompletion_Choices_Message, TozkOpenAIClass)

  const std::u16string& Role() const { return FRole; }
  const std::u16string& Content() const { return FContent; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FRole;
  std::u16string FContent;
};

class TozkOpenAIClass_Response_ChatCompletion_Choices : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_ChatCompletion_Choices() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_ChatCompletion_Choices, TozkOpenAIClass)

  int32_t _Index() const { return F_Index; }
  const std::u16string& FinishReason() const { return FFinishReason; }
  // None when the choice has no "message".
  TozkOpenAIClass_Response_ChatCompletion_Choices_Message* _Message() const {
    return F_Message.get();
  }

 protected:
  void DoReadJSON() override;

 private:
  int32_t F_Index = 0;
  std::u16string FFinishReason;
  std::unique_ptr<TozkOpenAIClass_Response_ChatCompletion_Choices_Message> F_Message;
};

using TozkOpenAIArray_Response_ChatCompletion_Choices =
    std::vector<std::unique_ptr<TozkOpenAIClass_Response_ChatCompletion_Choices>>;

class TozkOpenAIClass_Response_ChatCompletion : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_ChatCompletion() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_ChatCompletion, TozkOpenAIClass)

  const TozkOpenAIArray_Response_ChatCompletion_Choices& Choices() const { return FChoices; }
  TozkOpenAIArray_Response_ChatCompletion_Choices& Choices() { return FChoices; }
  int32_t Created() const { return FCreated; }
  const std::u16string& Id() const { return FId; }
  const std::u16string& _Object() const { return F_Object; }
  // Created on first read.
  TozkOpenAIClass_Usage* Usage();

 protected:
  void DoReadJSON() override;

 private:
  TozkOpenAIArray_Response_ChatCompletion_Choices FChoices;
  int32_t FCreated = 0;
  std::u16string FId;
  std::u16string F_Object;
  std::unique_ptr<TozkOpenAIClass_Usage> FUsage;
};
