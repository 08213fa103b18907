// OpenAI object model, runs family: the run request and the run object, truncation strategy,
// tool outputs, run steps with their details, tool calls and code interpreter outputs, and the
// lists of runs and of run steps.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_Assistants.h"
#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

// Read only: its own AsString writes nothing; the run writes it.
class TozkOpenAIClass_TruncationStrategy : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_TruncationStrategy() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_TruncationStrategy, TozkOpenAIClass)

  const std::u16string& _Type() const { return F_Type; }
  void Set_Type(std::u16string aValue) { F_Type = std::move(aValue); }
  int32_t LastMessages() const { return FLastMessages; }
  void SetLastMessages(int32_t aValue) { FLastMessages = aValue; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string F_Type;
  int32_t FLastMessages = 0;
};

using TozkOpenAIArray_Additional_Messages =
    std::vector<std::unique_ptr<TozkOpenAIClass_Additional_Messages>>;

// --- Runs ----------------------------------------------------------------------------------------

// Fields, reading and writing shared by the run request and the run object.
class TozkOpenAIClass_Run_Base : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Run_Base() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Run_Base, TozkOpenAIClass)

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

  const std::u16string& Id() const { return FId; }
  void SetId(std::u16string aValue) { FId = std::move(aValue); }
  const std::u16string& _Object() const { return F_Object; }
  void Set_Object(std::u16string aValue) { F_Object = std::move(aValue); }
  int32_t CreatedAt() const { return FCreatedAt; }
  void SetCreatedAt(int32_t aValue) { FCreatedAt = aValue; }
  const std::u16string& ThreadId() const { return FThreadId; }
  void SetThreadId(std::u16string aValue) { FThreadId = std::move(aValue); }
  const std::u16string& AssistantId() const { return FAssistantId; }
  void SetAssistantId(std::u16string aValue) { FAssistantId = std::move(aValue); }
  const std::u16string& Status() const { return FStatus; }
  void SetStatus(std::u16string aValue) { FStatus = std::move(aValue); }
  // The JSON text of the object, or "null".
  const std::u16string& RequiredAction() const { return FRequiredAction; }
  void SetRequiredAction(std::u16string aValue) { FRequiredAction = std::move(aValue); }
  // Created on first read.
  TozkOpenAIClass_Last_Error* LastError();
  int32_t ExpiresAt() const { return FExpiresAt; }
  void SetExpiresAt(int32_t aValue) { FExpiresAt = aValue; }
  int32_t StartedAt() const { return FStartedAt; }
  void SetStartedAt(int32_t aValue) { FStartedAt = aValue; }
  int32_t CancelledAt() const { return FCancelledAt; }
  void SetCancelledAt(int32_t aValue) { FCancelledAt = aValue; }
  int32_t FailedAt() const { return FFailedAt; }
  void SetFailedAt(int32_t aValue) { FFailedAt = aValue; }
  int32_t CompletedAt() const { return FCompletedAt; }
  void SetCompletedAt(int32_t aValue) { FCompletedAt = aValue; }
  // The "reason" inside "incomplete_details".
  const std::u16string& IncompleteDetails() const { return FIncompleteDetails; }
  void SetIncompleteDetails(std::u16string aValue) { FIncompleteDetails = std::move(aValue); }
  const std::u16string& Model() const { return FModel; }
  void SetModel(std::u16string aValue) { FModel = std::move(aValue); }
  // Free text, stored escaped and always written as a JSON string.
  const std::u16string& Instructions() const { return FInstructions; }
  void SetInstructions(std::u16string aValue) { FInstructions = std::move(aValue); }
  TozkOpenAIArray_Assistant_Tools& Tools() { return FTools; }
  const TozkOpenAIArray_Assistant_Tools& Tools() const { return FTools; }
  void SetTools(TozkOpenAIArray_Assistant_Tools aValue) { FTools = std::move(aValue); }
  TStringList* MetaData();
  // Created on first read; never written.
  TozkOpenAIClass_Usage* Usage();
  // Written when greater than 0.
  double Temperature() const { return FTemperature; }
  void SetTemperature(double aValue) { FTemperature = aValue; }
  double TopP() const { return FTopP; }
  void SetTopP(double aValue) { FTopP = aValue; }
  int32_t MaxPromptTokens() const { return FMaxPromptTokens; }
  void SetMaxPromptTokens(int32_t aValue) { FMaxPromptTokens = aValue; }
  int32_t MaxCompletionTokens() const { return FMaxCompletionTokens; }
  void SetMaxCompletionTokens(int32_t aValue) { FMaxCompletionTokens = aValue; }
  // Created on first read.
  TozkOpenAIClass_TruncationStrategy* TruncationStrategy();
  const std::u16string& ToolChoice() const { return FToolChoice; }
  void SetToolChoice(std::u16string aValue) { FToolChoice = std::move(aValue); }
  const std::u16string& ResponseFormat() const { return FResponseFormat; }
  void SetResponseFormat(std::u16string aValue) { FResponseFormat = std::move(aValue); }

 private:
  std::u16string FId;
  std::u16string F_Object;
  int32_t FCreatedAt = 0;
  std::u16string FThreadId;
  std::u16string FAssistantId;
  std::u16string FStatus;
  std::u16string FRequiredAction;
  std::unique_ptr<TozkOpenAIClass_Last_Error> FLastError;
  int32_t FExpiresAt = 0;
  int32_t FStartedAt = 0;
  int32_t FCancelledAt = 0;
  int32_t FFailedAt = 0;
  int32_t FCompletedAt = 0;
  std::u16string FIncompleteDetails;
  std::u16string FModel;
  std::u16string FInstructions;
  TozkOpenAIArray_Assistant_Tools FTools;
  std::unique_ptr<TStringList> FMetaData;
  std::unique_ptr<TozkOpenAIClass_Usage> FUsage;
  double FTemperature = 0;
  double FTopP = 0;
  int32_t FMaxPromptTokens = 0;
  int32_t FMaxCompletionTokens = 0;
  std::unique_ptr<TozkOpenAIClass_TruncationStrategy> FTruncationStrategy;
  std::u16string FToolChoice;
  std::u16string FResponseFormat;
};

