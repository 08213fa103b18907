// The responses and conversations methods of the REST client against the bundled service: the
// answer engine through CreateResponse (plain, streamed, with file search), conversations and
// their items, a chain of responses with conversations switched off, a stream the service's
// fault control cuts short, and Azure's v1 form.
#include "openai/ozkHTTP_API_OpenAI_Client.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/ozkText.h"
#include "support/ozkTestService.h"
#include "support/ozkTestTLS.h"

namespace {

std::u16string U16(const std::string& aText) {
  return UTF8ToUTF16(aText);
}

void Configure(TozkHTTP_API_OpenAI& aClient, const ozktest::TTestService& aService,
               TozkOpenAIProvider aProvider = oapvOpenAI) {
  TozkHTTPOpenAI_Options& lOptions = aClient.OpenAIOptions();
  lOptions.SetApiKey(u"sk-test");
  lOptions.SetProvider(aProvider);
  lOptions.SetBaseURL(U16(aService.BaseURL()));
  lOptions.AzureOptions().SetEndpoint(U16(aService.BaseURL()));
  lOptions.HttpOptions().SetReadTimeout(10000);
}

std::unique_ptr<TozkOpenAIClass_Request_Response> Ask(const std::u16string& aText) {
  auto lRequest = std::make_unique<TozkOpenAIClass_Request_Response>();
  lRequest->SetModel(u"gpt-4o-mini");
  lRequest->SetInputText(EscapeJSONString(aText));
  return lRequest;
}

// A control request of the service ("/_control/..."): no key, plain JSON.
void Control(const ozktest::TTestService& aService, const std::u16string& aPath,
             const std::u16string& aBody) {
  TozkHTTPAPI_client lPlain;
  lPlain.SetReadTimeout(5000);
  TStringList lHeaders{u"Content-Type: application/json"};
  lPlain.Post(U16(aService.BaseURL()) + u"/_control/" + aPath, aBody, &lHeaders);
}

} // namespace

TEST(ResponsesService, PlainStreamedAndChained) {
  ozktest::TTestService lService;
  TozkHTTP_API_OpenAI lClient;
  Configure(lClient, lService);

  auto lFirst = lClient.CreateResponse(*Ask(u"Solve 2x + 3 = 11"));
  EXPECT_EQ(lFirst->Status(), u"completed");
  EXPECT_NE(lFirst->OutputText().find(u"Solution: x = 4"), std::u16string::npos)
      << UTF16ToUTF8(lFirst->OutputText());

  auto lNext = Ask(u"Now tell me about \"quotes\" and more words to make the answer long");
  lNext->SetPreviousResponseId(lFirst->Id());
  lNext->SetStream(true);
  std::vector<std::u16string> lDeltas;
  auto lStreamed =
      lClient.CreateResponse(*lNext, [&](const std::u16string& d) { lDeltas.push_back(d); });
  EXPECT_GT(lDeltas.size(), 1u);
  std::u16string lJoined;
  for (const auto& d : lDeltas) lJoined += d;
  EXPECT_EQ(lJoined, lStreamed->OutputText());
  EXPECT_NE(lJoined.find(u"\"quotes\""), std::u16string::npos) << UTF16ToUTF8(lJoined);
  EXPECT_EQ(lStreamed->PreviousResponseId(), lFirst->Id());
  EXPECT_EQ(lClient.RetrieveResponse(lStreamed->Id())->OutputText(), lJoined);

  auto lItems = lClient.ListResponseInputItems(lStreamed->Id());
  ASSERT_EQ(lItems->Items().size(), 1u);
  EXPECT_TRUE(lClient.DeleteResponse(lFirst->Id())->Deleted());
  try {
    lClient.RetrieveResponse(lFirst->Id());
    ADD_FAILURE() << "a deleted response was found";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorCode(), 404);
  }
}

