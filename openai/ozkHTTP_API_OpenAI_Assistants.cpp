// OpenAI object model, assistants family: reading and writing of assistants, tools, tool
// resources, threads, messages, content parts and annotations.
#include "openai/ozkHTTP_API_OpenAI_Assistants.h"

// --- Tools ---------------------------------------------------------------------------------------

std::unique_ptr<TozkOpenAIClass_Assistant_Tool>
TozkOpenAIClass_Assistant_Tool::CreateFromItem(TozkOpenAIClass& aParent, TozkObjectJSON& aItem) {
  std::u16string lType = ItemType(aItem);
  if (lType == u"code_interpreter")
    return CreateFromMember<TozkOpenAIClass_Assistant_Tool_CodeInterpreter>(aParent, aItem);
  if (lType == u"file_search")
    return CreateFromMember<TozkOpenAIClass_Assistant_Tool_FileSearch>(aParent, aItem);
  if (lType == u"function")
    return CreateFromMember<TozkOpenAIClass_Assistant_Tool_Function>(aParent, aItem);
  return nullptr;
}

void TozkOpenAIClass_Assistant_Tool::DoReadJSON() {
  F_Type = ReadString(u"type");
}

void TozkOpenAIClass_Assistant_Tool::DoWriteJSON() {
  if (!F_Type.empty()) GetJSON()->AddPair(u"type", F_Type);
}

void TozkOpenAIClass_Assistant_Tool_Function::DoReadJSON() {
  TozkOpenAIClass_Assistant_Tool::DoReadJSON();
  FDescription = ReadString(u"description", HolderOf(u"description", u"function"));
  F_Name = ReadString(u"name", HolderOf(u"name", u"function"));
  FParameters = ReadString(u"parameters", HolderOf(u"parameters", u"function"));
}

void TozkOpenAIClass_Assistant_Tool_Function::DoWriteJSON() {
  TozkOpenAIClass_Assistant_Tool::DoWriteJSON();
  TozkJSON* lFunction = GetJSON()->AddObject(u"function", u"")->JSONObject();
  if (!FDescription.empty()) lFunction->AddPair(u"description", FDescription);
  if (!F_Name.empty()) lFunction->AddPair(u"name", F_Name);
  if (!FParameters.empty()) lFunction->AddPair(u"parameters", FParameters);
}

// --- Tool resources ------------------------------------------------------------------------------

TStringList* TozkOpenAIClass_Assistant_Resources_CodeInterpreter::FileIds() {
  return Lazy(FFileIds);
}

void TozkOpenAIClass_Assistant_Resources_CodeInterpreter::DoReadJSON() {
  ReadStringList(u"file_ids", *FileIds());
}

void TozkOpenAIClass_Assistant_Resources_CodeInterpreter::DoWriteJSON() {
  WriteStringList(*GetJSON(), u"file_ids", *FileIds());
}

TStringList* TozkOpenAIClass_Assistant_Resources_FileSearch::VectorStoreIds() {
  return Lazy(FVectorStoreIds);
}

TStringList* TozkOpenAIClass_Assistant_Resources_FileSearch::VectorStores() {
  return Lazy(FVectorStores);
}

void TozkOpenAIClass_Assistant_Resources_FileSearch::DoReadJSON() {
  ReadStringList(u"vector_store_ids", *VectorStoreIds());
  ReadStringList(u"vector_stores", *VectorStores());
}

void TozkOpenAIClass_Assistant_Resources_FileSearch::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (FVectorStoreIds && FVectorStoreIds->Count() > 0)
    WriteStringList(*lDoc, u"vector_store_ids", *FVectorStoreIds);
  if (FVectorStores && FVectorStores->Count() > 0)
    WriteStringList(*lDoc, u"vector_stores", *FVectorStores);
}

TozkOpenAIClass_Assistant_Resources_CodeInterpreter*
TozkOpenAIClass_Assistant_Resources::CodeInterpreter() {
  return Lazy(FCodeInterpreter);
}

TozkOpenAIClass_Assistant_Resources_FileSearch* TozkOpenAIClass_Assistant_Resources::FileSearch() {
  return Lazy(FFileSearch);
}

void TozkOpenAIClass_Assistant_Resources::DoReadJSON() {
  ReadLazyChild(u"file_search", FFileSearch);
  ReadLazyChild(u"code_interpreter", FCodeInterpreter);
}

void TozkOpenAIClass_Assistant_Resources::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (FCodeInterpreter) {
    TozkJSON* lCode = lDoc->AddObject(u"code_interpreter", u"")->JSONObject();
    if (FCodeInterpreter->FileIds()->Count() > 0)
      WriteStringList(*lCode, u"file_ids", *FCodeInterpreter->FileIds());
  }
  if (FFileSearch) {
    TozkJSON* lSearch = lDoc->AddObject(u"file_search", u"")->JSONObject();
    if (FFileSearch->VectorStoreIds()->Count() > 0)
      WriteStringList(*lSearch, u"vector_store_ids", *FFileSearch->VectorStoreIds());
  }
}

