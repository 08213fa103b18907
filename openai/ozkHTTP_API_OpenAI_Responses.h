// OpenAI object model, responses family: the request and the object of "/responses" (tools,
// input and output items, content parts with their annotations, usage, error), the events of a
// streamed response, conversations with their items, and the item lists of both.
//
// Text fields follow the rest of the model: read text is decoded, written text goes out as
// stored, so callers escape free text (EscapeJSONString) before they store it. Items, content
// parts, annotations and tools are chosen by their "type"; an element of a type this unit does
// not know leaves none at its index.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

// --- Family base ---------------------------------------------------------------------------------

// What the objects of this family share: the members of this API that may hold null hold ids
// and free text, and null there means none; reading it as the text "null" (the base reader's
// rule) would send "null" back as an id.
class TozkOpenAIClass_Responses : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Responses() = default;
  explicit TozkOpenAIClass_Responses(TozkOpenAINoDefaults a) : TozkOpenAIClass(a) {}

 protected:
  // ReadString, with null giving empty text.
  std::u16string ReadText(std::u16string_view aName, TozkObjectJSON* aMember = nullptr);
  // The array writers of the base, over an array member that the document may hold already
  // (an object read from text): its old elements are dropped first, so writing it back gives
  // each element once.
  template <class T>
  void WriteArray(TozkJSON& aDoc, std::u16string_view aName,
                  const std::vector<std::unique_ptr<T>>& aArray) {
    DropMember(aDoc, aName);
    WriteObjectArray(aDoc, aName, aArray);
  }
  void WriteList(TozkJSON& aDoc, std::u16string_view aName, const TStringList& aList) {
    DropMember(aDoc, aName);
    WriteStringList(aDoc, aName, aList);
  }
  static void DropMember(TozkJSON& aDoc, std::u16string_view aName);
};

// --- Tools ---------------------------------------------------------------------------------------

class TozkOpenAIClass_ResponseTool : public TozkOpenAIClass_Responses {
 public:
  TozkOpenAIClass_ResponseTool() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseTool, TozkOpenAIClass_Responses)

  const std::u16string& _Type() const { return F_Type; }
  void Set_Type(std::u16string aValue) { F_Type = std::move(aValue); }

  // The tool of an array element: "file_search" or "code_interpreter"; none for other types.
  static std::unique_ptr<TozkOpenAIClass_ResponseTool> CreateFromItem(TozkOpenAIClass& aParent,
                                                                      TozkObjectJSON& aItem);

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string F_Type;
};

using TozkOpenAIArray_ResponseTools = std::vector<std::unique_ptr<TozkOpenAIClass_ResponseTool>>;

// File search over vector stores. "vector_store_ids" is always written (the service requires
// it); "max_num_results" when greater than 0.
class TozkOpenAIClass_ResponseTool_FileSearch : public TozkOpenAIClass_ResponseTool {
 public:
  TozkOpenAIClass_ResponseTool_FileSearch() { Set_Type(u"file_search"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseTool_FileSearch, TozkOpenAIClass_ResponseTool)

  TStringList* VectorStoreIds();
  int32_t MaxNumResults() const { return FMaxNumResults; }
  void SetMaxNumResults(int32_t aValue) { FMaxNumResults = aValue; }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::unique_ptr<TStringList> FVectorStoreIds;
  int32_t FMaxNumResults = 0;
};

// Code interpreter. "container" is always written: the container id when ContainerId is set,
// otherwise an automatic container ({"type":"auto"}) with FileIds when there are any.
class TozkOpenAIClass_ResponseTool_CodeInterpreter : public TozkOpenAIClass_ResponseTool {
 public:
  TozkOpenAIClass_ResponseTool_CodeInterpreter() { Set_Type(u"code_interpreter"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseTool_CodeInterpreter,
                          TozkOpenAIClass_ResponseTool)

  // Read from "container" when it is text.
  const std::u16string& ContainerId() const { return FContainerId; }
  void SetContainerId(std::u16string aValue) { FContainerId = std::move(aValue); }
  // The automatic container's files, read from "container" when it is an object.
  TStringList* FileIds();

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FContainerId;
  std::unique_ptr<TStringList> FFileIds;
};

// --- Annotations of output text ------------------------------------------------------------------

class TozkOpenAIClass_ResponseAnnotation : public TozkOpenAIClass_Responses {
 public:
  TozkOpenAIClass_ResponseAnnotation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseAnnotation, TozkOpenAIClass_Responses)

