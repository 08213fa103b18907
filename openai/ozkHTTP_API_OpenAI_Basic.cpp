#include "openai/ozkHTTP_API_OpenAI_Basic.h"

#include <initializer_list>
#include <utility>

#include "json/ozkJSON.h"

namespace {

using TTextMembers = std::initializer_list<std::pair<std::u16string_view, std::u16string_view>>;

// A JSON object of string members in the given order, each escaped and quoted.
std::u16string TextObject(TTextMembers aMembers) {
  TozkJSON lDoc;
  for (const auto& [lName, lValue] : aMembers)
    TozkHTTP_API_OpenAI_Base_Methods_Basic::AddTextMember(lDoc, lName, lValue);
  return lDoc.Text();
}

} // namespace

TozkHTTP_API_OpenAI_Base_Methods_Basic::TozkHTTP_API_OpenAI_Base_Methods_Basic(TComponent* AOwner)
    : TozkHTTP_API_OpenAI_Base_Methods(AOwner) {}

TozkHTTP_API_OpenAI_Base_Methods_Basic::~TozkHTTP_API_OpenAI_Base_Methods_Basic() = default;

std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_GetModels() {
  return GetModels();
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_GetModel(const std::u16string& aModel) {
  return GetModel(aModel);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateCompletion(const std::u16string& aModel,
                                                          const std::u16string& aPrompt) {
  return CreateCompletion(TextObject({{u"model", aModel}, {u"prompt", aPrompt}}));
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateChatCompletion(
    const std::u16string& aModel, const std::u16string& aMessage, const std::u16string& aRole) {
  TozkJSON lDoc;
  AddTextMember(lDoc, u"model", aModel);
  lDoc.AddArray(u"messages", u"")
      ->JSONObject()
      ->AddObject(u"0", TextObject({{u"role", aRole}, {u"content", aMessage}}));
  return CreateChatCompletion(lDoc.Text());
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateEdit(const std::u16string& aModel,
                                                    const std::u16string& aInstruction,
                                                    const std::u16string& aInput) {
  TozkJSON lDoc;
  AddTextMember(lDoc, u"model", aModel);
  AddTextMember(lDoc, u"instruction", aInstruction);
  if (!aInput.empty()) AddTextMember(lDoc, u"input", aInput);
  return CreateEdit(lDoc.Text());
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateImage(const std::u16string& aPrompt) {
  return CreateImage(TextObject({{u"prompt", aPrompt}}));
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateImageEdit(const std::u16string& aImage,
                                                         const std::u16string& aPrompt) {
  return CreateImageEdit(TextObject({{u"image", aImage}, {u"prompt", aPrompt}}));
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateImageVariations(const std::u16string& aImage) {
  return CreateImageVariation(TextObject({{u"image", aImage}}));
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateEmbeddings(const std::u16string& aModel,
                                                          const std::u16string& aInput) {
  return CreateEmbeddings(TextObject({{u"model", aModel}, {u"input", aInput}}));
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateTranscriptionFromFile(
    const std::u16string& aModel, const std::u16string& aFilename) {
  return CreateTranscriptionFromFile(TextObject({{u"file", aFilename}, {u"model", aModel}}));
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateTranscription(const std::u16string& aModel,
                                                             uint32_t aTime) {
  return _CreateTranscriptionFromFile(
      aModel, RecordAudioFile(std::u16string(), u"ozkTranscription.wav", aTime));
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateTranslationFromFile(
    const std::u16string& aModel, const std::u16string& aFilename) {
  return CreateTranslationFromFile(TextObject({{u"file", aFilename}, {u"model", aModel}}));
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateTranslation(const std::u16string& aModel,
                                                           uint32_t aTime) {
  return _CreateTranslationFromFile(
      aModel, RecordAudioFile(std::u16string(), u"ozkTranslation.wav", aTime));
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_ListFiles() {
  return ListFiles();
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_UploadFile(const std::u16string& aFilename,
                                                                   const std::u16string& aPurpose) {
  return UploadFile(TextObject({{u"file", aFilename}, {u"purpose", aPurpose}}));
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_DeleteFile(const std::u16string& aFileId) {
  return DeleteFile(aFileId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_RetrieveFile(const std::u16string& aFileId) {
  return RetrieveFile(aFileId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_RetrieveFileContent(const std::u16string& aFileId) {
  return RetrieveFileContent(aFileId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateFineTune(const std::u16string& aTrainingFile) {
  return CreateFineTune(TextObject({{u"training_file", aTrainingFile}}));
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_ListFineTunes() {
  return ListFineTunes();
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_RetrieveFineTune(const std::u16string& aFineTuneId) {
  return RetrieveFineTune(aFineTuneId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CancelFineTune(const std::u16string& aFineTuneId) {
  return CancelFineTune(aFineTuneId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_ListFineTuneEvents(const std::u16string& aFineTuneId) {
  return ListFineTuneEvents(aFineTuneId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_DeleteFineTuneModel(const std::u16string& aModel) {
  return DeleteFineTuneModel(aModel);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateModeration(const std::u16string& aInput) {
  return CreateModeration(TextObject({{u"input", aInput}}));
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateAssistant(const std::u16string& aModel) {
  return CreateAssistant(TextObject({{u"model", aModel}}));
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_ListAssistants(int aLimit, const std::u16string& aOrder,
                                                        const std::u16string& aAfter,
                                                        const std::u16string& aBefore) {
  return ListAssistants(aLimit, aOrder, aAfter, aBefore);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_RetrieveAssistant(const std::u16string& aAssistantId) {
  return RetrieveAssistant(aAssistantId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_DeleteAssistant(const std::u16string& aAssistantId) {
  return DeleteAssistant(aAssistantId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateThread() {
  return CreateThread(std::u16string());
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_RetrieveThread(const std::u16string& aThreadId) {
  return RetrieveThread(aThreadId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_DeleteThread(const std::u16string& aThreadId) {
  return DeleteThread(aThreadId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateMessage(
    const std::u16string& aThreadId, const std::u16string& aRole, const std::u16string& aContent) {
  return CreateMessage(aThreadId, TextObject({{u"role", aRole}, {u"content", aContent}}));
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_ListMessages(
    const std::u16string& aThreadId, int aLimit, const std::u16string& aOrder,
    const std::u16string& aAfter, const std::u16string& aBefore, const std::u16string& aRunId) {
  return ListMessages(aThreadId, aLimit, aOrder, aAfter, aBefore, aRunId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_RetrieveMessage(const std::u16string& aThreadId,
                                                         const std::u16string& aMessageId) {
  return RetrieveMessage(aThreadId, aMessageId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_DeleteMessage(const std::u16string& aThreadId,
                                                       const std::u16string& aMessageId) {
  return DeleteMessage(aThreadId, aMessageId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateRun(const std::u16string& aThreadId,
                                                   const std::u16string& aAssistantId) {
  return CreateRun(aThreadId, TextObject({{u"assistant_id", aAssistantId}}));
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_ListRuns(const std::u16string& aThreadId,
                                                                 int aLimit,
                                                                 const std::u16string& aOrder,
                                                                 const std::u16string& aAfter,
                                                                 const std::u16string& aBefore) {
  return ListRuns(aThreadId, aLimit, aOrder, aAfter, aBefore);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_RetrieveRun(const std::u16string& aThreadId,
                                                                    const std::u16string& aRunId) {
  return RetrieveRun(aThreadId, aRunId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_CancelRun(const std::u16string& aThreadId,
                                                                  const std::u16string& aRunId) {
  return CancelRun(aThreadId, aRunId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_ListRunSteps(
    const std::u16string& aThreadId, const std::u16string& aRunId, int aLimit,
    const std::u16string& aOrder, const std::u16string& aAfter, const std::u16string& aBefore) {
  return ListRunSteps(aThreadId, aRunId, aLimit, aOrder, aAfter, aBefore);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_RetrieveRunStep(
    const std::u16string& aThreadId, const std::u16string& aRunId, const std::u16string& aStepId) {
  return RetrieveRunSteps(aThreadId, aRunId, aStepId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateVectorStore(const std::u16string& aName) {
  return CreateVectorStore(TextObject({{u"name", aName}}));
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_ListVectorStores(int aLimit, const std::u16string& aOrder,
                                                          const std::u16string& aAfter,
                                                          const std::u16string& aBefore) {
  return ListVectorStores(aLimit, aOrder, aAfter, aBefore);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_RetrieveVectorStore(const std::u16string& aVectorStoreId) {
  return RetrieveVectorStore(aVectorStoreId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_DeleteVectorStore(const std::u16string& aVectorStoreId) {
  return DeleteVectorStore(aVectorStoreId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateVectorStoreFile(const std::u16string& aVectorStoreId,
                                                               const std::u16string& aFileId) {
  return CreateVectorStoreFile(aVectorStoreId, aFileId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_RetrieveVectorStoreFile(
    const std::u16string& aVectorStoreId, const std::u16string& aFileId) {
  return RetrieveVectorStoreFile(aVectorStoreId, aFileId);
}
std::u16string
TozkHTTP_API_OpenAI_Base_Methods_Basic::_DeleteVectorStoreFile(const std::u16string& aVectorStoreId,
                                                               const std::u16string& aFileId) {
  return DeleteVectorStoreFile(aVectorStoreId, aFileId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_ListVectorStoreFiles(
    const std::u16string& aVectorStoreId, int aLimit, const std::u16string& aOrder,
    const std::u16string& aAfter, const std::u16string& aBefore, const std::u16string& aFilter) {
  return ListVectorStoreFiles(aVectorStoreId, aLimit, aOrder, aAfter, aBefore, aFilter);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_CreateVectorStoreFileBatch(
    const std::u16string& aVectorStoreId, const std::u16string& aFileIds) {
  return CreateVectorStoreFileBatch(aVectorStoreId, aFileIds);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_ListVectorStoreFilesBatch(
    const std::u16string& aVectorStoreId, const std::u16string& aBatchId, int aLimit,
    const std::u16string& aOrder, const std::u16string& aAfter, const std::u16string& aBefore,
    const std::u16string& aFilter) {
  return ListVectorStoreFilesBatch(aVectorStoreId, aBatchId, aLimit, aOrder, aAfter, aBefore,
                                   aFilter);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_RetrieveVectorStoreFileBatch(
    const std::u16string& aVectorStoreId, const std::u16string& aBatchId) {
  return RetrieveVectorStoreFileBatch(aVectorStoreId, aBatchId);
}
std::u16string TozkHTTP_API_OpenAI_Base_Methods_Basic::_CancelVectorStoreFileBatch(
    const std::u16string& aVectorStoreId, const std::u16string& aBatchId) {
  return CancelVectorStoreFileBatch(aVectorStoreId, aBatchId);
}
