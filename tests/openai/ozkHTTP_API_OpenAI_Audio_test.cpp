// The recording methods: ALSA capture from the "null" device (silence, no sound card needed)
// into a WAVE file, the errors of a device that cannot be opened and of a file that cannot be
// saved, and the recording pairs that upload what they recorded.
#include "openai/ozkHTTP_API_OpenAI_Methods.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/ozkException.h"
#include "base/ozkText.h"
#include "openai/ozkHTTP_API_OpenAI_Client.h"
#include "openai/ozkOpenAITestServer.h"

namespace {

class TRecordingClient : public TozkHTTP_API_OpenAI {
 public:
  TRecordingClient() { SetCaptureDevice(u"null"); }
  using TozkHTTP_API_OpenAI::DoRecordAudio;
};

uint32_t LE(const std::string& aData, size_t aAt, int aBytes) {
  uint32_t lValue = 0;
  for (int i = aBytes - 1; i >= 0; --i)
    lValue = (lValue << 8) | static_cast<uint8_t>(aData[aAt + static_cast<size_t>(i)]);
  return lValue;
}

// Checks the RIFF header of a 16-bit mono 16000 Hz PCM file holding aMilliseconds of sound.
void ExpectWave(const std::string& aPath, uint32_t aMilliseconds) {
  const std::string lData = ozktest::ReadFileBytes(aPath);
  const uint32_t lDataBytes = aMilliseconds * 16000 / 1000 * 2;
  ASSERT_EQ(lData.size(), 44u + lDataBytes);
  EXPECT_EQ(lData.substr(0, 4), "RIFF");
  EXPECT_EQ(LE(lData, 4, 4), 36 + lDataBytes);
  EXPECT_EQ(lData.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(LE(lData, 16, 4), 16u);
  EXPECT_EQ(LE(lData, 20, 2), 1u);     // PCM
  EXPECT_EQ(LE(lData, 22, 2), 1u);     // mono
  EXPECT_EQ(LE(lData, 24, 4), 16000u); // samples per second
  EXPECT_EQ(LE(lData, 28, 4), 32000u); // bytes per second
  EXPECT_EQ(LE(lData, 32, 2), 2u);     // block
  EXPECT_EQ(LE(lData, 34, 2), 16u);    // bits
  EXPECT_EQ(lData.substr(36, 4), "data");
  EXPECT_EQ(LE(lData, 40, 4), lDataBytes);
}

class RecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char lTemplate[] = "/tmp/ozk_rec_XXXXXX";
    FDir = ::mkdtemp(lTemplate);
    const char* lOld = std::getenv("TEMP");
    FHadTemp = lOld != nullptr;
    if (lOld) FOldTemp = lOld;
    ::setenv("TEMP", FDir.c_str(), 1);
  }
  void TearDown() override {
    if (FHadTemp)
      ::setenv("TEMP", FOldTemp.c_str(), 1);
    else
      ::unsetenv("TEMP");
    std::filesystem::remove_all(FDir);
  }
  std::string FDir, FOldTemp;
  bool FHadTemp = false;
};

} // namespace

TEST_F(RecordingTest, RecordsAWaveFileOfTheAskedLength) {
  TRecordingClient lClient;
  const std::string lFile = FDir + "/take.wav";
  lClient.DoRecordAudio(UTF8ToUTF16(lFile), 250);
  ExpectWave(lFile, 250);
  EXPECT_FALSE(std::filesystem::exists(lFile + ".part"));
  lClient.DoRecordAudio(UTF8ToUTF16(lFile), 0);
  ExpectWave(lFile, 0);
}

TEST_F(RecordingTest, UnknownDeviceAndUnwritableFileRaiseMCIErrorAndLeaveNothing) {
  TRecordingClient lClient;
  EXPECT_EQ(lClient.CaptureDevice(), u"null");
  EXPECT_EQ(TozkHTTP_API_OpenAI().CaptureDevice(), u"default");
  const std::string lFile = FDir + "/take.wav";
  lClient.SetCaptureDevice(u"ozk_no_such_capture_device");
  try {
    lClient.DoRecordAudio(UTF8ToUTF16(lFile), 100);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"MCI error");
  }
  lClient.SetCaptureDevice(u"null");
  try {
    lClient.DoRecordAudio(UTF8ToUTF16(FDir + "/missing/take.wav"), 100);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"MCI error");
  }
  EXPECT_TRUE(std::filesystem::is_empty(FDir));
}

TEST_F(RecordingTest, RecordingPairsUploadTheRecording) {
  ozktest::TOpenAIRecordingServer lServer;
  TRecordingClient lClient;
  lClient.OpenAIOptions().SetBaseURL(lServer.Origin());
  lClient.OpenAIOptions().HttpOptions().SetReadTimeout(5000);

  // Typed, no file given: the recording goes to $TEMP and its path stays in the request.
  TozkOpenAIClass_Request_Transcription lRequest;
  lRequest.SetModel(u"whisper-1");
  lClient.CreateTranscription(lRequest, 100);
  const std::string lDefault = FDir + "/ozkTranscription.wav";
  EXPECT_EQ(lRequest.File(), UTF8ToUTF16(lDefault));
  ExpectWave(lDefault, 100);

  // Typed with a file given, and the basic translation.
  TozkOpenAIClass_Request_Translation lTranslation;
  lTranslation.SetModel(u"whisper-1");
  lTranslation.SetFile(UTF8ToUTF16(FDir + "/mine.wav"));
  lClient.CreateTranslation(lTranslation, 50);
  lClient._CreateTranslation(u"whisper-1", 20);

  ASSERT_EQ(lServer.Count(), 3);
  const std::pair<const char*, std::string> lExpected[] = {
      {"/v1/audio/transcriptions", lDefault},
      {"/v1/audio/translations", FDir + "/mine.wav"},
      {"/v1/audio/translations", FDir + "/ozkTranslation.wav"}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const ozktest::TRecordedRequest lSent = lServer.Request(i);
    EXPECT_EQ(lSent.Target, lExpected[i].first);
    const auto lParts = ozktest::ParseMultipart(lSent.Body, lSent.Header("Content-Type"));
    ASSERT_EQ(lParts.size(), 2u);
    // The request objects write "model" first, the basic method "file" first.
    const size_t lFile = i < 2 ? 1 : 0;
    EXPECT_EQ(lParts[1 - lFile].Name, "model");
    EXPECT_EQ(lParts[1 - lFile].Data, "whisper-1");
    EXPECT_EQ(lParts[lFile].Name, "file");
    EXPECT_EQ(lParts[lFile].Data, ozktest::ReadFileBytes(lExpected[i].second));
  }
  ExpectWave(FDir + "/ozkTranslation.wav", 20);
}

TEST_F(RecordingTest, NoRecordingDeviceMeansNoRequest) {
  ozktest::TOpenAIRecordingServer lServer;
  TRecordingClient lClient;
  lClient.OpenAIOptions().SetBaseURL(lServer.Origin());
  lClient.SetCaptureDevice(u"ozk_no_such_capture_device");
  EXPECT_THROW(lClient._CreateTranscription(u"whisper-1", 100), Exception);
  EXPECT_EQ(lServer.Count(), 0);
}
