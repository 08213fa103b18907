// Dispatch of the REST client: the string functions, URLs, the retry rules, the error event and
// the sound handling of text values, listing values and retried uploads.
#include "openai/ozkHTTP_API_OpenAI_Base.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "base/ozkText.h"
#include "http/ozkIdHTTP.h"
#include "net/ozkIdException.h"
#include "openai/ozkHTTP_API_OpenAI_Client.h"
#include "openai/ozkOpenAITestServer.h"

using ozktest::TCannedResponse;
using ozktest::TOpenAIRecordingServer;
using ozktest::TRecordedRequest;

namespace {

// The client with its protected steps in reach and the retry pauses recorded, not slept.
class TTestClient : public TozkHTTP_API_OpenAI {
 public:
  using TozkHTTP_API_OpenAI::DoPostMultipart;
  using TozkHTTP_API_OpenAI::GetBaseURL;
  std::vector<int> Waits;
  int Gets = 0; // attempts that reached the executor

 protected:
  void DoRetryWait(int aMilliseconds) override { Waits.push_back(aMilliseconds); }
  std::u16string ExecuteGet(const std::u16string& aURL, const TStringList* aHeaders) override {
    ++Gets;
    return TozkHTTP_API_OpenAI::ExecuteGet(aURL, aHeaders);
  }
};

void PointAt(TozkHTTP_API_OpenAI& aClient, const TOpenAIRecordingServer& aServer) {
  aClient.OpenAIOptions().SetApiKey(u"sk-test");
  aClient.OpenAIOptions().SetBaseURL(aServer.Origin());
  aClient.OpenAIOptions().HttpOptions().SetReadTimeout(5000);
}

TOpenAIRecordingServer::TResponder Always(int aStatus, std::string aReason, std::string aBody) {
  return [aStatus, aReason = std::move(aReason), aBody = std::move(aBody)](const TRecordedRequest&,
                                                                           int) {
    return TCannedResponse{aStatus, aReason, aBody, "application/json"};
  };
}

struct TTempDir {
  TTempDir() {
    char lTemplate[] = "/tmp/ozk_rest_XXXXXX";
    Path = ::mkdtemp(lTemplate);
  }
  ~TTempDir() { std::filesystem::remove_all(Path); }
  std::string Write(const std::string& aName, const std::string& aData) const {
    std::string lPath = Path + "/" + aName;
    std::ofstream(lPath, std::ios::binary).write(aData.data(), static_cast<long>(aData.size()));
    return lPath;
  }
  std::string Path;
};

} // namespace

TEST(OpenAIStrings, EscapeJSONStringPerUTF16Unit) {
  struct {
    std::u16string In, Out;
  } lCases[] = {
      {u"plain text 123", u"plain text 123"},
      {u"\b\t\n\f\r", u"\\b\\t\\n\\f\\r"},
      {u"\"/\\", u"\\\"\\/\\\\"},
      {std::u16string(u"\x01\x0B\x1F\x7F", 4), u"\\u0001\\u000B\\u001F\\u007F"},
      {u"\u00E9\u20AC", u"\\u00E9\\u20AC"},
      // Outside the basic plane: both halves of the surrogate pair.
      {u"\U0001F600", u"\\uD83D\\uDE00"},
      {u"", u""},
  };
  for (const auto& c : lCases) EXPECT_EQ(EscapeJSONString(c.In), c.Out) << UTF16ToUTF8(c.In);
}

TEST(OpenAIStrings, PercentEncodePerUTF16Unit) {
  EXPECT_EQ(PercentEncode(u"AZaz09-._~"), u"AZaz09-._~");
  EXPECT_EQ(PercentEncode(u" \"&=?/"), u"%20%22%26%3D%3F%2F");
  EXPECT_EQ(PercentEncode(u"\u00E9"), u"%E9");
  EXPECT_EQ(PercentEncode(u"\u20AC"), u"%20AC");
  EXPECT_EQ(PercentEncode(std::u16string(1, u'\0')), u"%00");
}

