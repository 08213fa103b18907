// Audio capture of the recording methods: ALSA capture into a PCM WAVE file. The samples go to
// a sibling temporary file while they arrive (a long recording is never held in memory), which
// is renamed into place only when it is complete.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "base/ozkException.h"
#include "base/ozkText.h"
#include "openai/ozkHTTP_API_OpenAI_Methods.h"

namespace {

constexpr unsigned kSampleRate = 16000;
constexpr unsigned kChannels = 1;
constexpr unsigned kBytesPerSample = 2;

struct TPcmClose {
  void operator()(snd_pcm_t* aPcm) const { snd_pcm_close(aPcm); }
};
struct TFileClose {
  void operator()(std::FILE* aFile) const { std::fclose(aFile); }
};

void PutLE(std::vector<uint8_t>& aOut, uint32_t aValue, int aBytes) {
  for (int i = 0; i < aBytes; ++i) aOut.push_back(static_cast<uint8_t>(aValue >> (8 * i)));
}

std::vector<uint8_t> WaveHeader(uint32_t aDataBytes) {
  std::vector<uint8_t> lHeader;
  auto lTag = [&lHeader](const char* aTag) { lHeader.insert(lHeader.end(), aTag, aTag + 4); };
  lTag("RIFF");
  PutLE(lHeader, 36 + aDataBytes, 4);
  lTag("WAVE");
  lTag("fmt ");
  PutLE(lHeader, 16, 4);
  PutLE(lHeader, 1, 2); // PCM
  PutLE(lHeader, kChannels, 2);
  PutLE(lHeader, kSampleRate, 4);
  PutLE(lHeader, kSampleRate * kChannels * kBytesPerSample, 4);
  PutLE(lHeader, kChannels * kBytesPerSample, 2);
  PutLE(lHeader, 8 * kBytesPerSample, 2);
  lTag("data");
  PutLE(lHeader, aDataBytes, 4);
  return lHeader;
}

// ALSA reports its failures on stderr as well as in return codes; the codes become the
// exceptions below, so the library's own printing is switched off.
void QuietErrorHandler(const char*, int, const char*, int, const char*, ...) {}

[[noreturn]] void MCIError() {
  throw Exception(u"MCI error");
}
[[noreturn]] void RecordingError() {
  throw Exception(u"MCI error. No microphone connected to the computer?");
}

} // namespace

void TozkHTTP_API_OpenAI_Base_Methods::DoRecordAudio(const std::u16string& aFileName,
                                                     uint32_t aTime) {
  static std::once_flag lQuiet;
  std::call_once(lQuiet, [] { snd_lib_error_set_handler(QuietErrorHandler); });
  snd_pcm_t* lRaw = nullptr;
  if (snd_pcm_open(&lRaw, UTF16ToUTF8(CaptureDevice()).c_str(), SND_PCM_STREAM_CAPTURE, 0) < 0)
    MCIError();
  std::unique_ptr<snd_pcm_t, TPcmClose> lPcm(lRaw);
  // Resampling allowed, half a second of latency: the device's own rate and format need not be
  // the file's.
  if (snd_pcm_set_params(lPcm.get(), SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                         kChannels, kSampleRate, 1, 500000) < 0)
    MCIError();

  const uint64_t lFrames = static_cast<uint64_t>(aTime) * kSampleRate / 1000;
  const uint64_t lDataBytes = lFrames * kChannels * kBytesPerSample;
  // The RIFF sizes are 32-bit: about 37 hours at this rate.
  if (lDataBytes > 0xFFFFFFFFull - 36) RecordingError();

  const std::string lTarget = UTF16ToUTF8(aFileName);
  const std::string lPartial = lTarget + ".part";
  std::unique_ptr<std::FILE, TFileClose> lFile(std::fopen(lPartial.c_str(), "wb"));
  if (!lFile) MCIError();
  auto lDiscard = [&] {
    lFile.reset();
    std::remove(lPartial.c_str());
  };

  const std::vector<uint8_t> lHeader = WaveHeader(static_cast<uint32_t>(lDataBytes));
  if (std::fwrite(lHeader.data(), 1, lHeader.size(), lFile.get()) != lHeader.size()) {
    lDiscard();
    MCIError();
  }

  std::vector<int16_t> lBlock(size_t{kSampleRate} / 10 * kChannels);
  uint64_t lRemaining = lFrames;
  while (lRemaining > 0) {
    const snd_pcm_uframes_t lWant =
        static_cast<snd_pcm_uframes_t>(std::min<uint64_t>(lRemaining, lBlock.size() / kChannels));
    snd_pcm_sframes_t lGot = snd_pcm_readi(lPcm.get(), lBlock.data(), lWant);
    if (lGot == -EAGAIN) continue;
    if (lGot < 0) lGot = snd_pcm_recover(lPcm.get(), static_cast<int>(lGot), 1);
    if (lGot < 0) {
      lDiscard();
      RecordingError();
    }
    const size_t lBytes = static_cast<size_t>(lGot) * kChannels * kBytesPerSample;
    if (lBytes > 0 && std::fwrite(lBlock.data(), 1, lBytes, lFile.get()) != lBytes) {
      lDiscard();
      MCIError();
    }
    lRemaining -= static_cast<uint64_t>(lGot);
  }
  lPcm.reset();

  if (std::fclose(lFile.release()) != 0 || std::rename(lPartial.c_str(), lTarget.c_str()) != 0) {
    std::remove(lPartial.c_str());
    MCIError();
  }
}
