// Wire tests of the responses and conversations methods against the recording loopback server,
// for OpenAI (with and without an organization) and Azure's v1 form: method, target, header
// lines, body in member order, the body valid for the endpoint's request schema, and the object
// made from the answer. Then the streamed CreateResponse: deltas in order, the final object,
// failures, cut streams and retries.
#include "openai/ozkHTTP_API_OpenAI_Client.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/ozkText.h"
#include "openai/ozkOpenAITestServer.h"
#include "openai/ozkOpenAIWireSetup.h"
#include "ozkHTTP_API_OpenAI_SchemaCheck.h"

using ozktest::TCannedResponse;
using ozktest::TOpenAIRecordingServer;
using ozktest::TProviderSetup;
using ozktest::TRecordedRequest;

namespace {

std::string U8(const std::u16string& aText) {
  return UTF16ToUTF8(aText);
}

const ozktest::TSchemaChecker& Schemas() {
  static const ozktest::TSchemaChecker lChecker(OZK_OPENAI_TEST_DIR
                                                "/responses_request_schemas.json");
  return lChecker;
}

std::unique_ptr<TozkOpenAIClass_ResponseItem_Message> UserMessage(const std::u16string& aText) {
  auto lItem = std::make_unique<TozkOpenAIClass_ResponseItem_Message>();
  lItem->SetRole(u"user");
  lItem->SetContentText(aText);
  return lItem;
}

// The answers the server gives, by path: enough for each method to read something back.
TCannedResponse Answer(const TRecordedRequest& aRequest, int) {
  const std::string& t = aRequest.Target;
  TCannedResponse r;
  if (t.find("/items/") != std::string::npos && aRequest.Method == "GET")
    r.Body = R"({"type":"message","id":"msg_7","status":"completed","role":"user",)"
             R"("content":[{"type":"input_text","text":"Hi"}]})";
  else if (t.find("/items/") != std::string::npos) // deleting an item gives the conversation
    // NOLINTNEXTLINE(bugprone-branch-clone): the conversation, as the later branch also answers
    r.Body = R"({"id":"conv_1","object":"conversation","created_at":1,"metadata":{}})";
  else if (t.find("/items") != std::string::npos || t.find("/input_items") != std::string::npos)
    r.Body = R"({"object":"list","data":[{"type":"message","id":"msg_7","role":"user",)"
             R"("content":[]}],"first_id":"msg_7","last_id":"msg_7","has_more":false})";
  else if (t.find("/conversations") != std::string::npos && aRequest.Method == "DELETE")
    r.Body = R"({"id":"conv_1","object":"conversation.deleted","deleted":true})";
  else if (t.find("/conversations") != std::string::npos)
    r.Body = R"({"id":"conv_1","object":"conversation","created_at":1,"metadata":{}})";
  else if (aRequest.Method == "DELETE")
    r.Body = R"({"id":"resp_1","object":"response","deleted":true})";
  else
    r.Body = R"({"id":"resp_1","object":"response","status":"completed","output":[)"
             R"({"type":"message","role":"assistant","content":[{"type":"output_text",)"
             R"("text":"Four.","annotations":[]}]}]})";
  return r;
}

struct TWireCase {
  const char* Name;
  std::function<std::string(TozkHTTP_API_OpenAI&)> Call; // what the returned object says
  std::string Method;
  std::string Path; // below the v1 root, query included
  std::string Body; // exact, empty for none
  std::u16string Schema;
  std::string Read; // what Call gives back from the answer
};

std::vector<TWireCase> WireCases() {
  return {
      {"CreateResponse",
       [](TozkHTTP_API_OpenAI& c) {
         TozkOpenAIClass_Request_Response r;
         r.SetModel(u"gpt-4o-mini");
         r.SetInstructions(u"Be brief.");
         r.Input().push_back(UserMessage(u"2+2?"));
         r.SetConversation(u"conv_1");
         auto lSearch = std::make_unique<TozkOpenAIClass_ResponseTool_FileSearch>();
         lSearch->VectorStoreIds()->Add(u"vs_1");
         r.Tools().push_back(std::move(lSearch));
         r.SetTemperature(1);
         return U8(c.CreateResponse(r)->OutputText());
       },
       "POST", "/responses",
       R"({"model":"gpt-4o-mini","instructions":"Be brief.","input":[{"type":"message",)"
       R"("role":"user","content":"2+2?"}],"conversation":"conv_1","tools":[{"type":)"
       R"("file_search","vector_store_ids":["vs_1"]}],"temperature":1})",
       u"CreateResponse", "Four."},
      {"CreateResponse chained",
       [](TozkHTTP_API_OpenAI& c) {
         TozkOpenAIClass_Request_Response r;
         r.SetModel(u"m");
         r.SetInputText(u"And 3+3?");
         r.SetPreviousResponseId(u"resp_0");
         return U8(c.CreateResponse(r)->Id());
       },
       "POST", "/responses", R"({"model":"m","input":"And 3+3?","previous_response_id":"resp_0"})",
       u"CreateResponse", "resp_1"},
      {"RetrieveResponse",
       [](TozkHTTP_API_OpenAI& c) { return U8(c.RetrieveResponse(u"resp_1")->Status()); }, "GET",
       "/responses/resp_1", "", u"", "completed"},
      {"DeleteResponse",
       [](TozkHTTP_API_OpenAI& c) {
         return c.DeleteResponse(u"resp_1")->Deleted() ? "deleted" : "kept";
       },
       "DELETE", "/responses/resp_1", "", u"", "deleted"},
      {"CancelResponse",
       [](TozkHTTP_API_OpenAI& c) { return U8(c.CancelResponse(u"resp_1")->Id()); }, "POST",
       "/responses/resp_1/cancel", "", u"", "resp_1"},
      {"ListResponseInputItems",
       [](TozkHTTP_API_OpenAI& c) {
         return U8(c.ListResponseInputItems(u"resp_1", 5, u"asc", u"msg_1")->LastId());
       },
       "GET", "/responses/resp_1/input_items?limit=5&order=asc&after=msg_1", "", u"", "msg_7"},
      {"ListResponseInputItems with the defaults",
       [](TozkHTTP_API_OpenAI& c) {
         return std::to_string(c.ListResponseInputItems(u"resp_1")->Items().size());
       },
       "GET", "/responses/resp_1/input_items", "", u"", "1"},
      {"CreateConversation",
       [](TozkHTTP_API_OpenAI& c) {
         TozkOpenAIClass_Request_Conversation r;
         r.MetaData()->Add(u"topic=demo");
         r.Items().push_back(UserMessage(u"Hello!"));
         return U8(c.CreateConversation(r)->Id());
       },
       "POST", "/conversations",
       R"({"metadata":{"topic":"demo"},"items":[{"type":"message","role":"user",)"
       R"("content":"Hello!"}]})",
       u"CreateConversationBody", "conv_1"},
      {"CreateConversation empty",
       [](TozkHTTP_API_OpenAI& c) {
         TozkOpenAIClass_Request_Conversation r;
         return U8(c.CreateConversation(r)->_Object());
       },
       "POST", "/conversations", "{}", u"CreateConversationBody", "conversation"},
      {"RetrieveConversation",
       [](TozkHTTP_API_OpenAI& c) { return U8(c.RetrieveConversation(u"conv_1")->Id()); }, "GET",
       "/conversations/conv_1", "", u"", "conv_1"},
      {"UpdateConversation",
       [](TozkHTTP_API_OpenAI& c) {
         TozkOpenAIClass_Request_ConversationUpdate r;
         r.MetaData()->Add(u"topic=done");
         return std::to_string(c.UpdateConversation(u"conv_1", r)->CreatedAt());
       },
       "POST", "/conversations/conv_1", R"({"metadata":{"topic":"done"}})",
       u"UpdateConversationBody", "1"},
      {"DeleteConversation",
       [](TozkHTTP_API_OpenAI& c) { return U8(c.DeleteConversation(u"conv_1")->_Object()); },
       "DELETE", "/conversations/conv_1", "", u"", "conversation.deleted"},
      {"ListConversationItems",
       [](TozkHTTP_API_OpenAI& c) {
         return U8(c.ListConversationItems(u"conv_1", 100, u"asc")->FirstId());
       },
       "GET", "/conversations/conv_1/items?limit=100&order=asc", "", u"", "msg_7"},
      {"CreateConversationItems",
       [](TozkHTTP_API_OpenAI& c) {
         TozkOpenAIClass_Request_ConversationItems r;
         r.Items().push_back(UserMessage(u"More."));
         return U8(c.CreateConversationItems(u"conv_1", r)->Items()[0]->Id());
       },
       "POST", "/conversations/conv_1/items",
       R"({"items":[{"type":"message","role":"user","content":"More."}]})",
       u"CreateConversationItemsBody", "msg_7"},
      {"RetrieveConversationItem",
       [](TozkHTTP_API_OpenAI& c) {
         auto lItem = c.RetrieveConversationItem(u"conv_1", u"msg_7");
         auto* lMessage = dynamic_cast<TozkOpenAIClass_ResponseItem_Message*>(lItem.get());
         return lMessage ? U8(lMessage->Text()) : std::string("not a message");
       },
       "GET", "/conversations/conv_1/items/msg_7", "", u"", "Hi"},
      {"DeleteConversationItem",
       [](TozkHTTP_API_OpenAI& c) {
         return U8(c.DeleteConversationItem(u"conv_1", u"msg_7")->Id());
       },
       "DELETE", "/conversations/conv_1/items/msg_7", "", u"", "conv_1"},
      // An id is a path segment: what could leave it is percent-encoded.
      {"odd id", [](TozkHTTP_API_OpenAI& c) { return U8(c.RetrieveResponse(u"a/b?c")->Id()); },
       "GET", "/responses/a%2Fb%3Fc", "", u"", "resp_1"},
  };
}

class ResponsesWire : public ::testing::TestWithParam<TProviderSetup> {
 protected:
  void Configure(TozkHTTP_API_OpenAI& aClient) {
    ozktest::ConfigureForServer(aClient, GetParam(), FServer.Origin());
  }
  std::string Target(const std::string& aPath) const {
    return (GetParam().Provider == oapvAzure ? "/openai/v1" : "/v1") + aPath;
  }
  std::vector<std::string> ExpectedLines(bool aBody) const {
    std::vector<std::string> lLines;
    if (GetParam().Provider == oapvAzure) {
      lLines.push_back("api-key: sk-test");
    } else {
      lLines.push_back("Authorization: Bearer sk-test");
      if (!GetParam().Organization.empty())
        lLines.push_back("OpenAI-Organization: " + U8(GetParam().Organization));
    }
    if (aBody) lLines.push_back("Content-Type: application/json");
    return lLines;
  }