TEST(ResponsesService, FileSearchAnswerQuotesTheFileWithACitation) {
  ozktest::TTestService lService;
  TozkHTTP_API_OpenAI lClient;
  Configure(lClient, lService);
  const std::string lPath = (std::filesystem::temp_directory_path() /
                             ("ozk-manual-" + std::to_string(lService.Port()) + ".txt"))
                                .string();
  std::ofstream(lPath) << "Intro.\nThe ReadTimeout option bounds every read in milliseconds.\n";
  TozkOpenAIClass_Request_UploadFile lUpload;
  lUpload.SetFile(U16(lPath));
  lUpload.SetPurpose(u"assistants");
  auto lFile = lClient.UploadFile(lUpload);
  std::filesystem::remove(lPath);
  TozkOpenAIClass_Request_VectorStore lStoreRequest;
  lStoreRequest.SetName(u"manuals");
  lStoreRequest.FileIds()->Add(lFile->Id());
  auto lStore = lClient.CreateVectorStore(lStoreRequest);

  auto lRequest = Ask(u"What does the ReadTimeout option bound?");
  auto lSearch = std::make_unique<TozkOpenAIClass_ResponseTool_FileSearch>();
  lSearch->VectorStoreIds()->Add(lStore->Id());
  lRequest->Tools().push_back(std::move(lSearch));
  lRequest->SetStream(true);
  auto lAnswer = lClient.CreateResponse(*lRequest);
  ASSERT_EQ(lAnswer->Output().size(), 2u);
  EXPECT_NE(dynamic_cast<TozkOpenAIClass_ResponseItem_FileSearchCall*>(lAnswer->Output()[0].get()),
            nullptr);
  auto* lMessage = dynamic_cast<TozkOpenAIClass_ResponseItem_Message*>(lAnswer->Output()[1].get());
  ASSERT_NE(lMessage, nullptr);
  ASSERT_EQ(lMessage->Content().size(), 1u);
  const auto& lPart = *lMessage->Content()[0];
  EXPECT_NE(lPart.Text().find(u"The ReadTimeout option bounds every read in milliseconds."),
            std::u16string::npos);
  ASSERT_EQ(lPart.Annotations().size(), 1u);
  auto* lCite =
      dynamic_cast<TozkOpenAIClass_ResponseAnnotation_FileCitation*>(lPart.Annotations()[0].get());
  ASSERT_NE(lCite, nullptr);
  EXPECT_EQ(lCite->FileId(), lFile->Id());
  EXPECT_EQ(lCite->_Index(), static_cast<int32_t>(lPart.Text().size()));
}

TEST(ResponsesService, ConversationHoldsTheTurns) {
  ozktest::TTestService lService;
  TozkHTTP_API_OpenAI lClient;
  Configure(lClient, lService);
  TozkOpenAIClass_Request_Conversation lCreate;
  lCreate.MetaData()->Add(u"topic=maths");
  auto lConversation = lClient.CreateConversation(lCreate);
  EXPECT_EQ(lConversation->_Object(), u"conversation");
  for (const char16_t* lText : {u"Solve x + 1 = 4", u"Thanks"}) {
    auto lRequest = Ask(lText);
    lRequest->SetConversation(lConversation->Id());
    lRequest->SetStream(true);
    EXPECT_EQ(lClient.CreateResponse(*lRequest)->Conversation(), lConversation->Id());
  }
  auto lItems = lClient.ListConversationItems(lConversation->Id(), 20, u"asc");
  ASSERT_EQ(lItems->Items().size(), 4u);
  std::vector<std::u16string> lRoles;
  for (const auto& lItem : lItems->Items()) {
    auto* lMessage = dynamic_cast<TozkOpenAIClass_ResponseItem_Message*>(lItem.get());
    ASSERT_NE(lMessage, nullptr);
    lRoles.push_back(lMessage->Role());
  }
  EXPECT_EQ(lRoles, (std::vector<std::u16string>{u"user", u"assistant", u"user", u"assistant"}));

  TozkOpenAIClass_Request_ConversationUpdate lUpdate;
  lUpdate.MetaData()->Add(u"topic=done");
  EXPECT_EQ(lClient.UpdateConversation(lConversation->Id(), lUpdate)->MetaData()->Text(),
            u"topic=done\r\n");
  TozkOpenAIClass_Request_ConversationItems lMore;
  auto lItem = std::make_unique<TozkOpenAIClass_ResponseItem_Message>();
  lItem->SetRole(u"user");
  lItem->SetContentText(u"One more.");
  lMore.Items().push_back(std::move(lItem));
  auto lAdded = lClient.CreateConversationItems(lConversation->Id(), lMore);
  ASSERT_EQ(lAdded->Items().size(), 1u);
  const std::u16string lItemId = lAdded->Items()[0]->Id();
  auto lFetched = lClient.RetrieveConversationItem(lConversation->Id(), lItemId);
  auto* lFetchedMessage = dynamic_cast<TozkOpenAIClass_ResponseItem_Message*>(lFetched.get());
  ASSERT_NE(lFetchedMessage, nullptr);
  EXPECT_EQ(lFetchedMessage->Text(), u"One more.");
  EXPECT_EQ(lClient.DeleteConversationItem(lConversation->Id(), lItemId)->Id(),
            lConversation->Id());
  EXPECT_TRUE(lClient.DeleteConversation(lConversation->Id())->Deleted());
}