  const std::u16string& _Type() const { return F_Type; }
  void Set_Type(std::u16string aValue) { F_Type = std::move(aValue); }

  // "file_citation", "file_path" and "url_citation"; none for other types.
  static std::unique_ptr<TozkOpenAIClass_ResponseAnnotation>
  CreateFromItem(TozkOpenAIClass& aParent, TozkObjectJSON& aItem);

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string F_Type;
};

using TozkOpenAIArray_ResponseAnnotations =
    std::vector<std::unique_ptr<TozkOpenAIClass_ResponseAnnotation>>;

// A file that the text cites; _Index is the position in the text the citation belongs to.
// Every member is written (the service requires them all).
class TozkOpenAIClass_ResponseAnnotation_FileCitation : public TozkOpenAIClass_ResponseAnnotation {
 public:
  TozkOpenAIClass_ResponseAnnotation_FileCitation() { Set_Type(u"file_citation"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseAnnotation_FileCitation,
                          TozkOpenAIClass_ResponseAnnotation)

  const std::u16string& FileId() const { return FFileId; }
  void SetFileId(std::u16string aValue) { FFileId = std::move(aValue); }
  const std::u16string& Filename() const { return FFilename; }
  void SetFilename(std::u16string aValue) { FFilename = std::move(aValue); }
  int32_t _Index() const { return F_Index; }
  void Set_Index(int32_t aValue) { F_Index = aValue; }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FFileId;
  std::u16string FFilename;
  int32_t F_Index = 0;
};

// A file the model produced, at a position of the text.
class TozkOpenAIClass_ResponseAnnotation_FilePath : public TozkOpenAIClass_ResponseAnnotation {
 public:
  TozkOpenAIClass_ResponseAnnotation_FilePath() { Set_Type(u"file_path"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseAnnotation_FilePath,
                          TozkOpenAIClass_ResponseAnnotation)

  const std::u16string& FileId() const { return FFileId; }
  void SetFileId(std::u16string aValue) { FFileId = std::move(aValue); }
  int32_t _Index() const { return F_Index; }
  void Set_Index(int32_t aValue) { F_Index = aValue; }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FFileId;
  int32_t F_Index = 0;
};

// A web page the text cites, over the characters StartIndex to EndIndex.
class TozkOpenAIClass_ResponseAnnotation_UrlCitation : public TozkOpenAIClass_ResponseAnnotation {
 public:
  TozkOpenAIClass_ResponseAnnotation_UrlCitation() { Set_Type(u"url_citation"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseAnnotation_UrlCitation,
                          TozkOpenAIClass_ResponseAnnotation)

  const std::u16string& Url() const { return FUrl; }
  void SetUrl(std::u16string aValue) { FUrl = std::move(aValue); }
  const std::u16string& Title() const { return FTitle; }
  void SetTitle(std::u16string aValue) { FTitle = std::move(aValue); }
  int32_t StartIndex() const { return FStartIndex; }
  void SetStartIndex(int32_t aValue) { FStartIndex = aValue; }
  int32_t EndIndex() const { return FEndIndex; }
  void SetEndIndex(int32_t aValue) { FEndIndex = aValue; }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FUrl;
  std::u16string FTitle;
  int32_t FStartIndex = 0;
  int32_t FEndIndex = 0;
};

// --- Content parts of message items --------------------------------------------------------------

// One content part: text ("input_text", "output_text", "text") or a refusal ("refusal", whose
// text stands in "refusal"). Output text also carries its annotations; "annotations" and
// "logprobs" are written for it always, as the service requires them.
class TozkOpenAIClass_ResponseContent : public TozkOpenAIClass_Responses {
 public:
  TozkOpenAIClass_ResponseContent() { Set_Type(u"input_text"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseContent, TozkOpenAIClass_Responses)

  const std::u16string& _Type() const { return F_Type; }
  void Set_Type(std::u16string aValue) { F_Type = std::move(aValue); }
  // Free text; written always, as a JSON string.
  const std::u16string& Text() const { return FText; }
  void SetText(std::u16string aValue) { FText = std::move(aValue); }
  TozkOpenAIArray_ResponseAnnotations& Annotations() { return FAnnotations; }
  const TozkOpenAIArray_ResponseAnnotations& Annotations() const { return FAnnotations; }
  void SetAnnotations(TozkOpenAIArray_ResponseAnnotations aValue) {
    FAnnotations = std::move(aValue);
  }

  // The part of an array element, for the text and refusal types; none for others (images,
  // files, audio).
  static std::unique_ptr<TozkOpenAIClass_ResponseContent> CreateFromItem(TozkOpenAIClass& aParent,
                                                                         TozkObjectJSON& aItem);

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string F_Type;
  std::u16string FText;
  TozkOpenAIArray_ResponseAnnotations FAnnotations;
};

using TozkOpenAIArray_ResponseContent =
    std::vector<std::unique_ptr<TozkOpenAIClass_ResponseContent>>;

// --- Items ---------------------------------------------------------------------------------------

// An item of a response's input or output or of a conversation.
class TozkOpenAIClass_ResponseItem : public TozkOpenAIClass_Responses {
 public:
  TozkOpenAIClass_ResponseItem() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseItem, TozkOpenAIClass_Responses)