  TOpenAIRecordingServer FServer{Answer};
};

TEST_P(ResponsesWire, EveryMethod) {
  TozkHTTP_API_OpenAI lClient;
  Configure(lClient);
  const std::vector<std::string> lNames = {"Authorization", "OpenAI-Organization", "api-key",
                                           "OpenAI-Beta", "Content-Type"};
  int lIndex = 0;
  for (const TWireCase& lCase : WireCases()) {
    SCOPED_TRACE(lCase.Name);
    EXPECT_EQ(lCase.Call(lClient), lCase.Read);
    ASSERT_EQ(FServer.Count(), lIndex + 1);
    const TRecordedRequest lRequest = FServer.Request(lIndex++);
    EXPECT_EQ(lRequest.Method, lCase.Method);
    EXPECT_EQ(lRequest.Target, Target(lCase.Path));
    EXPECT_EQ(lRequest.Body, lCase.Body);
    // No assistants beta marker on these endpoints.
    EXPECT_EQ(lRequest.LinesNamed(lNames), ExpectedLines(!lCase.Body.empty()));
    if (!lCase.Schema.empty()) {
      EXPECT_EQ(Schemas().Check(UTF8ToUTF16(lRequest.Body), lCase.Schema), "");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Providers, ResponsesWire,
                         ::testing::Values(TProviderSetup{"OpenAI", oapvOpenAI, u""},
                                           TProviderSetup{"OpenAIWithOrganization", oapvOpenAI,
                                                          u"org-7"},
                                           TProviderSetup{"Azure", oapvAzure, u""}),
                         [](const auto& aInfo) { return std::string(aInfo.param.Name); });

// --- Streaming -----------------------------------------------------------------------------------

std::string Event(const std::string& aType, const std::string& aJSON) {
  return "event: " + aType + "\ndata: " + aJSON + "\n\n";
}
std::string Delta(const std::string& aText) {
  return Event("response.output_text.delta",
               R"({"type":"response.output_text.delta","delta":")" + aText + R"("})");
}
const std::string kFinal = R"({"id":"resp_s","object":"response","status":"completed",)"
                           R"("output":[{"type":"message","role":"assistant","content":[)"
                           R"({"type":"output_text","text":"Hel\"lo\n","annotations":[]}]}]})";

