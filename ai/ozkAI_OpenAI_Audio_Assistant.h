// The assistant component: the assistant's options (name, instructions, model, tools,
// temperature, top-p), the current assistant and thread, and the workflow that turns a window's
// few actions into calls of the REST client: create or fetch the assistant, open a thread, add
// a message, run and wait, list the run's messages, find or create a vector store by name,
// upload a file into it and point the file-search tool at it.
//
// The same operations run over one of three service APIs, chosen by API():
//   oaapiAssistants       assistants, threads and runs on the service (the default);
//   oaapiResponses        the assistant is the local configuration (no request); a thread is a
//                         conversation, or, where the service has no conversations (404), a
//                         chain of responses linked by previous_response_id; a run is one
//                         response, streamed to OnTextDelta when that is set;
//   oaapiChatCompletions  the thread is the message history kept here, sent whole with each
//                         request after the instructions as the system message; no tools.
// In the last two the component keeps the messages of the current thread (its transcript), and
// GetMessages, GetRun and the message objects come from there, in the assistants shapes.
//
// The speech layer that this class could sit on (recorder, player, text-to-speech) is left out:
// the workflow uses none of it, so the assistant derives from the AI component base directly.
//
// Ownership: the component owns FAssistant and FThread; Assistant() and Thread() hand out
// non-owning pointers that stay valid until the next operation that replaces them (or the
// component's destruction). Every other operation returns a new object that the caller owns.
// A call that fails keeps the previous FAssistant and FThread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ai/ozkAI_OpenAI.h"
#include "base/ozkException.h"
#include "base/ozkPersistent.h"
#include "base/ozkStringList.h"

class TozkAI_OpenAI_Transcript;

// The service API that the workflow speaks.
enum TozkAI_OpenAI_API { oaapiAssistants = 0, oaapiResponses = 1, oaapiChatCompletions = 2 };

// Raised by the operations that need a current assistant when there is none, and by those that
// the chosen API does not offer.
class EozkAI_OpenAI_Assistant : public Exception {
 public:
  using Exception::Exception;
};

// --- Tools options ---------------------------------------------------------------------------

class TozkAI_OpenAI_Assistant_Tools_Base : public TPersistent {
 public:
  // Copies Enabled from any tool object; any other source raises "Cannot assign a %s to a %s".
  void Assign(const TPersistent& aSource) override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool aValue) { FEnabled = aValue; }

 private:
  bool FEnabled = false;
};

// A tool with a list of text lines. The list is copied only from a tool of the same class
// (TSelf); a tool of another class gives only Enabled. The lists are stored and copied, but the
// workflow reads only Enabled.
template <class TSelf>
class TozkAI_OpenAI_Assistant_Tools_Listed : public TozkAI_OpenAI_Assistant_Tools_Base {
 public:
  void Assign(const TPersistent& aSource) override {
    TozkAI_OpenAI_Assistant_Tools_Base::Assign(aSource);
    if (auto* lSource = dynamic_cast<const TSelf*>(&aSource)) FList.Assign(lSource->FList);
  }

 protected:
  TStringList FList;
};

class TozkAI_OpenAI_Assistant_Tools_FileSearch
    : public TozkAI_OpenAI_Assistant_Tools_Listed<TozkAI_OpenAI_Assistant_Tools_FileSearch> {
 public:
  TStringList& Files() { return FList; }
  const TStringList& Files() const { return FList; }
  void SetFiles(const TStringList& aValue) { FList.Assign(aValue); }
};

class TozkAI_OpenAI_Assistant_Tools_CodeInterpreter
    : public TozkAI_OpenAI_Assistant_Tools_Listed<TozkAI_OpenAI_Assistant_Tools_CodeInterpreter> {
 public:
  TStringList& Files() { return FList; }
  const TStringList& Files() const { return FList; }
  void SetFiles(const TStringList& aValue) { FList.Assign(aValue); }
};

class TozkAI_OpenAI_Assistant_Tools_Functions
    : public TozkAI_OpenAI_Assistant_Tools_Listed<TozkAI_OpenAI_Assistant_Tools_Functions> {
 public:
  TStringList& Functions() { return FList; }
  const TStringList& Functions() const { return FList; }
  void SetFunctions(const TStringList& aValue) { FList.Assign(aValue); }
};

