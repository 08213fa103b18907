// OpenAI object model, files family: uploaded files, delete answers, vector stores with their
// file counts and expiry, files attached to vector stores, file batches and their lists.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

// --- Files ---------------------------------------------------------------------------------------

class TozkOpenAIClass_Response_File : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_File() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_File, TozkOpenAIClass)

  int32_t Bytes() const { return FBytes; }
  int32_t CreatedAt() const { return FCreatedAt; }
  const std::u16string& FileName() const { return FFileName; }
  const std::u16string& Id() const { return FId; }
  const std::u16string& _Object() const { return F_Object; }
  const std::u16string& Purpose() const { return FPurpose; }

 protected:
  void DoReadJSON() override;

 private:
  int32_t FBytes = 0;
  int32_t FCreatedAt = 0;
  std::u16string FFileName;
  std::u16string FId;
  std::u16string F_Object;
  std::u16string FPurpose;
};

using TozkOpenAIArray_Response_File = std::vector<std::unique_ptr<TozkOpenAIClass_Response_File>>;

class TozkOpenAIClass_Response_Files : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Files() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Files, TozkOpenAIClass)

  const TozkOpenAIArray_Response_File& Data() const { return FData; }
  TozkOpenAIArray_Response_File& Data() { return FData; }
  const std::u16string& _Object() const { return F_Object; }

 protected:
  void DoReadJSON() override;

 private:
  TozkOpenAIArray_Response_File FData;
  std::u16string F_Object;
};

// The upload request. The REST client turns its text into a multipart form: "file" names the
// local file to send, every other member becomes a field.
class TozkOpenAIClass_Request_UploadFile : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Request_UploadFile() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_UploadFile, TozkOpenAIClass)

  // The local path of the file to send, stored as it is (backslashes included).
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(std::u16string aValue) { FFileName = std::move(aValue); }
  // Another name of FileName, as the callers of the upload know it.
  const std::u16string& File() const { return FFileName; }
  void SetFile(std::u16string aValue) { FFileName = std::move(aValue); }
  const std::u16string& Purpose() const { return FPurpose; }
  void SetPurpose(std::u16string aValue) { FPurpose = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FFileName;
  std::u16string FPurpose;
};

class TozkOpenAIClass_Response_Delete : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Delete() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Delete, TozkOpenAIClass)

  const std::u16string& Id() const { return FId; }
  const std::u16string& _Object() const { return F_Object; }
  bool Deleted() const { return FDeleted; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FId;
  std::u16string F_Object;
  bool FDeleted = false;
};

class TozkOpenAIClass_Response_Delete_Status : public TozkOpenAIClass_Response_Delete {
 public:
  TozkOpenAIClass_Response_Delete_Status() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Delete_Status, TozkOpenAIClass_Response_Delete)
};

// --- Vector stores -------------------------------------------------------------------------------

// Read only; its owner writes the five counts.
class TozkOpenAIClass_FileCounts : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_FileCounts() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_FileCounts, TozkOpenAIClass)

  int32_t InProgress() const { return FInProgress; }
  int32_t Completed() const { return FCompleted; }
  int32_t Failed() const { return FFailed; }
  int32_t Cancelled() const { return FCancelled; }
  int32_t Total() const { return FTotal; }

  // The object member "file_counts" of an owner, all five counts always.
  void WriteTo(TozkJSON& aOwnerDoc) const;

 protected:
  void DoReadJSON() override;

 private:
  int32_t FInProgress = 0;
  int32_t FCompleted = 0;
  int32_t FFailed = 0;
  int32_t FCancelled = 0;
  int32_t FTotal = 0;
};

// Read only; its owner writes it. Days and anchor are settable for creation requests.
class TozkOpenAI_ExpiresAfter : public TozkOpenAIClass {
 public:
  TozkOpenAI_ExpiresAfter() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAI_ExpiresAfter, TozkOpenAIClass)

  const std::u16string& Anchor() const { return FAnchor; }
  void SetAnchor(std::u16string aValue) { FAnchor = std::move(aValue); }
  int32_t Days() const { return FDays; }
  void SetDays(int32_t aValue) { FDays = aValue; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FAnchor;
  int32_t FDays = 0;
};

