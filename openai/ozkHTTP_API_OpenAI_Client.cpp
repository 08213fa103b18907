#include "openai/ozkHTTP_API_OpenAI_Client.h"

#include "json/ozkJSON.h"

namespace {

using TEndpoints = TozkHTTP_API_OpenAI_Base_Methods;

// The object of class T that the response text gives (empty text gives initial values).
template <class T> std::unique_ptr<T> Make(const std::u16string& aText) {
  return std::make_unique<T>(aText);
}

// The form fields of an upload request: its JSON members, with the local file path in aName
// written escaped so that the form builder, which decodes every string value, gets it back
// exactly, whatever characters it holds. The request object itself is not changed.
std::u16string FormFields(TozkOpenAIClass& aRequest, std::u16string_view aName,
                          const std::u16string& aPath) {
  aRequest.AsString();
  TozkJSON lFields;
  lFields.Assign(*aRequest.GetJSON());
  if (TozkObjectJSON* lMember = lFields.GetNode(aName); lMember && !aPath.empty()) {
    lMember->SetJSONType(ozkJSONString);
    lMember->SetValue(EscapeJSONString(aPath));
    lMember->SetQuoted(true);
  }
  return lFields.Text();
}

} // namespace

TozkHTTP_API_OpenAI::TozkHTTP_API_OpenAI(TComponent* AOwner)
    : TozkHTTP_API_OpenAI_Base_Methods_Basic(AOwner) {}

TozkHTTP_API_OpenAI::~TozkHTTP_API_OpenAI() = default;

