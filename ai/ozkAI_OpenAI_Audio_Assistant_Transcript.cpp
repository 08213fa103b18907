// The local transcript of a Responses or Chat Completions thread and the assistants-shaped
// JSON text that its messages are handed out as.
#include "ai/ozkAI_OpenAI_Audio_Assistant_Transcript.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>

#include "base/ozkText.h"

std::u16string JSONStringText(std::u16string_view aText) {
  static const char16_t cHex[] = u"0123456789ABCDEF";
  std::u16string lText;
  lText.reserve(aText.size() + 2);
  lText += u'"';
  for (char16_t c : aText) {
    switch (c) {
    case u'"': lText += u"\\\""; break;
    case u'\\': lText += u"\\\\"; break;
    case u'\n': lText += u"\\n"; break;
    case u'\r': lText += u"\\r"; break;
    case u'\t': lText += u"\\t"; break;
    default:
      if (c < 0x20) {
        lText += u"\\u00";
        lText += cHex[c >> 4];
        lText += cHex[c & 15];
      } else {
        lText += c;
      }
    }
  }
  lText += u'"';
  return lText;
}

std::u16string JSONNumberText(double aValue) {
  if (!std::isfinite(aValue)) return u"null";
  char lBuffer[32];
  auto [lEnd, lError] = std::to_chars(lBuffer, lBuffer + sizeof lBuffer, aValue);
  if (lError != std::errc()) return u"null";
  return std::u16string(lBuffer, lEnd);
}

int64_t UnixSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

TozkAI_OpenAI_Transcript::TozkAI_OpenAI_Transcript(std::u16string aThreadId, bool aConversation)
    : FThreadId(std::move(aThreadId)), FConversation(aConversation) {}

const TozkAI_OpenAI_TranscriptMessage&
TozkAI_OpenAI_Transcript::Add(TozkAI_OpenAI_TranscriptMessage aMessage) {
  if (aMessage.Id.empty()) aMessage.Id = u"msg_local_" + IntToStr(int64_t(FNextLocalId++));
  if (aMessage.CreatedAt == 0) aMessage.CreatedAt = UnixSeconds();
  FMessages.push_back(std::move(aMessage));
  return FMessages.back();
}

std::vector<const TozkAI_OpenAI_TranscriptMessage*> TozkAI_OpenAI_Transcript::Unsent() const {
  std::vector<const TozkAI_OpenAI_TranscriptMessage*> lList;
  for (size_t i = FSent; i < FMessages.size(); ++i) lList.push_back(&FMessages[i]);
  return lList;
}

std::u16string TozkAI_OpenAI_Transcript::RunJSON(const TozkAI_OpenAI_TranscriptRun& aRun,
                                                 const std::u16string& aAssistantId) const {
  std::u16string lJSON = u"{\"id\":" + JSONStringText(aRun.Id) +
                         u",\"object\":\"thread.run\",\"created_at\":" +
                         IntToStr(aRun.CreatedAt) + u",\"assistant_id\":" +
                         JSONStringText(aAssistantId) + u",\"thread_id\":" +
                         JSONStringText(FThreadId) + u",\"status\":" + JSONStringText(aRun.Status);
  lJSON += u",\"last_error\":";
  if (aRun.ErrorCode.empty() && aRun.ErrorMessage.empty())
    lJSON += u"null";
  else
    lJSON += u"{\"code\":" + JSONStringText(aRun.ErrorCode) +
             u",\"message\":" + JSONStringText(aRun.ErrorMessage) + u"}";
  lJSON += u",\"incomplete_details\":";
  if (aRun.IncompleteReason.empty())
    lJSON += u"null";
  else
    lJSON += u"{\"reason\":" + JSONStringText(aRun.IncompleteReason) + u"}";
  return lJSON + u",\"model\":" + JSONStringText(aRun.Model) + u",\"tools\":[],\"metadata\":{}}";
}

std::unique_ptr<TozkOpenAIClass_Run>
TozkAI_OpenAI_Transcript::RunObject(const TozkAI_OpenAI_TranscriptRun& aRun,
                                    const std::u16string& aAssistantId) const {
  return std::make_unique<TozkOpenAIClass_Run>(RunJSON(aRun, aAssistantId));
}

