// The endpoint catalogue of the OpenAI REST client: one protected operation per endpoint that
// fills the path (ids verbatim), appends the listing query and calls the matching dispatch
// operation with the finished JSON body (or the JSON object of a multipart form). Also the
// audio recording the two recording methods use (ALSA capture into a WAVE file).
//
// The endpoint operations are plain (not virtual) members: the typed methods of
// TozkHTTP_API_OpenAI share their names with other return types and hide them there.
#pragma once

#include <cstdint>
#include <string>

#include "openai/ozkHTTP_API_OpenAI_Base.h"

class TozkJSON;

class TozkHTTP_API_OpenAI_Base_Methods : public TozkHTTP_API_OpenAI_Base {
 public:
  explicit TozkHTTP_API_OpenAI_Base_Methods(TComponent* AOwner = nullptr);
  ~TozkHTTP_API_OpenAI_Base_Methods() override;

  // The ALSA capture device the recording methods read ("default" unless set).
  const std::u16string& CaptureDevice() const { return FCaptureDevice; }
  void SetCaptureDevice(const std::u16string& aValue) { FCaptureDevice = aValue; }

  // The query of a listing: "limit" unless 20, "order" unless "desc", then the cursors and
  // run_id or filter when not empty, each value PercentEncoded, joined by "&" after "?";
  // empty when nothing was collected. aExtraName is "run_id", "filter" or empty.
  static std::u16string ListingQuery(int aLimit, const std::u16string& aOrder,
                                     const std::u16string& aAfter, const std::u16string& aBefore,
                                     std::u16string_view aExtraName = std::u16string_view(),
                                     const std::u16string& aExtraValue = std::u16string());

  // Adds aValue as a JSON string member: escaped with EscapeJSONString and quoted even when
  // it begins with "{" or "[".
  static void AddTextMember(TozkJSON& aDoc, std::u16string_view aName, std::u16string_view aValue);

 protected:
  // The inherited URL, followed by "/v1" for the OpenAI provider.
  std::u16string GetBaseURL() override;

  // Records aTime milliseconds from CaptureDevice as a PCM WAVE file (16-bit mono, 16000 Hz)
  // at aFileName. Raises "MCI error" when the device cannot be opened or the file cannot be
  // saved, "MCI error. No microphone connected to the computer?" when the recording fails.
  // Nothing is left at aFileName when it raises.
  virtual void DoRecordAudio(const std::u16string& aFileName, uint32_t aTime);

  // The file the recording methods record into when none is given: $TEMP (else $TMPDIR, else
  // "/tmp") with a trailing separator, then aName.
  static std::u16string TempRecordingFile(const std::u16string& aName);
  // The recording steps of both recording pairs: DoRecordAudio into aFile (into
  // TempRecordingFile(aDefaultName) when aFile is empty), then "The audio file has not been
  // created." when no file is there. Gives the path recorded into.
  std::u16string RecordAudioFile(const std::u16string& aFile, const std::u16string& aDefaultName,
                                 uint32_t aTime);

