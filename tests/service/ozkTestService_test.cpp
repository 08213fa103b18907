// The C++ starter of the bundled assistants service: it starts, answers, keeps its data across
// a restart when asked, and stops cleanly.
#include "support/ozkTestService.h"

#include <arpa/inet.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One HTTP/1.1 exchange over a fresh loopback connection; returns the whole answer.
std::string Exchange(int aPort, const std::string& aRequest) {
  int lSocket = socket(AF_INET, SOCK_STREAM, 0);
  timeval lTimeout{10, 0};
  setsockopt(lSocket, SOL_SOCKET, SO_RCVTIMEO, &lTimeout, sizeof lTimeout);
  sockaddr_in lAddress{};
  lAddress.sin_family = AF_INET;
  lAddress.sin_port = htons(static_cast<uint16_t>(aPort));
  lAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string lAnswer;
  if (connect(lSocket, reinterpret_cast<sockaddr*>(&lAddress), sizeof lAddress) == 0 &&
      send(lSocket, aRequest.data(), aRequest.size(), MSG_NOSIGNAL) ==
          static_cast<ssize_t>(aRequest.size())) {
    char lBuffer[4096];
    ssize_t lRead;
    while ((lRead = recv(lSocket, lBuffer, sizeof lBuffer, 0)) > 0)
      lAnswer.append(lBuffer, static_cast<size_t>(lRead));
  }
  close(lSocket);
  return lAnswer;
}

std::string Request(int aPort, const std::string& aMethod, const std::string& aPath,
                    const std::string& aKey, const std::string& aBody = std::string()) {
  std::string lRequest = aMethod + " " + aPath + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  if (!aKey.empty()) lRequest += "Authorization: Bearer " + aKey + "\r\n";
  lRequest += "OpenAI-Beta: assistants=v2\r\nConnection: close\r\n";
  if (!aBody.empty())
    lRequest +=
        "Content-Type: application/json\r\nContent-Length: " + std::to_string(aBody.size()) +
        "\r\n";
  return Exchange(aPort, lRequest + "\r\n" + aBody);
}

std::string StatusLine(const std::string& aAnswer) {
  return aAnswer.substr(0, aAnswer.find('\r'));
}

// The value of the first "id" member of a JSON answer.
std::string FirstId(const std::string& aAnswer) {
  size_t lAt = aAnswer.find("\"id\":\"");
  if (lAt == std::string::npos) return std::string();
  lAt += 6;
  return aAnswer.substr(lAt, aAnswer.find('"', lAt) - lAt);
}

TEST(TTestService, StartsAnswersAndRemovesItsDataFolder) {
  std::string lDir;
  {
    ozktest::TTestService lService;
    lDir = lService.DataDir();
    EXPECT_EQ(lService.BaseURL(), "http://127.0.0.1:" + std::to_string(lService.Port()));
    std::string lAnswer = Request(lService.Port(), "GET", "/v1/models", "any-key");
    EXPECT_EQ(StatusLine(lAnswer), "HTTP/1.1 200 OK");
    EXPECT_NE(lAnswer.find("Content-Type: application/json"), std::string::npos);
    EXPECT_NE(lAnswer.find("\"object\":\"list\""), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(lDir));
    int lStatus = lService.Stop();
    EXPECT_TRUE(WIFEXITED(lStatus) && WEXITSTATUS(lStatus) == 0) << lStatus;
    EXPECT_FALSE(lService.Running());
  }
  EXPECT_FALSE(std::filesystem::exists(lDir));
}

TEST(TTestService, ApiKeyOptionRefusesOtherKeys) {
  ozktest::TTestServiceOptions lOptions;
  lOptions.ApiKey = "sk-right";
  ozktest::TTestService lService(lOptions);
  EXPECT_EQ(StatusLine(Request(lService.Port(), "GET", "/v1/models", "sk-wrong")),
            "HTTP/1.1 401 Unauthorized");
  EXPECT_EQ(StatusLine(Request(lService.Port(), "GET", "/v1/models", "sk-right")),
            "HTTP/1.1 200 OK");
}

TEST(TTestService, KeptDataFolderCarriesAssistantsAcrossARestart) {
  ozktest::TTestServiceOptions lOptions;
  lOptions.KeepDataDir = true;
  std::string lDir, lId;
  {
    ozktest::TTestService lFirst(lOptions);
    lDir = lFirst.DataDir();
    std::string lAnswer =
        Request(lFirst.Port(), "POST", "/v1/assistants", "k", R"({"model":"gpt-4o","name":"A"})");
    ASSERT_EQ(StatusLine(lAnswer), "HTTP/1.1 200 OK") << lAnswer;
    lId = FirstId(lAnswer.substr(lAnswer.find("\r\n\r\n")));
    ASSERT_EQ(lId.rfind("asst_", 0), 0u) << lAnswer;
  }
  ASSERT_TRUE(std::filesystem::exists(lDir));
  lOptions.DataDir = lDir;
  {
    ozktest::TTestService lSecond(lOptions);
    std::string lAnswer = Request(lSecond.Port(), "GET", "/v1/assistants/" + lId, "k");
    EXPECT_EQ(StatusLine(lAnswer), "HTTP/1.1 200 OK") << lAnswer;
    EXPECT_NE(lAnswer.find("\"name\":\"A\""), std::string::npos);
  }
  EXPECT_TRUE(std::filesystem::exists(lDir)); // a given folder is never removed
  std::filesystem::remove_all(lDir);
}

TEST(TTestService, ServiceThatCannotStartIsReported) {
  ozktest::TTestServiceOptions lOptions;
  lOptions.ExtraArgs = {"--tls-cert", "/nonexistent/cert.pem"}; // without a key: refused
  EXPECT_THROW(ozktest::TTestService lService(lOptions), std::runtime_error);
}

} // namespace