std::unique_ptr<TozkOpenAIClass_Run>
TozkAI_OpenAI_Transcript::RecordRun(TozkAI_OpenAI_TranscriptRun aRun,
                                    const std::u16string& aAssistantId) {
  if (aRun.Id.empty()) aRun.Id = u"run_local_" + IntToStr(int64_t(FNextLocalId++));
  if (aRun.CreatedAt == 0) aRun.CreatedAt = UnixSeconds();
  FLastRunId = aRun.Id;
  FLastRunJSON = RunJSON(aRun, aAssistantId);
  return std::make_unique<TozkOpenAIClass_Run>(FLastRunJSON);
}

std::unique_ptr<TozkOpenAIClass_Run>
TozkAI_OpenAI_Transcript::LastRun(const std::u16string& aRunId) const {
  if (FLastRunId.empty() || aRunId != FLastRunId) return nullptr;
  return std::make_unique<TozkOpenAIClass_Run>(FLastRunJSON);
}

std::u16string
TozkAI_OpenAI_Transcript::MessageJSON(const TozkAI_OpenAI_TranscriptMessage& aMessage) const {
  std::u16string lJSON = u"{\"id\":" + JSONStringText(aMessage.Id) +
                         u",\"object\":\"thread.message\",\"created_at\":" +
                         IntToStr(aMessage.CreatedAt) +
                         u",\"thread_id\":" + JSONStringText(FThreadId) +
                         u",\"status\":\"completed\",\"role\":" + JSONStringText(aMessage.Role) +
                         u",\"content\":[{\"type\":\"text\",\"text\":{\"value\":" +
                         JSONStringText(aMessage.Text) + u",\"annotations\":" +
                         aMessage.AnnotationsJSON + u"}}]";
  lJSON += u",\"run_id\":" + (aMessage.RunId.empty() ? u"null" : JSONStringText(aMessage.RunId));
  return lJSON + u",\"attachments\":[],\"metadata\":{}}";
}

std::unique_ptr<TozkOpenAIClass_Message>
TozkAI_OpenAI_Transcript::MessageObject(const TozkAI_OpenAI_TranscriptMessage& aMessage) const {
  return std::make_unique<TozkOpenAIClass_Message>(MessageJSON(aMessage));
}

std::unique_ptr<TozkOpenAIClass_Response_List_Messages>
TozkAI_OpenAI_Transcript::MessageList(const std::u16string& aRunId, int32_t aLimit,
                                      const std::u16string& aOrder, const std::u16string& aAfter,
                                      const std::u16string& aBefore) const {
  std::vector<const TozkAI_OpenAI_TranscriptMessage*> lList;
  for (const TozkAI_OpenAI_TranscriptMessage& lMessage : FMessages)
    if (aRunId.empty() || lMessage.RunId == aRunId) lList.push_back(&lMessage);
  if (aOrder != u"asc") std::reverse(lList.begin(), lList.end());

  // The cursors are message ids in the list's order; an id that is not there leaves the list
  // as it is, like an id of another thread would on the service.
  auto lFind = [&](const std::u16string& aId) {
    return std::find_if(lList.begin(), lList.end(),
                        [&](const TozkAI_OpenAI_TranscriptMessage* m) { return m->Id == aId; });
  };
  if (!aBefore.empty())
    if (auto lAt = lFind(aBefore); lAt != lList.end()) lList.erase(lAt, lList.end());
  if (!aAfter.empty())
    if (auto lAt = lFind(aAfter); lAt != lList.end()) lList.erase(lList.begin(), lAt + 1);

  const size_t lLimit = aLimit >= 1 && aLimit <= 100 ? size_t(aLimit) : 20;
  const bool lMore = lList.size() > lLimit;
  if (lMore) lList.resize(lLimit);

  std::u16string lJSON = u"{\"object\":\"list\",\"data\":[";
  for (size_t i = 0; i < lList.size(); ++i) {
    if (i > 0) lJSON += u',';
    lJSON += MessageJSON(*lList[i]);
  }
  lJSON += u"],\"first_id\":" + (lList.empty() ? u"null" : JSONStringText(lList.front()->Id));
  lJSON += u",\"last_id\":" + (lList.empty() ? u"null" : JSONStringText(lList.back()->Id));
  lJSON += lMore ? u",\"has_more\":true}" : u",\"has_more\":false}";
  return std::make_unique<TozkOpenAIClass_Response_List_Messages>(lJSON);
}
