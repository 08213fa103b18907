// The typed methods of responses and conversations on the REST client: their URLs, headers and
// retries, and the streamed form of CreateResponse, which reads the answer's events as they
// arrive and reports only a response that the service finished.
#include "openai/ozkHTTP_API_OpenAI_Client.h"

namespace {

template <class T> std::unique_ptr<T> Make(const std::u16string& aText) {
  return std::make_unique<T>(aText);
}

std::u16string Id(const std::u16string& aId) {
  return PercentEncode(aId);
}

// What the events of a streamed response leave behind: the final response, or the failure.
struct TResponseStream {
  std::unique_ptr<TozkOpenAIClass_Response> Final;
  bool Failed = false;
  std::u16string Code;
  std::u16string Message;

  // Takes one event; true when it ends the stream.
  bool Take(const TozkSSEEvent& aEvent, const TozkOpenAITextDeltaEvent& aOnDelta) {
    TozkOpenAIClass_ResponseStreamEvent lEvent(aEvent.Data);
    const std::u16string& lType = lEvent._Type().empty() ? aEvent.Event : lEvent._Type();
    if (lType == u"response.output_text.delta") {
      if (aOnDelta && !lEvent.Delta().empty()) aOnDelta(lEvent.Delta());
      return false;
    }
    if (lType == u"response.completed" || lType == u"response.incomplete") {
      Final = lEvent.TakeResponse();
      if (!Final) Fail(u"", u"The final event carries no response.");
      return true;
    }
    if (lType == u"response.failed") {
      const TozkOpenAIClass_Response* lResponse = lEvent.Response();
      const TozkOpenAIClass_Last_Error* lError = lResponse ? lResponse->Error() : nullptr;
      Fail(lError ? lError->Code() : u"", lError ? lError->_Message() : u"");
      return true;
    }
    if (lType == u"error") {
      Fail(lEvent.Code(), lEvent._Message());
      return true;
    }
    return false;
  }

  void Fail(const std::u16string& aCode, const std::u16string& aMessage) {
    Failed = true;
    Code = aCode;
    Message = aMessage;
  }
};

} // namespace

EozkOpenAIResponseError::EozkOpenAIResponseError(const std::u16string& aCode,
                                                 const std::u16string& aMessage)
    : Exception(u"The response failed: " + (aMessage.empty() ? u"no reason given" : aMessage) +
                (aCode.empty() ? u"" : u" (" + aCode + u")")),
      FCode(aCode) {}

std::u16string TozkHTTP_API_OpenAI::ResponsesURL(const std::u16string& aPath) {
  const TozkHTTPOpenAI_Options& lOptions = OpenAIOptions();
  if (lOptions.Provider() == oapvAzure)
    return lOptions.AzureOptions().EffectiveEndpoint() + u"/openai/v1" + aPath;
  std::u16string lOrigin = lOptions.BaseURL();
  if (!lOrigin.empty() && lOrigin.back() == u'/') lOrigin.pop_back();
  return lOrigin + u"/v1" + aPath;
}

std::u16string TozkHTTP_API_OpenAI::DoResponsesRequest(const std::u16string& aMethod,
                                                       const std::u16string& aPath,
                                                       const std::u16string& aBody) {
  SyncLogOptions();
  TStringList lHeaders;
  AddAuthenticationHeaders(lHeaders);
  if (!aBody.empty()) lHeaders.Add(u"Content-Type: application/json");
  return DoExecute(aMethod, ResponsesURL(aPath), lHeaders, aBody, nullptr);
}

std::unique_ptr<TozkOpenAIClass_Response>
TozkHTTP_API_OpenAI::CreateResponse(TozkOpenAIClass_Request_Response& aRequest,
                                    const TozkOpenAITextDeltaEvent& aOnDelta) {
  if (aRequest.Stream()) return DoCreateResponseStream(aRequest, aOnDelta);
  return Make<TozkOpenAIClass_Response>(
      DoResponsesRequest(u"POST", u"/responses", aRequest.AsString()));
}

std::unique_ptr<TozkOpenAIClass_Response>
TozkHTTP_API_OpenAI::DoCreateResponseStream(TozkOpenAIClass_Request_Response& aRequest,
                                            const TozkOpenAITextDeltaEvent& aOnDelta) {
  SyncLogOptions();
  TStringList lHeaders;
  AddAuthenticationHeaders(lHeaders);
  lHeaders.Add(u"Content-Type: application/json");
  const std::u16string lURL = ResponsesURL(u"/responses");
  const std::u16string lBody = aRequest.AsString();
  const TozkHTTPOpenAIRetry_Options& lRetry = OpenAIOptions().RetryOptions();
  FReadTimeout = OpenAIOptions().HttpOptions().ReadTimeout();
  TResponseStream lStream;
  bool lDone = false;
  // An error status comes before any event, so repeating the request repeats nothing the
  // caller has seen; the rules are those of every other request.
  for (int lRetries = 0;; ++lRetries) {
    try {
      lDone = PostEvents(lURL, lBody, &lHeaders, [&](const TozkSSEEvent& aEvent) {
        return lStream.Take(aEvent, aOnDelta);
      });
      break;
    } catch (const EIdHTTPProtocolException& e) {
      if (!lRetry.Enabled()) throw;
      if (e.ErrorCode() == 429) DoRetryWait(lRetry.Wait());
      if (lRetries >= lRetry.Retries()) throw;
    }
  }
  if (lStream.Failed) throw EozkOpenAIResponseError(lStream.Code, lStream.Message);
  // A failure that OnHTTPAPIException took gives an empty object, never the partial answer.
  if (!lDone || !lStream.Final) return std::make_unique<TozkOpenAIClass_Response>();
  return std::move(lStream.Final);
}

