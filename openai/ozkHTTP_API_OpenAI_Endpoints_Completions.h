// OpenAI object model, models, text completions and edits: the request and response objects and
// their JSON form.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_Files.h"
#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

// --- Models (read only) --------------------------------------------------------------------------

class TozkOpenAIClass_Response_Model_Permission : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Model_Permission() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Model_Permission, TozkOpenAIClass)

  bool AllowCreateEngine() const { return FAllowCreateEngine; }
  bool AllowFineTuning() const { return FAllowFineTuning; }
  bool AllowSearchIndices() const { return FAllowSearchIndices; }
  bool AllowView() const { return FAllowView; }
  int32_t Created() const { return FCreated; }
  const std::u16string& Id() const { return FId; }
  bool IsBlocking() const { return FIsBlocking; }
  const std::u16string& _Object() const { return F_Object; }
  const std::u16string& Organization() const { return FOrganization; }
  bool AllowLogprobs() const { return FAllowLogprobs; }
  bool AllowSampling() const { return FAllowSampling; }

 protected:
  void DoReadJSON() override;

 private:
  bool FAllowCreateEngine = false;
  bool FAllowFineTuning = false;
  bool FAllowSearchIndices = false;
  bool FAllowView = false;
  int32_t FCreated = 0;
  std::u16string FId;
  bool FIsBlocking = false;
  std::u16string F_Object;
  std::u16string FOrganization;
  bool FAllowLogprobs = false;
  bool FAllowSampling = false;
};

using TozkOpenAIArray_Response_Model_Permission =
    std::vector<std::unique_ptr<TozkOpenAIClass_Response_Model_Permission>>;

class TozkOpenAIClass_Response_Model_Data : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Model_Data() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Model_Data, TozkOpenAIClass)

  int32_t Created() const { return FCreated; }
  const std::u16string& Id() const { return FId; }
  const std::u16string& _Object() const { return F_Object; }
  const std::u16string& OwnedBy() const { return FOwnedBy; }
  const TozkOpenAIArray_Response_Model_Permission& Permission() const { return FPermission; }
  TozkOpenAIArray_Response_Model_Permission& Permission() { return FPermission; }
  const std::u16string& Root() const { return FRoot; }

 protected:
  void DoReadJSON() override;

 private:
  int32_t FCreated = 0;
  std::u16string FId;
  std::u16string F_Object;
  std::u16string FOwnedBy;
  TozkOpenAIArray_Response_Model_Permission FPermission;
  std::u16string FRoot;
};

// One model, as retrieved by its id.
class TozkOpenAI_Response_Model_Class : public TozkOpenAIClass_Response_Model_Data {
 public:
  TozkOpenAI_Response_Model_Class() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAI_Response_Model_Class, TozkOpenAIClass_Response_Model_Data)
};

using TozkOpenAIArray_Response_Model_Data =
    std::vector<std::unique_ptr<TozkOpenAIClass_Response_Model_Data>>;

class TozkOpenAIClass_Response_Models : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Models() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Models, TozkOpenAIClass)

  const TozkOpenAIArray_Response_Model_Data& Data() const { return FData; }
  TozkOpenAIArray_Response_Model_Data& Data() { return FData; }
  const std::u16string& _Object() const { return F_Object; }

 protected:
  void DoReadJSON() override;

 private:
  TozkOpenAIArray_Response_Model_Data FData;
  std::u16string F_Object;
};

// --- Completions ---------------------------------------------------------------------------------

class TozkOpenAIClass_Request_Completion : public TozkOpenAIClass {
 public:
  // Temperature and Top_p 1.0, N and BestOf 1.
  TozkOpenAIClass_Request_Completion();
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Completion, TozkOpenAIClass)

  int32_t BestOf() const { return FBestOf; }
  void SetBestOf(int32_t aValue) { FBestOf = aValue; }
  double Frequency_penalty() const { return FFrequency_penalty; }
  void SetFrequency_penalty(double aValue) { FFrequency_penalty = aValue; }
  // A JSON object given as text.
  const std::u16string& Logit_bias() const { return FLogit_bias; }
  void SetLogit_bias(std::u16string aValue) { FLogit_bias = std::move(aValue); }
  int32_t MaxTokens() const { return FMaxTokens; }
  void SetMaxTokens(int32_t aValue) { FMaxTokens = aValue; }
  // Always written.
  const std::u16string& Model() const { return FModel; }
  void SetModel(std::u16string aValue) { FModel = std::move(aValue); }
  const std::u16string& Prompt() const { return FPrompt; }
  void SetPrompt(std::u16string aValue) { FPrompt = std::move(aValue); }
  int32_t N() const { return FN; }
  void SetN(int32_t aValue) { FN = aValue; }
  double Presence_penalty() const { return FPresence_penalty; }
  void SetPresence_penalty(double aValue) { FPresence_penalty = aValue; }
  // Each distinct text is written once.
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
  const std::u16string& Suffix() const { return FSuffix; }
  void SetSuffix(std::u16string aValue) { FSuffix = std::move(aValue); }
  int32_t Logprobs() const { return FLogprobs; }
  void SetLogprobs(int32_t aValue) { FLogprobs = aValue; }
  bool Echo() const { return FEcho; }
  void SetEcho(bool aValue) { FEcho = aValue; }

 protected:
  void DoWriteJSON() override;

 private:
  int32_t FBestOf = 0;
  double FFrequency_penalty = 0;
  std::u16string FLogit_bias;
  int32_t FMaxTokens = 0;
  std::u16string FModel;
  std::u16string FPrompt;
  int32_t FN = 0;
  double FPresence_penalty = 0;
  TozkArrayOfString FStop;
  bool FStream = false;
  double FTemperature = 0;
  double FTop_p = 0;
  std::u16string FUser;
  std::u16string FSuffix;
  int32_t FLogprobs = 0;
  bool FEcho = false;
};

