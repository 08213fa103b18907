// OpenAI object model, responses family: reading and writing of responses, their tools, items,
// content parts and annotations, stream events, conversations and item lists.
#include "openai/ozkHTTP_API_OpenAI_Responses.h"

namespace {

TStringList* LazyList(std::unique_ptr<TStringList>& aList) {
  if (!aList) aList = std::make_unique<TStringList>();
  return aList.get();
}

bool IsNullMember(const TozkObjectJSON* aMember) {
  return !aMember || aMember->JSONType() == ozkJSONNull;
}

} // namespace

std::u16string TozkOpenAIClass_Responses::ReadText(std::u16string_view aName,
                                                   TozkObjectJSON* aMember) {
  return IsNullMember(FindMember(aName, aMember)) ? std::u16string() : ReadString(aName, aMember);
}

void TozkOpenAIClass_Responses::DropMember(TozkJSON& aDoc, std::u16string_view aName) {
  // The member stays in its place, emptied and made a list whatever it held (null, text).
  if (TozkObjectJSON* lMember = aDoc.GetNode(aName)) {
    lMember->Clear();
    lMember->SetJSONType(ozkJSONList);
  }
}

// --- Tools ---------------------------------------------------------------------------------------

std::unique_ptr<TozkOpenAIClass_ResponseTool>
TozkOpenAIClass_ResponseTool::CreateFromItem(TozkOpenAIClass& aParent, TozkObjectJSON& aItem) {
  std::u16string lType = ItemType(aItem);
  if (lType == u"file_search")
    return CreateFromMember<TozkOpenAIClass_ResponseTool_FileSearch>(aParent, aItem);
  if (lType == u"code_interpreter")
    return CreateFromMember<TozkOpenAIClass_ResponseTool_CodeInterpreter>(aParent, aItem);
  return nullptr;
}

void TozkOpenAIClass_ResponseTool::DoReadJSON() {
  F_Type = ReadString(u"type");
}

void TozkOpenAIClass_ResponseTool::DoWriteJSON() {
  if (!F_Type.empty()) GetJSON()->AddPair(u"type", F_Type);
}

TStringList* TozkOpenAIClass_ResponseTool_FileSearch::VectorStoreIds() {
  return LazyList(FVectorStoreIds);
}

void TozkOpenAIClass_ResponseTool_FileSearch::DoReadJSON() {
  TozkOpenAIClass_ResponseTool::DoReadJSON();
  ReadStringList(u"vector_store_ids", *VectorStoreIds());
  FMaxNumResults = ReadInteger(u"max_num_results");
}

void TozkOpenAIClass_ResponseTool_FileSearch::DoWriteJSON() {
  TozkOpenAIClass_ResponseTool::DoWriteJSON();
  TozkJSON* lDoc = GetJSON();
  WriteList(*lDoc, u"vector_store_ids", *VectorStoreIds());
  if (FMaxNumResults > 0) lDoc->AddPair(u"max_num_results", FMaxNumResults);
}

TStringList* TozkOpenAIClass_ResponseTool_CodeInterpreter::FileIds() {
  return LazyList(FFileIds);
}

void TozkOpenAIClass_ResponseTool_CodeInterpreter::DoReadJSON() {
  TozkOpenAIClass_ResponseTool::DoReadJSON();
  FContainerId.clear();
  FileIds()->Clear();
  TozkObjectJSON* lContainer = FindMember(u"container");
  if (!lContainer) return;
  if (lContainer->JSONType() == ozkJSONObject)
    ReadStringList(u"file_ids", *FileIds(), lContainer);
  else
    FContainerId = ReadText(u"container");
}

void TozkOpenAIClass_ResponseTool_CodeInterpreter::DoWriteJSON() {
  TozkOpenAIClass_ResponseTool::DoWriteJSON();
  TozkJSON* lDoc = GetJSON();
  if (!FContainerId.empty()) {
    lDoc->AddPair(u"container", FContainerId);
    return;
  }
  TozkJSON* lAuto = lDoc->AddObject(u"container", u"")->JSONObject();
  lAuto->AddPair(u"type", u"auto");
  if (FFileIds && FFileIds->Count() > 0) WriteList(*lAuto, u"file_ids", *FFileIds);
}