std::unique_ptr<TozkOpenAIClass_Response_Models> TozkHTTP_API_OpenAI::GetModels() {
  return Make<TozkOpenAIClass_Response_Models>(TEndpoints::GetModels());
}
std::unique_ptr<TozkOpenAI_Response_Model_Class>
TozkHTTP_API_OpenAI::GetModel(const std::u16string& aModel) {
  return Make<TozkOpenAI_Response_Model_Class>(TEndpoints::GetModel(aModel));
}
std::unique_ptr<TozkOpenAIClass_Response_Completion>
TozkHTTP_API_OpenAI::CreateCompletion(TozkOpenAIClass_Request_Completion& aRequest) {
  return Make<TozkOpenAIClass_Response_Completion>(
      TEndpoints::CreateCompletion(aRequest.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_ChatCompletion>
TozkHTTP_API_OpenAI::CreateChatCompletion(TozkOpenAIClass_Request_ChatCompletion& aRequest) {
  return Make<TozkOpenAIClass_Response_ChatCompletion>(
      TEndpoints::CreateChatCompletion(aRequest.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_Edit>
TozkHTTP_API_OpenAI::CreateEdit(TozkOpenAIClass_Request_Edit& aRequest) {
  return Make<TozkOpenAIClass_Response_Edit>(TEndpoints::CreateEdit(aRequest.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_Image>
TozkHTTP_API_OpenAI::CreateImage(TozkOpenAIClass_Request_Image& aRequest) {
  return Make<TozkOpenAIClass_Response_Image>(TEndpoints::CreateImage(aRequest.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_Image_Edit>
TozkHTTP_API_OpenAI::CreateImageEdit(TozkOpenAIClass_Request_Image_Edit& aRequest) {
  return Make<TozkOpenAIClass_Response_Image_Edit>(
      TEndpoints::CreateImageEdit(FormFields(aRequest, u"image", aRequest.Image())));
}
std::unique_ptr<TozkOpenAIClass_Response_Image_Variation>
TozkHTTP_API_OpenAI::CreateImageVariation(TozkOpenAIClass_Request_Image_Variation& aRequest) {
  return Make<TozkOpenAIClass_Response_Image_Variation>(
      TEndpoints::CreateImageVariation(FormFields(aRequest, u"image", aRequest.Image())));
}
std::unique_ptr<TozkOpenAIClass_Response_Embeddings>
TozkHTTP_API_OpenAI::CreateEmbeddings(TozkOpenAIClass_Request_Embeddings& aRequest) {
  return Make<TozkOpenAIClass_Response_Embeddings>(
      TEndpoints::CreateEmbeddings(aRequest.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_Transcription>
TozkHTTP_API_OpenAI::CreateTranscriptionFromFile(TozkOpenAIClass_Request_Transcription& aRequest) {
  return Make<TozkOpenAIClass_Response_Transcription>(
      TEndpoints::CreateTranscriptionFromFile(FormFields(aRequest, u"file", aRequest.File())));
}
std::unique_ptr<TozkOpenAIClass_Response_Transcription>
TozkHTTP_API_OpenAI::CreateTranscription(TozkOpenAIClass_Request_Transcription& aRequest,
                                         uint32_t aTime) {
  aRequest.SetFile(RecordAudioFile(aRequest.File(), u"ozkTranscription.wav", aTime));
  return CreateTranscriptionFromFile(aRequest);
}
std::unique_ptr<TozkOpenAIClass_Response_Translation>
TozkHTTP_API_OpenAI::CreateTranslationFromFile(TozkOpenAIClass_Request_Translation& aRequest) {
  return Make<TozkOpenAIClass_Response_Translation>(
      TEndpoints::CreateTranslationFromFile(FormFields(aRequest, u"file", aRequest.File())));
}
std::unique_ptr<TozkOpenAIClass_Response_Translation>
TozkHTTP_API_OpenAI::CreateTranslation(TozkOpenAIClass_Request_Translation& aRequest,
                                       uint32_t aTime) {
  aRequest.SetFile(RecordAudioFile(aRequest.File(), u"ozkTranslation.wav", aTime));
  return CreateTranslationFromFile(aRequest);
}
std::unique_ptr<TozkOpenAIClass_Response_Files> TozkHTTP_API_OpenAI::ListFiles() {
  return Make<TozkOpenAIClass_Response_Files>(TEndpoints::ListFiles());
}
std::unique_ptr<TozkOpenAIClass_Response_File>
TozkHTTP_API_OpenAI::UploadFile(TozkOpenAIClass_Request_UploadFile& aRequest) {
  return Make<TozkOpenAIClass_Response_File>(
      TEndpoints::UploadFile(FormFields(aRequest, u"file", aRequest.File())));
}
std::unique_ptr<TozkOpenAIClass_Response_Delete>
TozkHTTP_API_OpenAI::DeleteFile(const std::u16string& aFileId) {
  return Make<TozkOpenAIClass_Response_Delete>(TEndpoints::DeleteFile(aFileId));
}
std::unique_ptr<TozkOpenAIClass_Response_File>
TozkHTTP_API_OpenAI::RetrieveFile(const std::u16string& aFileId) {
  return Make<TozkOpenAIClass_Response_File>(TEndpoints::RetrieveFile(aFileId));
}
std::u16string TozkHTTP_API_OpenAI::RetrieveFileContent(const std::u16string& aFileId) {
  return TEndpoints::RetrieveFileContent(aFileId);
}
std::unique_ptr<TozkOpenAIClass_Response_FineTune>
TozkHTTP_API_OpenAI::CreateFineTune(TozkOpenAIClass_Request_FineTune& aRequest) {
  return Make<TozkOpenAIClass_Response_FineTune>(TEndpoints::CreateFineTune(aRequest.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_FineTunes> TozkHTTP_API_OpenAI::ListFineTunes() {
  return Make<TozkOpenAIClass_Response_FineTunes>(TEndpoints::ListFineTunes());
}
std::unique_ptr<TozkOpenAIClass_Response_FineTune>
TozkHTTP_API_OpenAI::RetrieveFineTune(const std::u16string& aFineTuneId) {
  return Make<TozkOpenAIClass_Response_FineTune>(TEndpoints::RetrieveFineTune(aFineTuneId));
}
std::unique_ptr<TozkOpenAIClass_Response_FineTune>
TozkHTTP_API_OpenAI::CancelFineTune(const std::u16string& aFineTuneId) {
  return Make<TozkOpenAIClass_Response_FineTune>(TEndpoints::CancelFineTune(aFineTuneId));
}
std::unique_ptr<TozkOpenAIClass_Response_FineTune_Events>
TozkHTTP_API_OpenAI::ListFineTuneEvents(const std::u16string& aFineTuneId) {
  return Make<TozkOpenAIClass_Response_FineTune_Events>(
      TEndpoints::ListFineTuneEvents(aFineTuneId));
}
std::unique_ptr<TozkOpenAIClass_Response_Delete>
TozkHTTP_API_OpenAI::DeleteFineTuneModel(const std::u16string& aModel) {
  return Make<TozkOpenAIClass_Response_Delete>(TEndpoints::DeleteFineTuneModel(aModel));
}
std::unique_ptr<TozkOpenAIClass_Response_Moderation>
TozkHTTP_API_OpenAI::CreateModeration(TozkOpenAIClass_Request_Moderation& aRequest) {
  return Make<TozkOpenAIClass_Response_Moderation>(
      TEndpoints::CreateModeration(aRequest.AsString()));
}

std::unique_ptr<TozkOpenAIClass_Assistant>
TozkHTTP_API_OpenAI::CreateAssistant(TozkOpenAIClass_Request_Assistant& aRequest) {
  return Make<TozkOpenAIClass_Assistant>(TEndpoints::CreateAssistant(aRequest.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_List_Assistants>
TozkHTTP_API_OpenAI::ListAssistants(int aLimit, const std::u16string& aOrder,
                                    const std::u16string& aAfter, const std::u16string& aBefore) {
  return Make<TozkOpenAIClass_Response_List_Assistants>(
      TEndpoints::ListAssistants(aLimit, aOrder, aAfter, aBefore));
}
std::unique_ptr<TozkOpenAIClass_Assistant>
TozkHTTP_API_OpenAI::RetrieveAssistant(const std::u16string& aAssistantId) {
  return Make<TozkOpenAIClass_Assistant>(TEndpoints::RetrieveAssistant(aAssistantId));
}
std::unique_ptr<TozkOpenAIClass_Assistant>
TozkHTTP_API_OpenAI::ModifyAssistant(const std::u16string& aAssistantId,
                                     TozkOpenAIClass_Request_Assistant& aRequest) {
  return Make<TozkOpenAIClass_Assistant>(
      TEndpoints::ModifyAssistant(aAssistantId, aRequest.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_Delete_Status>
TozkHTTP_API_OpenAI::DeleteAssistant(const std::u16string& aAssistantId) {
  return Make<TozkOpenAIClass_Response_Delete_Status>(TEndpoints::DeleteAssistant(aAssistantId));
}

std::unique_ptr<TozkOpenAIClass_Thread>
TozkHTTP_API_OpenAI::CreateThread(TozkOpenAIClass_Request_Thread& aRequest) {
  return Make<TozkOpenAIClass_Thread>(TEndpoints::CreateThread(aRequest.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Thread>
TozkHTTP_API_OpenAI::RetrieveThread(const std::u16string& aThreadId) {
  return Make<TozkOpenAIClass_Thread>(TEndpoints::RetrieveThread(aThreadId));
}
std::unique_ptr<TozkOpenAIClass_Thread>
TozkHTTP_API_OpenAI::ModifyThread(const std::u16string& aThreadId,
                                  TozkOpenAIClass_Request_Thread& aRequest) {
  return Make<TozkOpenAIClass_Thread>(TEndpoints::ModifyThread(aThreadId, aRequest.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_Delete_Status>
TozkHTTP_API_OpenAI::DeleteThread(const std::u16string& aThreadId) {
  return Make<TozkOpenAIClass_Response_Delete_Status>(TEndpoints::DeleteThread(aThreadId));
}

std::unique_ptr<TozkOpenAIClass_Message>
TozkHTTP_API_OpenAI::CreateMessage(const std::u16string& aThreadId,
                                   TozkOpenAIClass_Request_Message& aRequest) {
  return Make<TozkOpenAIClass_Message>(TEndpoints::CreateMessage(aThreadId, aRequest.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_List_Messages>
TozkHTTP_API_OpenAI::ListMessages(const std::u16string& aThreadId, int aLimit,
                                  const std::u16string& aOrder, const std::u16string& aAfter,
                                  const std::u16string& aBefore, const std::u16string& aRunId) {
  return Make<TozkOpenAIClass_Response_List_Messages>(
      TEndpoints::ListMessages(aThreadId, aLimit, aOrder, aAfter, aBefore, aRunId));
}
std::unique_ptr<TozkOpenAIClass_Message>
TozkHTTP_API_OpenAI::RetrieveMessage(const std::u16string& aThreadId,
                                     const std::u16string& aMessageId) {
  return Make<TozkOpenAIClass_Message>(TEndpoints::RetrieveMessage(aThreadId, aMessageId));
}
std::unique_ptr<TozkOpenAIClass_Message>
TozkHTTP_API_OpenAI::ModifyMessage(const std::u16string& aThreadId,
                                   const std::u16string& aMessageId,
                                   TozkOpenAIClass_Request_Message& aMessage) {
  return Make<TozkOpenAIClass_Message>(
      TEndpoints::ModifyMessage(aThreadId, aMessageId, aMessage.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_Delete_Status>
TozkHTTP_API_OpenAI::DeleteMessage(const std::u16string& aThreadId,
                                   const std::u16string& aMessageId) {
  return Make<TozkOpenAIClass_Response_Delete_Status>(
      TEndpoints::DeleteMessage(aThreadId, aMessageId));
}

std::unique_ptr<TozkOpenAIClass_Run>
TozkHTTP_API_OpenAI::CreateRun(const std::u16string& aThreadId, TozkOpenAIClass_Request_Run& aRun) {
  return Make<TozkOpenAIClass_Run>(TEndpoints::CreateRun(aThreadId, aRun.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_List_Runs>
TozkHTTP_API_OpenAI::ListRuns(const std::u16string& aThreadId, int aLimit,
                              const std::u16string& aOrder, const std::u16string& aAfter,
                              const std::u16string& aBefore) {
  return Make<TozkOpenAIClass_Response_List_Runs>(
      TEndpoints::ListRuns(aThreadId, aLimit, aOrder, aAfter, aBefore));
}
std::unique_ptr<TozkOpenAIClass_Run>
TozkHTTP_API_OpenAI::RetrieveRun(const std::u16string& aThreadId, const std::u16string& aRunId) {
  return Make<TozkOpenAIClass_Run>(TEndpoints::RetrieveRun(aThreadId, aRunId));
}
std::unique_ptr<TozkOpenAIClass_Run> TozkHTTP_API_OpenAI::CancelRun(const std::u16string& aThreadId,
                                                                    const std::u16string& aRunId) {
  return Make<TozkOpenAIClass_Run>(TEndpoints::CancelRun(aThreadId, aRunId));
}
std::unique_ptr<TozkOpenAIClass_Run>
TozkHTTP_API_OpenAI::ModifyRun(const std::u16string& aThreadId, const std::u16string& aRunId,
                               TozkOpenAIClass_Request_Run& aRun) {
  return Make<TozkOpenAIClass_Run>(TEndpoints::ModifyRun(aThreadId, aRunId, aRun.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Run>
TozkHTTP_API_OpenAI::SubmitToolOutputsToRun(const std::u16string& aThreadId,
                                            const std::u16string& aRunId,
                                            TozkOpenAIClass_Request_ToolOutputs& aToolOutputs) {
  return Make<TozkOpenAIClass_Run>(
      TEndpoints::SubmitToolOutputsToRun(aThreadId, aRunId, aToolOutputs.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_List_RunSteps>
TozkHTTP_API_OpenAI::ListRunSteps(const std::u16string& aThreadId, const std::u16string& aRunId,
                                  int aLimit, const std::u16string& aOrder,
                                  const std::u16string& aAfter, const std::u16string& aBefore) {
  return Make<TozkOpenAIClass_Response_List_RunSteps>(
      TEndpoints::ListRunSteps(aThreadId, aRunId, aLimit, aOrder, aAfter, aBefore));
}
std::unique_ptr<TozkOpenAIClass_RunSteps>
TozkHTTP_API_OpenAI::RetrieveRunSteps(const std::u16string& aThreadId, const std::u16string& aRunId,
                                      const std::u16string& aStepId) {
  return Make<TozkOpenAIClass_RunSteps>(TEndpoints::RetrieveRunSteps(aThreadId, aRunId, aStepId));
}

std::unique_ptr<TozkOpenAIClass_VectorStore>
TozkHTTP_API_OpenAI::CreateVectorStore(TozkOpenAIClass_Request_VectorStore& aRequest) {
  return Make<TozkOpenAIClass_VectorStore>(TEndpoints::CreateVectorStore(aRequest.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_List_VectorStores>
TozkHTTP_API_OpenAI::ListVectorStores(int aLimit, const std::u16string& aOrder,
                                      const std::u16string& aAfter, const std::u16string& aBefore) {
  return Make<TozkOpenAIClass_Response_List_VectorStores>(
      TEndpoints::ListVectorStores(aLimit, aOrder, aAfter, aBefore));
}
std::unique_ptr<TozkOpenAIClass_VectorStore>
TozkHTTP_API_OpenAI::RetrieveVectorStore(const std::u16string& aVectorStoreId) {
  return Make<TozkOpenAIClass_VectorStore>(TEndpoints::RetrieveVectorStore(aVectorStoreId));
}
std::unique_ptr<TozkOpenAIClass_VectorStore>
TozkHTTP_API_OpenAI::ModifyVectorStore(const std::u16string& aVectorStoreId,
                                       TozkOpenAIClass_Request_VectorStore& aVectorStore) {
  return Make<TozkOpenAIClass_VectorStore>(
      TEndpoints::ModifyVectorStore(aVectorStoreId, aVectorStore.AsString()));
}
std::unique_ptr<TozkOpenAIClass_Response_Delete_Status>
TozkHTTP_API_OpenAI::DeleteVectorStore(const std::u16string& aVectorStoreId) {
  return Make<TozkOpenAIClass_Response_Delete_Status>(
      TEndpoints::DeleteVectorStore(aVectorStoreId));
}
std::unique_ptr<TozkOpenAIClass_VectorStoreFile>
TozkHTTP_API_OpenAI::CreateVectorStoreFile(const std::u16string& aVectorStoreId,
                                           const std::u16string& aFileId) {
  return Make<TozkOpenAIClass_VectorStoreFile>(
      TEndpoints::CreateVectorStoreFile(aVectorStoreId, aFileId));
}
std::unique_ptr<TozkOpenAIClass_Response_List_VectorStoreFiles>
TozkHTTP_API_OpenAI::ListVectorStoreFiles(const std::u16string& aVectorStoreId, int aLimit,
                                          const std::u16string& aOrder,
                                          const std::u16string& aAfter,
                                          const std::u16string& aBefore,
                                          const std::u16string& aFilter) {
  return Make<TozkOpenAIClass_Response_List_VectorStoreFiles>(
      TEndpoints::ListVectorStoreFiles(aVectorStoreId, aLimit, aOrder, aAfter, aBefore, aFilter));
}
std::unique_ptr<TozkOpenAIClass_VectorStoreFile>
TozkHTTP_API_OpenAI::RetrieveVectorStoreFile(const std::u16string& aVectorStoreId,
                                             const std::u16string& aFileId) {
  return Make<TozkOpenAIClass_VectorStoreFile>(
      TEndpoints::RetrieveVectorStoreFile(aVectorStoreId, aFileId));
}
std::unique_ptr<TozkOpenAIClass_Response_Delete_Status>
TozkHTTP_API_OpenAI::DeleteVectorStoreFile(const std::u16string& aVectorStoreId,
                                           const std::u16string& aFileId) {
  return Make<TozkOpenAIClass_Response_Delete_Status>(
      TEndpoints::DeleteVectorStoreFile(aVectorStoreId, aFileId));
}
std::unique_ptr<TozkOpenAIClass_VectorStoreFileBatch>
TozkHTTP_API_OpenAI::CreateVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                                                const std::u16string& aFileIds) {
  return Make<TozkOpenAIClass_VectorStoreFileBatch>(
      TEndpoints::CreateVectorStoreFileBatch(aVectorStoreId, aFileIds));
}
std::unique_ptr<TozkOpenAIClass_VectorStoreFileBatch>
TozkHTTP_API_OpenAI::RetrieveVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                                                  const std::u16string& aBatchId) {
  return Make<TozkOpenAIClass_VectorStoreFileBatch>(
      TEndpoints::RetrieveVectorStoreFileBatch(aVectorStoreId, aBatchId));
}
std::unique_ptr<TozkOpenAIClass_VectorStoreFileBatch>
TozkHTTP_API_OpenAI::CancelVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                                                const std::u16string& aBatchId) {
  return Make<TozkOpenAIClass_VectorStoreFileBatch>(
      TEndpoints::CancelVectorStoreFileBatch(aVectorStoreId, aBatchId));
}
std::unique_ptr<TozkOpenAIClass_Response_List_VectorStoreFilesBatch>
TozkHTTP_API_OpenAI::ListVectorStoreFilesBatch(const std::u16string& aVectorStoreId,
                                               const std::u16string& aBatchId, int aLimit,
                                               const std::u16string& aOrder,
                                               const std::u16string& aAfter,
                                               const std::u16string& aBefore,
                                               const std::u16string& aFilter) {
  return Make<TozkOpenAIClass_Response_List_VectorStoreFilesBatch>(
      TEndpoints::ListVectorStoreFilesBatch(aVectorStoreId, aBatchId, aLimit, aOrder, aAfter,
                                            aBefore, aFilter));
}
