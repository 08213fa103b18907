#include "openai/ozkHTTP_API_OpenAI_Methods.h"

#include <cstdlib>

#include "base/ozkException.h"
#include "base/ozkFileUtils.h"
#include "base/ozkText.h"
#include "json/ozkJSON.h"

TozkHTTP_API_OpenAI_Base_Methods::TozkHTTP_API_OpenAI_Base_Methods(TComponent* AOwner)
    : TozkHTTP_API_OpenAI_Base(AOwner) {}

TozkHTTP_API_OpenAI_Base_Methods::~TozkHTTP_API_OpenAI_Base_Methods() = default;

std::u16string TozkHTTP_API_OpenAI_Base_Methods::GetBaseURL() {
  std::u16string lURL = TozkHTTP_API_OpenAI_Base::GetBaseURL();
  if (OpenAIOptions().Provider() == oapvOpenAI) lURL += u"/v1";
  return lURL;
}

std::u16string TozkHTTP_API_OpenAI_Base_Methods::ListingQuery(int aLimit,
                                                              const std::u16string& aOrder,
                                                              const std::u16string& aAfter,
                                                              const std::u16string& aBefore,
                                                              std::u16string_view aExtraName,
                                                              const std::u16string& aExtraValue) {
  std::u16string lQuery;
  auto lAdd = [&lQuery](std::u16string_view aName, const std::u16string& aValue) {
    lQuery += lQuery.empty() ? u"?" : u"&";
    lQuery += aName;
    lQuery += u'=';
    lQuery += aValue;
  };
  if (aLimit != 20) lAdd(u"limit", IntToStr(aLimit));
  if (aOrder != u"desc") lAdd(u"order", PercentEncode(aOrder));
  if (!aAfter.empty()) lAdd(u"after", PercentEncode(aAfter));
  if (!aBefore.empty()) lAdd(u"before", PercentEncode(aBefore));
  if (!aExtraName.empty() && !aExtraValue.empty()) lAdd(aExtraName, PercentEncode(aExtraValue));
  return lQuery;
}

std::u16string TozkHTTP_API_OpenAI_Base_Methods::TempRecordingFile(const std::u16string& aName) {
  const char* lDir = std::getenv("TEMP");
  if (!lDir || !*lDir) lDir = std::getenv("TMPDIR");
  if (!lDir || !*lDir) lDir = "/tmp";
  std::u16string lPath = UTF8ToUTF16(lDir);
  if (lPath.back() != u'/') lPath += u'/';
  return lPath + aName;
}

std::u16string TozkHTTP_API_OpenAI_Base_Methods::RecordAudioFile(const std::u16string& aFile,
                                                                 const std::u16string& aDefaultName,
                                                                 uint32_t aTime) {
  std::u16string lTarget = aFile.empty() ? TempRecordingFile(aDefaultName) : aFile;
  DoRecordAudio(lTarget, aTime);
  if (!FileExists(lTarget)) throw Exception(u"The audio file has not been created.");
  return lTarget;
}

void TozkHTTP_API_OpenAI_Base_Methods::AddTextMember(TozkJSON& aDoc, std::u16string_view aName,
                                                     std::u16string_view aValue) {
  aDoc.AddPair(aName, EscapeJSONString(aValue))->SetQuoted(true);
}

// --- Endpoints, in the catalogue's order ------------------------------------------------------

