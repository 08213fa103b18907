// End-to-end tests of the typed REST client against the bundled local assistants service:
// every typed method over HTTP, and the assistants workflow over TLS with a certificate from the
// test CA, trusted through RootCertFile with verification on.
#include "openai/ozkHTTP_API_OpenAI_Client.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/ozkText.h"
#include "http/ozkIdHTTP.h"
#include "net/ozkIdException.h"
#include "support/ozkTestService.h"
#include "support/ozkTestTLS.h"

namespace {

std::u16string U16(const std::string& aText) {
  return UTF8ToUTF16(aText);
}

// A folder of upload sources: a text manual, a PNG image and a short WAVE file.
struct TSources {
  TSources() {
    char lTemplate[] = "/tmp/ozk_e2e_XXXXXX";
    Dir = ::mkdtemp(lTemplate);
    Manual = Write("manual.txt", "The reset button is on the left side.\nHold it for 5 seconds.\n");
    Image = Write("picture.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    std::string lWave = "RIFF";
    const uint32_t lData = 1600;
    auto lLE = [&lWave](uint32_t v, int n) {
      for (int i = 0; i < n; ++i) lWave.push_back(static_cast<char>(v >> (8 * i)));
    };
    lLE(36 + lData, 4);
    lWave += "WAVEfmt ";
    for (uint32_t v : {16u}) lLE(v, 4);
    lLE(1, 2), lLE(1, 2), lLE(8000, 4), lLE(16000, 4), lLE(2, 2), lLE(16, 2);
    lWave += "data";
    lLE(lData, 4);
    lWave += std::string(lData, '\0');
    Audio = Write("speech.wav", lWave);
    Training = Write("train.jsonl", "{\"prompt\":\"a\",\"completion\":\"b\"}\n");
  }
  ~TSources() { std::filesystem::remove_all(Dir); }
  std::u16string Write(const std::string& aName, const std::string& aData) const {
    std::ofstream(Dir + "/" + aName, std::ios::binary)
        .write(aData.data(), static_cast<std::streamsize>(aData.size()));
    return U16(Dir + "/" + aName);
  }
  std::string Dir;
  std::u16string Manual, Image, Audio, Training;
};

void Configure(TozkHTTP_API_OpenAI& aClient, const ozktest::TTestService& aService) {
  aClient.OpenAIOptions().SetApiKey(u"sk-local");
  aClient.OpenAIOptions().SetBaseURL(U16(aService.BaseURL()));
  aClient.OpenAIOptions().HttpOptions().SetReadTimeout(10000);
}

std::unique_ptr<TozkOpenAIClass_Request_Assistant> Tutor() {
  auto lRequest = std::make_unique<TozkOpenAIClass_Request_Assistant>();
  lRequest->SetModel(u"gpt-4o");
  lRequest->SetName(u"Math tutor");
  lRequest->SetInstructions(u"Answer with code.");
  return lRequest;
}

// Polls the run until it leaves queued and in_progress (bounded by a count, not by time).
std::unique_ptr<TozkOpenAIClass_Run> WaitForRun(TozkHTTP_API_OpenAI& aClient,
                                                const std::u16string& aThreadId,
                                                const std::u16string& aRunId) {
  std::unique_ptr<TozkOpenAIClass_Run> lRun;
  for (int i = 0; i < 50; ++i) {
    lRun = aClient.RetrieveRun(aThreadId, aRunId);
    if (lRun->Status() != u"queued" && lRun->Status() != u"in_progress") break;
  }
  return lRun;
}

} // namespace

TEST(OpenAIService, EveryTypedMethodOverHTTP) {
  ozktest::TTestService lService;
  TSources lFiles;
  TozkHTTP_API_OpenAI lClient;
  Configure(lClient, lService);

  // Models, completions, edits, embeddings, moderations.
  auto lModels = lClient.GetModels();
  ASSERT_FALSE(lModels->Data().empty());
  const std::u16string lModelId = lModels->Data()[0]->Id();
  EXPECT_EQ(lClient.GetModel(lModelId)->Id(), lModelId);

  TozkOpenAIClass_Request_Completion lCompletion;
  lCompletion.SetModel(u"gpt-3.5-turbo-instruct");
  lCompletion.SetPrompt(u"Say hello");
  auto lCompleted = lClient.CreateCompletion(lCompletion);
  ASSERT_FALSE(lCompleted->Choices().empty());
  EXPECT_FALSE(lCompleted->Choices()[0]->Text().empty());

  TozkOpenAIClass_Request_ChatCompletion lChat;
  lChat.SetModel(u"gpt-4o");
  auto lMessage = std::make_unique<TozkOpenAIClass_Request_Completion_Message>();
  lMessage->SetContent(u"What is 2+2?");
  lChat.Messages().push_back(std::move(lMessage));
  auto lChatted = lClient.CreateChatCompletion(lChat);
  ASSERT_FALSE(lChatted->Choices().empty());
  ASSERT_TRUE(lChatted->Choices()[0]->_Message());
  EXPECT_FALSE(lChatted->Choices()[0]->_Message()->Content().empty());

  TozkOpenAIClass_Request_Edit lEdit;
  lEdit.SetModel(u"text-davinci-edit-001");
  lEdit.SetInput(u"teh cat");
  lEdit.SetInstruction(u"Fix the spelling");
  EXPECT_FALSE(lClient.CreateEdit(lEdit)->Choices().empty());

  TozkOpenAIClass_Request_Embeddings lEmbeddings;
  lEmbeddings.SetModel(u"text-embedding-3-small");
  lEmbeddings.SetInput(u"hello");
  auto lVectors = lClient.CreateEmbeddings(lEmbeddings);
  ASSERT_FALSE(lVectors->Data().empty());
  EXPECT_FALSE(lVectors->Data()[0]->Embedding().empty());

  TozkOpenAIClass_Request_Moderation lModeration;
  lModeration.SetInput(u"a friendly sentence");
  EXPECT_FALSE(lClient.CreateModeration(lModeration)->Results().empty());

  // Images and audio (multipart uploads of local files).
  TozkOpenAIClass_Request_Image lImage;
  lImage.SetPrompt(u"a cat");
  EXPECT_FALSE(lClient.CreateImage(lImage)->Data().empty());
  TozkOpenAIClass_Request_Image_Edit lImageEdit;
  lImageEdit.SetImage(lFiles.Image);
  lImageEdit.SetPrompt(u"add a hat");
  EXPECT_FALSE(lClient.CreateImageEdit(lImageEdit)->Data().empty());
  TozkOpenAIClass_Request_Image_Variation lVariation;
  lVariation.SetImage(lFiles.Image);
  EXPECT_FALSE(lClient.CreateImageVariation(lVariation)->Data().empty());
  TozkOpenAIClass_Request_Transcription lTranscription;
  lTranscription.SetModel(u"whisper-1");
  lTranscription.SetFile(lFiles.Audio);
  const std::u16string lHeard = lClient.CreateTranscriptionFromFile(lTranscription)->Text();
  EXPECT_NE(lHeard.find(u"speech.wav"), std::u16string::npos) << UTF16ToUTF8(lHeard);
  TozkOpenAIClass_Request_Translation lTranslation;
  lTranslation.SetModel(u"whisper-1");
  lTranslation.SetFile(lFiles.Audio);
  EXPECT_FALSE(lClient.CreateTranslationFromFile(lTranslation)->Text().empty());

  // Files and fine-tunes.
  TozkOpenAIClass_Request_UploadFile lUpload;
  lUpload.SetFile(lFiles.Training);
  lUpload.SetPurpose(u"fine-tune");
  auto lTraining = lClient.UploadFile(lUpload);
  ASSERT_FALSE(lTraining->Id().empty());
  EXPECT_EQ(lTraining->FileName(), u"train.jsonl");
  EXPECT_EQ(lClient.RetrieveFile(lTraining->Id())->Id(), lTraining->Id());
  EXPECT_EQ(UTF16ToUTF8(lClient.RetrieveFileContent(lTraining->Id())),
            "{\"prompt\":\"a\",\"completion\":\"b\"}\n");
  EXPECT_FALSE(lClient.ListFiles()->Data().empty());

  TozkOpenAIClass_Request_FineTune lFineTune;
  lFineTune.SetTrainingFile(lTraining->Id());
  auto lJob = lClient.CreateFineTune(lFineTune);
  ASSERT_FALSE(lJob->Id().empty());
  EXPECT_FALSE(lClient.ListFineTunes()->Data().empty());
  EXPECT_FALSE(lClient.ListFineTuneEvents(lJob->Id())->Data().empty());
  auto lSecondJob = lClient.CreateFineTune(lFineTune);
  EXPECT_EQ(lClient.CancelFineTune(lSecondJob->Id())->Status(), u"cancelled");
  EXPECT_EQ(lClient.RetrieveFineTune(lJob->Id())->Status(), u"succeeded");
  std::u16string lTuned;
  auto lAfterTuning = lClient.GetModels();
  for (const auto& lModel : lAfterTuning->Data())
    if (lModel->OwnedBy() != u"system") lTuned = lModel->Id();
  ASSERT_FALSE(lTuned.empty());
  EXPECT_TRUE(lClient.DeleteFineTuneModel(lTuned)->Deleted());
  EXPECT_TRUE(lClient.DeleteFile(lTraining->Id())->Deleted());

  // Assistants, threads, messages.
  auto lAssistant = lClient.CreateAssistant(*Tutor());
  ASSERT_FALSE(lAssistant->Id().empty());
  EXPECT_EQ(lClient.RetrieveAssistant(lAssistant->Id())->Name(), u"Math tutor");
  auto lRenamed = Tutor();
  lRenamed->SetName(u"Renamed");
  EXPECT_EQ(lClient.ModifyAssistant(lAssistant->Id(), *lRenamed)->Name(), u"Renamed");
  EXPECT_FALSE(lClient.ListAssistants()->Asisstants().empty());

  TozkOpenAIClass_Request_Thread lThreadRequest;
  auto lThread = lClient.CreateThread(lThreadRequest);
  ASSERT_FALSE(lThread->Id().empty());
  EXPECT_EQ(lClient.RetrieveThread(lThread->Id())->Id(), lThread->Id());
  lThreadRequest.MetaData()->Add(u"topic=maths");
  EXPECT_EQ(lClient.ModifyThread(lThread->Id(), lThreadRequest)->Id(), lThread->Id());

  TozkOpenAIClass_Request_Message lAsk;
  lAsk.SetRole(u"user");
  lAsk.SetContentText(u"What is 6 times 7?");
  auto lAsked = lClient.CreateMessage(lThread->Id(), lAsk);
  ASSERT_FALSE(lAsked->Id().empty());
  EXPECT_EQ(lClient.RetrieveMessage(lThread->Id(), lAsked->Id())->Role(), u"user");
  TozkOpenAIClass_Request_Message lTag;
  lTag.MetaData()->Add(u"seen=yes");
  EXPECT_EQ(lClient.ModifyMessage(lThread->Id(), lAsked->Id(), lTag)->Id(), lAsked->Id());

  // Runs and run steps.
  TozkOpenAIClass_Request_Run lRunRequest;
  lRunRequest.SetAssistantId(lAssistant->Id());
  auto lRun = lClient.CreateRun(lThread->Id(), lRunRequest);
  ASSERT_FALSE(lRun->Id().empty());
  EXPECT_EQ(WaitForRun(lClient, lThread->Id(), lRun->Id())->Status(), u"completed");
  EXPECT_FALSE(lClient.ListRuns(lThread->Id())->Runs().empty());
  // A run request always carries "stream", which a modification does not take: the service's
  // refusal names it, so the request reached the run it names.
  TozkOpenAIClass_Request_Run lRunChange;
  try {
    lClient.ModifyRun(lThread->Id(), lRun->Id(), lRunChange);
    ADD_FAILURE() << "the service took a run modification with \"stream\"";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorCode(), 400);
    EXPECT_NE(e.ErrorMessage().find(u"stream"), std::u16string::npos) << UTF16ToUTF8(e.Message());
  }
  auto lSteps = lClient.ListRunSteps(lThread->Id(), lRun->Id());
  ASSERT_FALSE(lSteps->Runs().empty());
  EXPECT_EQ(lClient.RetrieveRunSteps(lThread->Id(), lRun->Id(), lSteps->Runs()[0]->Id())->RunId(),
            lRun->Id());
  auto lMessages = lClient.ListMessages(lThread->Id(), 20, u"desc", u"", u"", lRun->Id());
  ASSERT_FALSE(lMessages->Messages().empty());
  EXPECT_EQ(lMessages->Messages()[0]->Role(), u"assistant");

