// Wire tests of the REST client: every endpoint of the catalogue and every basic method against
// a loopback server that records the raw requests, for OpenAI (with and without an organization)
// and for Azure. Multipart bodies are parsed back by Python's email parser.
#include "openai/ozkHTTP_API_OpenAI_Client.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "base/ozkText.h"
#include "openai/ozkOpenAITestServer.h"
#include "openai/ozkOpenAIWireSetup.h"

using ozktest::TOpenAIRecordingServer;
using ozktest::TProviderSetup;
using ozktest::TRecordedRequest;

namespace {

std::string U8(const std::u16string& aText) {
  return UTF16ToUTF8(aText);
}
std::u16string U16(const std::string& aText) {
  return UTF8ToUTF16(aText);
}

// Local files the uploads read, in a fresh folder removed afterwards.
class TWireFiles {
 public:
  TWireFiles() {
    char lTemplate[] = "/tmp/ozk_rest_XXXXXX";
    FDir = ::mkdtemp(lTemplate);
    Image = Write("picture.png", std::string("\x89PNG\r\n\x1a\n\0\x01\x02", 11));
    Audio = Write("speech.wav", std::string("RIFF\x24\0\0\0WAVE", 12));
    Doc = Write("notes.txt", "first line\r\nsecond line\n");
  }
  ~TWireFiles() { std::filesystem::remove_all(FDir); }
  std::string Write(const std::string& aName, const std::string& aData) const {
    std::string lPath = FDir + "/" + aName;
    std::ofstream(lPath, std::ios::binary).write(aData.data(), static_cast<long>(aData.size()));
    return lPath;
  }
  const std::string& Dir() const { return FDir; }

  std::string Image, Audio, Doc;

 private:
  std::string FDir;
};

enum class TBody { None, Empty, JSON, Form };

// One expected form part: a file part names the local file whose bytes it must carry, a plain
// field its value.
struct TPart {
  std::string Name;
  bool IsFile;
  std::string ValueOrPath;
};

using TCall = std::function<void(TozkHTTP_API_OpenAI&, const TWireFiles&)>;

struct TWireCase {
  TWireCase(std::string aName, TCall aCall, std::string aMethod, std::string aPath, bool aBeta,
            TBody aKind, std::string aBody = std::string())
      : Name(std::move(aName)), Call(std::move(aCall)), Method(std::move(aMethod)),
        Path(std::move(aPath)), Beta(aBeta), Kind(aKind), Body(std::move(aBody)) {}