// Fields, reading and writing shared by the vector store response and the creation request.
class TozkOpenAIClass_VectorStore_Base : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_VectorStore_Base() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_VectorStore_Base, TozkOpenAIClass)

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
  int32_t UsageBytes() const { return FUsageBytes; }
  void SetUsageBytes(int32_t aValue) { FUsageBytes = aValue; }
  // Created on first read.
  TozkOpenAIClass_FileCounts* FileCounts();
  const std::u16string& Status() const { return FStatus; }
  void SetStatus(std::u16string aValue) { FStatus = std::move(aValue); }
  // Created on first read.
  TozkOpenAI_ExpiresAfter* ExpiresAfter();
  int32_t ExpiresAt() const { return FExpiresAt; }
  void SetExpiresAt(int32_t aValue) { FExpiresAt = aValue; }
  int32_t LastActiveAt() const { return FLastActiveAt; }
  void SetLastActiveAt(int32_t aValue) { FLastActiveAt = aValue; }
  TStringList* MetaData();

 private:
  std::u16string FId;
  std::u16string F_Object;
  int32_t FCreatedAt = 0;
  std::u16string FName;
  int32_t FUsageBytes = 0;
  std::unique_ptr<TozkOpenAIClass_FileCounts> FFileCounts;
  std::u16string FStatus;
  std::unique_ptr<TozkOpenAI_ExpiresAfter> FExpiresAfter;
  int32_t FExpiresAt = 0;
  int32_t FLastActiveAt = 0;
  std::unique_ptr<TStringList> FMetaData;
};

class TozkOpenAIClass_VectorStore : public TozkOpenAIClass_VectorStore_Base {
 public:
  TozkOpenAIClass_VectorStore() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_VectorStore, TozkOpenAIClass_VectorStore_Base)

  using TozkOpenAIClass_VectorStore_Base::_Object;
  using TozkOpenAIClass_VectorStore_Base::CreatedAt;
  using TozkOpenAIClass_VectorStore_Base::ExpiresAfter;
  using TozkOpenAIClass_VectorStore_Base::ExpiresAt;
  using TozkOpenAIClass_VectorStore_Base::FileCounts;
  using TozkOpenAIClass_VectorStore_Base::Id;
  using TozkOpenAIClass_VectorStore_Base::LastActiveAt;
  using TozkOpenAIClass_VectorStore_Base::MetaData;
  using TozkOpenAIClass_VectorStore_Base::Name;
  using TozkOpenAIClass_VectorStore_Base::Set_Object;
  using TozkOpenAIClass_VectorStore_Base::SetCreatedAt;
  using TozkOpenAIClass_VectorStore_Base::SetExpiresAt;
  using TozkOpenAIClass_VectorStore_Base::SetId;
  using TozkOpenAIClass_VectorStore_Base::SetLastActiveAt;
  using TozkOpenAIClass_VectorStore_Base::SetName;
  using TozkOpenAIClass_VectorStore_Base::SetStatus;
  using TozkOpenAIClass_VectorStore_Base::SetUsageBytes;
  using TozkOpenAIClass_VectorStore_Base::Status;
  using TozkOpenAIClass_VectorStore_Base::UsageBytes;
};

class TozkOpenAIClass_Request_VectorStore : public TozkOpenAIClass_VectorStore_Base {
 public:
  TozkOpenAIClass_Request_VectorStore() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_VectorStore, TozkOpenAIClass_VectorStore_Base)

  using TozkOpenAIClass_VectorStore_Base::ExpiresAfter;
  using TozkOpenAIClass_VectorStore_Base::MetaData;
  using TozkOpenAIClass_VectorStore_Base::Name;
  using TozkOpenAIClass_VectorStore_Base::SetName;
  // Created on first read; once it exists "file_ids" is written, also when it is empty.
  TStringList* FileIds();

 protected:
  void DoWriteJSON() override;

 private:
  std::unique_ptr<TStringList> FFileIds;
};

// --- Vector store files and batches --------------------------------------------------------------