TEST(OpenAIDispatch, BaseURLs) {
  TTestClient lClient;
  EXPECT_EQ(lClient.GetBaseURL(), u"https://api.openai.com/v1");
  lClient.OpenAIOptions().SetBaseURL(u"http://127.0.0.1:9/");
  EXPECT_EQ(lClient.GetBaseURL(), u"http://127.0.0.1:9/v1");
  lClient.OpenAIOptions().SetProvider(oapvAzure);
  lClient.OpenAIOptions().AzureOptions().SetResourceName(u"contoso");
  lClient.OpenAIOptions().AzureOptions().SetDeploymentId(u"gpt4");
  EXPECT_EQ(lClient.GetBaseURL(), u"https://contoso.openai.azure.com/openai/deployments/gpt4");
}

TEST(OpenAIDispatch, ServerErrorIsRetriedWithoutPauseAndTheLastFailurePropagates) {
  const std::string lBody = R"({"error":{"message":"boom"}})";
  TOpenAIRecordingServer lServer(Always(500, "Internal Server Error", lBody));
  TTestClient lClient;
  PointAt(lClient, lServer);
  lClient.OpenAIOptions().RetryOptions().SetEnabled(true);
  try {
    lClient._GetModels();
    ADD_FAILURE() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorCode(), 500);
    EXPECT_EQ(UTF16ToUTF8(e.ErrorMessage()), lBody);
    const std::string lMessage = UTF16ToUTF8(e.Message());
    EXPECT_NE(lMessage.find("500"), std::string::npos) << lMessage;
    EXPECT_EQ(lMessage.substr(lMessage.size() - lBody.size() - 2), ". " + lBody);
  }
  EXPECT_EQ(lServer.Count(), 4);
  EXPECT_EQ(lClient.Gets, 4);
  EXPECT_TRUE(lClient.Waits.empty());
}

TEST(OpenAIDispatch, TooManyRequestsPausesForWaitAfterEachFailure) {
  TOpenAIRecordingServer lServer(Always(429, "Too Many Requests", "{}"));
  TTestClient lClient;
  PointAt(lClient, lServer);
  lClient.OpenAIOptions().RetryOptions().SetEnabled(true);
  lClient.OpenAIOptions().RetryOptions().SetRetries(2);
  lClient.OpenAIOptions().RetryOptions().SetWait(1500);
  EXPECT_THROW(lClient._RetrieveRun(u"thread_1", u"run_1"), EIdHTTPProtocolException);
  EXPECT_EQ(lServer.Count(), 3);
  // The pause follows every 429, the last one included, before the retry count is checked.
  EXPECT_EQ(lClient.Waits, (std::vector<int>{1500, 1500, 1500}));
}

TEST(OpenAIDispatch, RetryEndsWithTheFirstSuccess) {
  TOpenAIRecordingServer lServer([](const TRecordedRequest&, int aIndex) {
    if (aIndex < 2) return TCannedResponse{503, "Service Unavailable", "{}", "application/json"};
    return TCannedResponse{200, "OK", R"({"id":"run_1","status":"completed"})", "application/json"};
  });
  TTestClient lClient;
  PointAt(lClient, lServer);
  lClient.OpenAIOptions().RetryOptions().SetEnabled(true);
  auto lRun = lClient.RetrieveRun(u"thread_1", u"run_1");
  EXPECT_EQ(lRun->Status(), u"completed");
  EXPECT_EQ(lServer.Count(), 3);
  EXPECT_EQ(lServer.Request(0).Target, lServer.Request(2).Target);
}

TEST(OpenAIDispatch, RetryOffSendsOnce) {
  TOpenAIRecordingServer lServer(Always(500, "Internal Server Error", "{}"));
  TTestClient lClient;
  PointAt(lClient, lServer);
  EXPECT_THROW(lClient._ListFiles(), EIdHTTPProtocolException);
  EXPECT_EQ(lServer.Count(), 1);
}

TEST(OpenAIDispatch, RefusedConnectionIsNotRetried) {
  // A port that was just free: bound, then closed without listening.
  int lFd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in lAddress{};
  lAddress.sin_family = AF_INET;
  lAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t lLength = sizeof lAddress;
  ASSERT_EQ(::bind(lFd, reinterpret_cast<sockaddr*>(&lAddress), lLength), 0);
  ASSERT_EQ(::getsockname(lFd, reinterpret_cast<sockaddr*>(&lAddress), &lLength), 0);
  TTestClient lClient;
  lClient.OpenAIOptions().SetBaseURL(u"http://127.0.0.1:" + IntToStr(ntohs(lAddress.sin_port)));
  lClient.OpenAIOptions().RetryOptions().SetEnabled(true);
  lClient.OpenAIOptions().RetryOptions().SetWait(1);
  try {
    lClient._GetModels();
    ADD_FAILURE() << "no exception";
  } catch (const EIdHTTPProtocolException&) {
    ADD_FAILURE() << "a refused connection is not an HTTP status";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061);
  }
  ::close(lFd);
  EXPECT_EQ(lClient.Gets, 1);
  EXPECT_TRUE(lClient.Waits.empty());
}