// --- Annotations ---------------------------------------------------------------------------------

std::unique_ptr<TozkOpenAIClass_ResponseAnnotation>
TozkOpenAIClass_ResponseAnnotation::CreateFromItem(TozkOpenAIClass& aParent,
                                                   TozkObjectJSON& aItem) {
  std::u16string lType = ItemType(aItem);
  if (lType == u"file_citation")
    return CreateFromMember<TozkOpenAIClass_ResponseAnnotation_FileCitation>(aParent, aItem);
  if (lType == u"file_path")
    return CreateFromMember<TozkOpenAIClass_ResponseAnnotation_FilePath>(aParent, aItem);
  if (lType == u"url_citation")
    return CreateFromMember<TozkOpenAIClass_ResponseAnnotation_UrlCitation>(aParent, aItem);
  return nullptr;
}

void TozkOpenAIClass_ResponseAnnotation::DoReadJSON() {
  F_Type = ReadString(u"type");
}

void TozkOpenAIClass_ResponseAnnotation::DoWriteJSON() {
  if (!F_Type.empty()) GetJSON()->AddPair(u"type", F_Type);
}

void TozkOpenAIClass_ResponseAnnotation_FileCitation::DoReadJSON() {
  TozkOpenAIClass_ResponseAnnotation::DoReadJSON();
  FFileId = ReadText(u"file_id");
  FFilename = ReadText(u"filename");
  F_Index = ReadInteger(u"index");
}

void TozkOpenAIClass_ResponseAnnotation_FileCitation::DoWriteJSON() {
  TozkOpenAIClass_ResponseAnnotation::DoWriteJSON();
  TozkJSON* lDoc = GetJSON();
  lDoc->AddPair(u"file_id", FFileId);
  WriteQuotedText(*lDoc, u"filename", FFilename);
  lDoc->AddPair(u"index", F_Index);
}

void TozkOpenAIClass_ResponseAnnotation_FilePath::DoReadJSON() {
  TozkOpenAIClass_ResponseAnnotation::DoReadJSON();
  FFileId = ReadText(u"file_id");
  F_Index = ReadInteger(u"index");
}

void TozkOpenAIClass_ResponseAnnotation_FilePath::DoWriteJSON() {
  TozkOpenAIClass_ResponseAnnotation::DoWriteJSON();
  TozkJSON* lDoc = GetJSON();
  lDoc->AddPair(u"file_id", FFileId);
  lDoc->AddPair(u"index", F_Index);
}

void TozkOpenAIClass_ResponseAnnotation_UrlCitation::DoReadJSON() {
  TozkOpenAIClass_ResponseAnnotation::DoReadJSON();
  FUrl = ReadText(u"url");
  FTitle = ReadText(u"title");
  FStartIndex = ReadInteger(u"start_index");
  FEndIndex = ReadInteger(u"end_index");
}

void TozkOpenAIClass_ResponseAnnotation_UrlCitation::DoWriteJSON() {
  TozkOpenAIClass_ResponseAnnotation::DoWriteJSON();
  TozkJSON* lDoc = GetJSON();
  lDoc->AddPair(u"url", FUrl);
  WriteQuotedText(*lDoc, u"title", FTitle);
  lDoc->AddPair(u"start_index", FStartIndex);
  lDoc->AddPair(u"end_index", FEndIndex);
}

// --- Content parts -------------------------------------------------------------------------------

std::unique_ptr<TozkOpenAIClass_ResponseContent>
TozkOpenAIClass_ResponseContent::CreateFromItem(TozkOpenAIClass& aParent, TozkObjectJSON& aItem) {
  std::u16string lType = ItemType(aItem);
  if (lType == u"input_text" || lType == u"output_text" || lType == u"text" || lType == u"refusal")
    return CreateFromMember<TozkOpenAIClass_ResponseContent>(aParent, aItem);
  return nullptr;
}

void TozkOpenAIClass_ResponseContent::DoReadJSON() {
  F_Type = ReadString(u"type");
  FText = ReadText(F_Type == u"refusal" ? u"refusal" : u"text");
  ReadObjectArray(u"annotations", FAnnotations, TozkOpenAIClass_ResponseAnnotation::CreateFromItem);
}