class TozkOpenAIClass_VectorStoreFile : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_VectorStoreFile() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_VectorStoreFile, TozkOpenAIClass)

  const std::u16string& Id() const { return FId; }
  void SetId(std::u16string aValue) { FId = std::move(aValue); }
  const std::u16string& _Object() const { return F_Object; }
  void Set_Object(std::u16string aValue) { F_Object = std::move(aValue); }
  int32_t UsageBytes() const { return FUsageBytes; }
  void SetUsageBytes(int32_t aValue) { FUsageBytes = aValue; }
  int32_t CreatedAt() const { return FCreatedAt; }
  void SetCreatedAt(int32_t aValue) { FCreatedAt = aValue; }
  const std::u16string& VectorStoreId() const { return FVectorStoreId; }
  void SetVectorStoreId(std::u16string aValue) { FVectorStoreId = std::move(aValue); }
  const std::u16string& Status() const { return FStatus; }
  void SetStatus(std::u16string aValue) { FStatus = std::move(aValue); }
  // The JSON text of the error object, or "null".
  const std::u16string& LastError() const { return FLastError; }
  void SetLastError(std::u16string aValue) { FLastError = std::move(aValue); }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FId;
  std::u16string F_Object;
  int32_t FUsageBytes = 0;
  int32_t FCreatedAt = 0;
  std::u16string FVectorStoreId;
  std::u16string FStatus;
  std::u16string FLastError;
};

class TozkOpenAIClass_VectorStoreFileBatch : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_VectorStoreFileBatch() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_VectorStoreFileBatch, TozkOpenAIClass)

  const std::u16string& Id() const { return FId; }
  void SetId(std::u16string aValue) { FId = std::move(aValue); }
  const std::u16string& _Object() const { return F_Object; }
  void Set_Object(std::u16string aValue) { F_Object = std::move(aValue); }
  int32_t CreatedAt() const { return FCreatedAt; }
  void SetCreatedAt(int32_t aValue) { FCreatedAt = aValue; }
  const std::u16string& VectorStoreId() const { return FVectorStoreId; }
  void SetVectorStoreId(std::u16string aValue) { FVectorStoreId = std::move(aValue); }
  const std::u16string& Status() const { return FStatus; }
  void SetStatus(std::u16string aValue) { FStatus = std::move(aValue); }
  // Created on first read.
  TozkOpenAIClass_FileCounts* FileCounts();

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FId;
  std::u16string F_Object;
  int32_t FCreatedAt = 0;
  std::u16string FVectorStoreId;
  std::u16string FStatus;
  std::unique_ptr<TozkOpenAIClass_FileCounts> FFileCounts;
};

// --- Lists ---------------------------------------------------------------------------------------

using TozkOpenAIArray_VectorStores = std::vector<std::unique_ptr<TozkOpenAIClass_VectorStore>>;
using TozkOpenAIArray_VectorStoreFiles =
    std::vector<std::unique_ptr<TozkOpenAIClass_VectorStoreFile>>;
using TozkOpenAIArray_VectorStoreFilesBatch =
    std::vector<std::unique_ptr<TozkOpenAIClass_VectorStoreFileBatch>>;

class TozkOpenAIClass_Response_List_VectorStores
    : public TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_VectorStore> {
 public:
  TozkOpenAIClass_Response_List_VectorStores() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_List_VectorStores,
                          TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_VectorStore>)

  TozkOpenAIArray_VectorStores& VectorStores() { return FItems; }
  const TozkOpenAIArray_VectorStores& VectorStores() const { return FItems; }
};

class TozkOpenAIClass_Response_List_VectorStoreFiles
    : public TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_VectorStoreFile> {
 public:
  TozkOpenAIClass_Response_List_VectorStoreFiles() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_List_VectorStoreFiles,
                          TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_VectorStoreFile>)

  TozkOpenAIArray_VectorStoreFiles& VectorStoreFiles() { return FItems; }
  const TozkOpenAIArray_VectorStoreFiles& VectorStoreFiles() const { return FItems; }
};

class TozkOpenAIClass_Response_List_VectorStoreFilesBatch
    : public TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_VectorStoreFileBatch> {
 public:
  TozkOpenAIClass_Response_List_VectorStoreFilesBatch() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_List_VectorStoreFilesBatch,
                          TozkOpenAIClass_Response_ListOf<TozkOpenAIClass_VectorStoreFileBatch>)

  TozkOpenAIArray_VectorStoreFilesBatch& VectorStoreFilesBatch() { return FItems; }
  const TozkOpenAIArray_VectorStoreFilesBatch& VectorStoreFilesBatch() const { return FItems; }
};
