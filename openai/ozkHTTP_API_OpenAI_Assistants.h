// OpenAI object model, assistants family: assistants with their tools and tool resources,
// threads, messages with their content parts and annotations, and the lists of assistants
// and of messages.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

// --- Tools ---------------------------------------------------------------------------------------

class TozkOpenAIClass_Assistant_Tool : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Assistant_Tool() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Assistant_Tool, TozkOpenAIClass)

  const std::u16string& _Type() const { return F_Type; }
  void Set_Type(std::u16string aValue) { F_Type = std::move(aValue); }

  // The tool of an array element, of the class its "type" names ("code_interpreter",
  // "file_search", "function"); none for any other type.
  static std::unique_ptr<TozkOpenAIClass_Assistant_Tool> CreateFromItem(TozkOpenAIClass& aParent,
                                                                        TozkObjectJSON& aItem);

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string F_Type;
};

using TozkOpenAIArray_Assistant_Tools =
    std::vector<std::unique_ptr<TozkOpenAIClass_Assistant_Tool>>;

class TozkOpenAIClass_Assistant_Tool_CodeInterpreter : public TozkOpenAIClass_Assistant_Tool {
 public:
  TozkOpenAIClass_Assistant_Tool_CodeInterpreter() { Set_Type(u"code_interpreter"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Assistant_Tool_CodeInterpreter,
                          TozkOpenAIClass_Assistant_Tool)
};

class TozkOpenAIClass_Assistant_Tool_FileSearch : public TozkOpenAIClass_Assistant_Tool {
 public:
  TozkOpenAIClass_Assistant_Tool_FileSearch() { Set_Type(u"file_search"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Assistant_Tool_FileSearch, TozkOpenAIClass_Assistant_Tool)
};

// A function tool. Its members are written inside the object member "function", where the
// service expects them, and read from beside "type" or, when they are not there, from inside
// "function".
class TozkOpenAIClass_Assistant_Tool_Function : public TozkOpenAIClass_Assistant_Tool {
 public:
  TozkOpenAIClass_Assistant_Tool_Function() { Set_Type(u"function"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Assistant_Tool_Function, TozkOpenAIClass_Assistant_Tool)

  const std::u16string& Description() const { return FDescription; }
  void SetDescription(std::u16string aValue) { FDescription = std::move(aValue); }
  const std::u16string& _Name() const { return F_Name; }
  void Set_Name(std::u16string aValue) { F_Name = std::move(aValue); }
  // The JSON schema as text; text beginning with "{" is written as a JSON object.
  const std::u16string& Parameters() const { return FParameters; }
  void SetParameters(std::u16string aValue) { FParameters = std::move(aValue); }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FDescription;
  std::u16string F_Name;
  std::u16string FParameters;
};

// --- Tool resources ------------------------------------------------------------------------------

class TozkOpenAIClass_Assistant_Resources_CodeInterpreter : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Assistant_Resources_CodeInterpreter() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Assistant_Resources_CodeInterpreter, TozkOpenAIClass)

  TStringList* FileIds();

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::unique_ptr<TStringList> FFileIds;
};

class TozkOpenAIClass_Assistant_Resources_FileSearch : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Assistant_Resources_FileSearch() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Assistant_Resources_FileSearch, TozkOpenAIClass)

  TStringList* VectorStoreIds();
  // Vector stores to create with the resource, each as JSON text.
  TStringList* VectorStores();

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::unique_ptr<TStringList> FVectorStoreIds;
  std::unique_ptr<TStringList> FVectorStores;
};

class TozkOpenAIClass_Assistant_Resources : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Assistant_Resources() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Assistant_Resources, TozkOpenAIClass)

  // Both created on first read.
  TozkOpenAIClass_Assistant_Resources_CodeInterpreter* CodeInterpreter();
  TozkOpenAIClass_Assistant_Resources_FileSearch* FileSearch();
  // Whether the child exists, without creating it.
  bool HasCodeInterpreter() const { return FCodeInterpreter != nullptr; }
  bool HasFileSearch() const { return FFileSearch != nullptr; }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::unique_ptr<TozkOpenAIClass_Assistant_Resources_CodeInterpreter> FCodeInterpreter;
  std::unique_ptr<TozkOpenAIClass_Assistant_Resources_FileSearch> FFileSearch;
};