void TozkOpenAIClass_ResponseContent::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  lDoc->AddPair(u"type", F_Type);
  if (F_Type == u"refusal") {
    WriteQuotedText(*lDoc, u"refusal", FText);
    return;
  }
  WriteQuotedText(*lDoc, u"text", FText);
  if (F_Type != u"output_text") return;
  WriteArray(*lDoc, u"annotations", FAnnotations);
  // The model keeps no log probabilities; those the document holds stay as they are.
  if (!lDoc->GetNode(u"logprobs")) lDoc->AddArray(u"logprobs", u"");
}

// --- Items ---------------------------------------------------------------------------------------

namespace {

// The class of an item: its "type", or "message" for the short form of input messages (no
// "type", a "role").
enum class TItemKind { None, Message, FileSearchCall, CodeInterpreterCall };

TItemKind ItemKindOf(std::u16string_view aType, bool aHasRole) {
  if (aType == u"message" || (aType.empty() && aHasRole)) return TItemKind::Message;
  if (aType == u"file_search_call") return TItemKind::FileSearchCall;
  if (aType == u"code_interpreter_call") return TItemKind::CodeInterpreterCall;
  return TItemKind::None;
}

} // namespace

std::unique_ptr<TozkOpenAIClass_ResponseItem>
TozkOpenAIClass_ResponseItem::CreateFromItem(TozkOpenAIClass& aParent, TozkObjectJSON& aItem) {
  TozkJSON* lNested = aItem.NestedJSON();
  bool lHasRole = aItem.JSONType() == ozkJSONObject && lNested && lNested->GetNode(u"role");
  switch (ItemKindOf(ItemType(aItem), lHasRole)) {
  case TItemKind::Message:
    return CreateFromMember<TozkOpenAIClass_ResponseItem_Message>(aParent, aItem);
  case TItemKind::FileSearchCall:
    return CreateFromMember<TozkOpenAIClass_ResponseItem_FileSearchCall>(aParent, aItem);
  case TItemKind::CodeInterpreterCall:
    return CreateFromMember<TozkOpenAIClass_ResponseItem_CodeInterpreterCall>(aParent, aItem);
  case TItemKind::None:
    break;
  }
  return nullptr;
}

std::unique_ptr<TozkOpenAIClass_ResponseItem>
TozkOpenAIClass_ResponseItem::CreateFromText(const std::u16string& aJSON) {
  TozkJSON lDoc;
  lDoc.Read(aJSON);
  switch (ItemKindOf(DocumentType(&lDoc), lDoc.GetNode(u"role") != nullptr)) {
  case TItemKind::Message:
    return std::make_unique<TozkOpenAIClass_ResponseItem_Message>(aJSON);
  case TItemKind::FileSearchCall:
    return std::make_unique<TozkOpenAIClass_ResponseItem_FileSearchCall>(aJSON);
  case TItemKind::CodeInterpreterCall:
    return std::make_unique<TozkOpenAIClass_ResponseItem_CodeInterpreterCall>(aJSON);
  case TItemKind::None:
    break;
  }
  return nullptr;
}

void TozkOpenAIClass_ResponseItem::DoReadJSON() {
  F_Type = ReadText(u"type");
  FId = ReadText(u"id");
  FStatus = ReadText(u"status");
}

void TozkOpenAIClass_ResponseItem::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!F_Type.empty()) lDoc->AddPair(u"type", F_Type);
  if (!FId.empty()) lDoc->AddPair(u"id", FId);
  if (!FStatus.empty()) lDoc->AddPair(u"status", FStatus);
}

void TozkOpenAIClass_ResponseItem_Message::DoReadJSON() {
  TozkOpenAIClass_ResponseItem::DoReadJSON();
  // The short form names no type; the item is a message all the same.
  if (_Type().empty()) Set_Type(u"message");
  FRole = ReadText(u"role");
  FContentText.clear();
  FContent.clear();
  TozkObjectJSON* lContent = FindMember(u"content");
  if (lContent && lContent->JSONType() == ozkJSONString)
    FContentText = ReadString(u"content");
  else
    ReadObjectArray(u"content", FContent, TozkOpenAIClass_ResponseContent::CreateFromItem);
}

