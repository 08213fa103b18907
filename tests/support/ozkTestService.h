// Starts the bundled local assistants service (tools/assistants-service/service.py) for a test
// and stops it again: a real peer for the end-to-end tests of the client layers.
//
// Typical use:
//   ozktest::TTestService service;                      // listening on return, or throws
//   client.SetBaseURL(service.BaseURL() + "/v1");       // "http://127.0.0.1:PORT/v1"
//   ...
//   // destructor: SIGTERM, bounded wait, SIGKILL; the fresh data folder is removed
//
// For a restart test keep the data folder and hand it to the next service:
//   TTestServiceOptions lOptions; lOptions.KeepDataDir = true;
//   std::string lDir;
//   { TTestService lFirst(lOptions); lDir = lFirst.DataDir(); ... }
//   lOptions.DataDir = lDir; TTestService lSecond(lOptions);   // same assistants, files, stores
//
// POSIX only: posix_spawn, a pipe for the service's standard output, poll for the bounded wait.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace ozktest {

struct TTestServiceOptions {
  // "--api-key": the one key the service accepts; empty accepts any non-empty key.
  std::string ApiKey;
  // "--run-polls": a run completes at this status read; 0 keeps the service's default (2).
  int RunPolls = 0;
  // "--tls-cert" and "--tls-key": PEM files; with both set the service speaks HTTPS.
  std::string TLSCertFile;
  std::string TLSKeyFile;
  // Further command-line arguments, appended as given ("--request-log", "FILE", ...).
  std::vector<std::string> ExtraArgs;
  // Data folder to use; empty makes a fresh temporary one. A given folder is never removed.
  std::string DataDir;
  // Leave the fresh temporary data folder in place after Stop (restart tests remove it).
  bool KeepDataDir = false;
  // Longest wait for the "listening on ..." line.
  int StartTimeoutMs = 30000;
  // Longest wait after SIGTERM before SIGKILL.
  int StopTimeoutMs = 10000;
};

class TTestService {
 public:
  // Starts the service and waits for its "listening on" line; throws std::runtime_error with
  // the reason when it exits or stays silent instead.
  explicit TTestService(TTestServiceOptions aOptions = {});
  ~TTestService();
  TTestService(const TTestService&) = delete;
  TTestService& operator=(const TTestService&) = delete;

  // SIGTERM, up to StopTimeoutMs for the exit, then SIGKILL; removes a fresh data folder unless
  // KeepDataDir. Idempotent. Returns the exit status as waitpid reports it.
  int Stop();

  int Port() const { return FPort; }
  // "http://127.0.0.1:PORT" ("https://..." with TLS), without a trailing slash or "/v1".
  const std::string& BaseURL() const { return FBaseURL; }
  const std::string& DataDir() const { return FDataDir; }
  pid_t Pid() const { return FPid; }
  bool Running() const { return FPid > 0; }

  // The service script of this source tree.
  static std::string ScriptPath();

 private:
  void Start();
  void WaitForListening();
  void Reap(int aTimeoutMs);

  TTestServiceOptions FOptions;
  std::string FDataDir;
  bool FOwnsDataDir = false;
  pid_t FPid = -1;
  int FStdout = -1;
  int FExitStatus = 0;
  int FPort = 0;
  std::string FBaseURL;
};

} // namespace ozktest
