// The Responses workflow of the assistant component, and what the Chat Completions workflow
// shares with it: the assistant made from the local configuration, threads that the component
// keeps as a transcript, messages, runs, and the store that file search points at.
#include "ai/ozkAI_OpenAI_Audio_Assistant.h"

#include "ai/ozkAI_OpenAI_Audio_Assistant_Internal.h"
#include "ai/ozkAI_OpenAI_Audio_Assistant_Transcript.h"
#include "base/ozkFormat.h"
#include "base/ozkText.h"

namespace {

// The id of the assistant that only the component holds. Any id fetches it.
constexpr char16_t cLocalAssistantId[] = u"asst_local";

bool StartsWith(const std::u16string& aText, std::u16string_view aPrefix) {
  return aText.compare(0, aPrefix.size(), aPrefix) == 0;
}

std::u16string ThreadJSON(const std::u16string& aId, int64_t aCreatedAt) {
  return u"{\"id\":" + JSONStringText(aId) + u",\"object\":\"thread\",\"created_at\":" +
         IntToStr(aCreatedAt) + u",\"metadata\":{}}";
}

// The answer of one output message: its text parts one after the other (a refusal's text when
// there is no other), and their file citations and file paths in the assistants shape, with
// each position moved by the length of the parts before it.
struct TAnswer {
  std::u16string Text;
  std::u16string AnnotationsJSON;
};

TAnswer AnswerOf(const TozkOpenAIClass_ResponseItem_Message& aMessage) {
  TAnswer lAnswer;
  std::u16string lRefusal;
  std::u16string lAnnotations;
  // Each annotation is appended piece by piece (no temporary string per "+"): its type, its
  // text and its position (index, start and end alike), then the caller adds the rest.
  auto lBegin = [&](std::u16string_view aType, const std::u16string& aTextJSON, int64_t aIndex) {
    if (!lAnnotations.empty()) lAnnotations += u',';
    const std::u16string lAt = IntToStr(aIndex);
    lAnnotations += u"{\"type\":\"";
    lAnnotations += aType;
    lAnnotations += u"\",\"text\":";
    lAnnotations += aTextJSON;
    for (const char16_t* lKey : {u",\"index\":", u",\"start_index\":", u",\"end_index\":"}) {
      lAnnotations += lKey;
      lAnnotations += lAt;
    }
  };
  for (const auto& lPart : aMessage.Content()) {
    if (!lPart) continue;
    if (lPart->_Type() == u"refusal") {
      lRefusal += lPart->Text();
      continue;
    }
    const int64_t lOffset = static_cast<int64_t>(lAnswer.Text.size());
    for (const auto& lNote : lPart->Annotations()) {
      if (auto* lCitation =
              dynamic_cast<const TozkOpenAIClass_ResponseAnnotation_FileCitation*>(lNote.get())) {
        lBegin(u"file_citation", JSONStringText(lCitation->Filename()),
               lOffset + lCitation->_Index());
        lAnnotations += u",\"file_citation\":{\"file_id\":";
        lAnnotations += JSONStringText(lCitation->FileId());
        lAnnotations += u",\"quote\":\"\"}}";
      } else if (auto* lPath = dynamic_cast<const TozkOpenAIClass_ResponseAnnotation_FilePath*>(
                     lNote.get())) {
        lBegin(u"file_path", u"\"\"", lOffset + lPath->_Index());
        lAnnotations += u",\"file_path\":{\"file_id\":";
        lAnnotations += JSONStringText(lPath->FileId());
        lAnnotations += u"}}";
      }
    }
    lAnswer.Text += lPart->Text();
  }
  if (!aMessage.ContentText().empty()) lAnswer.Text = aMessage.ContentText();
  if (lAnswer.Text.empty()) lAnswer.Text = lRefusal;
  lAnswer.AnnotationsJSON = u"[" + lAnnotations + u"]";
  return lAnswer;
}

TozkAI_OpenAI_TranscriptRun RunOf(TozkOpenAIClass_Response& aResponse) {
  TozkAI_OpenAI_TranscriptRun lRun;
  lRun.Id = aResponse.Id();
  lRun.Status = aResponse.Status();
  lRun.Model = aResponse.Model();
  lRun.CreatedAt = aResponse.CreatedAt();
  if (const TozkOpenAIClass_Last_Error* lError = aResponse.Error()) {
    lRun.ErrorCode = lError->Code();
    lRun.ErrorMessage = lError->_Message();
  }
  lRun.IncompleteReason = aResponse.IncompleteDetails();
  // An incomplete answer says why in the run's problem line, as a failed one does.
  if (lRun.Status == u"incomplete" && lRun.ErrorMessage.empty() && !lRun.IncompleteReason.empty())
    lRun.ErrorMessage = u"the answer stopped early (" + lRun.IncompleteReason + u")";
  return lRun;
}

} // namespace

