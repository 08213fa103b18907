// The basic methods of the OpenAI REST client: a few plain text parameters in, a small JSON
// body built here, the raw response text out. Every text value they write is escaped with
// EscapeJSONString and always written as a JSON string, so any text (a quote in an id, a prompt
// that begins with "[") gives a valid body that holds exactly that text; file paths reach the
// file system unchanged.
#pragma once

#include <cstdint>
#include <string>

#include "openai/ozkHTTP_API_OpenAI_Methods.h"

class TozkHTTP_API_OpenAI_Base_Methods_Basic : public TozkHTTP_API_OpenAI_Base_Methods {
 public:
  explicit TozkHTTP_API_OpenAI_Base_Methods_Basic(TComponent* AOwner = nullptr);
  ~TozkHTTP_API_OpenAI_Base_Methods_Basic() override;

  std::u16string _GetModels();
  std::u16string _GetModel(const std::u16string& aModel);
  std::u16string _CreateCompletion(const std::u16string& aModel, const std::u16string& aPrompt);
  std::u16string _CreateChatCompletion(const std::u16string& aModel, const std::u16string& aMessage,
                                       const std::u16string& aRole = u"user");
  virtual std::u16string _CreateEdit(const std::u16string& aModel,
                                     const std::u16string& aInstruction,
                                     const std::u16string& aInput = std::u16string());
  std::u16string _CreateImage(const std::u16string& aPrompt);
  std::u16string _CreateImageEdit(const std::u16string& aImage, const std::u16string& aPrompt);
  std::u16string _CreateImageVariations(const std::u16string& aImage);
  std::u16string _CreateEmbeddings(const std::u16string& aModel, const std::u16string& aInput);
  std::u16string _CreateTranscriptionFromFile(const std::u16string& aModel,
                                              const std::u16string& aFilename);
  // Records aTime milliseconds into the temporary folder's "ozkTranscription.wav", then
  // uploads it; "The audio file has not been created." when no recording appeared.
  std::u16string _CreateTranscription(const std::u16string& aModel, uint32_t aTime);
  std::u16string _CreateTranslationFromFile(const std::u16string& aModel,
                                            const std::u16string& aFilename);
  // As _CreateTranscription, into "ozkTranslation.wav".
  std::u16string _CreateTranslation(const std::u16string& aModel, uint32_t aTime);
  std::u16string _ListFiles();
  std::u16string _UploadFile(const std::u16string& aFilename, const std::u16string& aPurpose);
  std::u16string _DeleteFile(const std::u16string& aFileId);
  std::u16string _RetrieveFile(const std::u16string& aFileId);
  std::u16string _RetrieveFileContent(const std::u16string& aFileId);
  std::u16string _CreateFineTune(const std::u16string& aTrainingFile);
  std::u16string _ListFineTunes();
  std::u16string _RetrieveFineTune(const std::u16string& aFineTuneId);
  std::u16string _CancelFineTune(const std::u16string& aFineTuneId);
  std::u16string _ListFineTuneEvents(const std::u16string& aFineTuneId);
  std::u16string _DeleteFineTuneModel(const std::u16string& aModel);
  std::u16string _CreateModeration(const std::u16string& aInput);
  std::u16string _CreateAssistant(const std::u16string& aModel);
  std::u16string _ListAssistants(int aLimit = 20, const std::u16string& aOrder = u"desc",
                                 const std::u16string& aAfter = std::u16string(),
                                 const std::u16string& aBefore = std::u16string());
  std::u16string _RetrieveAssistant(const std::u16string& aAssistantId);
  std::u16string _DeleteAssistant(const std::u16string& aAssistantId);
  std::u16string _CreateThread();
  std::u16string _RetrieveThread(const std::u16string& aThreadId);
  std::u16string _DeleteThread(const std::u16string& aThreadId);
  std::u16string _CreateMessage(const std::u16string& aThreadId, const std::u16string& aRole,
                                const std::u16string& aContent);
  std::u16string _ListMessages(const std::u16string& aThreadId, int aLimit = 20,
                               const std::u16string& aOrder = u"desc",
                               const std::u16string& aAfter = std::u16string(),
                               const std::u16string& aBefore = std::u16string(),
                               const std::u16string& aRunId = std::u16string());
  std::u16string _RetrieveMessage(const std::u16string& aThreadId,
                                  const std::u16string& aMessageId);
  std::u16string _DeleteMessage(const std::u16string& aThreadId, const std::u16string& aMessageId);
  std::u16string _CreateRun(const std::u16string& aThreadId, const std::u16string& aAssistantId);
  std::u16string _ListRuns(const std::u16string& aThreadId, int aLimit = 20,
                           const std::u16string& aOrder = u"desc",
                           const std::u16string& aAfter = std::u16string(),
                           const std::u16string& aBefore = std::u16string());
  std::u16string _RetrieveRun(const std::u16string& aThreadId, const std::u16string& aRunId);
  std::u16string _CancelRun(const std::u16string& aThreadId, const std::u16string& aRunId);
  std::u16string _ListRunSteps(const std::u16string& aThreadId, const std::u16string& aRunId,
                               int aLimit = 20, const std::u16string& aOrder = u"desc",
                               const std::u16string& aAfter = std::u16string(),
                               const std::u16string& aBefore = std::u16string());
  std::u16string _RetrieveRunStep(const std::u16string& aThreadId, const std::u16string& aRunId,
                                  const std::u16string& aStepId);
  std::u16string _CreateVectorStore(const std::u16string& aName);
  std::u16string _ListVectorStores(int aLimit = 20, const std::u16string& aOrder = u"desc",
                                   const std::u16string& aAfter = std::u16string(),
                                   const std::u16string& aBefore = std::u16string());
  std::u16string _RetrieveVectorStore(const std::u16string& aVectorStoreId);
  std::u16string _DeleteVectorStore(const std::u16string& aVectorStoreId);
  std::u16string _CreateVectorStoreFile(const std::u16string& aVectorStoreId,
                                        const std::u16string& aFileId);
  std::u16string _RetrieveVectorStoreFile(const std::u16string& aVectorStoreId,
                                          const std::u16string& aFileId);
  std::u16string _DeleteVectorStoreFile(const std::u16string& aVectorStoreId,
                                        const std::u16string& aFileId);
  std::u16string _ListVectorStoreFiles(const std::u16string& aVectorStoreId, int aLimit = 20,
                                       const std::u16string& aOrder = u"desc",
                                       const std::u16string& aAfter = std::u16string(),
                                       const std::u16string& aBefore = std::u16string(),
                                       const std::u16string& aFilter = std::u16string());
  std::u16string _CreateVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                                             const std::u16string& aFileIds);
  std::u16string _ListVectorStoreFilesBatch(const std::u16string& aVectorStoreId,
                                            const std::u16string& aBatchId, int aLimit = 20,
                                            const std::u16string& aOrder = u"desc",
                                            const std::u16string& aAfter = std::u16string(),
                                            const std::u16string& aBefore = std::u16string(),
                                            const std::u16string& aFilter = std::u16string());
  std::u16string _RetrieveVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                                               const std::u16string& aBatchId);
  std::u16string _CancelVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                                             const std::u16string& aBatchId);
};