class TozkOpenAIClass_Run : public TozkOpenAIClass_Run_Base {
 public:
  TozkOpenAIClass_Run() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Run, TozkOpenAIClass_Run_Base)

  using TozkOpenAIClass_Run_Base::_Object;
  using TozkOpenAIClass_Run_Base::AssistantId;
  using TozkOpenAIClass_Run_Base::CancelledAt;
  using TozkOpenAIClass_Run_Base::CompletedAt;
  using TozkOpenAIClass_Run_Base::CreatedAt;
  using TozkOpenAIClass_Run_Base::ExpiresAt;
  using TozkOpenAIClass_Run_Base::FailedAt;
  using TozkOpenAIClass_Run_Base::Id;
  using TozkOpenAIClass_Run_Base::IncompleteDetails;
  using TozkOpenAIClass_Run_Base::Instructions;
  using TozkOpenAIClass_Run_Base::LastError;
  using TozkOpenAIClass_Run_Base::MaxCompletionTokens;
  using TozkOpenAIClass_Run_Base::MaxPromptTokens;
  using TozkOpenAIClass_Run_Base::MetaData;
  using TozkOpenAIClass_Run_Base::Model;
  using TozkOpenAIClass_Run_Base::RequiredAction;
  using TozkOpenAIClass_Run_Base::ResponseFormat;
  using TozkOpenAIClass_Run_Base::Set_Object;
  using TozkOpenAIClass_Run_Base::SetAssistantId;
  using TozkOpenAIClass_Run_Base::SetCancelledAt;
  using TozkOpenAIClass_Run_Base::SetCompletedAt;
  using TozkOpenAIClass_Run_Base::SetCreatedAt;
  using TozkOpenAIClass_Run_Base::SetExpiresAt;
  using TozkOpenAIClass_Run_Base::SetFailedAt;
  using TozkOpenAIClass_Run_Base::SetId;
  using TozkOpenAIClass_Run_Base::SetIncompleteDetails;
  using TozkOpenAIClass_Run_Base::SetInstructions;
  using TozkOpenAIClass_Run_Base::SetMaxCompletionTokens;
  using TozkOpenAIClass_Run_Base::SetMaxPromptTokens;
  using TozkOpenAIClass_Run_Base::SetModel;
  using TozkOpenAIClass_Run_Base::SetRequiredAction;
  using TozkOpenAIClass_Run_Base::SetResponseFormat;
  using TozkOpenAIClass_Run_Base::SetStartedAt;
  using TozkOpenAIClass_Run_Base::SetStatus;
  using TozkOpenAIClass_Run_Base::SetTemperature;
  using TozkOpenAIClass_Run_Base::SetThreadId;
  using TozkOpenAIClass_Run_Base::SetToolChoice;
  using TozkOpenAIClass_Run_Base::SetTools;
  using TozkOpenAIClass_Run_Base::SetTopP;
  using TozkOpenAIClass_Run_Base::StartedAt;
  using TozkOpenAIClass_Run_Base::Status;
  using TozkOpenAIClass_Run_Base::Temperature;
  using TozkOpenAIClass_Run_Base::ThreadId;
  using TozkOpenAIClass_Run_Base::ToolChoice;
  using TozkOpenAIClass_Run_Base::Tools;
  using TozkOpenAIClass_Run_Base::TopP;
  using TozkOpenAIClass_Run_Base::TruncationStrategy;
  using TozkOpenAIClass_Run_Base::Usage;
};