TCannedResponse EventStream(const std::string& aBody) {
  TCannedResponse r;
  r.ContentType = "text/event-stream";
  r.Body = aBody;
  return r;
}

struct TStreamRun {
  std::vector<std::u16string> Deltas;
  std::unique_ptr<TozkOpenAIClass_Response> Response;
  std::string Error;
};

TStreamRun Stream(TOpenAIRecordingServer& aServer, bool aRetry = false) {
  TozkHTTP_API_OpenAI lClient;
  lClient.OpenAIOptions().SetApiKey(u"sk-test");
  lClient.OpenAIOptions().SetBaseURL(aServer.Origin());
  lClient.OpenAIOptions().HttpOptions().SetReadTimeout(5000);
  lClient.OpenAIOptions().RetryOptions().SetEnabled(aRetry);
  lClient.OpenAIOptions().RetryOptions().SetRetries(2);
  TozkOpenAIClass_Request_Response lRequest;
  lRequest.SetModel(u"m");
  lRequest.SetInputText(u"Say hello");
  lRequest.SetStream(true);
  TStreamRun lRun;
  try {
    lRun.Response = lClient.CreateResponse(
        lRequest, [&](const std::u16string& aDelta) { lRun.Deltas.push_back(aDelta); });
  } catch (const Exception& e) {
    lRun.Error = e.what();
  }
  return lRun;
}