// --- Assistants ----------------------------------------------------------------------------------

// Fields, reading and writing shared by the assistant request (create, modify) and the
// assistant response; each publishes its own set of properties.
class TozkOpenAIClass_Assistant_Base : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Assistant_Base() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Assistant_Base, TozkOpenAIClass)

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

  const std::u16string& Id() const { return FId; }
  void SetId(std::u16string aValue) { FId = std::move(aValue); }
  const std::u16string& _Object() const { return F_Object; }
  void Set_Object(std::u16string aValue) { F_Object = std::move(aValue); }
  int32_t CreatedAt() const { return FCreatedAt; }
  void SetCreatedAt(int32_t aValue) { FCreatedAt = aValue; }
  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string aValue) { FName = std::move(aValue); }
  const std::u16string& Description() const { return FDescription; }
  void SetDescription(std::u16string aValue) { FDescription = std::move(aValue); }
  const std::u16string& Model() const { return FModel; }
  void SetModel(std::u16string aValue) { FModel = std::move(aValue); }
  // Free text, stored escaped (EscapeJSONString) and always written as a JSON string.
  const std::u16string& Instructions() const { return FInstructions; }
  void SetInstructions(std::u16string aValue) { FInstructions = std::move(aValue); }
  TozkOpenAIArray_Assistant_Tools& Tools() { return FTools; }
  const TozkOpenAIArray_Assistant_Tools& Tools() const { return FTools; }
  void SetTools(TozkOpenAIArray_Assistant_Tools aValue) { FTools = std::move(aValue); }
  // None until read or assigned.
  TozkOpenAIClass_Assistant_Resources* ToolResources() const { return FToolResources.get(); }
  void SetToolResources(std::unique_ptr<TozkOpenAIClass_Assistant_Resources> aValue) {
    FToolResources = std::move(aValue);
  }
  TStringList* MetaData();
  // Written when at least 0: a value below 0 leaves the member out.
  double Temperature() const { return FTemperature; }
  void SetTemperature(double aValue) { FTemperature = aValue; }
  double TopP() const { return FTopP; }
  void SetTopP(double aValue) { FTopP = aValue; }
  const std::u16string& ResponseFormat() const { return FResponseFormat; }
  void SetResponseFormat(std::u16string aValue) { FResponseFormat = std::move(aValue); }

 private:
  std::u16string FId;
  std::u16string F_Object;
  int32_t FCreatedAt = 0;
  std::u16string FName;
  std::u16string FDescription;
  std::u16string FModel;
  std::u16string FInstructions;
  TozkOpenAIArray_Assistant_Tools FTools;
  std::unique_ptr<TozkOpenAIClass_Assistant_Resources> FToolResources;
  std::unique_ptr<TStringList> FMetaData;
  double FTemperature = 0;
  double FTopP = 0;
  std::u16string FResponseFormat;
};

class TozkOpenAIClass_Request_Assistant : public TozkOpenAIClass_Assistant_Base {
 public:
  TozkOpenAIClass_Request_Assistant() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Assistant, TozkOpenAIClass_Assistant_Base)

  using TozkOpenAIClass_Assistant_Base::Description;
  using TozkOpenAIClass_Assistant_Base::Instructions;
  using TozkOpenAIClass_Assistant_Base::MetaData;
  using TozkOpenAIClass_Assistant_Base::Model;
  using TozkOpenAIClass_Assistant_Base::Name;
  using TozkOpenAIClass_Assistant_Base::ResponseFormat;
  using TozkOpenAIClass_Assistant_Base::SetDescription;
  using TozkOpenAIClass_Assistant_Base::SetInstructions;
  using TozkOpenAIClass_Assistant_Base::SetModel;
  using TozkOpenAIClass_Assistant_Base::SetName;
  using TozkOpenAIClass_Assistant_Base::SetResponseFormat;
  using TozkOpenAIClass_Assistant_Base::SetTemperature;
  using TozkOpenAIClass_Assistant_Base::SetToolResources;
  using TozkOpenAIClass_Assistant_Base::SetTools;
  using TozkOpenAIClass_Assistant_Base::SetTopP;
  using TozkOpenAIClass_Assistant_Base::Temperature;
  using TozkOpenAIClass_Assistant_Base::ToolResources;
  using TozkOpenAIClass_Assistant_Base::Tools;
  using TozkOpenAIClass_Assistant_Base::TopP;
};