// The body that creates a run: the run's members, then its own.
class TozkOpenAIClass_Request_Run : public TozkOpenAIClass_Run_Base {
 public:
  TozkOpenAIClass_Request_Run() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Run, TozkOpenAIClass_Run_Base)

  using TozkOpenAIClass_Run_Base::AssistantId;
  using TozkOpenAIClass_Run_Base::Instructions;
  using TozkOpenAIClass_Run_Base::MaxCompletionTokens;
  using TozkOpenAIClass_Run_Base::MaxPromptTokens;
  using TozkOpenAIClass_Run_Base::Model;
  using TozkOpenAIClass_Run_Base::ResponseFormat;
  using TozkOpenAIClass_Run_Base::SetAssistantId;
  using TozkOpenAIClass_Run_Base::SetInstructions;
  using TozkOpenAIClass_Run_Base::SetMaxCompletionTokens;
  using TozkOpenAIClass_Run_Base::SetMaxPromptTokens;
  using TozkOpenAIClass_Run_Base::SetModel;
  using TozkOpenAIClass_Run_Base::SetResponseFormat;
  using TozkOpenAIClass_Run_Base::SetToolChoice;
  using TozkOpenAIClass_Run_Base::SetTools;
  using TozkOpenAIClass_Run_Base::ToolChoice;
  using TozkOpenAIClass_Run_Base::Tools;
  using TozkOpenAIClass_Run_Base::TruncationStrategy;

  // Free text, stored escaped and always written as a JSON string.
  const std::u16string& AdditionalInstructions() const { return FAdditionalInstructions; }
  void SetAdditionalInstructions(std::u16string aValue) {
    FAdditionalInstructions = std::move(aValue);
  }
  TozkOpenAIArray_Additional_Messages& AdditionalMessages() { return FAdditionalMessages; }
  const TozkOpenAIArray_Additional_Messages& AdditionalMessages() const {
    return FAdditionalMessages;
  }
  void SetAdditionalMessages(TozkOpenAIArray_Additional_Messages aValue) {
    FAdditionalMessages = std::move(aValue);
  }
  // Always written.
  bool Stream() const { return FStream; }
  void SetStream(bool aValue) { FStream = aValue; }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FAdditionalInstructions;
  TozkOpenAIArray_Additional_Messages FAdditionalMessages;
  bool FStream = false;
};

// The output of one tool call, submitted to a run that requires it. It reads nothing.
class TozkOpenAIClass_Request_ToolOutputs : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Request_ToolOutputs() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_ToolOutputs, TozkOpenAIClass)

  const std::u16string& ToolCallId() const { return FToolCallId; }
  void SetToolCallId(std::u16string aValue) { FToolCallId = std::move(aValue); }
  const std::u16string& Output() const { return FOutput; }
  void SetOutput(std::u16string aValue) { FOutput = std::move(aValue); }
  bool Stream() const { return FStream; }
  void SetStream(bool aValue) { FStream = aValue; }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FToolCallId;
  std::u16string FOutput;
  bool FStream = false;
};