TEST(ResponsesStream, DeltasArriveInOrderAndTheFinalObjectIsTheCompletedOne) {
  TOpenAIRecordingServer lServer([](const TRecordedRequest&, int) {
    return EventStream(
        Event("response.created", R"({"type":"response.created","response":{"id":"resp_s",)"
                                  R"("status":"in_progress"}})") +
        ": keep-alive\n\n" + Delta("Hel\\\"") + Delta("lo\\n") +
        Event("response.output_text.done", R"({"type":"response.output_text.done","text":"x"})") +
        Event("response.completed", R"({"type":"response.completed","response":)" + kFinal + "}"));
  });
  TStreamRun lRun = Stream(lServer);
  ASSERT_EQ(lRun.Error, "");
  EXPECT_EQ(lRun.Deltas, (std::vector<std::u16string>{u"Hel\"", u"lo\n"}));
  ASSERT_NE(lRun.Response, nullptr);
  EXPECT_EQ(lRun.Response->Status(), u"completed");
  EXPECT_EQ(lRun.Response->OutputText(), u"Hel\"lo\n");
  ASSERT_EQ(lServer.Count(), 1);
  const TRecordedRequest lRequest = lServer.Request(0);
  EXPECT_EQ(lRequest.Target, "/v1/responses");
  EXPECT_EQ(lRequest.Body, R"({"model":"m","input":"Say hello","stream":true})");
  EXPECT_EQ(lRequest.Header("Accept"), "text/event-stream");
  EXPECT_EQ(lRequest.Header("OpenAI-Beta"), "");
  EXPECT_EQ(Schemas().Check(UTF8ToUTF16(lRequest.Body), u"CreateResponse"), "");
}

// Streams whose end is not a completed response: none gives an object, each says why, and the
// text that did arrive was handed over first.
TEST(ResponsesStream, FailuresAndCutStreamsAreNeverASuccess) {
  struct TCase {
    const char* Name;
    std::string Body;
    const char* Error;
  };
  const TCase kCases[] = {
      {"failed",
       Delta("Hal") + Event("response.failed", R"({"type":"response.failed",)"
                                               R"("response":{"status":"failed",)"
                                               R"("error":{"code":"server_error",)"
                                               R"("message":"Model crashed"}}})"),
       "The response failed: Model crashed (server_error)"},
      {"error event",
       Delta("Hal") +
           Event("error", R"({"type":"error","code":"rate_limit_exceeded","message":"Slow"})"),
       "The response failed: Slow (rate_limit_exceeded)"},
      {"cut before the final event", Delta("Hal") + "event: response.completed\ndata: {\"ty",
       "The event stream ended before its final event."},
      {"completed without a response",
       Delta("Hal") + Event("response.completed", R"({"type":"response.completed"})"),
       "The final event carries no response."},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.Name);
    TOpenAIRecordingServer lServer(
        [&](const TRecordedRequest&, int) { return EventStream(c.Body); });
    TStreamRun lRun = Stream(lServer);
    EXPECT_EQ(lRun.Response, nullptr);
    EXPECT_NE(lRun.Error.find(c.Error), std::string::npos) << lRun.Error;
    EXPECT_EQ(lRun.Deltas, (std::vector<std::u16string>{u"Hal"}));
  }
}

