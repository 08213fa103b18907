// Starting and stopping the bundled assistants service for tests (see ozkTestService.h).
#include "support/ozkTestService.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ozktest {

namespace {

using TClock = std::chrono::steady_clock;

std::string MakeTempDir() {
  const char* lBase = std::getenv("TMPDIR");
  std::string lTemplate = std::string(lBase && *lBase ? lBase : "/tmp") + "/ozk-service-XXXXXX";
  std::vector<char> lBuffer(lTemplate.begin(), lTemplate.end());
  lBuffer.push_back('\0');
  if (!mkdtemp(lBuffer.data()))
    throw std::runtime_error("cannot create a data folder for the service: " +
                             std::string(std::strerror(errno)));
  return lBuffer.data();
}

std::string DescribeStatus(int aStatus) {
  if (WIFEXITED(aStatus)) return "exited with status " + std::to_string(WEXITSTATUS(aStatus));
  if (WIFSIGNALED(aStatus)) return "killed by signal " + std::to_string(WTERMSIG(aStatus));
  return "ended";
}

} // namespace

std::string TTestService::ScriptPath() {
  return std::string(OZK_TEST_SOURCE_DIR) + "/tools/assistants-service/service.py";
}

TTestService::TTestService(TTestServiceOptions aOptions) : FOptions(std::move(aOptions)) {
  if (FOptions.DataDir.empty()) {
    FDataDir = MakeTempDir();
    FOwnsDataDir = true;
  } else {
    FDataDir = FOptions.DataDir;
  }
  try {
    Start();
    WaitForListening();
  } catch (...) {
    Stop();
    throw;
  }
}

TTestService::~TTestService() {
  Stop();
}

void TTestService::Start() {
  std::vector<std::string> lArgs = {"python3", ScriptPath(), "--port", "0", "--data-dir", FDataDir};
  if (!FOptions.ApiKey.empty()) lArgs.insert(lArgs.end(), {"--api-key", FOptions.ApiKey});
  if (FOptions.RunPolls > 0)
    lArgs.insert(lArgs.end(), {"--run-polls", std::to_string(FOptions.RunPolls)});
  if (!FOptions.TLSCertFile.empty())
    lArgs.insert(lArgs.end(),
                 {"--tls-cert", FOptions.TLSCertFile, "--tls-key", FOptions.TLSKeyFile});
  lArgs.insert(lArgs.end(), FOptions.ExtraArgs.begin(), FOptions.ExtraArgs.end());
  std::vector<char*> lArgv;
  lArgv.reserve(lArgs.size() + 1);
  for (auto& lArg : lArgs) lArgv.push_back(lArg.data());
  lArgv.push_back(nullptr);

  int lPipe[2];
  if (pipe2(lPipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe: " + std::string(std::strerror(errno)));
  posix_spawn_file_actions_t lActions;
  posix_spawn_file_actions_init(&lActions);
  posix_spawn_file_actions_addopen(&lActions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&lActions, lPipe[1], STDOUT_FILENO);
  // Standard error stays the test's, so a failing start shows the service's own complaint.
  int lError = posix_spawnp(&FPid, "python3", &lActions, nullptr, lArgv.data(), environ);
  posix_spawn_file_actions_destroy(&lActions);
  close(lPipe[1]);
  if (lError != 0) {
    close(lPipe[0]);
    FPid = -1;
    throw std::runtime_error("cannot start python3: " + std::string(std::strerror(lError)));
  }
  FStdout = lPipe[0];
}

void TTestService::WaitForListening() {
  const auto lDeadline = TClock::now() + std::chrono::milliseconds(FOptions.StartTimeoutMs);
  std::string lLine;
  while (lLine.find('\n') == std::string::npos) {
    auto lLeft = std::chrono::duration_cast<std::chrono::milliseconds>(lDeadline - TClock::now());
    if (lLeft.count() <= 0)
      throw std::runtime_error("the assistants service did not report listening within " +
                               std::to_string(FOptions.StartTimeoutMs) + " ms");
    pollfd lPoll{FStdout, POLLIN, 0};
    int lReady = poll(&lPoll, 1, static_cast<int>(lLeft.count()));
    if (lReady < 0 && errno == EINTR) continue;
    if (lReady <= 0) continue;
    char lBuffer[256];
    ssize_t lRead = read(FStdout, lBuffer, sizeof lBuffer);
    if (lRead < 0 && errno == EINTR) continue;
    if (lRead <= 0) {
      int lStatus = 0;
      waitpid(FPid, &lStatus, 0);
      FPid = -1;
      throw std::runtime_error("the assistants service " + DescribeStatus(lStatus) +
                               " before listening");
    }
    lLine.append(lBuffer, static_cast<size_t>(lRead));
  }
  lLine.resize(lLine.find('\n'));
  const std::string lPrefix = "listening on ";
  size_t lColon = lLine.rfind(':');
  if (lLine.compare(0, lPrefix.size(), lPrefix) != 0 || lColon == std::string::npos)
    throw std::runtime_error("unexpected first line from the assistants service: " + lLine);
  FBaseURL = lLine.substr(lPrefix.size());
  FPort = std::atoi(lLine.c_str() + lColon + 1);
  if (FPort <= 0) throw std::runtime_error("no port in the assistants service's line: " + lLine);
}

void TTestService::Reap(int aTimeoutMs) {
  const auto lDeadline = TClock::now() + std::chrono::milliseconds(aTimeoutMs);
  while (true) {
    int lStatus = 0;
    pid_t lDone = waitpid(FPid, &lStatus, WNOHANG);
    if (lDone == FPid || (lDone < 0 && errno != EINTR)) {
      FExitStatus = lStatus;
      FPid = -1;
      return;
    }
    if (TClock::now() >= lDeadline) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int TTestService::Stop() {
  if (FPid > 0) {
    kill(FPid, SIGTERM);
    Reap(FOptions.StopTimeoutMs);
    if (FPid > 0) {
      kill(FPid, SIGKILL);
      Reap(FOptions.StopTimeoutMs);
    }
  }
  if (FStdout >= 0) {
    close(FStdout);
    FStdout = -1;
  }
  if (FOwnsDataDir && !FOptions.KeepDataDir && !FDataDir.empty()) {
    std::error_code lIgnored;
    std::filesystem::remove_all(FDataDir, lIgnored);
    FOwnsDataDir = false;
  }
  return FExitStatus;
}

} // namespace ozktest