// --- Assistants ----------------------------------------------------------------------------------

TStringList* TozkOpenAIClass_Assistant_Base::MetaData() {
  return Lazy(FMetaData);
}

void TozkOpenAIClass_Assistant_Base::DoReadJSON() {
  FId = ReadString(u"id");
  F_Object = ReadString(u"object");
  FCreatedAt = ReadInteger(u"created_at");
  FName = ReadString(u"name");
  FDescription = ReadString(u"description");
  FModel = ReadString(u"model");
  FInstructions = ReadString(u"instructions");
  ReadObjectArray(u"tools", FTools, TozkOpenAIClass_Assistant_Tool::CreateFromItem);
  if (TozkObjectJSON* lMember = FindMember(u"tool_resources"))
    FToolResources = CreateFromMember<TozkOpenAIClass_Assistant_Resources>(*this, *lMember);
  else
    FToolResources.reset();
  MetaData()->Clear();
  ReadMetaData(u"metadata", MetaData());
  FTemperature = ReadDouble(u"temperature");
  FTopP = ReadDouble(u"top_p");
  FResponseFormat = ReadString(u"response_format");
}

void TozkOpenAIClass_Assistant_Base::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FId.empty()) lDoc->AddPair(u"id", FId);
  if (!F_Object.empty()) lDoc->AddPair(u"object", F_Object);
  if (FCreatedAt != 0) lDoc->AddPair(u"created_at", FCreatedAt);
  if (!FName.empty()) lDoc->AddPair(u"name", FName);
  if (!FDescription.empty()) lDoc->AddPair(u"description", FDescription);
  if (!FModel.empty()) lDoc->AddPair(u"model", FModel);
  if (!FInstructions.empty()) WriteQuotedText(*lDoc, u"instructions", FInstructions);
  if (!FTools.empty()) WriteObjectArray(*lDoc, u"tools", FTools);
  if (FToolResources) lDoc->AddObject(u"tool_resources", FToolResources->AsString());
  WriteMetaData(*lDoc, FMetaData.get());
  if (FTemperature >= 0) lDoc->AddPair(u"temperature", FTemperature);
  if (FTopP >= 0) lDoc->AddPair(u"top_p", FTopP);
  if (!FResponseFormat.empty()) lDoc->AddPair(u"response_format", FResponseFormat);
}

// --- Annotations ---------------------------------------------------------------------------------

std::unique_ptr<TozkOpenaIClass_Annotation>
TozkOpenaIClass_Annotation::CreateFromItem(TozkOpenAIClass& aParent, TozkObjectJSON& aItem) {
  std::u16string lType = ItemType(aItem);
  if (lType == u"file_citation")
    return CreateFromMember<TozkOpenAIClass_Annotation_FileCitation>(aParent, aItem);
  if (lType == u"file_path" || lType == u"text")
    return CreateFromMember<TozkOpenAIClass_Annotation_FilePath>(aParent, aItem);
  return nullptr;
}

void TozkOpenaIClass_Annotation::DoReadJSON() {
  F_Index = ReadInteger(u"index");
  F_Type = ReadString(u"type");
  FText = ReadString(u"text");
  FStartIndex = ReadInteger(u"start_index");
  FEndIndex = ReadInteger(u"end_index");
}

void TozkOpenAIClass_Annotation_FileCitation::DoReadJSON() {
  TozkOpenaIClass_Annotation::DoReadJSON();
  FFileId.clear();
  FQuote.clear();
  if (TozkObjectJSON* lCitation = FindMember(u"file_citation")) {
    FFileId = ReadString(u"file_id", lCitation);
    FQuote = ReadString(u"quote", lCitation);
  }
}

void TozkOpenAIClass_Annotation_FilePath::DoReadJSON() {
  TozkOpenaIClass_Annotation::DoReadJSON();
  FFileId.clear();
  TozkObjectJSON* lSource = FindMember(u"file_path");
  if (!lSource) lSource = FindMember(u"file_citation");
  if (lSource) FFileId = ReadString(u"file_id", lSource);
}

// --- Content parts -------------------------------------------------------------------------------

void TozkOpenAIClass_MessageContent_Base::DoReadJSON() {
  F_Type = ReadString(u"type");
}

void TozkOpenAIClass_MessageContent_Base::DoWriteJSON() {
  if (!F_Type.empty()) GetJSON()->AddPair(u"type", F_Type);
}