// --- The local assistant and threads ---------------------------------------------------------

TozkOpenAIClass_Assistant* TozkAI_OpenAI_Assistant::LocalAssistant() {
  const TozkAI_OpenAI_Assistant_Options& lOptions = *FAssistantOptions;
  std::u16string lTools;
  if (FAPI == oaapiResponses) {
    if (lOptions.Tools().CodeInterpreter().Enabled()) lTools += u"{\"type\":\"code_interpreter\"}";
    if (lOptions.Tools().FileSearch().Enabled())
      lTools += std::u16string(lTools.empty() ? u"" : u",") + u"{\"type\":\"file_search\"}";
  }
  FAssistant = std::make_unique<TozkOpenAIClass_Assistant>(
      u"{\"id\":" + JSONStringText(cLocalAssistantId) +
      u",\"object\":\"assistant\",\"created_at\":" + IntToStr(UnixSeconds()) + u",\"name\":" +
      JSONStringText(lOptions.Name()) + u",\"description\":null,\"model\":" +
      JSONStringText(lOptions.Model()) + u",\"instructions\":" +
      JSONStringText(lOptions.Instructions().Text()) + u",\"tools\":[" + lTools +
      u"],\"metadata\":{},\"temperature\":" + JSONNumberText(lOptions.Temperature()) +
      u",\"top_p\":" + JSONNumberText(lOptions.TopP()) + u"}");
  return FAssistant.get();
}

TozkOpenAIClass_Thread*
TozkAI_OpenAI_Assistant::SetLocalThread(std::unique_ptr<TozkAI_OpenAI_Transcript> aTranscript,
                                        int64_t aCreatedAt) {
  auto lThread =
      std::make_unique<TozkOpenAIClass_Thread>(ThreadJSON(aTranscript->ThreadId(), aCreatedAt));
  FTranscript = std::move(aTranscript);
  FThread = std::move(lThread);
  return FThread.get();
}

TozkOpenAIClass_Thread* TozkAI_OpenAI_Assistant::ResponsesCreateThread() {
  TozkOpenAIClass_Request_Conversation lRequest;
  std::unique_ptr<TozkOpenAIClass_Conversation> lConversation;
  try {
    lConversation = GetOpenAI()->CreateConversation(lRequest);
  } catch (const EIdHTTPProtocolException& e) {
    // A service without conversations: the thread becomes a chain of responses instead.
    if (e.ErrorCode() != 404) throw;
  }
  if (!lConversation)
    return SetLocalThread(std::make_unique<TozkAI_OpenAI_Transcript>(
                              cChainThreadPrefix + IntToStr(++FLocalThreads), false),
                          UnixSeconds());
  const int64_t lCreatedAt = lConversation->CreatedAt();
  return SetLocalThread(std::make_unique<TozkAI_OpenAI_Transcript>(lConversation->Id(), true),
                        lCreatedAt ? lCreatedAt : UnixSeconds());
}