// With conversations switched off, creating one answers 404 (the sign a client falls back on)
// while a chain of responses keeps working.
TEST(ResponsesService, ConversationsOffLeaveTheChain) {
  ozktest::TTestServiceOptions lOptions;
  lOptions.ExtraArgs = {"--no-conversations"};
  ozktest::TTestService lService(lOptions);
  TozkHTTP_API_OpenAI lClient;
  Configure(lClient, lService);
  TozkOpenAIClass_Request_Conversation lCreate;
  try {
    lClient.CreateConversation(lCreate);
    ADD_FAILURE() << "conversations answered";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorCode(), 404);
  }
  auto lFirst = lClient.CreateResponse(*Ask(u"Solve 3y = 9"));
  auto lSecond = Ask(u"And 2y = 9?");
  lSecond->SetPreviousResponseId(lFirst->Id());
  auto lAnswer = lClient.CreateResponse(*lSecond);
  EXPECT_EQ(lAnswer->PreviousResponseId(), lFirst->Id());
  EXPECT_NE(lAnswer->OutputText().find(u"y = 9/2"), std::u16string::npos);
}

// The fault control cuts the stream after a few events: the text that came is handed over, the
// call fails, and no response is returned.
TEST(ResponsesService, CutStreamFailsAfterDeliveringWhatCame) {
  ozktest::TTestService lService;
  TozkHTTP_API_OpenAI lClient;
  Configure(lClient, lService);
  Control(lService, u"cut_stream", u"{\"after_events\":5}");
  auto lRequest = Ask(u"one two three four five six seven eight nine ten eleven twelve");
  lRequest->SetStream(true);
  std::u16string lArrived;
  std::unique_ptr<TozkOpenAIClass_Response> lResponse;
  std::string lError;
  try {
    lResponse = lClient.CreateResponse(*lRequest, [&](const std::u16string& d) { lArrived += d; });
  } catch (const Exception& e) {
    lError = e.what();
  }
  EXPECT_EQ(lResponse, nullptr);
  EXPECT_NE(lError.find("The event stream ended before its final event."), std::string::npos)
      << lError;
  // created, in_progress, item added, part added, then one delta.
  EXPECT_FALSE(lArrived.empty());
  EXPECT_EQ(lArrived.find(u"twelve"), std::u16string::npos) << UTF16ToUTF8(lArrived);
}

TEST(ResponsesService, AzureV1Form) {
  ozktest::TTestService lService;
  TozkHTTP_API_OpenAI lClient;
  Configure(lClient, lService, oapvAzure);
  auto lRequest = Ask(u"Solve 5x = 10");
  lRequest->SetStream(true);
  EXPECT_NE(lClient.CreateResponse(*lRequest)->OutputText().find(u"x = 2"), std::u16string::npos);
  TozkOpenAIClass_Request_Conversation lCreate;
  EXPECT_EQ(lClient.CreateConversation(lCreate)->_Object(), u"conversation");
}

// Over TLS, as the window talks to the hosted service: the streamed answer arrives in pieces,
// and a stream the service cuts still fails without a response.
TEST(ResponsesService, StreamsOverTLS) {
  const ozktest::TTestPKI& lPKI = ozktest::TTestPKI::Get();
  ozktest::TTestTempDir lDir;
  const std::u16string lCA = lDir.WriteFile("ca.pem", lPKI.CA.CertPEM());
  ozktest::TTestServiceOptions lOptions;
  lOptions.TLSCertFile = UTF16ToUTF8(lDir.WriteFile("cert.pem", lPKI.Localhost.ChainPEM()));
  lOptions.TLSKeyFile = UTF16ToUTF8(lDir.WriteFile("key.pem", lPKI.Localhost.KeyPEM()));
  ozktest::TTestService lService(lOptions);
  ASSERT_EQ(lService.BaseURL().rfind("https://", 0), 0u);
  TozkHTTP_API_OpenAI lClient;
  Configure(lClient, lService);
  lClient.TLSOptions().SetRootCertFile(lCA);

  auto lRequest = Ask(u"Solve 6x - 6 = 30 and explain it in a few words");
  lRequest->SetStream(true);
  std::vector<std::u16string> lDeltas;
  auto lAnswer =
      lClient.CreateResponse(*lRequest, [&](const std::u16string& d) { lDeltas.push_back(d); });
  EXPECT_GT(lDeltas.size(), 1u);
  EXPECT_NE(lAnswer->OutputText().find(u"x = 6"), std::u16string::npos);

  TozkHTTPAPI_client lPlain;
  lPlain.SetReadTimeout(5000);
  lPlain.TLSOptions().SetRootCertFile(lCA);
  TStringList lHeaders{u"Content-Type: application/json"};
  lPlain.Post(U16(lService.BaseURL()) + u"/_control/cut_stream", u"{\"after_events\":5}",
              &lHeaders);
  std::u16string lArrived;
  std::unique_ptr<TozkOpenAIClass_Response> lCut;
  std::string lError;
  try {
    lCut = lClient.CreateResponse(*lRequest, [&](const std::u16string& d) { lArrived += d; });
  } catch (const Exception& e) {
    lError = e.what();
  }
  EXPECT_NE(lError.find("The event stream ended before its final event."), std::string::npos)
      << lError;
  EXPECT_EQ(lCut, nullptr);
  EXPECT_FALSE(lArrived.empty());
}