void TozkOpenAIClass_MessageContent_Text::DoReadJSON() {
  TozkOpenAIClass_MessageContent_Base::DoReadJSON();
  FValue.clear();
  FAnnotations.clear();
  TozkObjectJSON* lText = FindMember(u"text");
  if (!lText) return;
  FValue = ReadString(u"value", lText);
  ReadObjectArray(u"annotations", FAnnotations, TozkOpenaIClass_Annotation::CreateFromItem, lText);
}

void TozkOpenAIClass_MessageContent_Text::DoWriteJSON() {
  TozkOpenAIClass_MessageContent_Base::DoWriteJSON();
  TozkJSON* lDoc = GetJSON();
  TozkJSON* lText = lDoc->AddObject(u"text", u"")->JSONObject();
  if (!FValue.empty()) lText->AddPair(u"value", FValue);
  if (!FAnnotations.empty()) {
    TozkJSON* lAnnotations = lDoc->AddObject(u"annotations", u"")->JSONObject();
    for (size_t i = 0; i < FAnnotations.size(); ++i)
      if (FAnnotations[i]) lAnnotations->AddObject(IndexName(i), FAnnotations[i]->AsString());
  }
}

void TozkOpenAIClass_MessageContent_ImageFile::DoReadJSON() {
  TozkOpenAIClass_MessageContent_Base::DoReadJSON();
  FFileId.clear();
  FDetail.clear();
  if (TozkObjectJSON* lImage = FindMember(u"image_file")) {
    FFileId = ReadString(u"file_id", lImage);
    FDetail = ReadString(u"detail", lImage);
  }
}

void TozkOpenAIClass_MessageContent_ImageFile::DoWriteJSON() {
  TozkOpenAIClass_MessageContent_Base::DoWriteJSON();
  TozkJSON* lImage = GetJSON()->AddObject(u"image_file", u"")->JSONObject();
  if (!FFileId.empty()) lImage->AddPair(u"file_id", FFileId);
  if (!FDetail.empty()) lImage->AddPair(u"detail", FDetail);
}

void TozkOpenAIClass_MessageContent_ImageUrl::DoReadJSON() {
  TozkOpenAIClass_MessageContent_Base::DoReadJSON();
  FUrl.clear();
  FDetail.clear();
  if (TozkObjectJSON* lImage = FindMember(u"image_url")) {
    FUrl = ReadString(u"url", lImage);
    FDetail = ReadString(u"detail", lImage);
  }
}

void TozkOpenAIClass_MessageContent_ImageUrl::DoWriteJSON() {
  TozkOpenAIClass_MessageContent_Base::DoWriteJSON();
  TozkJSON* lImage = GetJSON()->AddObject(u"image_url", u"")->JSONObject();
  if (!FUrl.empty()) lImage->AddPair(u"url", FUrl);
  if (!FDetail.empty()) lImage->AddPair(u"detail", FDetail);
}

// --- Messages ------------------------------------------------------------------------------------

void TozkOpenAIClass_Message_Attachment::DoReadJSON() {
  FFileId = ReadString(u"file_id");
  ReadObjectArray(u"tools", FTools, TozkOpenAIClass_Assistant_Tool::CreateFromItem);
}

void TozkOpenAIClass_Message_Attachment::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FFileId.empty()) lDoc->AddPair(u"file_id", FFileId);
  if (!FTools.empty()) WriteObjectArray(*lDoc, u"tools", FTools);
}

TStringList* TozkOpenAIClass_Message_Base::MetaData() {
  return Lazy(FMetaData);
}

void TozkOpenAIClass_Message_Base::DoReadJSON() {
  FId = ReadString(u"id");
  F_Object = ReadString(u"object");
  FCreatedAt = ReadInteger(u"created_at");
  FThreadId = ReadString(u"thread_id");
  FStatus = ReadString(u"status");
  TozkObjectJSON* lDetails = FindMember(u"incomplete_details");
  FIncompleteDetails = lDetails ? ReadString(u"reason", lDetails) : std::u16string();
  FCompletedAt = ReadInteger(u"completed_at");
  FIncompleteAt = ReadInteger(u"incomplete_at");
  FRole = ReadString(u"role");
  FContentText.clear();
  ReadObjectArray(
      u"content", FContent,
      [this](TozkOpenAIClass& aParent,
             TozkObjectJSON& aItem) -> std::unique_ptr<TozkOpenAIClass_MessageContent_Base> {
        std::u16string lType = ItemType(aItem);
        if (lType == u"text") {
          // Each text part overwrites ContentText with its value, escapes kept.
          TozkObjectJSON* lText = FindMember(u"text", &aItem);
          if (TozkObjectJSON* lValue = lText ? FindMember(u"value", lText) : nullptr)
            FContentText = ValueText(*lValue);
          return CreateFromMember<TozkOpenAIClass_MessageContent_Text>(aParent, aItem);
        }
        if (lType == u"image_file")
          return CreateFromMember<TozkOpenAIClass_MessageContent_ImageFile>(aParent, aItem);
        if (lType == u"image_url")
          return CreateFromMember<TozkOpenAIClass_MessageContent_ImageUrl>(aParent, aItem);
        return nullptr;
      });
  FAssistantId = ReadString(u"assistant_id");
  FRunId = ReadString(u"run_id");
  ReadObjectArray<TozkOpenAIClass_Message_Attachment>(u"attachments", FAttachments);
  MetaData()->Clear();
  ReadMetaData(u"metadata", MetaData());
}