  std::string Name;
  TCall Call;
  std::string Method;
  std::string Path; // below the base URL, query included
  bool Beta;        // whether the assistants beta marker goes with it
  TBody Kind;
  std::string Body; // TBody::JSON: the exact body
};

std::unique_ptr<TozkOpenAIClass_Request_Assistant> AssistantRequest() {
  auto lRequest = std::make_unique<TozkOpenAIClass_Request_Assistant>();
  lRequest->SetModel(u"gpt-4o");
  lRequest->SetName(u"Tutor");
  return lRequest;
}
std::unique_ptr<TozkOpenAIClass_Request_Thread> ThreadRequest() {
  auto lRequest = std::make_unique<TozkOpenAIClass_Request_Thread>();
  lRequest->MetaData()->Add(u"topic=maths");
  return lRequest;
}
std::unique_ptr<TozkOpenAIClass_Request_Message> MessageRequest() {
  auto lRequest = std::make_unique<TozkOpenAIClass_Request_Message>();
  lRequest->SetRole(u"user");
  lRequest->SetContentText(u"hello");
  return lRequest;
}
std::unique_ptr<TozkOpenAIClass_Request_Run> RunRequest() {
  auto lRequest = std::make_unique<TozkOpenAIClass_Request_Run>();
  lRequest->SetAssistantId(u"asst_1");
  return lRequest;
}
std::unique_ptr<TozkOpenAIClass_Request_ToolOutputs> ToolOutputsRequest() {
  auto lRequest = std::make_unique<TozkOpenAIClass_Request_ToolOutputs>();
  lRequest->SetToolCallId(u"call_1");
  lRequest->SetOutput(u"42");
  return lRequest;
}
std::unique_ptr<TozkOpenAIClass_Request_VectorStore> VectorStoreRequest() {
  auto lRequest = std::make_unique<TozkOpenAIClass_Request_VectorStore>();
  lRequest->SetName(u"manuals");
  return lRequest;
}
template <class T> std::string JSONOf(std::unique_ptr<T> aRequest) {
  return U8(aRequest->AsString());
}

// Every basic method, then the endpoints that only the typed methods reach.
std::vector<TWireCase> WireCases() {
  using A = TozkHTTP_API_OpenAI;
  using F = TWireFiles;
  const TBody N = TBody::None, E = TBody::Empty, J = TBody::JSON, M = TBody::Form;
  return {
      {"_GetModels", [](A& c, const F&) { c._GetModels(); }, "GET", "/models", false, N},
      {"_GetModel", [](A& c, const F&) { c._GetModel(u"gpt-4o"); }, "GET", "/models/gpt-4o", false,
       N},
      {"_CreateCompletion", [](A& c, const F&) { c._CreateCompletion(u"m1", u"say \"hi\""); },
       "POST", "/completions", false, J, R"({"model":"m1","prompt":"say \"hi\""})"},
      {"_CreateChatCompletion",
       [](A& c, const F&) { c._CreateChatCompletion(u"m1", u"[1] hello", u"user"); }, "POST",
       "/chat/completions", false, J,
       R"({"model":"m1","messages":[{"role":"user","content":"[1] hello"}]})"},
      {"_CreateEdit without input", [](A& c, const F&) { c._CreateEdit(u"m1", u"fix", u""); },
       "POST", "/edits", false, J, R"({"model":"m1","instruction":"fix"})"},
      {"_CreateEdit", [](A& c, const F&) { c._CreateEdit(u"m1", u"fix", u"teh cat"); }, "POST",
       "/edits", false, J, R"({"model":"m1","instruction":"fix","input":"teh cat"})"},
      {"_CreateImage", [](A& c, const F&) { c._CreateImage(u"a cat"); }, "POST",
       "/images/generations", false, J, R"({"prompt":"a cat"})"},
      {"_CreateImageEdit", [](A& c, const F& f) { c._CreateImageEdit(U16(f.Image), u"add a hat"); },
       "POST", "/images/edits", false, M},
      {"_CreateImageVariations", [](A& c, const F& f) { c._CreateImageVariations(U16(f.Image)); },
       "POST", "/images/variations", false, M},
      {"_CreateEmbeddings", [](A& c, const F&) { c._CreateEmbeddings(u"emb", u"text"); }, "POST",
       "/embeddings", false, J, R"({"model":"emb","input":"text"})"},
      {"_CreateTranscriptionFromFile",
       [](A& c, const F& f) { c._CreateTranscriptionFromFile(u"whisper-1", U16(f.Audio)); }, "POST",
       "/audio/transcriptions", false, M},
      {"_CreateTranslationFromFile",
       [](A& c, const F& f) { c._CreateTranslationFromFile(u"whisper-1", U16(f.Audio)); }, "POST",
       "/audio/translations", false, M},
      {"_ListFiles", [](A& c, const F&) { c._ListFiles(); }, "GET", "/files", false, N},
      {"_UploadFile", [](A& c, const F& f) { c._UploadFile(U16(f.Doc), u"assistants"); }, "POST",
       "/files", false, M},
      {"_DeleteFile", [](A& c, const F&) { c._DeleteFile(u"file-1"); }, "DELETE", "/files/file-1",
       false, N},
      {"_RetrieveFile", [](A& c, const F&) { c._RetrieveFile(u"file-1"); }, "GET", "/files/file-1",
       false, N},
      {"_RetrieveFileContent", [](A& c, const F&) { c._RetrieveFileContent(u"file-1"); }, "GET",
       "/files/file-1/content", false, N},
      {"_CreateFineTune", [](A& c, const F&) { c._CreateFineTune(u"file-1"); }, "POST",
       "/fine-tunes", false, J, R"({"training_file":"file-1"})"},
      {"_ListFineTunes", [](A& c, const F&) { c._ListFineTunes(); }, "GET", "/fine-tunes", false,
       N},
      {"_RetrieveFineTune", [](A& c, const F&) { c._RetrieveFineTune(u"ft-1"); }, "GET",
       "/fine-tunes/ft-1", false, N},
      {"_CancelFineTune", [](A& c, const F&) { c._CancelFineTune(u"ft-1"); }, "POST",
       "/fine-tunes/ft-1/cancel", false, E},
      {"_ListFineTuneEvents", [](A& c, const F&) { c._ListFineTuneEvents(u"ft-1"); }, "GET",
       "/fine-tunes/ft-1/events", false, N},
      // A fine-tuned model is deleted through the path that GetModel reads.
      {"_DeleteFineTuneModel", [](A& c, const F&) { c._DeleteFineTuneModel(u"ft-m1"); }, "DELETE",
       "/models/ft-m1", false, N},
      {"_CreateModeration", [](A& c, const F&) { c._CreateModeration(u"text"); }, "POST",
       "/moderations", false, J, R"({"input":"text"})"},
      {"_CreateAssistant", [](A& c, const F&) { c._CreateAssistant(u"gpt-4o"); }, "POST",
       "/assistants", true, J, R"({"model":"gpt-4o"})"},
      {"_ListAssistants defaults", [](A& c, const F&) { c._ListAssistants(20, u"desc", u"", u""); },
       "GET", "/assistants", true, N},
      {"_ListAssistants", [](A& c, const F&) { c._ListAssistants(5, u"asc", u"", u""); }, "GET",
       "/assistants?limit=5&order=asc", true, N},
      {"_RetrieveAssistant", [](A& c, const F&) { c._RetrieveAssistant(u"asst_1"); }, "GET",
       "/assistants/asst_1", true, N},
      {"_DeleteAssistant", [](A& c, const F&) { c._DeleteAssistant(u"asst_1"); }, "DELETE",
       "/assistants/asst_1", true, N},
      {"_CreateThread", [](A& c, const F&) { c._CreateThread(); }, "POST", "/threads", true, E},
      {"_RetrieveThread", [](A& c, const F&) { c._RetrieveThread(u"thread_1"); }, "GET",
       "/threads/thread_1", true, N},
      {"_DeleteThread", [](A& c, const F&) { c._DeleteThread(u"thread_1"); }, "DELETE",
       "/threads/thread_1", true, N},
      {"_CreateMessage",
       [](A& c, const F&) { c._CreateMessage(u"thread_1", u"user", u"a/b \"q\"\n\u00E9"); }, "POST",
       "/threads/thread_1/messages", true, J, R"({"role":"user","content":"a\/b \"q\"\n\u00E9"})"},
      {"_ListMessages run id only",
       [](A& c, const F&) { c._ListMessages(u"thread_1", 20, u"desc", u"", u"", u"run_1"); }, "GET",
       "/threads/thread_1/messages?run_id=run_1", true, N},
      {"_RetrieveMessage", [](A& c, const F&) { c._RetrieveMessage(u"thread_1", u"msg_1"); }, "GET",
       "/threads/thread_1/messages/msg_1", true, N},
      {"_DeleteMessage", [](A& c, const F&) { c._DeleteMessage(u"thread_1", u"msg_1"); }, "DELETE",
       "/threads/thread_1/messages/msg_1", true, N},
      {"_CreateRun", [](A& c, const F&) { c._CreateRun(u"thread_1", u"asst_1"); }, "POST",
       "/threads/thread_1/runs", true, J, R"({"assistant_id":"asst_1"})"},
      {"_ListRuns", [](A& c, const F&) { c._ListRuns(u"thread_1", 100, u"desc", u"", u"run_0"); },
       "GET", "/threads/thread_1/runs?limit=100&before=run_0", true, N},
      {"_RetrieveRun", [](A& c, const F&) { c._RetrieveRun(u"thread_1", u"run_1"); }, "GET",
       "/threads/thread_1/runs/run_1", true, N},
      {"_CancelRun", [](A& c, const F&) { c._CancelRun(u"thread_1", u"run_1"); }, "POST",
       "/threads/thread_1/runs/run_1/cancel", true, E},
      {"_ListRunSteps",
       [](A& c, const F&) { c._ListRunSteps(u"thread_1", u"run_1", 20, u"desc", u"step_0", u""); },
       "GET", "/threads/thread_1/runs/run_1/steps?after=step_0", true, N},
      {"_RetrieveRunStep",
       [](A& c, const F&) { c._RetrieveRunStep(u"thread_1", u"run_1", u"step_1"); }, "GET",
       "/threads/thread_1/runs/run_1/steps/step_1", true, N},
      {"_CreateVectorStore", [](A& c, const F&) { c._CreateVectorStore(u"manuals"); }, "POST",
       "/vector_stores", true, J, R"({"name":"manuals"})"},
      {"_ListVectorStores", [](A& c, const F&) { c._ListVectorStores(); }, "GET", "/vector_stores",
       true, N},
      {"_RetrieveVectorStore", [](A& c, const F&) { c._RetrieveVectorStore(u"vs_1"); }, "GET",
       "/vector_stores/vs_1", true, N},
      {"_DeleteVectorStore", [](A& c, const F&) { c._DeleteVectorStore(u"vs_1"); }, "DELETE",
       "/vector_stores/vs_1", true, N},
      {"_CreateVectorStoreFile",
       [](A& c, const F&) { c._CreateVectorStoreFile(u"vs_1", u"file-1"); }, "POST",
       "/vector_stores/vs_1/files", true, J, R"({"file_id":"file-1"})"},
      {"_RetrieveVectorStoreFile",
       [](A& c, const F&) { c._RetrieveVectorStoreFile(u"vs_1", u"file-1"); }, "GET",
       "/vector_stores/vs_1/files/file-1", true, N},
      {"_DeleteVectorStoreFile",
       [](A& c, const F&) { c._DeleteVectorStoreFile(u"vs_1", u"file-1"); }, "DELETE",
       "/vector_stores/vs_1/files/file-1", true, N},
      // An empty order is not "desc": it gives "order=" with no value.
      {"_ListVectorStoreFiles empty order",
       [](A& c, const F&) { c._ListVectorStoreFiles(u"vs_1", 20, u"", u"", u"", u""); }, "GET",
       "/vector_stores/vs_1/files?order=", true, N},
      {"_ListVectorStoreFiles filter",
       [](A& c, const F&) {
         c._ListVectorStoreFiles(u"vs_1", 20, u"desc", u"", u"", u"completed");
       },
       "GET", "/vector_stores/vs_1/files?filter=completed", true, N},
      {"_CreateVectorStoreFileBatch",
       [](A& c, const F&) { c._CreateVectorStoreFileBatch(u"vs_1", u"[\"file-1\",\"file-2\"]"); },
       "POST", "/vector_stores/vs_1/file_batches", true, J, R"({"file_ids":["file-1","file-2"]})"},
      // Listing values are percent-encoded: a space must not reach the request line.
      {"_ListVectorStoreFilesBatch",
       [](A& c, const F&) {
         c._ListVectorStoreFilesBatch(u"vs_1", u"batch_1", 20, u"desc", u"a b\"c", u"", u"failed");
       },
       "GET", "/vector_stores/vs_1/file_batches/batch_1/files?after=a%20b%22c&filter=failed", true,
       N},
      {"_RetrieveVectorStoreFileBatch",
       [](A& c, const F&) { c._RetrieveVectorStoreFileBatch(u"vs_1", u"batch_1"); }, "GET",
       "/vector_stores/vs_1/file_batches/batch_1", true, N},
      {"_CancelVectorStoreFileBatch",
       [](A& c, const F&) { c._CancelVectorStoreFileBatch(u"vs_1", u"batch_1"); }, "POST",
       "/vector_stores/vs_1/file_batches/batch_1/cancel", true, E},
      // Endpoints that only typed methods reach.
      {"CreateThread", [](A& c, const F&) { c.CreateThread(*ThreadRequest()); }, "POST", "/threads",
       true, J, JSONOf(ThreadRequest())},
      {"ModifyAssistant", [](A& c, const F&) { c.ModifyAssistant(u"asst_1", *AssistantRequest()); },
       "POST", "/assistants/asst_1", true, J, JSONOf(AssistantRequest())},
      {"ModifyThread", [](A& c, const F&) { c.ModifyThread(u"thread_1", *ThreadRequest()); },
       "POST", "/threads/thread_1", true, J, JSONOf(ThreadRequest())},
      {"ModifyMessage",
       [](A& c, const F&) { c.ModifyMessage(u"thread_1", u"msg_1", *MessageRequest()); }, "POST",
       "/threads/thread_1/messages/msg_1", true, J, JSONOf(MessageRequest())},
      {"ModifyRun", [](A& c, const F&) { c.ModifyRun(u"thread_1", u"run_1", *RunRequest()); },
       "POST", "/threads/thread_1/runs/run_1", true, J, JSONOf(RunRequest())},
      {"SubmitToolOutputsToRun",
       [](A& c, const F&) {
         c.SubmitToolOutputsToRun(u"thread_1", u"run_1", *ToolOutputsRequest());
       },
       "POST", "/threads/thread_1/runs/run_1/submit_tool_outputs", true, J,
       JSONOf(ToolOutputsRequest())},
      {"ModifyVectorStore",
       [](A& c, const F&) { c.ModifyVectorStore(u"vs_1", *VectorStoreRequest()); }, "POST",
       "/vector_stores/vs_1", true, J, JSONOf(VectorStoreRequest())},
  };
}