void TozkOpenAIClass_ResponseItem_Message::DoWriteJSON() {
  TozkOpenAIClass_ResponseItem::DoWriteJSON();
  TozkJSON* lDoc = GetJSON();
  if (!FRole.empty()) lDoc->AddPair(u"role", FRole);
  if (!FContentText.empty())
    WriteQuotedText(*lDoc, u"content", FContentText);
  else
    WriteArray(*lDoc, u"content", FContent);
}

std::u16string TozkOpenAIClass_ResponseItem_Message::Text() const {
  if (!FContentText.empty()) return FContentText;
  std::u16string lText;
  for (const auto& lPart : FContent)
    if (lPart && lPart->_Type() != u"refusal") lText += lPart->Text();
  return lText;
}

TStringList* TozkOpenAIClass_ResponseItem_FileSearchCall::Queries() {
  return LazyList(FQueries);
}

TStringList* TozkOpenAIClass_ResponseItem_FileSearchCall::Results() {
  return LazyList(FResults);
}

void TozkOpenAIClass_ResponseItem_FileSearchCall::DoReadJSON() {
  TozkOpenAIClass_ResponseItem::DoReadJSON();
  ReadStringList(u"queries", *Queries());
  Results()->Clear();
  TozkObjectJSON* lResults = FindMember(u"results");
  if (!lResults || !lResults->NestedJSON()) return;
  for (const auto& lResult : lResults->NestedJSON()->Members()) {
    TozkJSON* lFields = lResult->NestedJSON();
    if (!lFields) continue;
    TozkObjectJSON* lFile = lFields->GetNode(u"file_id");
    TozkObjectJSON* lText = lFields->GetNode(u"text");
    // Escapes kept: a decoded line break would split the entry.
    FResults->Add((IsNullMember(lFile) ? std::u16string() : ValueText(*lFile)) + u"=" +
                  (IsNullMember(lText) ? std::u16string() : ValueText(*lText)));
  }
}

void TozkOpenAIClass_ResponseItem_CodeInterpreterCall::DoReadJSON() {
  TozkOpenAIClass_ResponseItem::DoReadJSON();
  FContainerId = ReadText(u"container_id");
  FCode = ReadText(u"code");
  FLogs.clear();
  TozkObjectJSON* lOutputs = FindMember(u"outputs");
  if (!lOutputs || !lOutputs->NestedJSON()) return;
  for (const auto& lOutput : lOutputs->NestedJSON()->Members()) {
    if (ItemType(*lOutput) != u"logs") continue;
    FLogs += ReadText(u"logs", lOutput.get());
  }
}

// --- Usage ---------------------------------------------------------------------------------------

void TozkOpenAIClass_ResponseUsage::DoReadJSON() {
  FInputTokens = ReadInteger(u"input_tokens");
  TozkObjectJSON* lInput = FindMember(u"input_tokens_details");
  FCachedTokens = lInput ? ReadInteger(u"cached_tokens", lInput) : 0;
  FOutputTokens = ReadInteger(u"output_tokens");
  TozkObjectJSON* lOutput = FindMember(u"output_tokens_details");
  FReasoningTokens = lOutput ? ReadInteger(u"reasoning_tokens", lOutput) : 0;
  FTotalTokens = ReadInteger(u"total_tokens");
}

// --- Responses -----------------------------------------------------------------------------------

TStringList* TozkOpenAIClass_Response_Base::MetaData() {
  return LazyList(FMetaData);
}

void TozkOpenAIClass_Response_Base::DoReadJSON() {
  FModel = ReadText(u"model");
  FInstructions = ReadText(u"instructions");
  TozkObjectJSON* lConversation = FindMember(u"conversation");
  if (lConversation && lConversation->JSONType() == ozkJSONObject)
    FConversation = ReadText(u"id", lConversation);
  else
    FConversation = ReadText(u"conversation");
  FPreviousResponseId = ReadText(u"previous_response_id");
  ReadObjectArray(u"tools", FTools, TozkOpenAIClass_ResponseTool::CreateFromItem);
  FToolChoice = ReadText(u"tool_choice");
  FTemperature = ReadDouble(u"temperature");
  FTopP = ReadDouble(u"top_p");
  FMaxOutputTokens = ReadInteger(u"max_output_tokens");
  MetaData()->Clear();
  ReadMetaData(u"metadata", MetaData());
}