TEST(ResponsesStream, IncompleteResponseIsTheFinalObjectWithItsStatus) {
  TOpenAIRecordingServer lServer([](const TRecordedRequest&, int) {
    return EventStream(Delta("Long") + Event("response.incomplete",
                                             R"({"type":"response.incomplete","response":)"
                                             R"({"status":"incomplete","incomplete_details":)"
                                             R"({"reason":"max_output_tokens"}}})"));
  });
  TStreamRun lRun = Stream(lServer);
  ASSERT_NE(lRun.Response, nullptr);
  EXPECT_EQ(lRun.Response->Status(), u"incomplete");
  EXPECT_EQ(lRun.Response->IncompleteDetails(), u"max_output_tokens");
}

TEST(ResponsesStream, ErrorStatusIsRetriedLikeAnyRequest) {
  TOpenAIRecordingServer lServer([](const TRecordedRequest&, int aIndex) {
    if (aIndex == 0) {
      TCannedResponse r;
      r.Status = 500;
      r.Reason = "Internal Server Error";
      r.Body = R"({"error":{"message":"busy"}})";
      return r;
    }
    return EventStream(
        Delta("Hi") +
        Event("response.completed", R"({"type":"response.completed","response":)" + kFinal + "}"));
  });
  TStreamRun lRun = Stream(lServer, true);
  ASSERT_EQ(lRun.Error, "");
  EXPECT_EQ(lServer.Count(), 2);
  EXPECT_EQ(lRun.Deltas, (std::vector<std::u16string>{u"Hi"}));

  TOpenAIRecordingServer lRefusing([](const TRecordedRequest&, int) {
    TCannedResponse r;
    r.Status = 400;
    r.Reason = "Bad Request";
    r.Body = R"({"error":{"message":"Unknown model"}})";
    return r;
  });
  TStreamRun lBad = Stream(lRefusing);
  EXPECT_EQ(lBad.Response, nullptr);
  EXPECT_NE(lBad.Error.find("Unknown model"), std::string::npos) << lBad.Error;
  EXPECT_EQ(lRefusing.Count(), 1);
}

// With the executor's error handler set, a cut stream goes to the handler and the call gives
// an empty object: never the partial answer, never a status.
TEST(ResponsesStream, ErrorHandlerGetsTheCutAndTheObjectStaysEmpty) {
  TOpenAIRecordingServer lServer([](const TRecordedRequest&, int) {
    return EventStream(Delta("Hal") + "event: response.completed\ndata: {\"ty");
  });
  TozkHTTP_API_OpenAI lClient;
  lClient.OpenAIOptions().SetApiKey(u"sk-test");
  lClient.OpenAIOptions().SetBaseURL(lServer.Origin());
  lClient.OpenAIOptions().HttpOptions().SetReadTimeout(5000);
  std::u16string lError;
  lClient.OnHTTPAPIException = [&](TozkHTTPAPI_client*, Exception& e) { lError = e.Message(); };
  TozkOpenAIClass_Request_Response lRequest;
  lRequest.SetModel(u"m");
  lRequest.SetStream(true);
  std::u16string lArrived;
  auto lResponse =
      lClient.CreateResponse(lRequest, [&](const std::u16string& d) { lArrived += d; });
  EXPECT_EQ(lError, u"The event stream ended before its final event.");
  EXPECT_EQ(lArrived, u"Hal");
  ASSERT_NE(lResponse, nullptr);
  EXPECT_EQ(lResponse->Status(), u"");
  EXPECT_TRUE(lResponse->Output().empty());
}

} // namespace
