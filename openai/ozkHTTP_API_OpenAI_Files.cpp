// OpenAI object model, files family: reading and writing of files, delete answers, vector
// stores, vector store files and file batches.
#include "openai/ozkHTTP_API_OpenAI_Files.h"

// --- Files ---------------------------------------------------------------------------------------

void TozkOpenAIClass_Response_File::DoReadJSON() {
  FBytes = ReadInteger(u"bytes");
  FCreatedAt = ReadInteger(u"created_at");
  FFileName = ReadString(u"filename");
  FId = ReadString(u"id");
  F_Object = ReadString(u"object");
  FPurpose = ReadString(u"purpose");
}

void TozkOpenAIClass_Response_Files::DoReadJSON() {
  ReadObjectArray<TozkOpenAIClass_Response_File>(u"data", FData);
  F_Object = ReadString(u"object");
}

void TozkOpenAIClass_Request_UploadFile::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FFileName.empty()) lDoc->AddPair(u"file", FFileName);
  if (!FPurpose.empty()) lDoc->AddPair(u"purpose", FPurpose);
}

void TozkOpenAIClass_Response_Delete::DoReadJSON() {
  FId = ReadString(u"id");
  F_Object = ReadString(u"object");
  FDeleted = ReadBoolean(u"deleted");
}

// --- Vector stores -------------------------------------------------------------------------------

void TozkOpenAIClass_FileCounts::DoReadJSON() {
  FInProgress = ReadInteger(u"in_progress");
  FCompleted = ReadInteger(u"completed");
  FFailed = ReadInteger(u"failed");
  FCancelled = ReadInteger(u"cancelled");
  FTotal = ReadInteger(u"total");
}

void TozkOpenAIClass_FileCounts::WriteTo(TozkJSON& aOwnerDoc) const {
  TozkJSON* lCounts = aOwnerDoc.AddObject(u"file_counts", u"")->JSONObject();
  lCounts->AddPair(u"in_progress", FInProgress);
  lCounts->AddPair(u"completed", FCompleted);
  lCounts->AddPair(u"failed", FFailed);
  lCounts->AddPair(u"cancelled", FCancelled);
  lCounts->AddPair(u"total", FTotal);
}

void TozkOpenAI_ExpiresAfter::DoReadJSON() {
  FAnchor = ReadString(u"anchor");
  FDays = ReadInteger(u"days");
}

TozkOpenAIClass_FileCounts* TozkOpenAIClass_VectorStore_Base::FileCounts() {
  return Lazy(FFileCounts);
}

TozkOpenAI_ExpiresAfter* TozkOpenAIClass_VectorStore_Base::ExpiresAfter() {
  return Lazy(FExpiresAfter);
}

TStringList* TozkOpenAIClass_VectorStore_Base::MetaData() {
  return Lazy(FMetaData);
}

void TozkOpenAIClass_VectorStore_Base::DoReadJSON() {
  FId = ReadString(u"id");
  F_Object = ReadString(u"object");
  FCreatedAt = ReadInteger(u"created_at");
  FName = ReadString(u"name");
  FUsageBytes = ReadInteger(u"usage_bytes");
  ReadLazyChild(u"file_counts", FFileCounts);
  FStatus = ReadString(u"status");
  ReadLazyChild(u"expires_after", FExpiresAfter);
  FExpiresAt = ReadInteger(u"expires_at");
  FLastActiveAt = ReadInteger(u"last_active_at");
  MetaData()->Clear();
  ReadMetaData(u"metadata", MetaData());
}

void TozkOpenAIClass_VectorStore_Base::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FId.empty()) lDoc->AddPair(u"id", FId);
  if (!F_Object.empty()) lDoc->AddPair(u"object", F_Object);
  if (FCreatedAt != 0) lDoc->AddPair(u"created_at", FCreatedAt);
  if (!FName.empty()) lDoc->AddPair(u"name", FName);
  if (FUsageBytes != 0) lDoc->AddPair(u"usage_bytes", FUsageBytes);
  if (FFileCounts) FFileCounts->WriteTo(*lDoc);
  if (!FStatus.empty()) lDoc->AddPair(u"status", FStatus);
  if (FExpiresAfter) {
    TozkJSON* lExpires = lDoc->AddObject(u"expires_after", u"")->JSONObject();
    lExpires->AddPair(u"anchor", FExpiresAfter->Anchor());
    lExpires->AddPair(u"days", FExpiresAfter->Days());
  }
  if (FExpiresAt != 0) lDoc->AddPair(u"expires_at", FExpiresAt);
  if (FLastActiveAt != 0) lDoc->AddPair(u"last_active_at", FLastActiveAt);
  WriteMetaData(*lDoc, FMetaData.get());
}

TStringList* TozkOpenAIClass_Request_VectorStore::FileIds() {
  return Lazy(FFileIds);
}

void TozkOpenAIClass_Request_VectorStore::DoWriteJSON() {
  TozkOpenAIClass_VectorStore_Base::DoWriteJSON();
  if (FFileIds) WriteStringList(*GetJSON(), u"file_ids", *FFileIds);
}

// --- Vector store files and batches --------------------------------------------------------------

void TozkOpenAIClass_VectorStoreFile::DoReadJSON() {
  FId = ReadString(u"id");
  F_Object = ReadString(u"object");
  FUsageBytes = ReadInteger(u"usage_bytes");
  FCreatedAt = ReadInteger(u"created_at");
  FVectorStoreId = ReadString(u"vector_store_id");
  FStatus = ReadString(u"status");
  FLastError = ReadString(u"last_error");
}

void TozkOpenAIClass_VectorStoreFile::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FId.empty()) lDoc->AddPair(u"id", FId);
  if (!F_Object.empty()) lDoc->AddPair(u"object", F_Object);
  if (FUsageBytes != 0) lDoc->AddPair(u"usage_bytes", FUsageBytes);
  if (FCreatedAt != 0) lDoc->AddPair(u"created_at", FCreatedAt);
  if (!FVectorStoreId.empty()) lDoc->AddPair(u"vector_store_id", FVectorStoreId);
  if (!FStatus.empty()) lDoc->AddPair(u"status", FStatus);
  if (!FLastError.empty()) lDoc->AddPair(u"last_error", FLastError);
}

TozkOpenAIClass_FileCounts* TozkOpenAIClass_VectorStoreFileBatch::FileCounts() {
  return Lazy(FFileCounts);
}

void TozkOpenAIClass_VectorStoreFileBatch::DoReadJSON() {
  FId = ReadString(u"id");
  F_Object = ReadString(u"object");
  FCreatedAt = ReadInteger(u"created_at");
  FVectorStoreId = ReadString(u"vector_store_id");
  FStatus = ReadString(u"status");
  ReadLazyChild(u"file_counts", FFileCounts);
}

void TozkOpenAIClass_VectorStoreFileBatch::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FId.empty()) lDoc->AddPair(u"id", FId);
  if (!F_Object.empty()) lDoc->AddPair(u"object", F_Object);
  if (FCreatedAt != 0) lDoc->AddPair(u"created_at", FCreatedAt);
  if (!FVectorStoreId.empty()) lDoc->AddPair(u"vector_store_id", FVectorStoreId);
  if (!FStatus.empty()) lDoc->AddPair(u"status", FStatus);
  if (FFileCounts) FFileCounts->WriteTo(*lDoc);
}