void TozkOpenAIClass_Response_Base::DoWriteJSON() {
  WriteHead(*GetJSON());
  WriteTail(*GetJSON());
}

void TozkOpenAIClass_Response_Base::WriteHead(TozkJSON& aDoc) {
  if (!FModel.empty()) aDoc.AddPair(u"model", FModel);
  if (!FInstructions.empty()) WriteQuotedText(aDoc, u"instructions", FInstructions);
}

void TozkOpenAIClass_Response_Base::WriteTail(TozkJSON& aDoc) {
  if (!FConversation.empty()) aDoc.AddPair(u"conversation", FConversation);
  if (!FPreviousResponseId.empty()) aDoc.AddPair(u"previous_response_id", FPreviousResponseId);
  if (!FTools.empty()) WriteArray(aDoc, u"tools", FTools);
  if (!FToolChoice.empty()) aDoc.AddPair(u"tool_choice", FToolChoice);
  if (FTemperature >= 0) aDoc.AddPair(u"temperature", FTemperature);
  if (FTopP >= 0) aDoc.AddPair(u"top_p", FTopP);
  if (FMaxOutputTokens > 0) aDoc.AddPair(u"max_output_tokens", FMaxOutputTokens);
  WriteMetaData(aDoc, FMetaData.get());
}

TStringList* TozkOpenAIClass_Request_Response::Include() {
  return LazyList(FInclude);
}

void TozkOpenAIClass_Request_Response::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  WriteHead(*lDoc);
  if (!FInputText.empty())
    WriteQuotedText(*lDoc, u"input", FInputText);
  else if (!FInput.empty())
    WriteArray(*lDoc, u"input", FInput);
  WriteTail(*lDoc);
  if (FInclude && FInclude->Count() > 0) WriteList(*lDoc, u"include", *FInclude);
  if (FStoreSet) lDoc->AddPair(u"store", FStore);
  if (FStream) lDoc->AddPair(u"stream", true);
}

TozkOpenAIClass_ResponseUsage* TozkOpenAIClass_Response::Usage() {
  if (!FUsage) FUsage = std::make_unique<TozkOpenAIClass_ResponseUsage>();
  return FUsage.get();
}

void TozkOpenAIClass_Response::DoReadJSON() {
  TozkOpenAIClass_Response_Base::DoReadJSON();
  FId = ReadText(u"id");
  F_Object = ReadText(u"object");
  FCreatedAt = ReadInteger(u"created_at");
  FCompletedAt = ReadInteger(u"completed_at");
  FStatus = ReadText(u"status");
  TozkObjectJSON* lError = FindMember(u"error");
  if (IsNullMember(lError))
    FError.reset();
  else
    FError = CreateFromMember<TozkOpenAIClass_Last_Error>(*this, *lError);
  TozkObjectJSON* lDetails = FindMember(u"incomplete_details");
  FIncompleteDetails = IsNullMember(lDetails) ? std::u16string() : ReadText(u"reason", lDetails);
  ReadObjectArray(u"output", FOutput, TozkOpenAIClass_ResponseItem::CreateFromItem);
  ReadLazyChild(u"usage", FUsage);
}

void TozkOpenAIClass_Response::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FId.empty()) lDoc->AddPair(u"id", FId);
  if (!F_Object.empty()) lDoc->AddPair(u"object", F_Object);
  if (FCreatedAt != 0) lDoc->AddPair(u"created_at", FCreatedAt);
  if (!FStatus.empty()) lDoc->AddPair(u"status", FStatus);
  if (FCompletedAt != 0) lDoc->AddPair(u"completed_at", FCompletedAt);
  if (FError) {
    TozkJSON* lError = lDoc->AddObject(u"error", u"")->JSONObject();
    lError->AddPair(u"code", FError->Code());
    WriteQuotedText(*lError, u"message", FError->_Message());
  }
  if (!FIncompleteDetails.empty())
    lDoc->AddObject(u"incomplete_details", u"")
        ->JSONObject()
        ->AddPair(u"reason", FIncompleteDetails);
  TozkOpenAIClass_Response_Base::DoWriteJSON();
  if (!FOutput.empty()) WriteArray(*lDoc, u"output", FOutput);
}