// --- Code interpreter outputs (read only) --------------------------------------------------------

class TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs
    : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs,
                          TozkOpenAIClass)

  int32_t _Index() const { return F_Index; }
  const std::u16string& _Type() const { return F_Type; }

  // "logs" and "image" elements; none for any other type.
  static std::unique_ptr<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs>
  CreateFromItem(TozkOpenAIClass& aParent, TozkObjectJSON& aItem);

 protected:
  void DoReadJSON() override;

 private:
  int32_t F_Index = 0;
  std::u16string F_Type;
};

using TozkOpenAIArray_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs = std::vector<
    std::unique_ptr<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs>>;

class TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs_Log
    : public TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs {
 public:
  TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs_Log() = default;
  OZK_OPENAI_CONSTRUCTORS(
      TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs_Log,
      TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs)

  const std::u16string& Logs() const { return FLogs; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FLogs;
};

class TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs_Image
    : public TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs {
 public:
  TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs_Image() = default;
  OZK_OPENAI_CONSTRUCTORS(
      TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs_Image,
      TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs)

  // The "file_id" inside "image".
  const std::u16string& FileId() const { return FFileId; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FFileId;
};

// --- Tool calls (read only) ----------------------------------------------------------------------

class TozkOpenAIClass_RunStepDetail_Details_ToolCalls : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_RunStepDetail_Details_ToolCalls() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_RunStepDetail_Details_ToolCalls, TozkOpenAIClass)

  int32_t _Index() const { return F_Index; }
  const std::u16string& Id() const { return FId; }
  const std::u16string& _Type() const { return F_Type; }

  // "code_interpreter", "file_search" and "function" elements; none for any other type.
  static std::unique_ptr<TozkOpenAIClass_RunStepDetail_Details_ToolCalls>
  CreateFromItem(TozkOpenAIClass& aParent, TozkObjectJSON& aItem);

 protected:
  void DoReadJSON() override;

 private:
  int32_t F_Index = 0;
  std::u16string FId;
  std::u16string F_Type;
};

using TozkOpenAIArray_RunStepDetail_Details_ToolCalls =
    std::vector<std::unique_ptr<TozkOpenAIClass_RunStepDetail_Details_ToolCalls>>;

class TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter
    : public TozkOpenAIClass_RunStepDetail_Details_ToolCalls {
 public:
  TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter,
                          TozkOpenAIClass_RunStepDetail_Details_ToolCalls)

  const std::u16string& Input() const { return FInput; }
  const TozkOpenAIArray_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs& Outputs() const {
    return FOutputs;
  }
  TozkOpenAIArray_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs& Outputs() {
    return FOutputs;
  }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FInput;
  TozkOpenAIArray_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs FOutputs;
};

class TozkOpenAIClass_RunStepDetail_Details_ToolCalls_FileSearch
    : public TozkOpenAIClass_RunStepDetail_Details_ToolCalls {
 public:
  TozkOpenAIClass_RunStepDetail_Details_ToolCalls_FileSearch() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_RunStepDetail_Details_ToolCalls_FileSearch,
                          TozkOpenAIClass_RunStepDetail_Details_ToolCalls)

  // The JSON text of the "file_search" object.
  const std::u16string& FileSearch() const { return FFileSearch; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FFileSearch;
};

class TozkOpenAIClass_RunStepDetail_Details_ToolCalls_Function
    : public TozkOpenAIClass_RunStepDetail_Details_ToolCalls {
 public:
  TozkOpenAIClass_RunStepDetail_Details_ToolCalls_Function() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_RunStepDetail_Details_ToolCalls_Function,
                          TozkOpenAIClass_RunStepDetail_Details_ToolCalls)

  const std::u16string& _Name() const { return F_Name; }
  const std::u16string& Arguments() const { return FArguments; }
  const std::u16string& Output() const { return FOutput; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string F_Name;
  std::u16string FArguments;
  std::u16string FOutput;
};

// --- Run steps (read only) -----------------------------------------------------------------------