std::unique_ptr<TozkOpenAIClass_Response>
TozkHTTP_API_OpenAI::RetrieveResponse(const std::u16string& aResponseId) {
  return Make<TozkOpenAIClass_Response>(
      DoResponsesRequest(u"GET", u"/responses/" + Id(aResponseId)));
}

std::unique_ptr<TozkOpenAIClass_Response_Delete>
TozkHTTP_API_OpenAI::DeleteResponse(const std::u16string& aResponseId) {
  return Make<TozkOpenAIClass_Response_Delete>(
      DoResponsesRequest(u"DELETE", u"/responses/" + Id(aResponseId)));
}

std::unique_ptr<TozkOpenAIClass_Response>
TozkHTTP_API_OpenAI::CancelResponse(const std::u16string& aResponseId) {
  return Make<TozkOpenAIClass_Response>(
      DoResponsesRequest(u"POST", u"/responses/" + Id(aResponseId) + u"/cancel"));
}

std::unique_ptr<TozkOpenAIClass_Response_List_Items>
TozkHTTP_API_OpenAI::ListResponseInputItems(const std::u16string& aResponseId, int aLimit,
                                            const std::u16string& aOrder,
                                            const std::u16string& aAfter) {
  return Make<TozkOpenAIClass_Response_List_Items>(
      DoResponsesRequest(u"GET", u"/responses/" + Id(aResponseId) + u"/input_items" +
                                     ListingQuery(aLimit, aOrder, aAfter, std::u16string())));
}

std::unique_ptr<TozkOpenAIClass_Conversation>
TozkHTTP_API_OpenAI::CreateConversation(TozkOpenAIClass_Request_Conversation& aRequest) {
  return Make<TozkOpenAIClass_Conversation>(
      DoResponsesRequest(u"POST", u"/conversations", aRequest.AsString()));
}

std::unique_ptr<TozkOpenAIClass_Conversation>
TozkHTTP_API_OpenAI::RetrieveConversation(const std::u16string& aConversationId) {
  return Make<TozkOpenAIClass_Conversation>(
      DoResponsesRequest(u"GET", u"/conversations/" + Id(aConversationId)));
}

std::unique_ptr<TozkOpenAIClass_Conversation>
TozkHTTP_API_OpenAI::UpdateConversation(const std::u16string& aConversationId,
                                        TozkOpenAIClass_Request_ConversationUpdate& aRequest) {
  return Make<TozkOpenAIClass_Conversation>(
      DoResponsesRequest(u"POST", u"/conversations/" + Id(aConversationId), aRequest.AsString()));
}

std::unique_ptr<TozkOpenAIClass_Response_Delete>
TozkHTTP_API_OpenAI::DeleteConversation(const std::u16string& aConversationId) {
  return Make<TozkOpenAIClass_Response_Delete>(
      DoResponsesRequest(u"DELETE", u"/conversations/" + Id(aConversationId)));
}

std::unique_ptr<TozkOpenAIClass_Response_List_Items>
TozkHTTP_API_OpenAI::ListConversationItems(const std::u16string& aConversationId, int aLimit,
                                           const std::u16string& aOrder,
                                           const std::u16string& aAfter) {
  return Make<TozkOpenAIClass_Response_List_Items>(
      DoResponsesRequest(u"GET", u"/conversations/" + Id(aConversationId) + u"/items" +
                                     ListingQuery(aLimit, aOrder, aAfter, std::u16string())));
}

std::unique_ptr<TozkOpenAIClass_Response_List_Items>
TozkHTTP_API_OpenAI::CreateConversationItems(const std::u16string& aConversationId,
                                             TozkOpenAIClass_Request_ConversationItems& aRequest) {
  return Make<TozkOpenAIClass_Response_List_Items>(DoResponsesRequest(
      u"POST", u"/conversations/" + Id(aConversationId) + u"/items", aRequest.AsString()));
}

std::unique_ptr<TozkOpenAIClass_ResponseItem>
TozkHTTP_API_OpenAI::RetrieveConversationItem(const std::u16string& aConversationId,
                                              const std::u16string& aItemId) {
  const std::u16string lText = DoResponsesRequest(u"GET", u"/conversations/" + Id(aConversationId) +
                                                              u"/items/" + Id(aItemId));
  std::unique_ptr<TozkOpenAIClass_ResponseItem> lItem =
      TozkOpenAIClass_ResponseItem::CreateFromText(lText);
  if (!lItem) lItem = Make<TozkOpenAIClass_ResponseItem>(lText);
  return lItem;
}

std::unique_ptr<TozkOpenAIClass_Conversation>
TozkHTTP_API_OpenAI::DeleteConversationItem(const std::u16string& aConversationId,
                                            const std::u16string& aItemId) {
  return Make<TozkOpenAIClass_Conversation>(DoResponsesRequest(
      u"DELETE", u"/conversations/" + Id(aConversationId) + u"/items/" + Id(aItemId)));
}