TEST(OpenAIDispatch, ErrorEventGivesAnObjectBuiltFromEmptyText) {
  TOpenAIRecordingServer lServer(Always(500, "Internal Server Error", R"({"id":"x"})"));
  TTestClient lClient;
  PointAt(lClient, lServer);
  lClient.OpenAIOptions().RetryOptions().SetEnabled(true);
  std::vector<std::u16string> lSeen;
  lClient.OnHTTPAPIException = [&](TozkHTTPAPI_client*, Exception& e) {
    lSeen.push_back(e.Message());
  };
  std::unique_ptr<TozkOpenAIClass_Run> lRun = lClient.RetrieveRun(u"thread_1", u"run_1");
  ASSERT_TRUE(lRun);
  EXPECT_EQ(lRun->Id(), u"");
  EXPECT_EQ(lRun->Status(), u"");
  // The event swallowed the failure, so nothing was retried.
  EXPECT_EQ(lServer.Count(), 1);
  ASSERT_EQ(lSeen.size(), 1u);
}

TEST(OpenAIDispatch, ExecutorTakesReadTimeoutAndLogSwitch) {
  TOpenAIRecordingServer lServer;
  TTempDir lDir;
  TTestClient lClient;
  PointAt(lClient, lServer);
  lClient.OpenAIOptions().HttpOptions().SetReadTimeout(4321);
  lClient.OpenAIOptions().LogOptions().SetEnabled(true);
  lClient.OpenAIOptions().LogOptions().SetFileName(UTF8ToUTF16(lDir.Path + "/first.txt"));
  lClient._GetModels();
  EXPECT_EQ(lClient.ReadTimeout(), 4321);
  EXPECT_TRUE(lClient.Log());
  EXPECT_EQ(UTF16ToUTF8(lClient.LogFileName()), lDir.Path + "/first.txt");
  EXPECT_TRUE(std::filesystem::exists(lDir.Path + "/first.txt"));
  // A new name while the switch stays on is taken only when the switch changes.
  lClient.OpenAIOptions().LogOptions().SetFileName(UTF8ToUTF16(lDir.Path + "/second.txt"));
  lClient._GetModels();
  EXPECT_EQ(UTF16ToUTF8(lClient.LogFileName()), lDir.Path + "/first.txt");
  lClient.OpenAIOptions().LogOptions().SetEnabled(false);
  lClient._GetModels();
  EXPECT_FALSE(lClient.Log());
  EXPECT_EQ(UTF16ToUTF8(lClient.LogFileName()), lDir.Path + "/second.txt");
}

// A retried upload must send the whole body again, not the end of the stream.
TEST(OpenAIDispatch, RetriedUploadSendsTheWholeBodyAgain) {
  TOpenAIRecordingServer lServer([](const TRecordedRequest&, int aIndex) {
    if (aIndex == 0) return TCannedResponse{500, "Internal Server Error", "{}", "application/json"};
    return TCannedResponse{200, "OK", R"({"id":"file-1"})", "application/json"};
  });
  TTempDir lDir;
  const std::string lFile = lDir.Write("manual.txt", std::string(70000, 'x') + "end");
  TTestClient lClient;
  PointAt(lClient, lServer);
  lClient.OpenAIOptions().RetryOptions().SetEnabled(true);
  const std::u16string lAnswer = lClient._UploadFile(UTF8ToUTF16(lFile), u"assistants");
  EXPECT_EQ(lAnswer, u"{\"id\":\"file-1\"}");
  ASSERT_EQ(lServer.Count(), 2);
  const TRecordedRequest lFirst = lServer.Request(0), lSecond = lServer.Request(1);
  EXPECT_EQ(lSecond.Body, lFirst.Body);
  const auto lParts = ozktest::ParseMultipart(lSecond.Body, lSecond.Header("Content-Type"));
  ASSERT_EQ(lParts.size(), 2u);
  EXPECT_EQ(lParts[0].Data, ozktest::ReadFileBytes(lFile));
  EXPECT_EQ(lParts[1].Data, "assistants");
}