// The form parts each upload case must carry.
std::vector<TPart> ExpectedParts(const std::string& aCase, const TWireFiles& aFiles) {
  if (aCase == "_CreateImageEdit")
    return {{"image", true, aFiles.Image}, {"prompt", false, "add%20a%20hat"}};
  if (aCase == "_CreateImageVariations") return {{"image", true, aFiles.Image}};
  if (aCase == "_CreateTranscriptionFromFile" || aCase == "_CreateTranslationFromFile")
    return {{"file", true, aFiles.Audio}, {"model", false, "whisper-1"}};
  if (aCase == "_UploadFile") return {{"file", true, aFiles.Doc}, {"purpose", false, "assistants"}};
  return {};
}

void ExpectParts(const TRecordedRequest& aRequest, const std::vector<TPart>& aParts) {
  const std::string lType = aRequest.Header("Content-Type");
  ASSERT_EQ(lType.rfind("multipart/form-data; boundary=", 0), 0u) << lType;
  const auto lParsed = ozktest::ParseMultipart(aRequest.Body, lType);
  ASSERT_EQ(lParsed.size(), aParts.size());
  for (size_t i = 0; i < aParts.size(); ++i) {
    SCOPED_TRACE(aParts[i].Name);
    EXPECT_EQ(lParsed[i].Name, aParts[i].Name);
    if (aParts[i].IsFile) {
      EXPECT_EQ(lParsed[i].FileName, std::filesystem::path(aParts[i].ValueOrPath).filename());
      EXPECT_EQ(lParsed[i].Data, ozktest::ReadFileBytes(aParts[i].ValueOrPath));
    } else {
      EXPECT_EQ(lParsed[i].FileName, "");
      EXPECT_EQ(lParsed[i].Data, aParts[i].ValueOrPath);
    }
  }
}