class TozkOpenAIClass_RunStepDetail_Details_MessageCreation : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_RunStepDetail_Details_MessageCreation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_RunStepDetail_Details_MessageCreation, TozkOpenAIClass)

  const std::u16string& MessageId() const { return FMessageId; }
  void SetMessageId(std::u16string aValue) { FMessageId = std::move(aValue); }

 private:
  std::u16string FMessageId;
};

class TozkOpenAIClass_RunStepDetail_Details : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_RunStepDetail_Details() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_RunStepDetail_Details, TozkOpenAIClass)

  const std::u16string& _Type() const { return F_Type; }
  // Made when the type is "message_creation"; none otherwise.
  TozkOpenAIClass_RunStepDetail_Details_MessageCreation* MessageCreation() const {
    return FMessageCreation.get();
  }
  // Read when the type is "tool_calls".
  const TozkOpenAIArray_RunStepDetail_Details_ToolCalls& ToolCalls() const { return FToolCalls; }
  TozkOpenAIArray_RunStepDetail_Details_ToolCalls& ToolCalls() { return FToolCalls; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string F_Type;
  std::unique_ptr<TozkOpenAIClass_RunStepDetail_Details_MessageCreation> FMessageCreation;
  TozkOpenAIArray_RunStepDetail_Details_ToolCalls FToolCalls;
};

class TozkOpenAIClass_RunSteps : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_RunSteps() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_RunSteps, TozkOpenAIClass)

  const std::u16string& Id() const { return FId; }
  const std::u16string& _Object() const { return F_Object; }
  int32_t CreatedAt() const { return FCreatedAt; }
  const std::u16string& ThreadId() const { return FThreadId; }
  const std::u16string& AssistantId() const { return FAssistantId; }
  const std::u16string& RunId() const { return FRunId; }
  const std::u16string& _Type() const { return F_Type; }
  const std::u16string& Status() const { return FStatus; }
  // Created on first read.
  TozkOpenAIClass_RunStepDetail_Details* StepDetails();
  // The JSON text of the error object, or "null".
  const std::u16string& LastError() const { return FLastError; }
  int32_t ExpiredAt() const { return FExpiredAt; }
  int32_t CancelledAt() const { return FCancelledAt; }
  int32_t FailedAt() const { return FFailedAt; }
  int32_t CompletedAt() const { return FCompletedAt; }
  TStringList* MetaData();
  // The JSON text of the usage object, or "null".
  const std::u16string& Usage() const { return FUsage; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FId;
  std::u16string F_Object;
  int32_t FCreatedAt = 0;
  std::u16string FThreadId;
  std::u16string FAssistantId;
  std::u16string FRunId;
  std::u16string F_Type;
  std::u16string FStatus;
  std::unique_ptr<TozkOpenAIClass_RunStepDetail_Details> FStepDetails;
  std::u16string FLastError;
  int32_t FExpiredAt = 0;
  int32_t FCancelledAt = 0;
  int32_t FFailedAt = 0;
  int32_t FCompletedAt = 0;
  std::unique_ptr<TStringList> FMetaData;
  std::u16string FUsage;
};

// --- Lists ---------------------------------------------------------------------------------------

using TozkOpenAIArray_Runs = std::vector<std::unique_ptr<TozkOpenAIClass_Run>>;
using TozkOpenAIArray_RunSteps = std::vector<std::unique_ptr<TozkOpenAIClass_RunSteps>>;

class TozkOpenAIClass_Response_List_Runs
    : public TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_Run> {
 public:
  TozkOpenAIClass_Response_List_Runs() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_List_Runs,
                          TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_Run>)

  TozkOpenAIArray_Runs& Runs() { return FItems; }
  const TozkOpenAIArray_Runs& Runs() const { return FItems; }
};

class TozkOpenAIClass_Response_List_RunSteps
    : public TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_RunSteps> {
 public:
  TozkOpenAIClass_Response_List_RunSteps() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_List_RunSteps,
                          TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_RunSteps>)

  TozkOpenAIArray_RunSteps& Runs() { return FItems; }
  const TozkOpenAIArray_RunSteps& Runs() const { return FItems; }
};