std::u16string TozkHTTP_API_OpenAI_Base_Methods::GetModels() {
  return DoGet(u"/models");
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::GetModel(const std::u16string& aModel) {
  return DoGet(u"/models/" + aModel);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateCompletion(const std::u16string& aBody) {
  return DoPost(u"/completions", aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateEdit(const std::u16string& aBody) {
  return DoPost(u"/edits", aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateImage(const std::u16string& aBody) {
  return DoPost(u"/images/generations", aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateImageEdit(const std::u16string& aFields) {
  return DoPostMultipart(u"/images/edits", aFields);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::CreateImageVariation(const std::u16string& aFields) {
  return DoPostMultipart(u"/images/variations", aFields);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateEmbeddings(const std::u16string& aBody) {
  return DoPost(u"/embeddings", aBody);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::CreateTranscriptionFromFile(const std::u16string& aFields) {
  return DoPostMultipart(u"/audio/transcriptions", aFields);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::CreateTranslationFromFile(const std::u16string& aFields) {
  return DoPostMultipart(u"/audio/translations", aFields);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ListFiles() {
  return DoGet(u"/files");
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::UploadFile(const std::u16string& aFields) {
  return DoPostMultipart(u"/files", aFields);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::DeleteFile(const std::u16string& aFileId) {
  return DoDelete(u"/files/" + aFileId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::RetrieveFile(const std::u16string& aFileId) {
  return DoGet(u"/files/" + aFileId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::RetrieveFileContent(const std::u16string& aFileId) {
  return DoGet(u"/files/" + aFileId + u"/content");
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateFineTune(const std::u16string& aBody) {
  return DoPost(u"/fine-tunes", aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ListFineTunes() {
  return DoGet(u"/fine-tunes");
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::RetrieveFineTune(const std::u16string& aFineTuneId) {
  return DoGet(u"/fine-tunes/" + aFineTuneId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::CancelFineTune(const std::u16string& aFineTuneId) {
  return DoPost(u"/fine-tunes/" + aFineTuneId + u"/cancel", std::u16string());
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::ListFineTuneEvents(const std::u16string& aFineTuneId) {
  return DoGet(u"/fine-tunes/" + aFineTuneId + u"/events");
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::DeleteFineTuneModel(const std::u16string& aModel) {
  return DoDelete(u"/models/" + aModel);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateModeration(const std::u16string& aBody) {
  return DoPost(u"/moderations", aBody);
}

std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateAssistant(const std::u16string& aBody) {
  return DoPost(u"/assistants", aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ListAssistants(int aLimit,
                                                                const std::u16string& aOrder,
                                                                const std::u16string& aAfter,
                                                                const std::u16string& aBefore) {
  return DoGet(u"/assistants" + ListingQuery(aLimit, aOrder, aAfter, aBefore));
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::RetrieveAssistant(const std::u16string& aAssistantId) {
  return DoGet(u"/assistants/" + aAssistantId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ModifyAssistant(const std::u16string& aAssistantId,
                                                                 const std::u16string& aBody) {
  return DoPost(u"/assistants/" + aAssistantId, aBody);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::DeleteAssistant(const std::u16string& aAssistantId) {
  return DoDelete(u"/assistants/" + aAssistantId);
}

std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateThread(const std::u16string& aBody) {
  return DoPost(u"/threads", aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::RetrieveThread(const std::u16string& aThreadId) {
  return DoGet(u"/threads/" + aThreadId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ModifyThread(const std::u16string& aThreadId,
                                                              const std::u16string& aBody) {
  return DoPost(u"/threads/" + aThreadId, aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::DeleteThread(const std::u16string& aThreadId) {
  return DoDelete(u"/threads/" + aThreadId);
}

std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateMessage(const std::u16string& aThreadId,
                                                               const std::u16string& aBody) {
  return DoPost(u"/threads/" + aThreadId + u"/messages", aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ListMessages(
    const std::u16string& aThreadId, int aLimit, const std::u16string& aOrder,
    const std::u16string& aAfter, const std::u16string& aBefore, const std::u16string& aRunId) {
  return DoGet(u"/threads/" + aThreadId + u"/messages" +
               ListingQuery(aLimit, aOrder, aAfter, aBefore, u"run_id", aRunId));
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::RetrieveMessage(const std::u16string& aThreadId,
                                                                 const std::u16string& aMessageId) {
  return DoGet(u"/threads/" + aThreadId + u"/messages/" + aMessageId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::DeleteMessage(const std::u16string& aThreadId,
                                                               const std::u16string& aMessageId) {
  return DoDelete(u"/threads/" + aThreadId + u"/messages/" + aMessageId);
}

std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateRun(const std::u16string& aThreadId,
                                                           const std::u16string& aBody) {
  return DoPost(u"/threads/" + aThreadId + u"/runs", aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ListRuns(const std::u16string& aThreadId,
                                                          int aLimit, const std::u16string& aOrder,
                                                          const std::u16string& aAfter,
                                                          const std::u16string& aBefore) {
  return DoGet(u"/threads/" + aThreadId + u"/runs" + ListingQuery(aLimit, aOrder, aAfter, aBefore));
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::RetrieveRun(const std::u16string& aThreadId,
                                                             const std::u16string& aRunId) {
  return DoGet(u"/threads/" + aThreadId + u"/runs/" + aRunId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ModifyRun(const std::u16string& aThreadId,
                                                           const std::u16string& aRunId,
                                                           const std::u16string& aBody) {
  return DoPost(u"/threads/" + aThreadId + u"/runs/" + aRunId, aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::SubmitToolOutputsToRun(
    const std::u16string& aThreadId, const std::u16string& aRunId, const std::u16string& aBody) {
  return DoPost(u"/threads/" + aThreadId + u"/runs/" + aRunId + u"/submit_tool_outputs", aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::CancelRun(const std::u16string& aThreadId,
                                                           const std::u16string& aRunId) {
  return DoPost(u"/threads/" + aThreadId + u"/runs/" + aRunId + u"/cancel", std::u16string());
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ListRunSteps(
    const std::u16string& aThreadId, const std::u16string& aRunId, int aLimit,
    const std::u16string& aOrder, const std::u16string& aAfter, const std::u16string& aBefore) {
  return DoGet(u"/threads/" + aThreadId + u"/runs/" + aRunId + u"/steps" +
               ListingQuery(aLimit, aOrder, aAfter, aBefore));
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::RetrieveRunSteps(const std::u16string& aThreadId,
                                                                  const std::u16string& aRunId,
                                                                  const std::u16string& aStepId) {
  return DoGet(u"/threads/" + aThreadId + u"/runs/" + aRunId + u"/steps/" + aStepId);
}

std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateVectorStore(const std::u16string& aBody) {
  return DoPost(u"/vector_stores", aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ListVectorStores(int aLimit,
                                                                  const std::u16string& aOrder,
                                                                  const std::u16string& aAfter,
                                                                  const std::u16string& aBefore) {
  return DoGet(u"/vector_stores" + ListingQuery(aLimit, aOrder, aAfter, aBefore));
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::RetrieveVectorStore(const std::u16string& aVectorStoreId) {
  return DoGet(u"/vector_stores/" + aVectorStoreId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::ModifyVectorStore(const std::u16string& aVectorStoreId,
                                                    const std::u16string& aBody) {
  return DoPost(u"/vector_stores/" + aVectorStoreId, aBody);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::DeleteVectorStore(const std::u16string& aVectorStoreId) {
  return DoDelete(u"/vector_stores/" + aVectorStoreId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::CreateVectorStoreFile(const std::u16string& aVectorStoreId,
                                                        const std::u16string& aFileId) {
  TozkJSON lBody;
  AddTextMember(lBody, u"file_id", aFileId);
  return DoPost(u"/vector_stores/" + aVectorStoreId + u"/files", lBody.Text());
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ListVectorStoreFiles(
    const std::u16string& aVectorStoreId, int aLimit, const std::u16string& aOrder,
    const std::u16string& aAfter, const std::u16string& aBefore, const std::u16string& aFilter) {
  return DoGet(u"/vector_stores/" + aVectorStoreId + u"/files" +
               ListingQuery(aLimit, aOrder, aAfter, aBefore, u"filter", aFilter));
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::RetrieveVectorStoreFile(const std::u16string& aVectorStoreId,
                                                          const std::u16string& aFileId) {
  return DoGet(u"/vector_stores/" + aVectorStoreId + u"/files/" + aFileId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::DeleteVectorStoreFile(const std::u16string& aVectorStoreId,
                                                        const std::u16string& aFileId) {
  return DoDelete(u"/vector_stores/" + aVectorStoreId + u"/files/" + aFileId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::CreateVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                                                             const std::u16string& aFileIds) {
  TozkJSON lBody;
  lBody.AddArray(u"file_ids", aFileIds);
  return DoPost(u"/vector_stores/" + aVectorStoreId + u"/file_batches", lBody.Text());
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ListVectorStoreFilesBatch(
    const std::u16string& aVectorStoreId, const std::u16string& aBatchId, int aLimit,
    const std::u16string& aOrder, const std::u16string& aAfter, const std::u16string& aBefore,
    const std::u16string& aFilter) {
  return DoGet(u"/vector_stores/" + aVectorStoreId + u"/file_batches/" + aBatchId + u"/files" +
               ListingQuery(aLimit, aOrder, aAfter, aBefore, u"filter", aFilter));
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::RetrieveVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                                                               const std::u16string& aBatchId) {
  return DoGet(u"/vector_stores/" + aVectorStoreId + u"/file_batches/" + aBatchId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods::CancelVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                                                             const std::u16string& aBatchId) {
  return DoPost(u"/vector_stores/" + aVectorStoreId + u"/file_batches/" + aBatchId + u"/cancel",
                std::u16string());
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::CreateChatCompletion(const std::u16string& aBody) {
  return DoPost(u"/chat/completions", aBody);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods::ModifyMessage(const std::u16string& aThreadId,
                                                               const std::u16string& aMessageId,
                                                               const std::u16string& aBody) {
  return DoPost(u"/threads/" + aThreadId + u"/messages/" + aMessageId, aBody);
}