// The three tools, each owned and created with the object.
class TozkAI_OpenAI_Assistant_Tools : public TPersistent {
 public:
  TozkAI_OpenAI_Assistant_Tools();
  ~TozkAI_OpenAI_Assistant_Tools() override;
  void Assign(const TPersistent& aSource) override;

  TozkAI_OpenAI_Assistant_Tools_FileSearch& FileSearch() { return *FFileSearch; }
  const TozkAI_OpenAI_Assistant_Tools_FileSearch& FileSearch() const { return *FFileSearch; }
  void SetFileSearch(const TozkAI_OpenAI_Assistant_Tools_FileSearch& aValue) {
    FFileSearch->Assign(aValue);
  }
  TozkAI_OpenAI_Assistant_Tools_CodeInterpreter& CodeInterpreter() { return *FCodeInterpreter; }
  const TozkAI_OpenAI_Assistant_Tools_CodeInterpreter& CodeInterpreter() const {
    return *FCodeInterpreter;
  }
  void SetCodeInterpreter(const TozkAI_OpenAI_Assistant_Tools_CodeInterpreter& aValue) {
    FCodeInterpreter->Assign(aValue);
  }
  TozkAI_OpenAI_Assistant_Tools_Functions& Functions() { return *FFunctions; }
  const TozkAI_OpenAI_Assistant_Tools_Functions& Functions() const { return *FFunctions; }
  void SetFunctions(const TozkAI_OpenAI_Assistant_Tools_Functions& aValue) {
    FFunctions->Assign(aValue);
  }

 private:
  std::unique_ptr<TozkAI_OpenAI_Assistant_Tools_FileSearch> FFileSearch;
  std::unique_ptr<TozkAI_OpenAI_Assistant_Tools_CodeInterpreter> FCodeInterpreter;
  std::unique_ptr<TozkAI_OpenAI_Assistant_Tools_Functions> FFunctions;
};

// --- Assistant options -----------------------------------------------------------------------

class TozkAI_OpenAI_Assistant_Options : public TPersistent {
 public:
  TozkAI_OpenAI_Assistant_Options();
  ~TozkAI_OpenAI_Assistant_Options() override;
  // Copies Name, Instructions, Model, Tools, Temperature and TopP from another assistant-options
  // object; any other source raises "Cannot assign a %s to a %s".
  void Assign(const TPersistent& aSource) override;

  const std::u16string& Name() const { return FName; }
  void SetName(const std::u16string& aValue) { FName = aValue; }
  // Sent as the list's whole text (every line followed by CR LF).
  TStringList& Instructions() { return *FInstructions; }
  const TStringList& Instructions() const { return *FInstructions; }
  void SetInstructions(const TStringList& aValue) { FInstructions->Assign(aValue); }
  const std::u16string& Model() const { return FModel; }
  void SetModel(const std::u16string& aValue) { FModel = aValue; }
  TozkAI_OpenAI_Assistant_Tools& Tools() { return *FTools; }
  const TozkAI_OpenAI_Assistant_Tools& Tools() const { return *FTools; }
  void SetTools(const TozkAI_OpenAI_Assistant_Tools& aValue) { FTools->Assign(aValue); }
  double Temperature() const { return FTemperature; }
  void SetTemperature(double aValue) { FTemperature = aValue; }
  double TopP() const { return FTopP; }
  void SetTopP(double aValue) { FTopP = aValue; }

 private:
  std::u16string FName;
  std::unique_ptr<TStringList> FInstructions;
  std::u16string FModel;
  std::unique_ptr<TozkAI_OpenAI_Assistant_Tools> FTools;
  double FTemperature = 1.0;
  double FTopP = 1.0;
};

// --- The assistant component -----------------------------------------------------------------

class TozkAI_OpenAI_Assistant : public TozkAI_OpenAI_Base {
 public:
  explicit TozkAI_OpenAI_Assistant(TComponent* aOwner = nullptr);
  ~TozkAI_OpenAI_Assistant() override;

  // Changed in place by callers; the setter copies every value and keeps no reference.
  TozkAI_OpenAI_Assistant_Options& AssistantOptions() { return *FAssistantOptions; }
  const TozkAI_OpenAI_Assistant_Options& AssistantOptions() const { return *FAssistantOptions; }
  void SetAssistantOptions(const TozkAI_OpenAI_Assistant_Options& aValue);

