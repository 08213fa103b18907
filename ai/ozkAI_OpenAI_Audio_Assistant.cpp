// The assistant workflow over the typed REST client: the assistants API, and the choice of the
// API that the other workflows (ozkAI_OpenAI_Audio_Assistant_Responses.cpp, _Chat.cpp) take.
#include "ai/ozkAI_OpenAI_Audio_Assistant.h"

#include <algorithm>

#include "ai/ozkAI_OpenAI_Audio_Assistant_Internal.h"
#include "ai/ozkAI_OpenAI_Audio_Assistant_Transcript.h"

#include "base/ozkFormat.h"
#include "base/ozkText.h"
#include "base/ozkTime.h"
#include "net/ozkIdGlobal.h"

namespace {

// The pause before each status poll starts here and doubles up to the ceiling.
constexpr uint32_t cFirstPollPause = 50;
constexpr uint32_t cMaxPollPause = 1000;

bool IsRunPending(const TozkOpenAIClass_Run& aRun) {
  return aRun.Status() == u"queued" || aRun.Status() == u"in_progress";
}

} // namespace

std::u16string EscapePlainMember(const std::u16string& aText) {
  std::u16string lText = EscapeJSONString(aText);
  if (!lText.empty() && (lText[0] == u'{' || lText[0] == u'['))
    lText.replace(0, 1, lText[0] == u'{' ? u"\\u007B" : u"\\u005B");
  return lText;
}

TozkAI_OpenAI_Assistant::TozkAI_OpenAI_Assistant(TComponent* aOwner)
    : TozkAI_OpenAI_Base(aOwner),
      FAssistantOptions(std::make_unique<TozkAI_OpenAI_Assistant_Options>()) {}

TozkAI_OpenAI_Assistant::~TozkAI_OpenAI_Assistant() = default;

void TozkAI_OpenAI_Assistant::SetAssistantOptions(const TozkAI_OpenAI_Assistant_Options& aValue) {
  FAssistantOptions->Assign(aValue);
}

void TozkAI_OpenAI_Assistant::SetAPI(TozkAI_OpenAI_API aValue) {
  if (aValue == FAPI) return;
  FAPI = aValue;
  FAssistant.reset();
  FThread.reset();
  FTranscript.reset();
}

void TozkAI_OpenAI_Assistant::SetVectorStoreName(const std::u16string& aValue) {
  FVectorStoreName = aValue;
}

std::vector<std::u16string> TozkAI_OpenAI_Assistant::UnavailableTools() const {
  std::vector<std::u16string> lList;
  if (FAPI == oaapiAssistants) return lList;
  const TozkAI_OpenAI_Assistant_Tools& lTools = FAssistantOptions->Tools();
  if (FAPI == oaapiChatCompletions) {
    if (lTools.FileSearch().Enabled()) lList.push_back(u"File search");
    if (lTools.CodeInterpreter().Enabled()) lList.push_back(u"Code interpreter");
  }
  // Neither workflow has function definitions to send or a way to answer a function call.
  if (lTools.Functions().Enabled()) lList.push_back(u"Functions");
  return lList;
}

const std::u16string&
TozkAI_OpenAI_Assistant::CurrentAssistantId(const char16_t* aOperation) const {
  if (!FAssistant)
    throw EozkAI_OpenAI_Assistant(
        Format(u"%s needs a current assistant: create or fetch an assistant first", aOperation));
  return FAssistant->Id();
}

// --- Assistant and thread --------------------------------------------------------------------

TozkOpenAIClass_Assistant* TozkAI_OpenAI_Assistant::CreateAssistant() {
  return DoCreateAssistant();
}

TozkOpenAIClass_Assistant*
TozkAI_OpenAI_Assistant::GetAssistant(const std::u16string& aAssistantId) {
  return DoGetAssistant(aAssistantId);
}

TozkOpenAIClass_Thread* TozkAI_OpenAI_Assistant::CreateThread() {
  return DoCreateThread();
}

