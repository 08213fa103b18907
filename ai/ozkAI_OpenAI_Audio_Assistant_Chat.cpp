// The Chat Completions workflow of the assistant component: a run is one chat completion over
// the whole history of the current thread, which only the component keeps.
#include "ai/ozkAI_OpenAI_Audio_Assistant.h"

#include "ai/ozkAI_OpenAI_Audio_Assistant_Internal.h"
#include "ai/ozkAI_OpenAI_Audio_Assistant_Transcript.h"

namespace {

// The finish reasons of an answer cut short; any other ends a complete answer.
bool IsCutShort(const std::u16string& aFinishReason) {
  return aFinishReason == u"length" || aFinishReason == u"content_filter";
}

} // namespace

std::unique_ptr<TozkOpenAIClass_Run>
TozkAI_OpenAI_Assistant::ChatCreateRun(const std::u16string& aThreadId) {
  const std::u16string lAssistantId = CurrentAssistantId(u"CreateRun");
  TozkAI_OpenAI_Transcript& lThread = CurrentTranscript(aThreadId, u"CreateRun");
  const TozkAI_OpenAI_Assistant_Options& lOptions = *FAssistantOptions;

  TozkOpenAIClass_Request_ChatCompletion lRequest;
  lRequest.SetModel(EscapePlainMember(lOptions.Model()));
  // The writer places content as it stands: escaped, and a leading bracket kept as text.
  TozkOpenAIArray_Request_Completion_Messages lMessages;
  auto lAdd = [&lMessages](const std::u16string& aRole, const std::u16string& aText) {
    auto lMessage = std::make_unique<TozkOpenAIClass_Request_Completion_Message>();
    lMessage->SetRole(aRole);
    lMessage->SetContent(EscapePlainMember(aText));
    lMessages.push_back(std::move(lMessage));
  };
  const std::u16string lInstructions = lOptions.Instructions().Text();
  if (!lInstructions.empty()) lAdd(u"system", lInstructions);
  for (const TozkAI_OpenAI_TranscriptMessage& lMessage : lThread.Messages())
    lAdd(lMessage.Role, lMessage.Text);
  lRequest.SetMessages(std::move(lMessages));
  lRequest.SetTemperature(lOptions.Temperature());
  lRequest.SetTop_p(lOptions.TopP());

  std::unique_ptr<TozkOpenAIClass_Response_ChatCompletion> lCompletion =
      GetOpenAI()->CreateChatCompletion(lRequest);
  if (!lCompletion) return nullptr;

  TozkAI_OpenAI_TranscriptRun lRun;
  lRun.Id = lCompletion->Id();
  lRun.CreatedAt = lCompletion->Created();
  lRun.Model = lOptions.Model();
  const TozkOpenAIClass_Response_ChatCompletion_Choices* lChoice =
      lCompletion->Choices().empty() ? nullptr : lCompletion->Choices().front().get();
  const TozkOpenAIClass_Response_ChatCompletion_Choices_Message* lAnswer =
      lChoice ? lChoice->_Message() : nullptr;
  if (!lAnswer) {
    // An empty object (a failure that the client's error event took) is no answer either.
    lRun.Status = u"failed";
    lRun.ErrorMessage = u"the service gave no answer";
  } else {
    lRun.Status = IsCutShort(lChoice->FinishReason()) ? u"incomplete" : u"completed";
    if (lRun.Status == u"incomplete") {
      lRun.IncompleteReason = lChoice->FinishReason();
      lRun.ErrorMessage = u"the answer stopped early (" + lRun.IncompleteReason + u")";
    }
  }
  std::unique_ptr<TozkOpenAIClass_Run> lObject = lThread.RecordRun(std::move(lRun), lAssistantId);
  if (lAnswer) {
    TozkAI_OpenAI_TranscriptMessage lEntry;
    lEntry.Role = u"assistant";
    lEntry.Text = lAnswer->Content();
    lEntry.RunId = lObject->Id();
    lThread.Add(std::move(lEntry));
    lThread.MarkSent();
  }
  return lObject;
}