  // Choosing another API drops the current assistant, thread and transcript: they belong to
  // the API that made them.
  TozkAI_OpenAI_API API() const { return FAPI; }
  void SetAPI(TozkAI_OpenAI_API aValue);

  // With oaapiResponses and this set, answers are streamed: each piece of the answer's text
  // (decoded) is handed over as it arrives, on the caller's thread, before CreateRun returns.
  // A stream cut off before its end raises from CreateRun after the pieces that arrived were
  // handed over; nothing of such an answer is kept as an answer.
  TozkOpenAITextDeltaEvent OnTextDelta;

  // The vector store that the Responses file-search tool searches, by name; GetVectorStoreFiles
  // and UploadVectorStoreFile set it to the name they are given. Empty: no file search.
  const std::u16string& VectorStoreName() const { return FVectorStoreName; }
  void SetVectorStoreName(const std::u16string& aValue);

  // The enabled tools that the chosen API does not offer, by their display names ("File
  // search", "Code interpreter", "Functions"), so a window can say that they are left out.
  // Empty for oaapiAssistants.
  std::vector<std::u16string> UnavailableTools() const;

  // The current assistant and thread, or none; owned by the component.
  TozkOpenAIClass_Assistant* Assistant() const { return FAssistant.get(); }
  TozkOpenAIClass_Thread* Thread() const { return FThread.get(); }

  // Creates a new assistant from AssistantOptions, or fetches one by id, and makes it the
  // current one (the returned pointer is FAssistant).
  TozkOpenAIClass_Assistant* CreateAssistant();
  TozkOpenAIClass_Assistant* GetAssistant(const std::u16string& aAssistantId);
  // Opens a new, empty thread, or fetches one by id, and makes it the current one.
  TozkOpenAIClass_Thread* CreateThread();
  TozkOpenAIClass_Thread* GetThread(const std::u16string& aThreadId);

  // Adds a message to a thread; aText is free text (escaped here).
  std::unique_ptr<TozkOpenAIClass_Message> CreateMessageText(const std::u16string& aThreadId,
                                                             const std::u16string& aText,
                                                             const std::u16string& aRole);
  // Starts a run of the current assistant on the thread. Raises EozkAI_OpenAI_Assistant when
  // there is no current assistant.
  std::unique_ptr<TozkOpenAIClass_Run> CreateRun(const std::u16string& aThreadId);
  // Starts a run and polls it while it is "queued" or "in_progress". The elapsed time on the
  // monotonic clock is tested after each poll against aTimeout taken as an unsigned 32-bit
  // number (so a negative time-out waits until the status changes); at least one poll is made
  // when the new run is queued or in progress. Polls are spaced by a pause that starts short and
  // grows to about a second, never past the time-out. The run returned at the time limit may
  // still be queued or in progress.
  std::unique_ptr<TozkOpenAIClass_Run> CreateRunAndWait(const std::u16string& aThreadId,
                                                        int32_t aTimeout);
  std::unique_ptr<TozkOpenAIClass_Run> GetRun(const std::u16string& aThreadId,
                                              const std::u16string& aRunId);
  // The thread's messages, filtered to aRunId when it is not empty. With the Responses and
  // Chat Completions APIs they come from the transcript of the current thread (no request).
  std::unique_ptr<TozkOpenAIClass_Response_List_Messages>
  GetMessages(const std::u16string& aThreadId, const std::u16string& aRunId, int32_t aLimit,
              const std::u16string& aOrder, const std::u16string& aAfter,
              const std::u16string& aBefore);

  // The 20 newest files of the newest store of that name among the 20 newest stores; none when
  // there is no such store (nothing is created). With Chat Completions, which has no vector
  // stores, none without a request.
  std::unique_ptr<TozkOpenAIClass_Response_List_VectorStoreFiles>
  GetVectorStoreFiles(const std::u16string& aVectorStoreName);
  // Finds the store (creating it when missing), uploads the local file aFilename with purpose
  // "assistants", attaches it to the store and points the current assistant's file-search tool
  // at the store. The modify request sends only the tool resources, so the assistant's other
  // settings (its temperature and top-p among them) stay as they are. Raises
  // EozkAI_OpenAI_Assistant when there is no current assistant, before anything is sent.
  // With Responses the store becomes the one file search searches (no assistant to modify);
  // with Chat Completions it raises EozkAI_OpenAI_Assistant before anything is sent.
  bool UploadVectorStoreFile(const std::u16string& aVectorStoreName,
                             const std::u16string& aFilename);