  auto lSecondRun = lClient.CreateRun(lThread->Id(), lRunRequest);
  EXPECT_EQ(lClient.CancelRun(lThread->Id(), lSecondRun->Id())->Status().substr(0, 6), u"cancel");
  // Tool outputs are only accepted by a run that asks for them; the service says so with an
  // HTTP error that comes back as the exception with its status.
  TozkOpenAIClass_Request_ToolOutputs lOutputs;
  lOutputs.SetToolCallId(u"call_1");
  lOutputs.SetOutput(u"42");
  try {
    lClient.SubmitToolOutputsToRun(lThread->Id(), lRun->Id(), lOutputs);
    ADD_FAILURE() << "a completed run took tool outputs";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorCode(), 400);
  }

  // Vector stores, their files and file batches.
  TozkOpenAIClass_Request_VectorStore lStoreRequest;
  lStoreRequest.SetName(u"manuals");
  auto lStore = lClient.CreateVectorStore(lStoreRequest);
  ASSERT_FALSE(lStore->Id().empty());
  EXPECT_EQ(lClient.RetrieveVectorStore(lStore->Id())->Name(), u"manuals");
  lStoreRequest.SetName(u"handbooks");
  EXPECT_EQ(lClient.ModifyVectorStore(lStore->Id(), lStoreRequest)->Name(), u"handbooks");
  EXPECT_FALSE(lClient.ListVectorStores()->VectorStores().empty());

  TozkOpenAIClass_Request_UploadFile lManualUpload;
  lManualUpload.SetFile(lFiles.Manual);
  lManualUpload.SetPurpose(u"assistants");
  auto lManual = lClient.UploadFile(lManualUpload);
  auto lAttached = lClient.CreateVectorStoreFile(lStore->Id(), lManual->Id());
  EXPECT_EQ(lAttached->Id(), lManual->Id());
  EXPECT_EQ(lClient.RetrieveVectorStoreFile(lStore->Id(), lManual->Id())->VectorStoreId(),
            lStore->Id());
  EXPECT_EQ(lClient.ListVectorStoreFiles(lStore->Id())->VectorStoreFiles().size(), 1u);

  auto lSecond = lClient.UploadFile(lManualUpload);
  auto lBatch = lClient.CreateVectorStoreFileBatch(lStore->Id(), u"[\"" + lSecond->Id() + u"\"]");
  ASSERT_FALSE(lBatch->Id().empty());
  EXPECT_EQ(lClient.RetrieveVectorStoreFileBatch(lStore->Id(), lBatch->Id())->Id(), lBatch->Id());
  EXPECT_EQ(
      lClient.ListVectorStoreFilesBatch(lStore->Id(), lBatch->Id())->VectorStoreFilesBatch().size(),
      1u);
  // Cancelling a batch that already finished is refused or reports its final state.
  try {
    EXPECT_FALSE(lClient.CancelVectorStoreFileBatch(lStore->Id(), lBatch->Id())->Id().empty());
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorCode(), 400);
  }

  // Deletions.
  EXPECT_TRUE(lClient.DeleteVectorStoreFile(lStore->Id(), lManual->Id())->Deleted());
  EXPECT_TRUE(lClient.DeleteVectorStore(lStore->Id())->Deleted());
  EXPECT_TRUE(lClient.DeleteMessage(lThread->Id(), lAsked->Id())->Deleted());
  EXPECT_TRUE(lClient.DeleteThread(lThread->Id())->Deleted());
  EXPECT_TRUE(lClient.DeleteAssistant(lAssistant->Id())->Deleted());
  try {
    lClient.RetrieveAssistant(lAssistant->Id());
    ADD_FAILURE() << "a deleted assistant was found";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorCode(), 404);
    EXPECT_NE(e.Message().find(u". {"), std::u16string::npos);
  }
}