TozkOpenAIClass_Thread* TozkAI_OpenAI_Assistant::GetThread(const std::u16string& aThreadId) {
  return DoGetThread(aThreadId);
}

TozkOpenAIClass_Assistant* TozkAI_OpenAI_Assistant::DoCreateAssistant() {
  if (FAPI != oaapiAssistants) return LocalAssistant();
  const TozkAI_OpenAI_Assistant_Options& lOptions = *FAssistantOptions;
  TozkOpenAIClass_Request_Assistant lRequest;
  // Name and model are escaped like the instructions, so a quote, a backslash or a leading
  // bracket in either still gives a valid body.
  lRequest.SetName(EscapePlainMember(lOptions.Name()));
  lRequest.SetModel(EscapePlainMember(lOptions.Model()));
  lRequest.SetInstructions(EscapeJSONString(lOptions.Instructions().Text()));
  lRequest.SetTemperature(lOptions.Temperature());
  lRequest.SetTopP(lOptions.TopP());

  TozkOpenAIArray_Assistant_Tools lTools;
  if (lOptions.Tools().CodeInterpreter().Enabled())
    lTools.push_back(std::make_unique<TozkOpenAIClass_Assistant_Tool_CodeInterpreter>());
  if (lOptions.Tools().FileSearch().Enabled())
    lTools.push_back(std::make_unique<TozkOpenAIClass_Assistant_Tool_FileSearch>());
  if (lOptions.Tools().Functions().Enabled())
    lTools.push_back(std::make_unique<TozkOpenAIClass_Assistant_Tool_Function>());
  if (!lTools.empty()) lRequest.SetTools(std::move(lTools));

  // Replaced only once the call has succeeded: a failure keeps the previous assistant.
  FAssistant = GetOpenAI()->CreateAssistant(lRequest);
  return FAssistant.get();
}

TozkOpenAIClass_Assistant*
TozkAI_OpenAI_Assistant::DoGetAssistant(const std::u16string& aAssistantId) {
  // The local configuration is the only assistant there is: any id gives it.
  if (FAPI != oaapiAssistants) return LocalAssistant();
  FAssistant = GetOpenAI()->RetrieveAssistant(aAssistantId);
  return FAssistant.get();
}

TozkOpenAIClass_Thread* TozkAI_OpenAI_Assistant::DoCreateThread() {
  if (FAPI == oaapiResponses) return ResponsesCreateThread();
  if (FAPI == oaapiChatCompletions)
    return SetLocalThread(std::make_unique<TozkAI_OpenAI_Transcript>(
                              u"chat_local_" + IntToStr(++FLocalThreads), false),
                          UnixSeconds());
  TozkOpenAIClass_Request_Thread lRequest;
  FThread = GetOpenAI()->CreateThread(lRequest);
  return FThread.get();
}

TozkOpenAIClass_Thread* TozkAI_OpenAI_Assistant::DoGetThread(const std::u16string& aThreadId) {
  if (FAPI != oaapiAssistants) return LocalGetThread(aThreadId);
  FThread = GetOpenAI()->RetrieveThread(aThreadId);
  return FThread.get();
}

// --- Messages and runs -----------------------------------------------------------------------

std::unique_ptr<TozkOpenAIClass_Message> TozkAI_OpenAI_Assistant::CreateMessageText(
    const std::u16string& aThreadId, const std::u16string& aText, const std::u16string& aRole) {
  if (FAPI != oaapiAssistants) return LocalCreateMessage(aThreadId, aText, aRole);
  TozkOpenAIClass_Request_Message lRequest;
  lRequest.SetRole(aRole);
  lRequest.SetContentText(EscapeJSONString(aText));
  return GetOpenAI()->CreateMessage(aThreadId, lRequest);
}

