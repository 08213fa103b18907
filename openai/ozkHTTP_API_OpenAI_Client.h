// TozkHTTP_API_OpenAI: the typed OpenAI REST client. One public method per endpoint: request
// objects and ids in, a new response object out.
//
// Ownership: every typed method returns a new object that the caller owns; a method that
// raises returns nothing. The request object stays the caller's and is only read, except by
// the recording pair, which puts the path of the recording into its File. An answer with a
// success status always gives an object, whatever it holds: empty or unparsable text gives an
// object whose members keep their initial values (this is also what comes back when the
// executor's OnHTTPAPIException swallowed a failure).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "openai/ozkHTTP_API_OpenAI_Basic.h"
#include "openai/ozkHTTP_API_OpenAI_Model.h"
#include "openai/ozkHTTP_API_OpenAI_ResponsesClient.h"

class TozkHTTP_API_OpenAI : public TozkHTTP_API_OpenAI_Base_Methods_Basic {
 public:
  explicit TozkHTTP_API_OpenAI(TComponent* AOwner = nullptr);
  ~TozkHTTP_API_OpenAI() override;

  std::unique_ptr<TozkOpenAIClass_Response_Models> GetModels();
  std::unique_ptr<TozkOpenAI_Response_Model_Class> GetModel(const std::u16string& aModel);
  std::unique_ptr<TozkOpenAIClass_Response_Completion>
  CreateCompletion(TozkOpenAIClass_Request_Completion& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_ChatCompletion>
  CreateChatCompletion(TozkOpenAIClass_Request_ChatCompletion& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_Edit> CreateEdit(TozkOpenAIClass_Request_Edit& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_Image>
  CreateImage(TozkOpenAIClass_Request_Image& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_Image_Edit>
  CreateImageEdit(TozkOpenAIClass_Request_Image_Edit& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_Image_Variation>
  CreateImageVariation(TozkOpenAIClass_Request_Image_Variation& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_Embeddings>
  CreateEmbeddings(TozkOpenAIClass_Request_Embeddings& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_Transcription>
  CreateTranscriptionFromFile(TozkOpenAIClass_Request_Transcription& aRequest);
  // Records aTime milliseconds into aRequest.File (the temporary folder's
  // "ozkTranscription.wav" when empty), leaves that path in aRequest.File and uploads it.
  std::unique_ptr<TozkOpenAIClass_Response_Transcription>
  CreateTranscription(TozkOpenAIClass_Request_Transcription& aRequest, uint32_t aTime);
  std::unique_ptr<TozkOpenAIClass_Response_Translation>
  CreateTranslationFromFile(TozkOpenAIClass_Request_Translation& aRequest);
  // As CreateTranscription, with "ozkTranslation.wav".
  std::unique_ptr<TozkOpenAIClass_Response_Translation>
  CreateTranslation(TozkOpenAIClass_Request_Translation& aRequest, uint32_t aTime);
  std::unique_ptr<TozkOpenAIClass_Response_Files> ListFiles();
  std::unique_ptr<TozkOpenAIClass_Response_File>
  UploadFile(TozkOpenAIClass_Request_UploadFile& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_Delete> DeleteFile(const std::u16string& aFileId);
  std::unique_ptr<TozkOpenAIClass_Response_File> RetrieveFile(const std::u16string& aFileId);
  // The raw response body.
  std::u16string RetrieveFileContent(const std::u16string& aFileId);
  std::unique_ptr<TozkOpenAIClass_Response_FineTune>
  CreateFineTune(TozkOpenAIClass_Request_FineTune& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_FineTunes> ListFineTunes();
  std::unique_ptr<TozkOpenAIClass_Response_FineTune>
  RetrieveFineTune(const std::u16string& aFineTuneId);
  std::unique_ptr<TozkOpenAIClass_Response_FineTune>
  CancelFineTune(const std::u16string& aFineTuneId);
  std::unique_ptr<TozkOpenAIClass_Response_FineTune_Events>
  ListFineTuneEvents(const std::u16string& aFineTuneId);
  std::unique_ptr<TozkOpenAIClass_Response_Delete>
  DeleteFineTuneModel(const std::u16string& aModel);
  std::unique_ptr<TozkOpenAIClass_Response_Moderation>
  CreateModeration(TozkOpenAIClass_Request_Moderation& aRequest);

  std::unique_ptr<TozkOpenAIClass_Assistant>
  CreateAssistant(TozkOpenAIClass_Request_Assistant& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_List_Assistants>
  ListAssistants(int aLimit = 20, const std::u16string& aOrder = u"desc",
                 const std::u16string& aAfter = std::u16string(),
                 const std::u16string& aBefore = std::u16string());
  std::unique_ptr<TozkOpenAIClass_Assistant> RetrieveAssistant(const std::u16string& aAssistantId);
  std::unique_ptr<TozkOpenAIClass_Assistant>
  ModifyAssistant(const std::u16string& aAssistantId, TozkOpenAIClass_Request_Assistant& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_Delete_Status>
  DeleteAssistant(const std::u16string& aAssistantId);

  std::unique_ptr<TozkOpenAIClass_Thread> CreateThread(TozkOpenAIClass_Request_Thread& aRequest);
  std::unique_ptr<TozkOpenAIClass_Thread> RetrieveThread(const std::u16string& aThreadId);
  std::unique_ptr<TozkOpenAIClass_Thread> ModifyThread(const std::u16string& aThreadId,
                                                       TozkOpenAIClass_Request_Thread& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_Delete_Status>
  DeleteThread(const std::u16string& aThreadId);

  std::unique_ptr<TozkOpenAIClass_Message> CreateMessage(const std::u16string& aThreadId,
                                                         TozkOpenAIClass_Request_Message& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_List_Messages>
  ListMessages(const std::u16string& aThreadId, int aLimit = 20,
               const std::u16string& aOrder = u"desc",
               const std::u16string& aAfter = std::u16string(),
               const std::u16string& aBefore = std::u16string(),
               const std::u16string& aRunId = std::u16string());
  std::unique_ptr<TozkOpenAIClass_Message> RetrieveMessage(const std::u16string& aThreadId,
                                                           const std::u16string& aMessageId);
  std::unique_ptr<TozkOpenAIClass_Message> ModifyMessage(const std::u16string& aThreadId,
                                                         const std::u16string& aMessageId,
                                                         TozkOpenAIClass_Request_Message& aMessage);
  std::unique_ptr<TozkOpenAIClass_Response_Delete_Status>
  DeleteMessage(const std::u16string& aThreadId, const std::u16string& aMessageId);

  std::unique_ptr<TozkOpenAIClass_Run> CreateRun(const std::u16string& aThreadId,
                                                 TozkOpenAIClass_Request_Run& aRun);
  std::unique_ptr<TozkOpenAIClass_Response_List_Runs>
  ListRuns(const std::u16string& aThreadId, int aLimit = 20, const std::u16string& aOrder = u"desc",
           const std::u16string& aAfter = std::u16string(),
           const std::u16string& aBefore = std::u16string());
  std::unique_ptr<TozkOpenAIClass_Run> RetrieveRun(const std::u16string& aThreadId,
                                                   const std::u16string& aRunId);
  std::unique_ptr<TozkOpenAIClass_Run> CancelRun(const std::u16string& aThreadId,
                                                 const std::u16string& aRunId);
  std::unique_ptr<TozkOpenAIClass_Run> ModifyRun(const std::u16string& aThreadId,
                                                 const std::u16string& aRunId,
                                                 TozkOpenAIClass_Request_Run& aRun);
  std::unique_ptr<TozkOpenAIClass_Run>
  SubmitToolOutputsToRun(const std::u16string& aThreadId, const std::u16string& aRunId,
                         TozkOpenAIClass_Request_ToolOutputs& aToolOutputs);
  std::unique_ptr<TozkOpenAIClass_Response_List_RunSteps>
  ListRunSteps(const std::u16string& aThreadId, const std::u16string& aRunId, int aLimit = 20,
               const std::u16string& aOrder = u"desc",
               const std::u16string& aAfter = std::u16string(),
               const std::u16string& aBefore = std::u16string());
  std::unique_ptr<TozkOpenAIClass_RunSteps> RetrieveRunSteps(const std::u16string& aThreadId,
                                                             const std::u16string& aRunId,
                                                             const std::u16string& aStepId);

  std::unique_ptr<TozkOpenAIClass_VectorStore>
  CreateVectorStore(TozkOpenAIClass_Request_VectorStore& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_List_VectorStores>
  ListVectorStores(int aLimit = 20, const std::u16string& aOrder = u"desc",
                   const std::u16string& aAfter = std::u16string(),
                   const std::u16string& aBefore = std::u16string());
  std::unique_ptr<TozkOpenAIClass_VectorStore>
  RetrieveVectorStore(const std::u16string& aVectorStoreId);
  std::unique_ptr<TozkOpenAIClass_VectorStore>
  ModifyVectorStore(const std::u16string& aVectorStoreId,
                    TozkOpenAIClass_Request_VectorStore& aVectorStore);
  std::unique_ptr<TozkOpenAIClass_Response_Delete_Status>
  DeleteVectorStore(const std::u16string& aVectorStoreId);
  std::unique_ptr<TozkOpenAIClass_VectorStoreFile>
  CreateVectorStoreFile(const std::u16string& aVectorStoreId, const std::u16string& aFileId);
  std::unique_ptr<TozkOpenAIClass_Response_List_VectorStoreFiles>
  ListVectorStoreFiles(const std::u16string& aVectorStoreId, int aLimit = 20,
                       const std::u16string& aOrder = u"desc",
                       const std::u16string& aAfter = std::u16string(),
                       const std::u16string& aBefore = std::u16string(),
                       const std::u16string& aFilter = std::u16string());
  std::unique_ptr<TozkOpenAIClass_VectorStoreFile>
  RetrieveVectorStoreFile(const std::u16string& aVectorStoreId, const std::u16string& aFileId);
  std::unique_ptr<TozkOpenAIClass_Response_Delete_Status>
  DeleteVectorStoreFile(const std::u16string& aVectorStoreId, const std::u16string& aFileId);
  // aFileIds is the JSON text of an array of file ids ("[\"file-1\",\"file-2\"]").
  std::unique_ptr<TozkOpenAIClass_VectorStoreFileBatch>
  CreateVectorStoreFileBatch(const std::u16string& aVectorStoreId, const std::u16string& aFileIds);
  std::unique_ptr<TozkOpenAIClass_VectorStoreFileBatch>
  RetrieveVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                               const std::u16string& aBatchId);
  std::unique_ptr<TozkOpenAIClass_VectorStoreFileBatch>
  CancelVectorStoreFileBatch(const std::u16string& aVectorStoreId, const std::u16string& aBatchId);
  std::unique_ptr<TozkOpenAIClass_Response_List_VectorStoreFilesBatch>
  ListVectorStoreFilesBatch(const std::u16string& aVectorStoreId, const std::u16string& aBatchId,
                            int aLimit = 20, const std::u16string& aOrder = u"desc",
                            const std::u16string& aAfter = std::u16string(),
                            const std::u16string& aBefore = std::u16string(),
                            const std::u16string& aFilter = std::u16string());

  // Responses and conversations (implemented in ozkHTTP_API_OpenAI_ResponsesClient.cpp): the
  // v1 paths of both providers ("/v1/..." for OpenAI, "/openai/v1/..." on the Azure resource,
  // without "api-version"), without the assistants beta marker; ids are percent-encoded.
  // With aRequest.Stream() the answer is read as server-sent events: each text delta goes to
  // aOnDelta as it arrives, and the object returned is the one of "response.completed" (or of
  // "response.incomplete"); "response.failed" or an "error" event raises
  // EozkOpenAIResponseError, a stream without its final event EIdSSEError.
  std::unique_ptr<TozkOpenAIClass_Response>
  CreateResponse(TozkOpenAIClass_Request_Response& aRequest,
                 const TozkOpenAITextDeltaEvent& aOnDelta = nullptr);
  std::unique_ptr<TozkOpenAIClass_Response> RetrieveResponse(const std::u16string& aResponseId);
  std::unique_ptr<TozkOpenAIClass_Response_Delete>
  DeleteResponse(const std::u16string& aResponseId);
  std::unique_ptr<TozkOpenAIClass_Response> CancelResponse(const std::u16string& aResponseId);
  std::unique_ptr<TozkOpenAIClass_Response_List_Items>
  ListResponseInputItems(const std::u16string& aResponseId, int aLimit = 20,
                         const std::u16string& aOrder = u"desc",
                         const std::u16string& aAfter = std::u16string());
  std::unique_ptr<TozkOpenAIClass_Conversation>
  CreateConversation(TozkOpenAIClass_Request_Conversation& aRequest);
  std::unique_ptr<TozkOpenAIClass_Conversation>
  RetrieveConversation(const std::u16string& aConversationId);
  std::unique_ptr<TozkOpenAIClass_Conversation>
  UpdateConversation(const std::u16string& aConversationId,
                     TozkOpenAIClass_Request_ConversationUpdate& aRequest);
  std::unique_ptr<TozkOpenAIClass_Response_Delete>
  DeleteConversation(const std::u16string& aConversationId);
  std::unique_ptr<TozkOpenAIClass_Response_List_Items>
  ListConversationItems(const std::u16string& aConversationId, int aLimit = 20,
                        const std::u16string& aOrder = u"desc",
                        const std::u16string& aAfter = std::u16string());
  std::unique_ptr<TozkOpenAIClass_Response_List_Items>
  CreateConversationItems(const std::u16string& aConversationId,
                          TozkOpenAIClass_Request_ConversationItems& aRequest);
  // An item of a type the model does not know comes as a TozkOpenAIClass_ResponseItem.
  std::unique_ptr<TozkOpenAIClass_ResponseItem>
  RetrieveConversationItem(const std::u16string& aConversationId, const std::u16string& aItemId);
  std::unique_ptr<TozkOpenAIClass_Conversation>
  DeleteConversationItem(const std::u16string& aConversationId, const std::u16string& aItemId);

 protected:
  // The URL of aPath below the v1 root of the configured provider.
  std::u16string ResponsesURL(const std::u16string& aPath);
  // One request of these endpoints, with the dispatch's headers and retry rules.
  std::u16string DoResponsesRequest(const std::u16string& aMethod, const std::u16string& aPath,
                                    const std::u16string& aBody = std::u16string());
  // The streamed form of CreateResponse.
  std::unique_ptr<TozkOpenAIClass_Response>
  DoCreateResponseStream(TozkOpenAIClass_Request_Response& aRequest,
                         const TozkOpenAITextDeltaEvent& aOnDelta);
};