class TozkOpenAIClass_Assistant : public TozkOpenAIClass_Assistant_Base {
 public:
  TozkOpenAIClass_Assistant() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Assistant, TozkOpenAIClass_Assistant_Base)

  using TozkOpenAIClass_Assistant_Base::_Object;
  using TozkOpenAIClass_Assistant_Base::CreatedAt;
  using TozkOpenAIClass_Assistant_Base::Description;
  using TozkOpenAIClass_Assistant_Base::Id;
  using TozkOpenAIClass_Assistant_Base::Instructions;
  using TozkOpenAIClass_Assistant_Base::MetaData;
  using TozkOpenAIClass_Assistant_Base::Model;
  using TozkOpenAIClass_Assistant_Base::Name;
  using TozkOpenAIClass_Assistant_Base::ResponseFormat;
  using TozkOpenAIClass_Assistant_Base::Set_Object;
  using TozkOpenAIClass_Assistant_Base::SetCreatedAt;
  using TozkOpenAIClass_Assistant_Base::SetDescription;
  using TozkOpenAIClass_Assistant_Base::SetId;
  using TozkOpenAIClass_Assistant_Base::SetInstructions;
  using TozkOpenAIClass_Assistant_Base::SetModel;
  using TozkOpenAIClass_Assistant_Base::SetName;
  using TozkOpenAIClass_Assistant_Base::SetResponseFormat;
  using TozkOpenAIClass_Assistant_Base::SetTemperature;
  using TozkOpenAIClass_Assistant_Base::SetToolResources;
  using TozkOpenAIClass_Assistant_Base::SetTools;
  using TozkOpenAIClass_Assistant_Base::SetTopP;
  using TozkOpenAIClass_Assistant_Base::Temperature;
  using TozkOpenAIClass_Assistant_Base::ToolResources;
  using TozkOpenAIClass_Assistant_Base::Tools;
  using TozkOpenAIClass_Assistant_Base::TopP;
};

// --- Annotations (read only) ---------------------------------------------------------------------

class TozkOpenaIClass_Annotation : public TozkOpenAIClass {
 public:
  TozkOpenaIClass_Annotation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenaIClass_Annotation, TozkOpenAIClass)

  int32_t _Index() const { return F_Index; }
  const std::u16string& _Type() const { return F_Type; }
  const std::u16string& Text() const { return FText; }
  int32_t StartIndex() const { return FStartIndex; }
  int32_t EndIndex() const { return FEndIndex; }

  // The annotation of an array element: "file_citation" gives a file citation; "file_path",
  // and "text", give a file path; any other type none.
  static std::unique_ptr<TozkOpenaIClass_Annotation> CreateFromItem(TozkOpenAIClass& aParent,
                                                                    TozkObjectJSON& aItem);

 protected:
  void DoReadJSON() override;

 private:
  int32_t F_Index = 0;
  std::u16string F_Type;
  std::u16string FText;
  int32_t FStartIndex = 0;
  int32_t FEndIndex = 0;
};

using TozkOpenaIArray_Annotation = std::vector<std::unique_ptr<TozkOpenaIClass_Annotation>>;

class TozkOpenAIClass_Annotation_FileCitation : public TozkOpenaIClass_Annotation {
 public:
  TozkOpenAIClass_Annotation_FileCitation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Annotation_FileCitation, TozkOpenaIClass_Annotation)

  const std::u16string& FileId() const { return FFileId; }
  const std::u16string& Quote() const { return FQuote; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FFileId;
  std::u16string FQuote;
};

// FileId comes from "file_path" (an annotation of type "file_path") or from "file_citation"
// (one of type "text").
class TozkOpenAIClass_Annotation_FilePath : public TozkOpenaIClass_Annotation {
 public:
  TozkOpenAIClass_Annotation_FilePath() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Annotation_FilePath, TozkOpenaIClass_Annotation)

  const std::u16string& FileId() const { return FFileId; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FFileId;
};