  const std::u16string& _Type() const { return F_Type; }
  void Set_Type(std::u16string aValue) { F_Type = std::move(aValue); }
  const std::u16string& Id() const { return FId; }
  void SetId(std::u16string aValue) { FId = std::move(aValue); }
  const std::u16string& Status() const { return FStatus; }
  void SetStatus(std::u16string aValue) { FStatus = std::move(aValue); }

  // The item of an array element: "message", "file_search_call", "code_interpreter_call";
  // none for other types. An element without "type" that has a "role" is a message (the
  // short form of input messages).
  static std::unique_ptr<TozkOpenAIClass_ResponseItem> CreateFromItem(TozkOpenAIClass& aParent,
                                                                      TozkObjectJSON& aItem);
  // The same choice for an item given as JSON text.
  static std::unique_ptr<TozkOpenAIClass_ResponseItem> CreateFromText(const std::u16string& aJSON);

 protected:
  void DoReadJSON() override;
  // Writes "type", "id" and "status", each when not empty.
  void DoWriteJSON() override;

 private:
  std::u16string F_Type;
  std::u16string FId;
  std::u16string FStatus;
};

using TozkOpenAIArray_ResponseItems = std::vector<std::unique_ptr<TozkOpenAIClass_ResponseItem>>;

// A message: role and content. Written with ContentText (when not empty) as its content, a
// JSON string, in place of the Content parts.
class TozkOpenAIClass_ResponseItem_Message : public TozkOpenAIClass_ResponseItem {
 public:
  TozkOpenAIClass_ResponseItem_Message() { Set_Type(u"message"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseItem_Message, TozkOpenAIClass_ResponseItem)

  const std::u16string& Role() const { return FRole; }
  void SetRole(std::u16string aValue) { FRole = std::move(aValue); }
  TozkOpenAIArray_ResponseContent& Content() { return FContent; }
  const TozkOpenAIArray_ResponseContent& Content() const { return FContent; }
  void SetContent(TozkOpenAIArray_ResponseContent aValue) { FContent = std::move(aValue); }
  // Read when "content" is text (decoded); free text, written as a JSON string.
  const std::u16string& ContentText() const { return FContentText; }
  void SetContentText(std::u16string aValue) { FContentText = std::move(aValue); }

  // ContentText, or the text of the text parts one after the other.
  std::u16string Text() const;

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FRole;
  TozkOpenAIArray_ResponseContent FContent;
  std::u16string FContentText;
};

// A file search the model made: its queries and the text it found (read only).
class TozkOpenAIClass_ResponseItem_FileSearchCall : public TozkOpenAIClass_ResponseItem {
 public:
  TozkOpenAIClass_ResponseItem_FileSearchCall() { Set_Type(u"file_search_call"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseItem_FileSearchCall, TozkOpenAIClass_ResponseItem)

  TStringList* Queries();
  // One line per result: the file id, "=", the found text (escapes kept).
  TStringList* Results();

 protected:
  void DoReadJSON() override;

 private:
  std::unique_ptr<TStringList> FQueries;
  std::unique_ptr<TStringList> FResults;
};

// Code the model ran, with the logs it printed (read only).
class TozkOpenAIClass_ResponseItem_CodeInterpreterCall : public TozkOpenAIClass_ResponseItem {
 public:
  TozkOpenAIClass_ResponseItem_CodeInterpreterCall() { Set_Type(u"code_interpreter_call"); }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseItem_CodeInterpreterCall,
                          TozkOpenAIClass_ResponseItem)

