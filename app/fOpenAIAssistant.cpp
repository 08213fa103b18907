#include "app/fOpenAIAssistant.h"

#include <exception>

#include "base/ozkFileUtils.h"
#include "base/ozkText.h"

namespace {

// Shows the busy cursor for its life: the normal cursor comes back however the step ends.
class TBusyCursor {
 public:
  explicit TBusyCursor(IOpenAIAssistantView& aView) : FView(aView) { FView.ShowBusyCursor(); }
  ~TBusyCursor() { FView.ShowNormalCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  IOpenAIAssistantView& FView;
};

std::u16string MessageOfCurrentException() {
  try {
    throw;
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return UTF8ToUTF16(e.what());
  } catch (...) {
    return u"Unknown error";
  }
}

struct TPreset {
  const char16_t* FName;
  const char16_t* FInstructions;
  bool FFileSearch;
  bool FCodeInterpreter;
  const char16_t* FMessage;
};

const TPreset Presets[] = {
    {u"Delphi Math Tutor",
     u"You are a personal math tutor. Answer questions briefly, in a sentence or less. When asked "
     u"a question, use Delphicode to answer the question.",
     false, true, u"I need to solve the equation `3x + 11 = 14`. Can you help me?"},
    {u"Brindlecast HelpDesk",
     u"You are a Brindlecast HelpDesk Agent. Answer questions briefly, in a sentence or less. When "
     u"asked a question, use the manual to answer the question.",
     true, false,
     u"Create a Delphi WebSocketClient that connects to Marrowind WebSocket server and when the "
     u"message is received it echoes to the server."},
};

} // namespace

TFRMOpenAIAssistant::TFRMOpenAIAssistant(IOpenAIAssistantView& aView,
                                         std::u16string aSettingsFileName)
    : FView(aView), FSettingsFileName(std::move(aSettingsFileName)),
      FAssistantComponent(std::make_unique<TozkAIOpenAIAssistant>()) {
  TozkHTTPOpenAI_Options& o = FAssistantComponent->OpenAIOptions();
  o.SetProvider(oapvOpenAI);
  o.AzureOptions().SetAPIVersion(u"2024-05-15");
  o.HttpOptions().SetReadTimeout(0);
  o.LogOptions().SetEnabled(true);
  o.LogOptions().SetFileName(u"openai.txt");
  o.RetryOptions().SetEnabled(false);
  o.RetryOptions().SetRetries(3);
  o.RetryOptions().SetWait(10000);
  TozkAI_OpenAI_Assistant_Options& a = FAssistantComponent->AssistantOptions();
  a.Tools().FileSearch().SetEnabled(false);
  a.Tools().CodeInterpreter().SetEnabled(false);
  a.Tools().Functions().SetEnabled(false);
  a.SetTemperature(1.0);
  a.SetTopP(1.0);
}

TFRMOpenAIAssistant::~TFRMOpenAIAssistant() = default;

void TFRMOpenAIAssistant::FormCreate() {
  try {
    LoadSettings();
    if (!FView.GetText(afAPIKey).empty()) {
      FView.ShowTab(atLog);
      SetupAssistant();
    } else {
      FView.ShowTab(atConfiguration);
    }
  } catch (...) {
    FView.ShowError(u"Initialization error: " + MessageOfCurrentException());
    FView.Terminate();
  }
}

void TFRMOpenAIAssistant::FormDestroy() {
  SaveSettings();
}

void TFRMOpenAIAssistant::RunEvent(void (TFRMOpenAIAssistant::*aHandler)()) {
  try {
    (this->*aHandler)();
  } catch (...) {
    FView.ShowError(MessageOfCurrentException());
  }
}

bool TFRMOpenAIAssistant::SetupAssistant() {
  const std::u16string apiKey = FView.GetText(afAPIKey);
  if (apiKey.empty()) throw Exception(u"Set First the OpenAI API Key!!!");

  TozkHTTPOpenAI_Options& o = FAssistantComponent->OpenAIOptions();
  o.SetApiKey(apiKey);
  const std::u16string baseURL = Trim(FView.GetText(afBaseURL));
  o.SetBaseURL(baseURL.empty() ? TozkHTTPOpenAI_Options().BaseURL() : baseURL);

  TozkAI_OpenAI_Assistant_Options& a = FAssistantComponent->AssistantOptions();
  a.SetName(FView.GetText(afAssistantName));
  a.Instructions().SetText(FView.GetMemoText(amAssistantInstructions));
  a.SetModel(FView.GetText(afAssistantModel));
  a.Tools().FileSearch().SetEnabled(FView.GetChecked(acFileSearch));
  a.Tools().CodeInterpreter().SetEnabled(FView.GetChecked(acCodeInterpreter));
  a.SetTemperature(static_cast<double>(FView.GetPosition(asTemperature)));
  a.SetTopP(static_cast<double>(FView.GetPosition(asTopP)));

  if (FAssistantId.empty()) {
    FAssistant = FAssistantComponent->CreateAssistant();
    if (FAssistant) {
      FThread = FAssistantComponent->CreateThread();
      AddLog(u"#create assistant: " + FAssistant->Id());
    }
  } else {
    FAssistant = FAssistantComponent->GetAssistant(FAssistantId);
    if (FAssistant) FThread = FAssistantComponent->CreateThread();
  }
  RefreshVectorStoreFiles();
  if (FAssistant) FAssistantId = FAssistant->Id();

  bool ready = !FAssistantId.empty() && FThread != nullptr;
  if (ready && FView.GetAssistantIndex() == 1) ready = FView.VectorStoreFileCount() > 0;
  return ready;
}

void TFRMOpenAIAssistant::btnCreateAssistantClick() {
  FAssistantId.clear();
  if (SetupAssistant()) FView.ShowTab(atLog);
}

void TFRMOpenAIAssistant::btnSendMessageClick() {
  if (!FAssistant) throw Exception(u"Before send a message create an Assistant!!!");
  if (!FThread) throw Exception(u"Before send a message create a Thread!!!");

  const std::u16string text = FView.GetMemoText(amMessage);
  AddLog(u"[user]: " + text);
  TBusyCursor busy(FView);

  const std::u16string threadId = FThread->Id();
  auto message = FAssistantComponent->CreateMessageText(threadId, text, u"user");
  if (!message) return;
  auto run = FAssistantComponent->CreateRunAndWait(threadId, 10000);
  if (!run) return;
  // A run that did not complete would otherwise leave the log silent: say why.
  const std::u16string problem = TozkAIOpenAIAssistant::RunProblem(*run);
  if (!problem.empty()) AddLog(u"[run]: " + problem);

  auto list = FAssistantComponent->GetMessages(threadId, run->Id(), 20, u"desc", u"", u"");
  if (!list || list->Messages().empty()) return;
  FView.SetMemoText(amMessage, u"");
  for (const auto& m : list->Messages()) {
    if (!m) continue;
    AddLog(u"[assistant]: " + UnescapeAnswer(m->ContentText() + u"\r\n"));
  }
}

void TFRMOpenAIAssistant::btnVectorStoreUploadFileClick() {
  if (FAssistantId.empty()) throw Exception(u"Create First an Assistant!!!");
  std::u16string fileName;
  if (!FView.ChooseFile(fileName)) return;
  TBusyCursor busy(FView);
  FAssistantComponent->UploadVectorStoreFile(FView.GetText(afVectorStore), fileName);
  RefreshVectorStoreFiles();
  FThread = FAssistantComponent->CreateThread();
}

void TFRMOpenAIAssistant::cboAssistantChange() {
  const int index = FView.GetAssistantIndex();
  if (index < 0 || index >= static_cast<int>(std::size(Presets))) return;
  const TPreset& p = Presets[index];
  FView.SetText(afAssistantName, p.FName);
  FView.SetMemoText(amAssistantInstructions, p.FInstructions);
  FView.SetChecked(acFileSearch, p.FFileSearch);
  FView.SetChecked(acCodeInterpreter, p.FCodeInterpreter);
  FView.SetMemoText(amMessage, p.FMessage);
}

void TFRMOpenAIAssistant::RefreshVectorStoreFiles() {
  FView.ClearVectorStoreFiles();
  auto list = FAssistantComponent->GetVectorStoreFiles(FView.GetText(afVectorStore));
  if (!list) return;
  for (const auto& f : list->VectorStoreFiles())
    if (f) FView.AddVectorStoreFile(f->Id());
}

void TFRMOpenAIAssistant::AddLog(const std::u16string& aText) {
  FView.AddLogEntry(aText);
}

std::u16string TFRMOpenAIAssistant::UnescapeAnswer(const std::u16string& aText) {
  return ReplaceAll(ReplaceAll(aText, u"\\n", u"\r\n"), u"\\\\", u"");
}

std::u16string SettingsFileNameFor(const std::u16string& aExecutablePath) {
  const std::u16string ext = ExtractFileExt(aExecutablePath);
  return aExecutablePath.substr(0, aExecutablePath.size() - ext.size()) + u".ini";
}