// A multipart member list: "file" and "image" become file parts, everything else plain fields
// in document order, values percent-encoded.
TEST(OpenAIDispatch, MultipartFieldsInDocumentOrder) {
  TOpenAIRecordingServer lServer;
  TTempDir lDir;
  const std::string lFile = lDir.Write("a.txt", "abc");
  TTestClient lClient;
  PointAt(lClient, lServer);
  lClient.DoPostMultipart(u"/files", u"{\"purpose\":\"fine tune\",\"file\":\"" +
                                         UTF8ToUTF16(lFile) + u"\",\"n\":2}");
  const TRecordedRequest lRequest = lServer.Request(0);
  const auto lParts = ozktest::ParseMultipart(lRequest.Body, lRequest.Header("Content-Type"));
  ASSERT_EQ(lParts.size(), 3u);
  EXPECT_EQ(lParts[0].Name, "purpose");
  EXPECT_EQ(lParts[0].Data, "fine%20tune");
  EXPECT_EQ(lParts[1].Name, "file");
  EXPECT_EQ(lParts[1].FileName, "a.txt");
  EXPECT_EQ(lParts[1].Data, "abc");
  EXPECT_EQ(lParts[2].Name, "n");
  EXPECT_EQ(lParts[2].Data, "2");
  // No beta marker and no JSON content type on an upload.
  EXPECT_EQ(lRequest.Header("OpenAI-Beta"), "");
}

TEST(OpenAIDispatch, MissingUploadFileFailsBeforeAnythingIsSent) {
  TOpenAIRecordingServer lServer;
  TTestClient lClient;
  PointAt(lClient, lServer);
  EXPECT_THROW(lClient._UploadFile(u"/nonexistent/ozk/file.txt", u"assistants"), Exception);
  EXPECT_EQ(lServer.Count(), 0);
}

// A double quote in a text value used to end the JSON string and let the caller inject members;
// every text value is escaped now.
TEST(OpenAISoundBodies, TextValuesAreEscapedAndNeverEmbedded) {
  TOpenAIRecordingServer lServer;
  TTestClient lClient;
  PointAt(lClient, lServer);
  lClient._CreateAssistant(u"gpt\",\"tools\":[{\"type\":\"code_interpreter\"}],\"x\":\"");
  lClient._CreateRun(u"thread_1", u"asst_\\1");
  lClient._CreateCompletion(u"m1", u"[1] hello");
  lClient._CreateEmbeddings(u"m1", u"{\"a\":1}");
  lClient._CreateVectorStoreFile(u"vs_1", u"file\"1");
  EXPECT_EQ(lServer.Request(0).Body,
            R"({"model":"gpt\",\"tools\":[{\"type\":\"code_interpreter\"}],\"x\":\""})");
  EXPECT_EQ(lServer.Request(1).Body, R"({"assistant_id":"asst_\\1"})");
  EXPECT_EQ(lServer.Request(2).Body, R"({"model":"m1","prompt":"[1] hello"})");
  EXPECT_EQ(lServer.Request(3).Body, R"({"model":"m1","input":"{\"a\":1}"})");
  EXPECT_EQ(lServer.Request(4).Body, R"({"file_id":"file\"1"})");
}