  const std::u16string& ContainerId() const { return FContainerId; }
  const std::u16string& Code() const { return FCode; }
  // The "logs" of the log outputs, one after the other.
  const std::u16string& Logs() const { return FLogs; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FContainerId;
  std::u16string FCode;
  std::u16string FLogs;
};

// --- Usage ---------------------------------------------------------------------------------------

// Token counts of a response. Read only: it writes nothing.
class TozkOpenAIClass_ResponseUsage : public TozkOpenAIClass_Responses {
 public:
  TozkOpenAIClass_ResponseUsage() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseUsage, TozkOpenAIClass_Responses)

  int32_t InputTokens() const { return FInputTokens; }
  int32_t CachedTokens() const { return FCachedTokens; }
  int32_t OutputTokens() const { return FOutputTokens; }
  int32_t ReasoningTokens() const { return FReasoningTokens; }
  int32_t TotalTokens() const { return FTotalTokens; }

 protected:
  void DoReadJSON() override;

 private:
  int32_t FInputTokens = 0;
  int32_t FCachedTokens = 0;
  int32_t FOutputTokens = 0;
  int32_t FReasoningTokens = 0;
  int32_t FTotalTokens = 0;
};

// --- Responses -----------------------------------------------------------------------------------

// Fields, reading and writing shared by the request that creates a response and the response
// object; each publishes its own set.
class TozkOpenAIClass_Response_Base : public TozkOpenAIClass_Responses {
 public:
  TozkOpenAIClass_Response_Base() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Base, TozkOpenAIClass_Responses)

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;
  // The members before "input" and those after it.
  void WriteHead(TozkJSON& aDoc);
  void WriteTail(TozkJSON& aDoc);

  const std::u16string& Model() const { return FModel; }
  void SetModel(std::u16string aValue) { FModel = std::move(aValue); }
  // Free text, written as a JSON string.
  const std::u16string& Instructions() const { return FInstructions; }
  void SetInstructions(std::u16string aValue) { FInstructions = std::move(aValue); }
  // The conversation's id; read from "conversation" whether it is the id or an object
  // holding it, written as the id.
  const std::u16string& Conversation() const { return FConversation; }
  void SetConversation(std::u16string aValue) { FConversation = std::move(aValue); }
  const std::u16string& PreviousResponseId() const { return FPreviousResponseId; }
  void SetPreviousResponseId(std::u16string aValue) { FPreviousResponseId = std::move(aValue); }
  TozkOpenAIArray_ResponseTools& Tools() { return FTools; }
  const TozkOpenAIArray_ResponseTools& Tools() const { return FTools; }
  void SetTools(TozkOpenAIArray_ResponseTools aValue) { FTools = std::move(aValue); }
  // Text or JSON text ("auto", {"type":"file_search"}); text beginning with "{" is written as
  // a JSON object.
  const std::u16string& ToolChoice() const { return FToolChoice; }
  void SetToolChoice(std::u16string aValue) { FToolChoice = std::move(aValue); }
  // Written when at least 0; the request's plain constructor sets -1, which leaves them out.
  double Temperature() const { return FTemperature; }
  void SetTemperature(double aValue) { FTemperature = aValue; }
  double TopP() const { return FTopP; }
  void SetTopP(double aValue) { FTopP = aValue; }
  // Written when greater than 0.
  int32_t MaxOutputTokens() const { return FMaxOutputTokens; }
  void SetMaxOutputTokens(int32_t aValue) { FMaxOutputTokens = aValue; }
  TStringList* MetaData();