  std::u16string GetModels();
  std::u16string GetModel(const std::u16string& aModel);
  std::u16string CreateCompletion(const std::u16string& aBody);
  std::u16string CreateEdit(const std::u16string& aBody);
  std::u16string CreateImage(const std::u16string& aBody);
  std::u16string CreateImageEdit(const std::u16string& aFields);
  std::u16string CreateImageVariation(const std::u16string& aFields);
  std::u16string CreateEmbeddings(const std::u16string& aBody);
  std::u16string CreateTranscriptionFromFile(const std::u16string& aFields);
  std::u16string CreateTranslationFromFile(const std::u16string& aFields);
  std::u16string ListFiles();
  std::u16string UploadFile(const std::u16string& aFields);
  std::u16string DeleteFile(const std::u16string& aFileId);
  std::u16string RetrieveFile(const std::u16string& aFileId);
  std::u16string RetrieveFileContent(const std::u16string& aFileId);
  std::u16string CreateFineTune(const std::u16string& aBody);
  std::u16string ListFineTunes();
  std::u16string RetrieveFineTune(const std::u16string& aFineTuneId);
  std::u16string CancelFineTune(const std::u16string& aFineTuneId);
  std::u16string ListFineTuneEvents(const std::u16string& aFineTuneId);
  std::u16string DeleteFineTuneModel(const std::u16string& aModel);
  std::u16string CreateModeration(const std::u16string& aBody);
  std::u16string CreateAssistant(const std::u16string& aBody);
  std::u16string ListAssistants(int aLimit, const std::u16string& aOrder,
                                const std::u16string& aAfter, const std::u16string& aBefore);
  std::u16string RetrieveAssistant(const std::u16string& aAssistantId);
  std::u16string ModifyAssistant(const std::u16string& aAssistantId, const std::u16string& aBody);
  std::u16string DeleteAssistant(const std::u16string& aAssistantId);
  std::u16string CreateThread(const std::u16string& aBody);
  std::u16string RetrieveThread(const std::u16string& aThreadId);
  std::u16string ModifyThread(const std::u16string& aThreadId, const std::u16string& aBody);
  std::u16string DeleteThread(const std::u16string& aThreadId);
  std::u16string CreateMessage(const std::u16string& aThreadId, const std::u16string& aBody);
  std::u16string ListMessages(const std::u16string& aThreadId, int aLimit,
                              const std::u16string& aOrder, const std::u16string& aAfter,
                              const std::u16string& aBefore, const std::u16string& aRunId);
  std::u16string RetrieveMessage(const std::u16string& aThreadId, const std::u16string& aMessageId);
  std::u16string DeleteMessage(const std::u16string& aThreadId, const std::u16string& aMessageId);
  std::u16string CreateRun(const std::u16string& aThreadId, const std::u16string& aBody);
  std::u16string ListRuns(const std::u16string& aThreadId, int aLimit, const std::u16string& aOrder,
                          const std::u16string& aAfter, const std::u16string& aBefore);
  std::u16string RetrieveRun(const std::u16string& aThreadId, const std::u16string& aRunId);
  std::u16string ModifyRun(const std::u16string& aThreadId, const std::u16string& aRunId,
                           const std::u16string& aBody);
  std::u16string SubmitToolOutputsToRun(const std::u16string& aThreadId,
                                        const std::u16string& aRunId, const std::u16string& aBody);
  std::u16string CancelRun(const std::u16string& aThreadId, const std::u16string& aRunId);
  std::u16string ListRunSteps(const std::u16string& aThreadId, const std::u16string& aRunId,
                              int aLimit, const std::u16string& aOrder,
                              const std::u16string& aAfter, const std::u16string& aBefore);
  std::u16string RetrieveRunSteps(const std::u16string& aThreadId, const std::u16string& aRunId,
                                  const std::u16string& aStepId);
  std::u16string CreateVectorStore(const std::u16string& aBody);
  std::u16string ListVectorStores(int aLimit, const std::u16string& aOrder,
                                  const std::u16string& aAfter, const std::u16string& aBefore);
  std::u16string RetrieveVectorStore(const std::u16string& aVectorStoreId);
  std::u16string ModifyVectorStore(const std::u16string& aVectorStoreId,
                                   const std::u16string& aBody);
  std::u16string DeleteVectorStore(const std::u16string& aVectorStoreId);
  // Body {"file_id":"<aFileId>"}, the id escaped.
  std::u16string CreateVectorStoreFile(const std::u16string& aVectorStoreId,
                                       const std::u16string& aFileId);
  std::u16string ListVectorStoreFiles(const std::u16string& aVectorStoreId, int aLimit,
                                      const std::u16string& aOrder, const std::u16string& aAfter,
                                      const std::u16string& aBefore, const std::u16string& aFilter);
  std::u16string RetrieveVectorStoreFile(const std::u16string& aVectorStoreId,
                                         const std::u16string& aFileId);
  std::u16string DeleteVectorStoreFile(const std::u16string& aVectorStoreId,
                                       const std::u16string& aFileId);
  // Body {"file_ids":<aFileIds>}: aFileIds is the JSON text of an array of ids.
  std::u16string CreateVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                                            const std::u16string& aFileIds);
  std::u16string
  ListVectorStoreFilesBatch(const std::u16string& aVectorStoreId, const std::u16string& aBatchId,
                            int aLimit, const std::u16string& aOrder, const std::u16string& aAfter,
                            const std::u16string& aBefore, const std::u16string& aFilter);
  std::u16string RetrieveVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                                              const std::u16string& aBatchId);
  std::u16string CancelVectorStoreFileBatch(const std::u16string& aVectorStoreId,
                                            const std::u16string& aBatchId);
  std::u16string CreateChatCompletion(const std::u16string& aBody);
  std::u16string ModifyMessage(const std::u16string& aThreadId, const std::u16string& aMessageId,
                               const std::u16string& aBody);

 private:
  std::u16string FCaptureDevice = u"default";
};