// --- Content parts -------------------------------------------------------------------------------

class TozkOpenAIClass_MessageContent_Base : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_MessageContent_Base() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_MessageContent_Base, TozkOpenAIClass)

  const std::u16string& _Type() const { return F_Type; }
  void Set_Type(std::u16string aValue) { F_Type = std::move(aValue); }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string F_Type;
};

using TozkOpenAIArray_MessageContent =
    std::vector<std::unique_ptr<TozkOpenAIClass_MessageContent_Base>>;

// A text part. Its annotations are read from "text" but written beside it, as an object member
// "annotations" holding each annotation under its decimal index.
class TozkOpenAIClass_MessageContent_Text : public TozkOpenAIClass_MessageContent_Base {
 public:
  TozkOpenAIClass_MessageContent_Text() { Set_Type(u"text"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_MessageContent_Text, TozkOpenAIClass_MessageContent_Base)

  // Decoded when read.
  const std::u16string& Value() const { return FValue; }
  void SetValue(std::u16string aValue) { FValue = std::move(aValue); }
  TozkOpenaIArray_Annotation& Annotations() { return FAnnotations; }
  const TozkOpenaIArray_Annotation& Annotations() const { return FAnnotations; }
  void SetAnnotations(TozkOpenaIArray_Annotation aValue) { FAnnotations = std::move(aValue); }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FValue;
  TozkOpenaIArray_Annotation FAnnotations;
};

class TozkOpenAIClass_MessageContent_ImageFile : public TozkOpenAIClass_MessageContent_Base {
 public:
  TozkOpenAIClass_MessageContent_ImageFile() { Set_Type(u"image_file"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_MessageContent_ImageFile,
                          TozkOpenAIClass_MessageContent_Base)

  const std::u16string& FileId() const { return FFileId; }
  void SetFileId(std::u16string aValue) { FFileId = std::move(aValue); }
  const std::u16string& Detail() const { return FDetail; }
  void SetDetail(std::u16string aValue) { FDetail = std::move(aValue); }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FFileId;
  std::u16string FDetail;
};

class TozkOpenAIClass_MessageContent_ImageUrl : public TozkOpenAIClass_MessageContent_Base {
 public:
  TozkOpenAIClass_MessageContent_ImageUrl() { Set_Type(u"image_url"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_MessageContent_ImageUrl,
                          TozkOpenAIClass_MessageContent_Base)

  const std::u16string& Url() const { return FUrl; }
  void SetUrl(std::u16string aValue) { FUrl = std::move(aValue); }
  const std::u16string& Detail() const { return FDetail; }
  void SetDetail(std::u16string aValue) { FDetail = std::move(aValue); }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FUrl;
  std::u16string FDetail;
};

// --- Messages ------------------------------------------------------------------------------------

// A file attached to a message, with the tools that may use it.
class TozkOpenAIClass_Message_Attachment : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Message_Attachment() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Message_Attachment, TozkOpenAIClass)