 private:
  std::u16string FModel;
  std::u16string FInstructions;
  std::u16string FConversation;
  std::u16string FPreviousResponseId;
  TozkOpenAIArray_ResponseTools FTools;
  std::u16string FToolChoice;
  double FTemperature = 0;
  double FTopP = 0;
  int32_t FMaxOutputTokens = 0;
  std::unique_ptr<TStringList> FMetaData;
};

// The body of "/responses". Members in this order: "model", "instructions", "input",
// "conversation", "previous_response_id", "tools", "tool_choice", "temperature", "top_p",
// "max_output_tokens", "metadata", "include", "store", "stream".
class TozkOpenAIClass_Request_Response : public TozkOpenAIClass_Response_Base {
 public:
  TozkOpenAIClass_Request_Response() {
    SetTemperature(-1);
    SetTopP(-1);
  }
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Response, TozkOpenAIClass_Response_Base)

  using TozkOpenAIClass_Response_Base::Conversation;
  using TozkOpenAIClass_Response_Base::Instructions;
  using TozkOpenAIClass_Response_Base::MaxOutputTokens;
  using TozkOpenAIClass_Response_Base::MetaData;
  using TozkOpenAIClass_Response_Base::Model;
  using TozkOpenAIClass_Response_Base::PreviousResponseId;
  using TozkOpenAIClass_Response_Base::SetConversation;
  using TozkOpenAIClass_Response_Base::SetInstructions;
  using TozkOpenAIClass_Response_Base::SetMaxOutputTokens;
  using TozkOpenAIClass_Response_Base::SetModel;
  using TozkOpenAIClass_Response_Base::SetPreviousResponseId;
  using TozkOpenAIClass_Response_Base::SetTemperature;
  using TozkOpenAIClass_Response_Base::SetToolChoice;
  using TozkOpenAIClass_Response_Base::SetTools;
  using TozkOpenAIClass_Response_Base::SetTopP;
  using TozkOpenAIClass_Response_Base::Temperature;
  using TozkOpenAIClass_Response_Base::ToolChoice;
  using TozkOpenAIClass_Response_Base::Tools;
  using TozkOpenAIClass_Response_Base::TopP;

  // The input as free text (a JSON string), written in place of the Input items when not
  // empty.
  const std::u16string& InputText() const { return FInputText; }
  void SetInputText(std::u16string aValue) { FInputText = std::move(aValue); }
  TozkOpenAIArray_ResponseItems& Input() { return FInput; }
  const TozkOpenAIArray_ResponseItems& Input() const { return FInput; }
  void SetInput(TozkOpenAIArray_ResponseItems aValue) { FInput = std::move(aValue); }
  // Extra output data to include ("file_search_call.results"); written when not empty.
  TStringList* Include();
  // "store" is written only when StoreSet is true (the service's default is to store).
  bool Store() const { return FStore; }
  void SetStore(bool aValue) {
    FStore = aValue;
    FStoreSet = true;
  }
  bool StoreSet() const { return FStoreSet; }
  // Written when true: the answer then comes as server-sent events.
  bool Stream() const { return FStream; }
  void SetStream(bool aValue) { FStream = aValue; }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FInputText;
  TozkOpenAIArray_ResponseItems FInput;
  std::unique_ptr<TStringList> FInclude;
  bool FStore = true;
  bool FStoreSet = false;
  bool FStream = false;
};

// A response of the model.
class TozkOpenAIClass_Response : public TozkOpenAIClass_Response_Base {
 public:
  TozkOpenAIClass_Response() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response, TozkOpenAIClass_Response_Base)