TozkOpenAIClass_Thread* TozkAI_OpenAI_Assistant::LocalGetThread(const std::u16string& aThreadId) {
  if (FTranscript && FTranscript->ThreadId() == aThreadId) return FThread.get();
  if (FAPI == oaapiChatCompletions || StartsWith(aThreadId, cChainThreadPrefix) ||
      StartsWith(aThreadId, cChatThreadPrefix))
    throw EozkAI_OpenAI_Assistant(
        Format(u"GetThread: the thread %s is kept only while it is the current thread", aThreadId));
  // A conversation on the service; what was said before is there, not in the new transcript.
  std::unique_ptr<TozkOpenAIClass_Conversation> lConversation =
      GetOpenAI()->RetrieveConversation(aThreadId);
  const int64_t lCreatedAt = lConversation->CreatedAt();
  return SetLocalThread(std::make_unique<TozkAI_OpenAI_Transcript>(lConversation->Id(), true),
                        lCreatedAt ? lCreatedAt : UnixSeconds());
}

TozkAI_OpenAI_Transcript&
TozkAI_OpenAI_Assistant::CurrentTranscript(const std::u16string& aThreadId,
                                           const char16_t* aOperation) {
  if (!FTranscript || FTranscript->ThreadId() != aThreadId)
    throw EozkAI_OpenAI_Assistant(
        Format(u"%s needs the current thread: %s is not it; create or fetch a thread first",
               aOperation, aThreadId));
  return *FTranscript;
}

// --- Messages and runs -----------------------------------------------------------------------

std::unique_ptr<TozkOpenAIClass_Message> TozkAI_OpenAI_Assistant::LocalCreateMessage(
    const std::u16string& aThreadId, const std::u16string& aText, const std::u16string& aRole) {
  TozkAI_OpenAI_Transcript& lThread = CurrentTranscript(aThreadId, u"CreateMessageText");
  TozkAI_OpenAI_TranscriptMessage lMessage;
  lMessage.Role = aRole;
  lMessage.Text = aText;
  if (FAPI == oaapiResponses && lThread.Conversation()) {
    // Added to the conversation at once, like a message to an assistants thread: it stays
    // there whatever the response does.
    TozkOpenAIClass_Request_ConversationItems lRequest;
    auto lItem = std::make_unique<TozkOpenAIClass_ResponseItem_Message>();
    lItem->SetRole(aRole);
    lItem->SetContentText(EscapeJSONString(aText));
    lRequest.Items().push_back(std::move(lItem));
    std::unique_ptr<TozkOpenAIClass_Response_List_Items> lList =
        GetOpenAI()->CreateConversationItems(aThreadId, lRequest);
    if (lList && !lList->Items().empty() && lList->Items().front())
      lMessage.Id = lList->Items().front()->Id();
    lThread.Add(std::move(lMessage));
    // The conversation holds it now; the next response reads it from there.
    lThread.MarkSent();
    return lThread.MessageObject(lThread.Messages().back());
  }
  return lThread.MessageObject(lThread.Add(std::move(lMessage)));
}

std::u16string TozkAI_OpenAI_Assistant::FileSearchStoreId() {
  if (FVectorStoreName.empty()) return std::u16string();
  if (FVectorStoreIdName != FVectorStoreName) {
    std::unique_ptr<TozkOpenAIClass_VectorStore> lStore = DoFindVectorStore(FVectorStoreName);
    FVectorStoreIdName = FVectorStoreName;
    FVectorStoreId = lStore ? lStore->Id() : std::u16string();
  }
  return FVectorStoreId;
}

