// OpenAI object model, the endpoints outside the assistants family: models, completions, chat
// completions with function definitions, edits, images, embeddings, audio transcription and
// translation, fine-tunes and moderations.
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

// --- Images --------------------------------------------------------------------------------------

class TozkOpenAIClass_Request_Image_Base : public TozkOpenAIClass {
 public:
  // N 1, ResponseFormat "url".
  TozkOpenAIClass_Request_Image_Base();
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Image_Base, TozkOpenAIClass)

  int32_t N() const { return FN; }
  void SetN(int32_t aValue) { FN = aValue; }
  const std::u16string& ResponseFormat() const { return FResponseFormat; }
  void SetResponseFormat(std::u16string aValue) { FResponseFormat = std::move(aValue); }
  const std::u16string& Size() const { return FSize; }
  void SetSize(std::u16string aValue) { FSize = std::move(aValue); }
  const std::u16string& User() const { return FUser; }
  void SetUser(std::u16string aValue) { FUser = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  int32_t FN = 0;
  std::u16string FResponseFormat;
  std::u16string FSize;
  std::u16string FUser;
};

class TozkOpenAIClass_Request_Image : public TozkOpenAIClass_Request_Image_Base {
 public:
  TozkOpenAIClass_Request_Image() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Image, TozkOpenAIClass_Request_Image_Base)

  const std::u16string& Prompt() const { return FPrompt; }
  void SetPrompt(std::u16string aValue) { FPrompt = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FPrompt;
};

// Sent as a multipart form: "image" and "mask" name local files.
class TozkOpenAIClass_Request_Image_Edit : public TozkOpenAIClass_Request_Image {
 public:
  TozkOpenAIClass_Request_Image_Edit() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Image_Edit, TozkOpenAIClass_Request_Image)

  const std::u16string& Image() const { return FImage; }
  void SetImage(std::u16string aValue) { FImage = std::move(aValue); }
  const std::u16string& Mask() const { return FMask; }
  void SetMask(std::u16string aValue) { FMask = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FImage;
  std::u16string FMask;
};

// Sent as a multipart form: "image" names a local file.
class TozkOpenAIClass_Request_Image_Variation : public TozkOpenAIClass_Request_Image_Base {
 public:
  TozkOpenAIClass_Request_Image_Variation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Image_Variation,
                          TozkOpenAIClass_Request_Image_Base)

  const std::u16string& Image() const { return FImage; }
  void SetImage(std::u16string aValue) { FImage = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FImage;
};

class TozkOpenAIClass_Response_Image_Data : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Image_Data() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Image_Data, TozkOpenAIClass)

  const std::u16string& Url() const { return FUrl; }
  const std::u16string& B64_json() const { return FB64_json; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FUrl;
  std::u16string FB64_json;
};

using TozkOpenAIArray_Response_Image_Data =
    std::vector<std::unique_ptr<TozkOpenAIClass_Response_Image_Data>>;

class TozkOpenAIClass_Response_Image : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Image() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Image, TozkOpenAIClass)

  const TozkOpenAIArray_Response_Image_Data& Data() const { return FData; }
  TozkOpenAIArray_Response_Image_Data& Data() { return FData; }
  // Read through the 32-bit reader.
  int64_t Created() const { return FCreated; }

 protected:
  void DoReadJSON() override;

 private:
  TozkOpenAIArray_Response_Image_Data FData;
  int64_t FCreated = 0;
};

class TozkOpenAIClass_Response_Image_Edit : public TozkOpenAIClass_Response_Image {
 public:
  TozkOpenAIClass_Response_Image_Edit() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Image_Edit, TozkOpenAIClass_Response_Image)
};

class TozkOpenAIClass_Response_Image_Variation : public TozkOpenAIClass_Response_Image {
 public:
  TozkOpenAIClass_Response_Image_Variation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Image_Variation, TozkOpenAIClass_Response_Image)
};

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

// --- Moderations ---------------------------------------------------------------------------------

class TozkOpenAIClass_Request_Moderation : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Request_Moderation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Moderation, TozkOpenAIClass)

  const std::u16string& Model() const { return FModel; }
  void SetModel(std::u16string aValue) { FModel = std::move(aValue); }
  const std::u16string& Input() const { return FInput; }
  void SetInput(std::u16string aValue) { FInput = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FModel;
  std::u16string FInput;
};

class TozkOpenAIClass_Response_Moderation_Results_Categories : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Moderation_Results_Categories() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Moderation_Results_Categories, TozkOpenAIClass)

  bool Hate() const { return FHate; }
  bool HateThreatening() const { return FHateThreatening; }
  bool SelfHarm() const { return FSelfHarm; }
  bool Sexual() const { return FSexual; }
  bool SexualMinors() const { return FSexualMinors; }
  bool Violence() const { return FViolence; }
  bool ViolenceGraphic() const { return FViolenceGraphic; }

 protected:
  void DoReadJSON() override;

 private:
  bool FHate = false;
  bool FHateThreatening = false;
  bool FSelfHarm = false;
  bool FSexual = false;
  bool FSexualMinors = false;
  bool FViolence = false;
  bool FViolenceGraphic = false;
};

class TozkOpenAIClass_Response_Moderation_Results_CategoryScores : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Moderation_Results_CategoryScores() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Moderation_Results_CategoryScores,
                          TozkOpenAIClass)

  double Hate() const { return FHate; }
  double HateThreatening() const { return FHateThreatening; }
  double SelfHarm() const { return FSelfHarm; }
  double Sexual() const { return FSexual; }
  double SexualMinors() const { return FSexualMinors; }
  double Violence() const { return FViolence; }
  double ViolenceGraphic() const { return FViolenceGraphic; }

 protected:
  void DoReadJSON() override;

 private:
  double FHate = 0;
  double FHateThreatening = 0;
  double FSelfHarm = 0;
  double FSexual = 0;
  double FSexualMinors = 0;
  double FViolence = 0;
  double FViolenceGraphic = 0;
};

class TozkOpenAIClass_Response_Moderation_Results : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Moderation_Results() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Moderation_Results, TozkOpenAIClass)

  // Both created on first read.
  TozkOpenAIClass_Response_Moderation_Results_Categories* Categories();
  TozkOpenAIClass_Response_Moderation_Results_CategoryScores* CategoryScores();
  bool Flagged() const { return FFlagged; }

 protected:
  void DoReadJSON() override;

 private:
  std::unique_ptr<TozkOpenAIClass_Response_Moderation_Results_Categories> FCategories;
  std::unique_ptr<TozkOpenAIClass_Response_Moderation_Results_CategoryScores> FCategoryScores;
  bool FFlagged = false;
};

using TozkOpenAIArray_Response_Moderation_Results =
    std::vector<std::unique_ptr<TozkOpenAIClass_Response_Moderation_Results>>;

class TozkOpenAIClass_Response_Moderation : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Moderation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Moderation, TozkOpenAIClass)

  const std::u16string& Id() const { return FId; }
  const std::u16string& Model() const { return FModel; }
  const TozkOpenAIArray_Response_Moderation_Results& Results() const { return FResults; }
  TozkOpenAIArray_Response_Moderation_Results& Results() { return FResults; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FId;
  std::u16string FModel;
  TozkOpenAIArray_Response_Moderation_Results FResults;
};