// Paths with a quote, a slash, a backslash and non-ASCII letters reach the file system unchanged
// through the basic and the typed uploads.
TEST(OpenAISoundBodies, UploadPathsReachTheFileSystemUnchanged) {
  TOpenAIRecordingServer lServer;
  TTempDir lDir;
  std::filesystem::create_directory(lDir.Path + "/[sub]");
  const std::string lFile =
      lDir.Write("[sub]/we \"ird\" back\\slash \xC3\xBC\xE2\x82\xAC.txt", "payload \x01\x02");
  TTestClient lClient;
  PointAt(lClient, lServer);
  lClient._UploadFile(UTF8ToUTF16(lFile), u"assistants");
  TozkOpenAIClass_Request_UploadFile lRequest;
  lRequest.SetFile(UTF8ToUTF16(lFile));
  lRequest.SetPurpose(u"assistants");
  lClient.UploadFile(lRequest);
  EXPECT_EQ(lRequest.File(), UTF8ToUTF16(lFile));
  // A relative path that begins with "[" is a path too, not embedded JSON.
  const std::string lRelative = "[rel].txt";
  const std::string lOld = std::filesystem::current_path();
  std::filesystem::current_path(lDir.Path);
  lDir.Write(lRelative, "relative");
  lClient._UploadFile(UTF8ToUTF16(lRelative), u"assistants");
  TozkOpenAIClass_Request_Image_Variation lVariation;
  lVariation.SetImage(UTF8ToUTF16(lRelative));
  lClient.CreateImageVariation(lVariation);
  std::filesystem::current_path(lOld);

  ASSERT_EQ(lServer.Count(), 4);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const TRecordedRequest lSent = lServer.Request(i);
    const auto lParts = ozktest::ParseMultipart(lSent.Body, lSent.Header("Content-Type"));
    const auto lFilePart = std::find_if(lParts.begin(), lParts.end(), [](const auto& p) {
      return p.Name == "file" || p.Name == "image";
    });
    ASSERT_NE(lFilePart, lParts.end());
    EXPECT_EQ(lFilePart->Data, i < 2 ? std::string("payload \x01\x02") : std::string("relative"));
  }
}

TEST(OpenAITypedMethods, ResponsesBecomeNewObjects) {
  TOpenAIRecordingServer lServer([](const TRecordedRequest& aRequest, int) {
    TCannedResponse lAnswer;
    if (aRequest.Target == "/v1/threads/thread_1/runs/run_1")
      lAnswer.Body = R"({"id":"run_1","object":"thread.run","status":"in_progress"})";
    else if (aRequest.Target.rfind("/v1/threads/thread_1/messages", 0) == 0)
      lAnswer.Body = R"({"object":"list","data":[{"id":"msg_2","role":"assistant"},)"
                     R"({"id":"msg_1","role":"user"}]})";
    else if (aRequest.Target == "/v1/files/file-1/content")
      lAnswer.Body = "raw \"content\"\n";
    return lAnswer;
  });
  TTestClient lClient;
  PointAt(lClient, lServer);
  EXPECT_EQ(lClient.RetrieveRun(u"thread_1", u"run_1")->Status(), u"in_progress");
  auto lMessages = lClient.ListMessages(u"thread_1", 20, u"desc", u"", u"", u"run_1");
  ASSERT_EQ(lMessages->Messages().size(), 2u);
  EXPECT_EQ(lMessages->Messages()[0]->Id(), u"msg_2");
  EXPECT_EQ(lClient.RetrieveFileContent(u"file-1"), u"raw \"content\"\n");
  // An empty object with status 200 gives a run with empty members.
  auto lEmpty = lClient.RetrieveRun(u"thread_1", u"run_2");
  EXPECT_EQ(lEmpty->Id(), u"");
  EXPECT_EQ(lEmpty->Status(), u"");
}

// A line break inside the key used to end the header line, so the rest of the key went out as
// header lines of its own.
TEST(OpenAISoundBodies, LineBreakInsideACredentialIsRefusedBeforeSending) {
  TOpenAIRecordingServer lServer;
  TTestClient lClient;
  PointAt(lClient, lServer);
  for (auto lProvider : {oapvOpenAI, oapvAzure}) {
    lClient.OpenAIOptions().SetProvider(lProvider);
    lClient.OpenAIOptions().SetApiKey(u"sk-test\r\nX-Injected: yes");
    EXPECT_THROW(lClient._ListFiles(), EArgumentException);
  }
  lClient.OpenAIOptions().SetProvider(oapvOpenAI);
  lClient.OpenAIOptions().SetApiKey(u"sk-test");
  lClient.OpenAIOptions().SetOrganization(u"org-1\nX-Injected: yes");
  EXPECT_THROW(lClient._UploadFile(u"/nonexistent", u"assistants"), EArgumentException);
  EXPECT_EQ(lServer.Count(), 0);
  // A key pasted with its line end still works, without the line end.
  lClient.OpenAIOptions().SetOrganization(u"");
  lClient.OpenAIOptions().SetApiKey(u"sk-test\r\n");
  lClient._ListFiles();
  ASSERT_EQ(lServer.Count(), 1);
  EXPECT_EQ(lServer.Request(0).Header("Authorization"), "Bearer sk-test");
  EXPECT_EQ(lServer.Request(0).Header("X-Injected"), "");
}