std::unique_ptr<TozkOpenAIClass_Run>
TozkAI_OpenAI_Assistant::ResponsesCreateRun(const std::u16string& aThreadId) {
  const std::u16string lAssistantId = CurrentAssistantId(u"CreateRun");
  TozkAI_OpenAI_Transcript& lThread = CurrentTranscript(aThreadId, u"CreateRun");
  const TozkAI_OpenAI_Assistant_Options& lOptions = *FAssistantOptions;

  TozkOpenAIClass_Request_Response lRequest;
  lRequest.SetModel(EscapePlainMember(lOptions.Model()));
  // Sent with every response: a chain does not carry the previous response's instructions.
  const std::u16string lInstructions = lOptions.Instructions().Text();
  if (!lInstructions.empty()) lRequest.SetInstructions(EscapeJSONString(lInstructions));
  if (lThread.Conversation()) {
    lRequest.SetConversation(aThreadId);
  } else {
    lRequest.SetPreviousResponseId(lThread.PreviousResponseId());
    TozkOpenAIArray_ResponseItems lInput;
    for (const TozkAI_OpenAI_TranscriptMessage* lMessage : lThread.Unsent()) {
      auto lItem = std::make_unique<TozkOpenAIClass_ResponseItem_Message>();
      lItem->SetRole(lMessage->Role);
      lItem->SetContentText(EscapeJSONString(lMessage->Text));
      lInput.push_back(std::move(lItem));
    }
    lRequest.SetInput(std::move(lInput));
  }

  // The assistants order: code interpreter, then file search.
  TozkOpenAIArray_ResponseTools lTools;
  if (lOptions.Tools().CodeInterpreter().Enabled())
    lTools.push_back(std::make_unique<TozkOpenAIClass_ResponseTool_CodeInterpreter>());
  if (lOptions.Tools().FileSearch().Enabled()) {
    // Without a store there is nothing to search: the tool is left out.
    const std::u16string lStoreId = FileSearchStoreId();
    if (!lStoreId.empty()) {
      auto lFileSearch = std::make_unique<TozkOpenAIClass_ResponseTool_FileSearch>();
      lFileSearch->VectorStoreIds()->Add(lStoreId);
      lTools.push_back(std::move(lFileSearch));
    }
  }
  lRequest.SetTools(std::move(lTools));
  lRequest.SetTemperature(lOptions.Temperature());
  lRequest.SetTopP(lOptions.TopP());
  if (OnTextDelta) lRequest.SetStream(true);

  // A stream cut off raises here, after its pieces went to OnTextDelta; the transcript keeps
  // nothing of that answer, and a chain's unsent messages go with the next response.
  std::unique_ptr<TozkOpenAIClass_Response> lResponse =
      GetOpenAI()->CreateResponse(lRequest, OnTextDelta);
  if (!lResponse) return nullptr;

  TozkAI_OpenAI_TranscriptRun lRun = RunOf(*lResponse);
  // Only an answer the service finished is kept: an empty object (a failure that the client's
  // error event took) or a failed response leaves the thread as it was.
  const bool lAnswered =
      !lRun.Id.empty() && (lRun.Status == u"completed" || lRun.Status == u"incomplete");
  if (lAnswered) {
    for (const auto& lItem : lResponse->Output()) {
      auto* lMessage = dynamic_cast<const TozkOpenAIClass_ResponseItem_Message*>(lItem.get());
      if (!lMessage || (!lMessage->Role().empty() && lMessage->Role() != u"assistant")) continue;
      TAnswer lAnswer = AnswerOf(*lMessage);
      TozkAI_OpenAI_TranscriptMessage lEntry;
      lEntry.Id = lMessage->Id();
      lEntry.Role = u"assistant";
      lEntry.Text = std::move(lAnswer.Text);
      lEntry.AnnotationsJSON = std::move(lAnswer.AnnotationsJSON);
      lEntry.RunId = lRun.Id;
      lThread.Add(std::move(lEntry));
    }
    lThread.MarkSent();
    if (!lThread.Conversation()) lThread.SetPreviousResponseId(lRun.Id);
  }
  return lThread.RecordRun(std::move(lRun), lAssistantId);
}

std::unique_ptr<TozkOpenAIClass_Run>
TozkAI_OpenAI_Assistant::LocalGetRun(const std::u16string& aThreadId,
                                     const std::u16string& aRunId) {
  TozkAI_OpenAI_Transcript& lThread = CurrentTranscript(aThreadId, u"GetRun");
  if (std::unique_ptr<TozkOpenAIClass_Run> lRun = lThread.LastRun(aRunId)) return lRun;
  if (FAPI == oaapiChatCompletions)
    throw EozkAI_OpenAI_Assistant(
        Format(u"GetRun: Chat Completions keeps only the last run, and %s is not it", aRunId));
  std::unique_ptr<TozkOpenAIClass_Response> lResponse = GetOpenAI()->RetrieveResponse(aRunId);
  return lThread.RunObject(RunOf(*lResponse), FAssistant ? FAssistant->Id() : std::u16string());
}