TEST(OpenAIService, AssistantsWorkflowOverVerifiedTLS) {
  const auto& lPKI = ozktest::TTestPKI::Get();
  ozktest::TTestTempDir lPKIDir;
  const std::u16string lCA = lPKIDir.WriteFile("ca.pem", lPKI.CA.CertPEM());
  const std::u16string lCert = lPKIDir.WriteFile("cert.pem", lPKI.Localhost.ChainPEM());
  const std::u16string lKey = lPKIDir.WriteFile("key.pem", lPKI.Localhost.KeyPEM());
  ozktest::TTestServiceOptions lOptions;
  lOptions.TLSCertFile = UTF16ToUTF8(lCert);
  lOptions.TLSKeyFile = UTF16ToUTF8(lKey);
  ozktest::TTestService lService(lOptions);
  ASSERT_EQ(lService.BaseURL().rfind("https://", 0), 0u);
  TSources lFiles;

  TozkHTTP_API_OpenAI lClient;
  Configure(lClient, lService);
  // Verification stays on (the executor's default); the test CA is the only trust anchor given.
  ASSERT_TRUE(lClient.TLSOptions().VerifyCertificate());
  lClient.TLSOptions().SetRootCertFile(lCA);

  auto lAssistant = lClient.CreateAssistant(*Tutor());
  ASSERT_FALSE(lAssistant->Id().empty());
  TozkOpenAIClass_Request_Thread lThreadRequest;
  auto lThread = lClient.CreateThread(lThreadRequest);
  TozkOpenAIClass_Request_Message lAsk;
  lAsk.SetRole(u"user");
  lAsk.SetContentText(EscapeJSONString(u"Explain \"x = 1\" in C++"));
  lClient.CreateMessage(lThread->Id(), lAsk);
  TozkOpenAIClass_Request_Run lRunRequest;
  lRunRequest.SetAssistantId(lAssistant->Id());
  auto lRun = lClient.CreateRun(lThread->Id(), lRunRequest);
  EXPECT_EQ(WaitForRun(lClient, lThread->Id(), lRun->Id())->Status(), u"completed");
  auto lAnswers = lClient.ListMessages(lThread->Id(), 20, u"desc", u"", u"", lRun->Id());
  ASSERT_FALSE(lAnswers->Messages().empty());
  EXPECT_EQ(lAnswers->Messages()[0]->Role(), u"assistant");
  EXPECT_FALSE(lAnswers->Messages()[0]->ContentText().empty());

  TozkOpenAIClass_Request_VectorStore lStoreRequest;
  lStoreRequest.SetName(u"manuals");
  auto lStore = lClient.CreateVectorStore(lStoreRequest);
  TozkOpenAIClass_Request_UploadFile lUpload;
  lUpload.SetFile(lFiles.Manual);
  lUpload.SetPurpose(u"assistants");
  auto lFile = lClient.UploadFile(lUpload);
  ASSERT_FALSE(lFile->Id().empty());
  lClient.CreateVectorStoreFile(lStore->Id(), lFile->Id());
  auto lListed = lClient.ListVectorStoreFiles(lStore->Id());
  ASSERT_EQ(lListed->VectorStoreFiles().size(), 1u);
  EXPECT_EQ(lListed->VectorStoreFiles()[0]->Id(), lFile->Id());
  EXPECT_TRUE(lClient.DeleteVectorStoreFile(lStore->Id(), lFile->Id())->Deleted());
  EXPECT_TRUE(lClient.DeleteVectorStore(lStore->Id())->Deleted());
  EXPECT_TRUE(lClient.DeleteFile(lFile->Id())->Deleted());
  EXPECT_TRUE(lClient.DeleteThread(lThread->Id())->Deleted());
  EXPECT_TRUE(lClient.DeleteAssistant(lAssistant->Id())->Deleted());

  // Trusting only the system's store, the same server is refused before any request: the
  // verification is really on.
  TozkHTTP_API_OpenAI lStranger;
  Configure(lStranger, lService);
  try {
    lStranger.ListAssistants();
    ADD_FAILURE() << "an untrusted certificate was accepted";
  } catch (const EIdException& e) {
    EXPECT_NE(UTF16ToUTF8(e.Message()).find("certificate verify failed"), std::string::npos)
        << UTF16ToUTF8(e.Message());
  }
}