class WireCatalogue : public ::testing::TestWithParam<TProviderSetup> {
 protected:
  void Configure(TozkHTTP_API_OpenAI& aClient) {
    ozktest::ConfigureForServer(aClient, GetParam(), FServer.Origin());
  }

  // The request target the case must produce for the configured provider.
  std::string Target(const std::string& aPath) const {
    if (GetParam().Provider == oapvOpenAI) return "/v1" + aPath;
    if (aPath == "/images/generations")
      return "/openai/images/generations:submit?api-version=2024-05-15";
    const char* lJoin = aPath.find('?') == std::string::npos ? "?" : "&";
    return "/openai/deployments/dep-1" + aPath + lJoin + "api-version=2024-05-15";
  }

  std::vector<std::string> ExpectedLines(const TWireCase& aCase) const {
    std::vector<std::string> lLines;
    if (GetParam().Provider == oapvAzure) {
      lLines.push_back("api-key: sk-test");
    } else {
      lLines.push_back("Authorization: Bearer sk-test");
      if (!GetParam().Organization.empty())
        lLines.push_back("OpenAI-Organization: " + U8(GetParam().Organization));
    }
    if (aCase.Beta && aCase.Kind != TBody::Form) lLines.push_back("OpenAI-Beta: assistants=v2");
    if (aCase.Kind == TBody::JSON) lLines.push_back("Content-Type: application/json");
    return lLines;
  }