  using TozkOpenAIClass_Response_Base::Conversation;
  using TozkOpenAIClass_Response_Base::Instructions;
  using TozkOpenAIClass_Response_Base::MaxOutputTokens;
  using TozkOpenAIClass_Response_Base::MetaData;
  using TozkOpenAIClass_Response_Base::Model;
  using TozkOpenAIClass_Response_Base::PreviousResponseId;
  using TozkOpenAIClass_Response_Base::SetConversation;
  using TozkOpenAIClass_Response_Base::SetInstructions;
  using TozkOpenAIClass_Response_Base::SetMaxOutputTokens;
  using TozkOpenAIClass_Response_Base::SetModel;
  using TozkOpenAIClass_Response_Base::SetPreviousResponseId;
  using TozkOpenAIClass_Response_Base::SetTemperature;
  using TozkOpenAIClass_Response_Base::SetToolChoice;
  using TozkOpenAIClass_Response_Base::SetTools;
  using TozkOpenAIClass_Response_Base::SetTopP;
  using TozkOpenAIClass_Response_Base::Temperature;
  using TozkOpenAIClass_Response_Base::ToolChoice;
  using TozkOpenAIClass_Response_Base::Tools;
  using TozkOpenAIClass_Response_Base::TopP;

  const std::u16string& Id() const { return FId; }
  void SetId(std::u16string aValue) { FId = std::move(aValue); }
  const std::u16string& _Object() const { return F_Object; }
  void Set_Object(std::u16string aValue) { F_Object = std::move(aValue); }
  int32_t CreatedAt() const { return FCreatedAt; }
  void SetCreatedAt(int32_t aValue) { FCreatedAt = aValue; }
  int32_t CompletedAt() const { return FCompletedAt; }
  void SetCompletedAt(int32_t aValue) { FCompletedAt = aValue; }
  // "completed", "failed", "in_progress", "cancelled", "queued" or "incomplete".
  const std::u16string& Status() const { return FStatus; }
  void SetStatus(std::u16string aValue) { FStatus = std::move(aValue); }
  // None while "error" is absent or null.
  TozkOpenAIClass_Last_Error* Error() const { return FError.get(); }
  // The "reason" inside "incomplete_details".
  const std::u16string& IncompleteDetails() const { return FIncompleteDetails; }
  void SetIncompleteDetails(std::u16string aValue) { FIncompleteDetails = std::move(aValue); }
  TozkOpenAIArray_ResponseItems& Output() { return FOutput; }
  const TozkOpenAIArray_ResponseItems& Output() const { return FOutput; }
  // Created on first read; never written.
  TozkOpenAIClass_ResponseUsage* Usage();

  // The answer: the text parts of the output messages one after the other (decoded).
  std::u16string OutputText() const;

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FId;
  std::u16string F_Object;
  int32_t FCreatedAt = 0;
  int32_t FCompletedAt = 0;
  std::u16string FStatus;
  std::unique_ptr<TozkOpenAIClass_Last_Error> FError;
  std::u16string FIncompleteDetails;
  TozkOpenAIArray_ResponseItems FOutput;
  std::unique_ptr<TozkOpenAIClass_ResponseUsage> FUsage;
};

// One event of a streamed response (the JSON of a "data:" field). Read only.
//   "response.created", "response.in_progress", "response.completed", "response.failed",
//   "response.incomplete": Response holds the response as it stands;
//   "response.output_text.delta": Delta; "response.output_text.done": Text;
//   "error": Code and _Message (also read from an "error" object member).
class TozkOpenAIClass_ResponseStreamEvent : public TozkOpenAIClass_Responses {
 public:
  TozkOpenAIClass_ResponseStreamEvent() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_ResponseStreamEvent, TozkOpenAIClass_Responses)

  const std::u16string& _Type() const { return F_Type; }
  int32_t SequenceNumber() const { return FSequenceNumber; }
  const std::u16string& ItemId() const { return FItemId; }
  int32_t OutputIndex() const { return FOutputIndex; }
  int32_t ContentIndex() const { return FContentIndex; }
  const std::u16string& Delta() const { return FDelta; }
  const std::u16string& Text() const { return FText; }
  const std::u16string& Code() const { return FCode; }
  const std::u16string& _Message() const { return F_Message; }
  // None unless the event carries "response".
  TozkOpenAIClass_Response* Response() const { return FResponse.get(); }
  // Hands the response over to the caller.
  std::unique_ptr<TozkOpenAIClass_Response> TakeResponse() { return std::move(FResponse); }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string F_Type;
  int32_t FSequenceNumber = 0;
  std::u16string FItemId;
  int32_t FOutputIndex = 0;
  int32_t FContentIndex = 0;
  std::u16string FDelta;
  std::u16string FText;
  std::u16string FCode;
  std::u16string F_Message;
  std::unique_ptr<TozkOpenAIClass_Response> FResponse;
};

// --- Conversations -------------------------------------------------------------------------------

class TozkOpenAIClass_Conversation : public TozkOpenAIClass_Responses {
 public:
  TozkOpenAIClass_Conversation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Conversation, TozkOpenAIClass_Responses)