void TozkOpenAIClass_Message_Base::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FId.empty()) lDoc->AddPair(u"id", FId);
  if (!F_Object.empty()) lDoc->AddPair(u"object", F_Object);
  if (FCreatedAt != 0) lDoc->AddPair(u"created_at", FCreatedAt);
  if (!FThreadId.empty()) lDoc->AddPair(u"thread_id", FThreadId);
  if (!FStatus.empty()) lDoc->AddPair(u"status", FStatus);
  if (!FIncompleteDetails.empty())
    lDoc->AddObject(u"incomplete_details", u"")
        ->JSONObject()
        ->AddPair(u"reason", FIncompleteDetails);
  if (FCompletedAt != 0) lDoc->AddPair(u"completed_at", FCompletedAt);
  if (FIncompleteAt != 0) lDoc->AddPair(u"incomplete_at", FIncompleteAt);
  if (!FRole.empty()) lDoc->AddPair(u"role", FRole);
  if (!FContentText.empty()) {
    WriteQuotedText(*lDoc, u"content", FContentText);
  } else if (!FContent.empty()) {
    // Each part goes in as its text, embedded as a JSON object.
    TozkJSON* lItems = lDoc->AddArray(u"content", u"")->JSONObject();
    for (size_t i = 0; i < FContent.size(); ++i)
      if (FContent[i]) lItems->AddPair(IndexName(i), FContent[i]->AsString());
  }
  if (!FAssistantId.empty()) lDoc->AddPair(u"assistant_id", FAssistantId);
  if (!FRunId.empty()) lDoc->AddPair(u"run_id", FRunId);
  if (!FAttachments.empty()) WriteObjectArray(*lDoc, u"attachments", FAttachments);
  WriteMetaData(*lDoc, FMetaData.get());
}

// --- Threads -------------------------------------------------------------------------------------

TStringList* TozkOpenAIClass_Thread::MetaData() {
  return Lazy(FMetaData);
}

void TozkOpenAIClass_Thread::DoReadJSON() {
  FId = ReadString(u"id");
  F_Object = ReadString(u"object");
  FCreatedAt = ReadInteger(u"created_at");
  if (TozkObjectJSON* lMember = FindMember(u"tool_resources"))
    FToolResources = CreateFromMember<TozkOpenAIClass_Assistant_Resources>(*this, *lMember);
  else
    FToolResources.reset();
  MetaData()->Clear();
  ReadMetaData(u"metadata", MetaData());
}

void TozkOpenAIClass_Thread::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FId.empty()) lDoc->AddPair(u"id", FId);
  if (!F_Object.empty()) lDoc->AddPair(u"object", F_Object);
  if (FCreatedAt != 0) lDoc->AddPair(u"created_at", FCreatedAt);
  if (FToolResources) {
    TozkJSON* lResources = lDoc->AddObject(u"tool_resources", u"")->JSONObject();
    if (FToolResources->HasCodeInterpreter() &&
        FToolResources->CodeInterpreter()->FileIds()->Count() > 0)
      WriteStringList(*lResources->AddObject(u"code_interpreter", u"")->JSONObject(), u"file_ids",
                      *FToolResources->CodeInterpreter()->FileIds());
    if (FToolResources->HasFileSearch() &&
        FToolResources->FileSearch()->VectorStoreIds()->Count() > 0)
      WriteStringList(*lResources->AddObject(u"file_search", u"")->JSONObject(),
                      u"vector_store_ids", *FToolResources->FileSearch()->VectorStoreIds());
  }
  WriteMetaData(*lDoc, FMetaData.get());
}

TStringList* TozkOpenAIClass_Request_Thread::MetaData() {
  return Lazy(FMetaData);
}

void TozkOpenAIClass_Request_Thread::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FMessages.empty()) WriteObjectArray(*lDoc, u"messages", FMessages);
  if (FToolResources) {
    TozkJSON* lResources = lDoc->AddObject(u"tool_resources", u"")->JSONObject();
    if (FToolResources->HasCodeInterpreter())
      lResources->AddObject(u"code_interpreter", FToolResources->CodeInterpreter()->AsString());
    if (FToolResources->HasFileSearch())
      lResources->AddObject(u"file_search", FToolResources->FileSearch()->AsString());
  }
  WriteMetaData(*lDoc, FMetaData.get());
}
