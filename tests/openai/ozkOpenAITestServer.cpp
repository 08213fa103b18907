#include "openai/ozkOpenAITestServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/ozkText.h"

namespace ozktest {

namespace {

constexpr int kReadTimeoutMs = 5000;

std::string Lower(std::string aText) {
  for (char& c : aText)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return aText;
}

std::string NameOf(const std::string& aLine) {
  return Lower(aLine.substr(0, aLine.find(':')));
}

// Reads from aFd into aBuffer until aDone(aBuffer) holds; false on close, error or time-out.
template <class F> bool ReadUntil(int aFd, std::string& aBuffer, F aDone) {
  const auto lDeadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
  while (!aDone(aBuffer)) {
    const auto lLeft = std::chrono::duration_cast<std::chrono::milliseconds>(
        lDeadline - std::chrono::steady_clock::now());
    if (lLeft.count() <= 0) return false;
    pollfd lPoll{aFd, POLLIN, 0};
    if (::poll(&lPoll, 1, static_cast<int>(lLeft.count())) <= 0) return false;
    char lChunk[16384];
    const ssize_t n = ::recv(aFd, lChunk, sizeof lChunk, 0);
    if (n <= 0) return false;
    aBuffer.append(lChunk, static_cast<size_t>(n));
  }
  return true;
}

// The decoded body of a chunked message starting at aStart, or false while incomplete.
bool DecodeChunked(const std::string& aData, size_t aStart, std::string& aBody) {
  aBody.clear();
  size_t p = aStart;
  for (;;) {
    const size_t lEnd = aData.find("\r\n", p);
    if (lEnd == std::string::npos) return false;
    const size_t lSize = std::stoul(aData.substr(p, lEnd - p), nullptr, 16);
    p = lEnd + 2;
    if (lSize == 0) return aData.find("\r\n", p) != std::string::npos;
    if (aData.size() < p + lSize + 2) return false;
    aBody.append(aData, p, lSize);
    p += lSize + 2;
  }
}

void SendAll(int aFd, const std::string& aData) {
  size_t lSent = 0;
  while (lSent < aData.size()) {
    const ssize_t n = ::send(aFd, aData.data() + lSent, aData.size() - lSent, MSG_NOSIGNAL);
    if (n <= 0) return;
    lSent += static_cast<size_t>(n);
  }
}

} // namespace

std::string TRecordedRequest::Header(const std::string& aName) const {
  const std::string lName = Lower(aName);
  for (const std::string& lLine : HeaderLines)
    if (NameOf(lLine) == lName) {
      size_t p = lLine.find(':') + 1;
      while (p < lLine.size() && lLine[p] == ' ') ++p;
      return lLine.substr(p);
    }
  return std::string();
}

std::vector<std::string>
TRecordedRequest::LinesNamed(const std::vector<std::string>& aNames) const {
  std::vector<std::string> lResult;
  for (const std::string& lLine : HeaderLines)
    for (const std::string& lName : aNames)
      if (NameOf(lLine) == Lower(lName)) lResult.push_back(lLine);
  return lResult;
}

TOpenAIRecordingServer::TOpenAIRecordingServer(TResponder aResponder)
    : FResponder(std::move(aResponder)) {
  FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in lAddress{};
  lAddress.sin_family = AF_INET;
  lAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t lLength = sizeof lAddress;
  if (FListener < 0 || ::bind(FListener, reinterpret_cast<sockaddr*>(&lAddress), lLength) != 0 ||
      ::listen(FListener, 16) != 0 ||
      ::getsockname(FListener, reinterpret_cast<sockaddr*>(&lAddress), &lLength) != 0 ||
      ::pipe(FWake) != 0)
    throw std::runtime_error("recording server: cannot listen on 127.0.0.1");
  FPort = ntohs(lAddress.sin_port);
  FThread = std::thread([this] { Serve(); });
}

TOpenAIRecordingServer::~TOpenAIRecordingServer() {
  FStopping = true;
  if (FWake[1] >= 0) (void)!::write(FWake[1], "x", 1);
  if (FThread.joinable()) FThread.join();
  for (int fd : {FListener, FWake[0], FWake[1]})
    if (fd >= 0) ::close(fd);
}

std::u16string TOpenAIRecordingServer::Origin() const {
  return u"http://127.0.0.1:" + IntToStr(FPort);
}

int TOpenAIRecordingServer::Count() const {
  std::lock_guard<std::mutex> lGuard(FLock);
  return static_cast<int>(FRequests.size());
}

TRecordedRequest TOpenAIRecordingServer::Request(int aIndex) const {
  std::lock_guard<std::mutex> lGuard(FLock);
  if (aIndex < 0 || aIndex >= static_cast<int>(FRequests.size())) return TRecordedRequest();
  return FRequests[static_cast<size_t>(aIndex)];
}

void TOpenAIRecordingServer::Clear() {
  std::lock_guard<std::mutex> lGuard(FLock);
  FRequests.clear();
}

void TOpenAIRecordingServer::Serve() {
  while (!FStopping) {
    pollfd lPoll[2] = {{FListener, POLLIN, 0}, {FWake[0], POLLIN, 0}};
    if (::poll(lPoll, 2, -1) <= 0 || (lPoll[1].revents & POLLIN)) continue;
    const int lFd = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (lFd < 0) continue;
    ServeConnection(lFd);
    ::close(lFd);
  }
}

void TOpenAIRecordingServer::ServeConnection(int aFd) {
  std::string lData;
  if (!ReadUntil(aFd, lData,
                 [](const std::string& s) { return s.find("\r\n\r\n") != std::string::npos; }))
    return;
  const size_t lHeadEnd = lData.find("\r\n\r\n");
  TRecordedRequest lRequest;
  std::istringstream lHead(lData.substr(0, lHeadEnd));
  std::string lLine;
  std::getline(lHead, lLine);
  if (!lLine.empty() && lLine.back() == '\r') lLine.pop_back();
  std::istringstream lRequestLine(lLine);
  lRequestLine >> lRequest.Method >> lRequest.Target;
  while (std::getline(lHead, lLine)) {
    if (!lLine.empty() && lLine.back() == '\r') lLine.pop_back();
    lRequest.HeaderLines.push_back(lLine);
  }
  const size_t lBodyStart = lHeadEnd + 4;
  if (Lower(lRequest.Header("Transfer-Encoding")).find("chunked") != std::string::npos) {
    if (!ReadUntil(aFd, lData, [&](const std::string& s) {
          return DecodeChunked(s, lBodyStart, lRequest.Body);
        }))
      return;
  } else {
    const std::string lLength = lRequest.Header("Content-Length");
    const size_t lCount = lLength.empty() ? 0 : std::stoul(lLength);
    if (!ReadUntil(aFd, lData,
                   [&](const std::string& s) { return s.size() >= lBodyStart + lCount; }))
      return;
    lRequest.Body = lData.substr(lBodyStart, lCount);
  }
  int lIndex;
  {
    std::lock_guard<std::mutex> lGuard(FLock);
    lIndex = static_cast<int>(FRequests.size());
    FRequests.push_back(lRequest);
  }
  const TCannedResponse lAnswer = FResponder ? FResponder(lRequest, lIndex) : TCannedResponse();
  SendAll(aFd, "HTTP/1.1 " + std::to_string(lAnswer.Status) + " " + lAnswer.Reason +
                   "\r\nContent-Type: " + lAnswer.ContentType +
                   "\r\nContent-Length: " + std::to_string(lAnswer.Body.size()) +
                   "\r\nConnection: close\r\n\r\n" + lAnswer.Body);
  ::shutdown(aFd, SHUT_WR);
}

std::string ReadFileBytes(const std::string& aPath) {
  std::ifstream lIn(aPath, std::ios::binary);
  std::stringstream lText;
  lText << lIn.rdbuf();
  return lText.str();
}

namespace {

std::string FromHex(const std::string& aHex) {
  if (aHex == "-") return std::string();
  std::string lResult;
  for (size_t i = 0; i + 1 < aHex.size(); i += 2)
    lResult.push_back(static_cast<char>(std::stoi(aHex.substr(i, 2), nullptr, 16)));
  return lResult;
}

} // namespace

std::vector<TParsedPart> ParseMultipart(const std::string& aBody, const std::string& aContentType) {
  std::vector<TParsedPart> lParts;
  char lTemplate[] = "/tmp/ozk_multipart_XXXXXX";
  if (!::mkdtemp(lTemplate)) {
    ADD_FAILURE() << "cannot create a temporary folder";
    return lParts;
  }
  const std::string lDir = lTemplate;
  std::ofstream(lDir + "/body.bin", std::ios::binary)
      .write(aBody.data(), static_cast<std::streamsize>(aBody.size()));
  const std::string lCommand = "python3 '" OZK_MULTIPART_PARSER "' '" + lDir + "/body.bin' '" +
                               aContentType + "' '" + lDir + "' 2>&1";
  std::string lOutput;
  if (FILE* lPipe = ::popen(lCommand.c_str(), "r")) {
    char lLine[4096];
    while (std::fgets(lLine, sizeof lLine, lPipe)) lOutput += lLine;
    EXPECT_EQ(::pclose(lPipe), 0) << lOutput;
  } else {
    ADD_FAILURE() << "cannot run python3";
  }
  std::istringstream lIn(lOutput);
  int lIndex;
  std::string lName, lFile, lType;
  while (lIn >> lIndex >> lName >> lFile >> lType)
    lParts.push_back({FromHex(lName), FromHex(lFile), lType,
                      ReadFileBytes(lDir + "/part" + std::to_string(lIndex) + ".bin")});
  std::filesystem::remove_all(lDir);
  return lParts;
}

} // namespace ozktest