  const std::u16string& Id() const { return FId; }
  void SetId(std::u16string aValue) { FId = std::move(aValue); }
  const std::u16string& _Object() const { return F_Object; }
  void Set_Object(std::u16string aValue) { F_Object = std::move(aValue); }
  int32_t CreatedAt() const { return FCreatedAt; }
  void SetCreatedAt(int32_t aValue) { FCreatedAt = aValue; }
  TStringList* MetaData();

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FId;
  std::u16string F_Object;
  int32_t FCreatedAt = 0;
  std::unique_ptr<TStringList> FMetaData;
};

// The body that creates a conversation: "metadata" when it has entries, "items" when there
// are any. It reads nothing.
class TozkOpenAIClass_Request_Conversation : public TozkOpenAIClass_Responses {
 public:
  TozkOpenAIClass_Request_Conversation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Conversation, TozkOpenAIClass_Responses)

  TStringList* MetaData();
  TozkOpenAIArray_ResponseItems& Items() { return FItems; }
  const TozkOpenAIArray_ResponseItems& Items() const { return FItems; }
  void SetItems(TozkOpenAIArray_ResponseItems aValue) { FItems = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::unique_ptr<TStringList> FMetaData;
  TozkOpenAIArray_ResponseItems FItems;
};

// The body that updates a conversation: "metadata", always (an empty object clears it).
class TozkOpenAIClass_Request_ConversationUpdate : public TozkOpenAIClass_Responses {
 public:
  TozkOpenAIClass_Request_ConversationUpdate() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_ConversationUpdate, TozkOpenAIClass_Responses)

  TStringList* MetaData();

 protected:
  void DoWriteJSON() override;

 private:
  std::unique_ptr<TStringList> FMetaData;
};

// The body that adds items to a conversation: "items", always.
class TozkOpenAIClass_Request_ConversationItems : public TozkOpenAIClass_Responses {
 public:
  TozkOpenAIClass_Request_ConversationItems() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_ConversationItems, TozkOpenAIClass_Responses)

  TozkOpenAIArray_ResponseItems& Items() { return FItems; }
  const TozkOpenAIArray_ResponseItems& Items() const { return FItems; }
  void SetItems(TozkOpenAIArray_ResponseItems aValue) { FItems = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  TozkOpenAIArray_ResponseItems FItems;
};

// --- Lists ---------------------------------------------------------------------------------------

// The items of a response's input or of a conversation. Beside "data" it reads the paging
// members, which the next page needs ("after" = LastId while HasMore).
class TozkOpenAIClass_Response_List_Items : public TozkOpenAIClass_Response_List {
 public:
  TozkOpenAIClass_Response_List_Items() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_List_Items, TozkOpenAIClass_Response_List)

  TozkOpenAIArray_ResponseItems& Items() { return FItems; }
  const TozkOpenAIArray_ResponseItems& Items() const { return FItems; }
  const std::u16string& FirstId() const { return FFirstId; }
  const std::u16string& LastId() const { return FLastId; }
  bool HasMore() const { return FHasMore; }

 protected:
  void DoReadJSON() override;
  void DoAddItem(const std::u16string& aJSON) override;
  void DoAddItemMember(TozkObjectJSON& aItem) override;
  void DoClearItems() override { FItems.clear(); }

 private:
  TozkOpenAIArray_ResponseItems FItems;
  std::u16string FFirstId;
  std::u16string FLastId;
  bool FHasMore = false;
};

using TozkOpenAIClass_Response_List_ResponseInputItems = TozkOpenAIClass_Response_List_Items;
using TozkOpenAIClass_Response_List_ConversationItems = TozkOpenAIClass_Response_List_Items;