  const std::u16string& FileId() const { return FFileId; }
  void SetFileId(std::u16string aValue) { FFileId = std::move(aValue); }
  TozkOpenAIArray_Assistant_Tools& Tools() { return FTools; }
  const TozkOpenAIArray_Assistant_Tools& Tools() const { return FTools; }
  void SetTools(TozkOpenAIArray_Assistant_Tools aValue) { FTools = std::move(aValue); }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FFileId;
  TozkOpenAIArray_Assistant_Tools FTools;
};

using TozkOpenAIArray_Message_Attachments =
    std::vector<std::unique_ptr<TozkOpenAIClass_Message_Attachment>>;

// Fields, reading and writing shared by the message request and the message response.
class TozkOpenAIClass_Message_Base : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Message_Base() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Message_Base, TozkOpenAIClass)

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
  const std::u16string& Status() const { return FStatus; }
  void SetStatus(std::u16string aValue) { FStatus = std::move(aValue); }
  // The "reason" inside "incomplete_details".
  const std::u16string& IncompleteDetails() const { return FIncompleteDetails; }
  void SetIncompleteDetails(std::u16string aValue) { FIncompleteDetails = std::move(aValue); }
  int32_t CompletedAt() const { return FCompletedAt; }
  void SetCompletedAt(int32_t aValue) { FCompletedAt = aValue; }
  int32_t IncompleteAt() const { return FIncompleteAt; }
  void SetIncompleteAt(int32_t aValue) { FIncompleteAt = aValue; }
  const std::u16string& Role() const { return FRole; }
  void SetRole(std::u16string aValue) { FRole = std::move(aValue); }
  TozkOpenAIArray_MessageContent& Content() { return FContent; }
  const TozkOpenAIArray_MessageContent& Content() const { return FContent; }
  void SetContent(TozkOpenAIArray_MessageContent aValue) { FContent = std::move(aValue); }
  // Read: the value of the last text part, escapes kept. Written (when not empty) as the
  // message's content, a JSON string, in place of the Content parts; callers escape it first.
  const std::u16string& ContentText() const { return FContentText; }
  void SetContentText(std::u16string aValue) { FContentText = std::move(aValue); }
  const std::u16string& AssistantId() const { return FAssistantId; }
  void SetAssistantId(std::u16string aValue) { FAssistantId = std::move(aValue); }
  const std::u16string& RunId() const { return FRunId; }
  void SetRunId(std::u16string aValue) { FRunId = std::move(aValue); }
  TozkOpenAIArray_Message_Attachments& Attachments() { return FAttachments; }
  const TozkOpenAIArray_Message_Attachments& Attachments() const { return FAttachments; }
  void SetAttachments(TozkOpenAIArray_Message_Attachments aValue) {
    FAttachments = std::move(aValue);
  }
  TStringList* MetaData();

 private:
  std::u16string FId;
  std::u16string F_Object;
  int32_t FCreatedAt = 0;
  std::u16string FThreadId;
  std::u16string FStatus;
  std::u16string FIncompleteDetails;
  int32_t FCompletedAt = 0;
  int32_t FIncompleteAt = 0;
  std::u16string FRole;
  TozkOpenAIArray_MessageContent FContent;
  std::u16string FContentText;
  std::u16string FAssistantId;
  std::u16string FRunId;
  TozkOpenAIArray_Message_Attachments FAttachments;
  std::unique_ptr<TStringList> FMetaData;
};

class TozkOpenAIClass_Request_Message : public TozkOpenAIClass_Message_Base {
 public:
  TozkOpenAIClass_Request_Message() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Message, TozkOpenAIClass_Message_Base)

  using TozkOpenAIClass_Message_Base::Attachments;
  using TozkOpenAIClass_Message_Base::Content;
  using TozkOpenAIClass_Message_Base::ContentText;
  using TozkOpenAIClass_Message_Base::MetaData;
  using TozkOpenAIClass_Message_Base::Role;
  using TozkOpenAIClass_Message_Base::SetAttachments;
  using TozkOpenAIClass_Message_Base::SetContent;
  using TozkOpenAIClass_Message_Base::SetContentText;
  using TozkOpenAIClass_Message_Base::SetRole;
};

// A message added to a run when it is created.
class TozkOpenAIClass_Additional_Messages : public TozkOpenAIClass_Request_Message {
 public:
  TozkOpenAIClass_Additional_Messages() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Additional_Messages, TozkOpenAIClass_Request_Message)
};