// A chat message of a request. The chat request writes only Role and Content of it.
class TozkOpenAIClass_Request_Completion_Message : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Request_Completion_Message() { FRole = u"user"; }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Completion_Message, TozkOpenAIClass)

  const std::u16string& Content() const { return FContent; }
  void SetContent(std::u16string aValue) { FContent = std::move(aValue); }
  const std::u16string& Role() const { return FRole; }
  void SetRole(std::u16string aValue) { FRole = std::move(aValue); }
  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string aValue) { FName = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FContent;
  std::u16string FRole;
  std::u16string FName;
};

using TozkOpenAIArray_Request_Completion_Messages =
    std::vector<std::unique_ptr<TozkOpenAIClass_Request_Completion_Message>>;

class TozkOpenAIClass_Response_Completion_Choices : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Completion_Choices() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Completion_Choices, TozkOpenAIClass)

  const std::u16string& FinishReason() const { return FFinishReason; }
  int32_t _Index() const { return F_Index; }
  const std::u16string& Text() const { return FText; }
  // The JSON text of the object, or "null".
  const std::u16string& Logprobs() const { return FLogprobs; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FFinishReason;
  int32_t F_Index = 0;
  std::u16string FText;
  std::u16string FLogprobs;
};

using TozkOpenAIArray_Response_Completion_Choices =
    std::vector<std::unique_ptr<TozkOpenAIClass_Response_Completion_Choices>>;

class TozkOpenAIClass_Response_Completion : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Completion() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Completion, TozkOpenAIClass)

  const TozkOpenAIArray_Response_Completion_Choices& Choices() const { return FChoices; }
  TozkOpenAIArray_Response_Completion_Choices& Choices() { return FChoices; }
  int32_t Created() const { return FCreated; }
  const std::u16string& Id() const { return FId; }
  const std::u16string& Model() const { return FModel; }
  const std::u16string& _Object() const { return F_Object; }
  // Created on first read.
  TozkOpenAIClass_Usage* Usage();

 protected:
  void DoReadJSON() override;

 private:
  TozkOpenAIArray_Response_Completion_Choices FChoices;
  int32_t FCreated = 0;
  std::u16string FId;
  std::u16string FModel;
  std::u16string F_Object;
  std::unique_ptr<TozkOpenAIClass_Usage> FUsage;
};

// --- Edits ---------------------------------------------------------------------------------------

class TozkOpenAIClass_Request_Edit : public TozkOpenAIClass {
 public:
  // N 1, Temperature and TopP 1.0.
  TozkOpenAIClass_Request_Edit();
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Edit, TozkOpenAIClass)

  const std::u16string& Model() const { return FModel; }
  void SetModel(std::u16string aValue) { FModel = std::move(aValue); }
  const std::u16string& Input() const { return FInput; }
  void SetInput(std::u16string aValue) { FInput = std::move(aValue); }
  const std::u16string& Instruction() const { return FInstruction; }
  void SetInstruction(std::u16string aValue) { FInstruction = std::move(aValue); }
  int32_t N() const { return FN; }
  void SetN(int32_t aValue) { FN = aValue; }
  double Temperature() const { return FTemperature; }
  void SetTemperature(double aValue) { FTemperature = aValue; }
  double TopP() const { return FTopP; }
  void SetTopP(double aValue) { FTopP = aValue; }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FModel;
  std::u16string FInput;
  std::u16string FInstruction;
  int32_t FN = 0;
  double FTemperature = 0;
  double FTopP = 0;
};

class TozkOpenAIClass_Response_Edit_Choices : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Edit_Choices() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Edit_Choices, TozkOpenAIClass)

  int32_t _Index() const { return F_Index; }
  const std::u16string& Text() const { return FText; }

 protected:
  void DoReadJSON() override;

 private:
  int32_t F_Index = 0;
  std::u16string FText;
};

using TozkOpenAIArray_Response_Edit_Choices =
    std::vector<std::unique_ptr<TozkOpenAIClass_Response_Edit_Choices>>;

class TozkOpenAIClass_Response_Edit : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Edit() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Edit, TozkOpenAIClass)

  const TozkOpenAIArray_Response_Edit_Choices& Choices() const { return FChoices; }
  TozkOpenAIArray_Response_Edit_Choices& Choices() { return FChoices; }
  int32_t Created() const { return FCreated; }
  const std::u16string& _Object() const { return F_Object; }
  // Created on first read.
  TozkOpenAIClass_Usage* Usage();

 protected:
  void DoReadJSON() override;

 private:
  TozkOpenAIArray_Response_Edit_Choices FChoices;
  int32_t FCreated = 0;
  std::u16string F_Object;
  std::unique_ptr<TozkOpenAIClass_Usage> FUsage;
};