std::unique_ptr<TozkOpenAIClass_Run>
TozkAI_OpenAI_Assistant::CreateRun(const std::u16string& aThreadId) {
  if (FAPI == oaapiResponses) return ResponsesCreateRun(aThreadId);
  if (FAPI == oaapiChatCompletions) return ChatCreateRun(aThreadId);
  TozkOpenAIClass_Request_Run lRequest;
  lRequest.SetAssistantId(CurrentAssistantId(u"CreateRun"));
  return GetOpenAI()->CreateRun(aThreadId, lRequest);
}

std::unique_ptr<TozkOpenAIClass_Run>
TozkAI_OpenAI_Assistant::CreateRunAndWait(const std::u16string& aThreadId, int32_t aTimeout) {
  CurrentAssistantId(u"CreateRunAndWait");
  // A response and a chat completion are answered in the one request: nothing to wait for.
  if (FAPI != oaapiAssistants) return CreateRun(aThreadId);
  std::unique_ptr<TozkOpenAIClass_Run> lRun = CreateRun(aThreadId);
  if (!lRun) return nullptr;
  const uint64_t lStart = MonotonicMilliseconds();
  // A negative time-out compares as a very large number: the wait ends when the status changes.
  const uint32_t lBudget = static_cast<uint32_t>(aTimeout);
  uint32_t lPause = cFirstPollPause;
  while (IsRunPending(*lRun)) {
    // Never pause past the budget, so the last poll reports the state at the time limit; a
    // budget of 0 (or one already spent) polls at once.
    const uint32_t lElapsed = static_cast<uint32_t>(ElapsedMilliseconds(lStart));
    const uint32_t lLeft = lElapsed >= lBudget ? 0 : lBudget - lElapsed;
    if (uint32_t lWait = std::min(lPause, lLeft); lWait > 0) DoPollPause(lWait);
    lPause = std::min(lPause * 2, cMaxPollPause);

    std::unique_ptr<TozkOpenAIClass_Run> lNext = GetRun(aThreadId, lRun->Id());
    lRun = std::move(lNext);
    if (static_cast<uint32_t>(ElapsedMilliseconds(lStart)) >= lBudget) return lRun;
  }
  return lRun;
}

void TozkAI_OpenAI_Assistant::DoPollPause(uint32_t aMilliseconds) {
  SleepMilliseconds(aMilliseconds);
}

std::unique_ptr<TozkOpenAIClass_Run>
TozkAI_OpenAI_Assistant::GetRun(const std::u16string& aThreadId, const std::u16string& aRunId) {
  if (FAPI != oaapiAssistants) return LocalGetRun(aThreadId, aRunId);
  return GetOpenAI()->RetrieveRun(aThreadId, aRunId);
}

std::unique_ptr<TozkOpenAIClass_Response_List_Messages>
TozkAI_OpenAI_Assistant::GetMessages(const std::u16string& aThreadId, const std::u16string& aRunId,
                                     int32_t aLimit, const std::u16string& aOrder,
                                     const std::u16string& aAfter, const std::u16string& aBefore) {
  if (FAPI != oaapiAssistants)
    return CurrentTranscript(aThreadId, u"GetMessages")
        .MessageList(aRunId, aLimit, aOrder, aAfter, aBefore);
  // The client takes the run id last.
  return GetOpenAI()->ListMessages(aThreadId, aLimit, aOrder, aAfter, aBefore, aRunId);
}

std::u16string TozkAI_OpenAI_Assistant::RunProblem(TozkOpenAIClass_Run& aRun) {
  if (aRun.Status() == u"completed") return std::u16string();
  std::u16string lText = aRun.Status().empty() ? std::u16string(u"(no status)") : aRun.Status();
  const std::u16string& lMessage = aRun.LastError()->_Message();
  if (!lMessage.empty()) lText += u": " + lMessage;
  return lText;
}

// --- Vector stores ---------------------------------------------------------------------------