  TOpenAIRecordingServer FServer;
  TWireFiles FFiles;
};

TEST_P(WireCatalogue, EveryEndpointAndBasicMethod) {
  TozkHTTP_API_OpenAI lClient;
  Configure(lClient);
  const std::vector<std::string> lNames = {"Authorization", "OpenAI-Organization", "api-key",
                                           "OpenAI-Beta", "Content-Type"};
  int lIndex = 0;
  for (const TWireCase& lCase : WireCases()) {
    SCOPED_TRACE(lCase.Name);
    lCase.Call(lClient, FFiles);
    ASSERT_EQ(FServer.Count(), lIndex + 1);
    const TRecordedRequest lRequest = FServer.Request(lIndex++);
    EXPECT_EQ(lRequest.Method, lCase.Method);
    EXPECT_EQ(lRequest.Target, Target(lCase.Path));
    std::vector<std::string> lLines = lRequest.LinesNamed(lNames);
    if (lCase.Kind == TBody::Form) {
      // The multipart body brings its own content type, checked with the parts.
      std::erase_if(lLines, [](const std::string& l) { return l.rfind("Content-Type:", 0) == 0; });
      ExpectParts(lRequest, ExpectedParts(lCase.Name, FFiles));
    } else {
      EXPECT_EQ(lRequest.Body, lCase.Kind == TBody::JSON ? lCase.Body : "");
    }
    EXPECT_EQ(lLines, ExpectedLines(lCase));
  }
}

INSTANTIATE_TEST_SUITE_P(Providers, WireCatalogue,
                         ::testing::Values(TProviderSetup{"OpenAI", oapvOpenAI, u""},
                                           TProviderSetup{"OpenAIWithOrganization", oapvOpenAI,
                                                          u"org-7"},
                                           TProviderSetup{"Azure", oapvAzure, u""}),
                         [](const auto& aInfo) { return std::string(aInfo.param.Name); });

} // namespace