class TozkOpenAIClass_Message : public TozkOpenAIClass_Message_Base {
 public:
  TozkOpenAIClass_Message() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Message, TozkOpenAIClass_Message_Base)

  using TozkOpenAIClass_Message_Base::_Object;
  using TozkOpenAIClass_Message_Base::AssistantId;
  using TozkOpenAIClass_Message_Base::Attachments;
  using TozkOpenAIClass_Message_Base::CompletedAt;
  using TozkOpenAIClass_Message_Base::Content;
  using TozkOpenAIClass_Message_Base::ContentText;
  using TozkOpenAIClass_Message_Base::CreatedAt;
  using TozkOpenAIClass_Message_Base::Id;
  using TozkOpenAIClass_Message_Base::IncompleteAt;
  using TozkOpenAIClass_Message_Base::IncompleteDetails;
  using TozkOpenAIClass_Message_Base::MetaData;
  using TozkOpenAIClass_Message_Base::Role;
  using TozkOpenAIClass_Message_Base::RunId;
  using TozkOpenAIClass_Message_Base::Set_Object;
  using TozkOpenAIClass_Message_Base::SetAssistantId;
  using TozkOpenAIClass_Message_Base::SetAttachments;
  using TozkOpenAIClass_Message_Base::SetCompletedAt;
  using TozkOpenAIClass_Message_Base::SetContent;
  using TozkOpenAIClass_Message_Base::SetContentText;
  using TozkOpenAIClass_Message_Base::SetCreatedAt;
  using TozkOpenAIClass_Message_Base::SetId;
  using TozkOpenAIClass_Message_Base::SetIncompleteAt;
  using TozkOpenAIClass_Message_Base::SetIncompleteDetails;
  using TozkOpenAIClass_Message_Base::SetRole;
  using TozkOpenAIClass_Message_Base::SetRunId;
  using TozkOpenAIClass_Message_Base::SetStatus;
  using TozkOpenAIClass_Message_Base::SetThreadId;
  using TozkOpenAIClass_Message_Base::Status;
  using TozkOpenAIClass_Message_Base::ThreadId;
};

using TozkOpenAIArray_Messages = std::vector<std::unique_ptr<TozkOpenAIClass_Message>>;

// --- Threads -------------------------------------------------------------------------------------

class TozkOpenAIClass_Thread : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Thread() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Thread, TozkOpenAIClass)

  const std::u16string& Id() const { return FId; }
  void SetId(std::u16string aValue) { FId = std::move(aValue); }
  const std::u16string& _Object() const { return F_Object; }
  void Set_Object(std::u16string aValue) { F_Object = std::move(aValue); }
  int32_t CreatedAt() const { return FCreatedAt; }
  void SetCreatedAt(int32_t aValue) { FCreatedAt = aValue; }
  // None until read or assigned.
  TozkOpenAIClass_Assistant_Resources* ToolResources() const { return FToolResources.get(); }
  void SetToolResources(std::unique_ptr<TozkOpenAIClass_Assistant_Resources> aValue) {
    FToolResources = std::move(aValue);
  }
  TStringList* MetaData();

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FId;
  std::u16string F_Object;
  int32_t FCreatedAt = 0;
  std::unique_ptr<TozkOpenAIClass_Assistant_Resources> FToolResources;
  std::unique_ptr<TStringList> FMetaData;
};

// The body of thread creation and modification; it reads nothing.
class TozkOpenAIClass_Request_Thread : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Request_Thread() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Thread, TozkOpenAIClass)

  TozkOpenAIArray_Messages& Messages() { return FMessages; }
  const TozkOpenAIArray_Messages& Messages() const { return FMessages; }
  void SetMessages(TozkOpenAIArray_Messages aValue) { FMessages = std::move(aValue); }
  TozkOpenAIClass_Assistant_Resources* ToolResources() const { return FToolResources.get(); }
  void SetToolResources(std::unique_ptr<TozkOpenAIClass_Assistant_Resources> aValue) {
    FToolResources = std::move(aValue);
  }
  TStringList* MetaData();

 protected:
  void DoWriteJSON() override;

 private:
  TozkOpenAIArray_Messages FMessages;
  std::unique_ptr<TozkOpenAIClass_Assistant_Resources> FToolResources;
  std::unique_ptr<TStringList> FMetaData;
};

// --- Lists ---------------------------------------------------------------------------------------

using TozkOpenAIArray_Response_Assistants = std::vector<std::unique_ptr<TozkOpenAIClass_Assistant>>;

class TozkOpenAIClass_Response_List_Assistants
    : public TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_Assistant> {
 public:
  TozkOpenAIClass_Response_List_Assistants() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_List_Assistants,
                          TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_Assistant>)

  TozkOpenAIArray_Response_Assistants& Asisstants() { return FItems; }
  const TozkOpenAIArray_Response_Assistants& Asisstants() const { return FItems; }
};

class TozkOpenAIClass_Response_List_Messages
    : public TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_Message> {
 public:
  TozkOpenAIClass_Response_List_Messages() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_List_Messages,
                          TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_Message>)

  TozkOpenAIArray_Messages& Messages() { return FItems; }
  const TozkOpenAIArray_Messages& Messages() const { return FItems; }
};