std::unique_ptr<TozkOpenAIClass_VectorStore>
TozkAI_OpenAI_Assistant::DoFindVectorStore(const std::u16string& aVectorStoreName) {
  std::unique_ptr<TozkOpenAIClass_Response_List_VectorStores> lList =
      GetOpenAI()->ListVectorStores(20, u"desc", u"", u"");
  if (!lList) return nullptr;
  // Newest first: among stores of the same name the newest wins.
  for (std::unique_ptr<TozkOpenAIClass_VectorStore>& lStore : lList->VectorStores())
    if (lStore && lStore->Name() == aVectorStoreName) return std::move(lStore);
  return nullptr;
}

std::unique_ptr<TozkOpenAIClass_VectorStore>
TozkAI_OpenAI_Assistant::DoFindOrCreateVectorStore(const std::u16string& aVectorStoreName) {
  if (std::unique_ptr<TozkOpenAIClass_VectorStore> lStore = DoFindVectorStore(aVectorStoreName))
    return lStore;
  TozkOpenAIClass_Request_VectorStore lRequest;
  lRequest.SetName(EscapePlainMember(aVectorStoreName));
  return GetOpenAI()->CreateVectorStore(lRequest);
}

std::unique_ptr<TozkOpenAIClass_Response_List_VectorStoreFiles>
TozkAI_OpenAI_Assistant::GetVectorStoreFiles(const std::u16string& aVectorStoreName) {
  if (FAPI == oaapiChatCompletions) return nullptr;
  std::unique_ptr<TozkOpenAIClass_VectorStore> lStore = DoFindVectorStore(aVectorStoreName);
  FVectorStoreName = aVectorStoreName;
  FVectorStoreIdName = aVectorStoreName;
  FVectorStoreId = lStore ? lStore->Id() : std::u16string();
  if (!lStore) return nullptr;
  return GetOpenAI()->ListVectorStoreFiles(lStore->Id(), 20, u"desc", u"", u"", u"");
}

bool TozkAI_OpenAI_Assistant::UploadVectorStoreFile(const std::u16string& aVectorStoreName,
                                                    const std::u16string& aFilename) {
  // Checked before anything is sent: without an assistant the store and the file would be made
  // on the service for nothing.
  const std::u16string lAssistantId = CurrentAssistantId(u"UploadVectorStoreFile");
  if (FAPI == oaapiChatCompletions)
    throw EozkAI_OpenAI_Assistant(u"UploadVectorStoreFile: Chat Completions has no vector stores "
                                  u"and no file search");
  std::unique_ptr<TozkOpenAIClass_VectorStore> lStore = DoFindOrCreateVectorStore(aVectorStoreName);
  if (!lStore) return false;

  TozkOpenAIClass_Request_UploadFile lUpload;
  lUpload.SetFile(aFilename);
  lUpload.SetPurpose(u"assistants");
  std::unique_ptr<TozkOpenAIClass_Response_File> lFile = GetOpenAI()->UploadFile(lUpload);
  if (!lFile) return false;

  if (!GetOpenAI()->CreateVectorStoreFile(lStore->Id(), lFile->Id())) return false;

  if (FAPI == oaapiResponses) {
    // No assistant on the service: the next responses' file search points at this store.
    FVectorStoreName = aVectorStoreName;
    FVectorStoreIdName = aVectorStoreName;
    FVectorStoreId = lStore->Id();
    return true;
  }

  // Only the tool resources: with temperature and top-p below 0 the writer leaves them out, so
  // the modify request does not reset the assistant's own values.
  TozkOpenAIClass_Request_Assistant lModify;
  lModify.SetTemperature(-1);
  lModify.SetTopP(-1);
  auto lResources = std::make_unique<TozkOpenAIClass_Assistant_Resources>();
  lResources->FileSearch()->VectorStoreIds()->Add(lStore->Id());
  lModify.SetToolResources(std::move(lResources));
  GetOpenAI()->ModifyAssistant(lAssistantId, lModify);
  return true;
}