  // Why a run that the wait returned gave no answer: empty for a "completed" run; otherwise its
  // status, followed by ": " and its last error's message when it carries one (for example
  // "failed: Rate limit reached", "in_progress", or "" status shown as "(no status)").
  static std::u16string RunProblem(TozkOpenAIClass_Run& aRun);

 protected:
  virtual TozkOpenAIClass_Assistant* DoCreateAssistant();
  virtual TozkOpenAIClass_Assistant* DoGetAssistant(const std::u16string& aAssistantId);
  virtual TozkOpenAIClass_Thread* DoCreateThread();
  virtual TozkOpenAIClass_Thread* DoGetThread(const std::u16string& aThreadId);
  virtual std::unique_ptr<TozkOpenAIClass_VectorStore>
  DoFindOrCreateVectorStore(const std::u16string& aVectorStoreName);
  virtual std::unique_ptr<TozkOpenAIClass_VectorStore>
  DoFindVectorStore(const std::u16string& aVectorStoreName);
  // The pause between two status polls of CreateRunAndWait; tests replace it to record the
  // pauses instead of sleeping.
  virtual void DoPollPause(uint32_t aMilliseconds);

 private:
  // The id of FAssistant; raises EozkAI_OpenAI_Assistant when there is none.
  const std::u16string& CurrentAssistantId(const char16_t* aOperation) const;

  // --- Responses and Chat Completions (ozkAI_OpenAI_Audio_Assistant_Responses.cpp) ---
  // The assistant made from AssistantOptions, with the tools the API offers; no request.
  TozkOpenAIClass_Assistant* LocalAssistant();
  // Makes aTranscript the current thread's and FThread its thread object.
  TozkOpenAIClass_Thread* SetLocalThread(std::unique_ptr<TozkAI_OpenAI_Transcript> aTranscript,
                                         int64_t aCreatedAt);
  TozkOpenAIClass_Thread* ResponsesCreateThread();
  TozkOpenAIClass_Thread* LocalGetThread(const std::u16string& aThreadId);
  // The transcript of aThreadId, which must be the current thread.
  TozkAI_OpenAI_Transcript& CurrentTranscript(const std::u16string& aThreadId,
                                              const char16_t* aOperation);
  std::unique_ptr<TozkOpenAIClass_Message> LocalCreateMessage(const std::u16string& aThreadId,
                                                              const std::u16string& aText,
                                                              const std::u16string& aRole);
  std::unique_ptr<TozkOpenAIClass_Run> ResponsesCreateRun(const std::u16string& aThreadId);
  std::unique_ptr<TozkOpenAIClass_Run> LocalGetRun(const std::u16string& aThreadId,
                                                   const std::u16string& aRunId);
  // The id of the store named VectorStoreName, looked up once per name; empty when there is
  // no such store.
  std::u16string FileSearchStoreId();
  // --- Chat Completions (ozkAI_OpenAI_Audio_Assistant_Chat.cpp) ---
  std::unique_ptr<TozkOpenAIClass_Run> ChatCreateRun(const std::u16string& aThreadId);

  TozkAI_OpenAI_API FAPI = oaapiAssistants;
  std::unique_ptr<TozkAI_OpenAI_Assistant_Options> FAssistantOptions;
  std::unique_ptr<TozkOpenAIClass_Assistant> FAssistant;
  std::unique_ptr<TozkOpenAIClass_Thread> FThread;
  // The current thread's transcript (Responses and Chat Completions only).
  std::unique_ptr<TozkAI_OpenAI_Transcript> FTranscript;
  std::u16string FVectorStoreName;
  // The store found for FVectorStoreName (FVectorStoreIdName), when one was.
  std::u16string FVectorStoreId;
  std::u16string FVectorStoreIdName;
  // Numbers the threads that only the component keeps.
  int64_t FLocalThreads = 0;
};
