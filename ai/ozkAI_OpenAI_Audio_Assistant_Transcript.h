// What the assistant component keeps of a thread when the service does not keep it as an
// assistants thread (the Responses and Chat Completions workflows): the messages said so far,
// the answers' runs, and what the next request needs (the previous response of a chain, the
// user messages not sent yet).
//
// The objects handed to callers are those of the assistants object model, read from JSON text
// in the service's own shapes, so a window reads an answer the same way whichever API gave it
// (ContentText with its escapes kept, file citations among the text part's annotations).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "openai/ozkHTTP_API_OpenAI.h"

// One message of a local transcript. Text is decoded; AnnotationsJSON is the JSON text of the
// text part's "annotations" array, in the assistants shape.
struct TozkAI_OpenAI_TranscriptMessage {
  std::u16string Id;
  std::u16string Role;
  std::u16string Text;
  std::u16string RunId;
  std::u16string AnnotationsJSON = u"[]";
  int64_t CreatedAt = 0;
};

// What a run object is made of: an answered response or chat completion. Status is the
// service's ("completed", "incomplete", "failed", ...); ErrorMessage and IncompleteReason say
// why an answer is missing or short.
struct TozkAI_OpenAI_TranscriptRun {
  std::u16string Id;
  std::u16string Status;
  std::u16string ErrorCode;
  std::u16string ErrorMessage;
  std::u16string IncompleteReason;
  std::u16string Model;
  int64_t CreatedAt = 0;
};

class TozkAI_OpenAI_Transcript {
 public:
  TozkAI_OpenAI_Transcript(std::u16string aThreadId, bool aConversation);

  const std::u16string& ThreadId() const { return FThreadId; }
  // True when the service keeps the thread as a conversation; false for a chain of responses
  // or a Chat Completions history, which only this object keeps.
  bool Conversation() const { return FConversation; }
  // The last response of a chain that answered; empty before the first answer.
  const std::u16string& PreviousResponseId() const { return FPreviousResponseId; }
  void SetPreviousResponseId(std::u16string aValue) { FPreviousResponseId = std::move(aValue); }

  const std::vector<TozkAI_OpenAI_TranscriptMessage>& Messages() const { return FMessages; }
  // Adds a message; an empty Id gets a local one. Returns the stored message.
  const TozkAI_OpenAI_TranscriptMessage& Add(TozkAI_OpenAI_TranscriptMessage aMessage);
  // The messages added since the last MarkSent, oldest first: the input that the next
  // response of a chain carries (a failed response leaves them for the next one).
  std::vector<const TozkAI_OpenAI_TranscriptMessage*> Unsent() const;
  void MarkSent() { FSent = FMessages.size(); }

  // A run object of this thread and of the assistant aAssistantId; the last one made is kept,
  // so LastRun can give it again. A run without an id gets a local one.
  std::unique_ptr<TozkOpenAIClass_Run> RecordRun(TozkAI_OpenAI_TranscriptRun aRun,
                                                 const std::u16string& aAssistantId);
  // A new copy of the last recorded run when its id is aRunId; otherwise none.
  std::unique_ptr<TozkOpenAIClass_Run> LastRun(const std::u16string& aRunId) const;
  // A run object of this thread that is not kept.
  std::unique_ptr<TozkOpenAIClass_Run> RunObject(const TozkAI_OpenAI_TranscriptRun& aRun,
                                                 const std::u16string& aAssistantId) const;

  // A message of this thread as an assistants message object.
  std::unique_ptr<TozkOpenAIClass_Message>
  MessageObject(const TozkAI_OpenAI_TranscriptMessage& aMessage) const;
  // The messages as an assistants message list: filtered to aRunId when it is not empty,
  // newest first unless aOrder is "asc", starting after the message aAfter and stopping
  // before the message aBefore (ids; empty for none), at most aLimit of them (1 to 100, with
  // 20 for a value out of that range); has_more tells whether the limit cut the list.
  std::unique_ptr<TozkOpenAIClass_Response_List_Messages>
  MessageList(const std::u16string& aRunId, int32_t aLimit, const std::u16string& aOrder,
              const std::u16string& aAfter, const std::u16string& aBefore) const;

 private:
  std::u16string MessageJSON(const TozkAI_OpenAI_TranscriptMessage& aMessage) const;
  std::u16string RunJSON(const TozkAI_OpenAI_TranscriptRun& aRun,
                         const std::u16string& aAssistantId) const;

  std::u16string FThreadId;
  bool FConversation;
  std::u16string FPreviousResponseId;
  std::vector<TozkAI_OpenAI_TranscriptMessage> FMessages;
  size_t FSent = 0;
  std::u16string FLastRunId;
  std::u16string FLastRunJSON;
  size_t FNextLocalId = 1;
};

// --- JSON text of the assistants shapes ------------------------------------------------------

// aText as a JSON string with its quotes: quote, backslash and control characters escaped,
// everything else as it stands (so a reader that keeps escapes still sees the letters).
std::u16string JSONStringText(std::u16string_view aText);
// A finite number as JSON text, in its shortest form.
std::u16string JSONNumberText(double aValue);
// The current time in seconds since 1970, as the service stamps its objects.
int64_t UnixSeconds();