std::u16string TozkOpenAIClass_Response::OutputText() const {
  std::u16string lText;
  for (const auto& lItem : FOutput) {
    auto* lMessage = dynamic_cast<const TozkOpenAIClass_ResponseItem_Message*>(lItem.get());
    if (!lMessage) continue;
    if (!lMessage->ContentText().empty()) {
      lText += lMessage->ContentText();
      continue;
    }
    for (const auto& lPart : lMessage->Content())
      if (lPart && lPart->_Type() == u"output_text") lText += lPart->Text();
  }
  return lText;
}

void TozkOpenAIClass_ResponseStreamEvent::DoReadJSON() {
  F_Type = ReadText(u"type");
  FSequenceNumber = ReadInteger(u"sequence_number");
  FItemId = ReadText(u"item_id");
  FOutputIndex = ReadInteger(u"output_index");
  FContentIndex = ReadInteger(u"content_index");
  FDelta = ReadText(u"delta");
  FText = ReadText(u"text");
  // The error's members stand beside "type"; some servers nest them in "error".
  TozkObjectJSON* lError = FindMember(u"error");
  TozkObjectJSON* lHolder = lError && lError->JSONType() == ozkJSONObject ? lError : nullptr;
  FCode = ReadText(u"code", lHolder);
  F_Message = ReadText(u"message", lHolder);
  TozkObjectJSON* lResponse = FindMember(u"response");
  if (lResponse && lResponse->JSONType() == ozkJSONObject)
    FResponse = CreateFromMember<TozkOpenAIClass_Response>(*this, *lResponse);
  else
    FResponse.reset();
}

// --- Conversations -------------------------------------------------------------------------------

TStringList* TozkOpenAIClass_Conversation::MetaData() {
  return LazyList(FMetaData);
}

void TozkOpenAIClass_Conversation::DoReadJSON() {
  FId = ReadText(u"id");
  F_Object = ReadText(u"object");
  FCreatedAt = ReadInteger(u"created_at");
  MetaData()->Clear();
  ReadMetaData(u"metadata", MetaData());
}

void TozkOpenAIClass_Conversation::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FId.empty()) lDoc->AddPair(u"id", FId);
  if (!F_Object.empty()) lDoc->AddPair(u"object", F_Object);
  if (FCreatedAt != 0) lDoc->AddPair(u"created_at", FCreatedAt);
  WriteMetaData(*lDoc, FMetaData.get());
}

TStringList* TozkOpenAIClass_Request_Conversation::MetaData() {
  return LazyList(FMetaData);
}

void TozkOpenAIClass_Request_Conversation::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  WriteMetaData(*lDoc, FMetaData.get());
  if (!FItems.empty()) WriteArray(*lDoc, u"items", FItems);
}

TStringList* TozkOpenAIClass_Request_ConversationUpdate::MetaData() {
  return LazyList(FMetaData);
}

void TozkOpenAIClass_Request_ConversationUpdate::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (FMetaData && FMetaData->Count() > 0)
    WriteMetaData(*lDoc, FMetaData.get());
  else
    lDoc->AddObject(u"metadata", u"");
}

void TozkOpenAIClass_Request_ConversationItems::DoWriteJSON() {
  WriteArray(*GetJSON(), u"items", FItems);
}

// --- Lists ---------------------------------------------------------------------------------------

void TozkOpenAIClass_Response_List_Items::DoReadJSON() {
  TozkOpenAIClass_Response_List::DoReadJSON();
  // A list of no items gives null ids.
  auto lId = [this](std::u16string_view aName) {
    return IsNullMember(FindMember(aName)) ? std::u16string() : ReadString(aName);
  };
  FFirstId = lId(u"first_id");
  FLastId = lId(u"last_id");
  FHasMore = ReadBoolean(u"has_more");
}

void TozkOpenAIClass_Response_List_Items::DoAddItem(const std::u16string& aJSON) {
  FItems.push_back(TozkOpenAIClass_ResponseItem::CreateFromText(aJSON));
}

void TozkOpenAIClass_Response_List_Items::DoAddItemMember(TozkObjectJSON& aItem) {
  FItems.push_back(TozkOpenAIClass_ResponseItem::CreateFromItem(*this, aItem));
}
