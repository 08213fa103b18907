// Real HTTP peers for tests and benchmarks, each a child process with its own configuration in a
// private temporary folder, listening on loopback: nginx (HTTP and HTTPS with a test
// certificate, keep-alive, a redirect, large static files, a POST sink), Python's standard HTTP
// server answering HTTP/1.0 with bodies delimited by the close of the connection, and tinyproxy
// as a CONNECT proxy. Every peer waits a bounded time for readiness and is killed by its
// destructor, so a failing test never leaves a process behind.
//
// Typical use:
//   if (!ozktest::TTestNginx::Available()) GTEST_SKIP() << "nginx not installed";
//   ozktest::TTestNginx nginx;                    // listening on return, or Error() says why
//   ASSERT_TRUE(nginx.Error().empty()) << nginx.Error();
//   ... GET http://127.0.0.1:<nginx.HttpPort()>/hello.txt ...
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ozktest {

class TTestTempDir;

// The full path of a program found on PATH or in the usual system folders, empty when missing.
std::string FindProgram(const std::string& AName);
// A loopback port that was free a moment ago (bound to port 0 and released again).
uint16_t PickFreeLoopbackPort();
// Tries to connect to 127.0.0.1:APort until it works or ATimeoutMs passes.
bool WaitForLoopbackPort(uint16_t APort, int ATimeoutMs);
// Whether process APid itself holds a socket listening on 127.0.0.1:APort (from /proc): the
// peer reports the port it bound, so a port picked free and then taken by another program
// never passes for the peer.
bool ProcessListensOn(pid_t APid, uint16_t APort);

class TTestProcess;
// Waits until AProcess listens on every port of APorts, at most ATimeoutMs; false when it
// exits first (a failed bind) or the time passes.
bool WaitForProcessListening(TTestProcess& AProcess, const std::vector<uint16_t>& APorts,
                             int ATimeoutMs);

// A child process started with fork and exec, its output going to ALogFile. The constructor
// returns once the child runs AArgs[0] (or has failed to exec it and exits), waiting at most
// ten seconds: until then the child is a copy of the test process and holds its descriptors.
// The destructor sends SIGTERM, waits up to two seconds, then SIGKILL, and reaps the child.
class TTestProcess {
 public:
  TTestProcess(const std::vector<std::string>& AArgs, const std::string& ALogFile);
  ~TTestProcess();
  TTestProcess(const TTestProcess&) = delete;
  TTestProcess& operator=(const TTestProcess&) = delete;

  pid_t Pid() const { return FPid; }
  // False once the child has exited (it is reaped then).
  bool Running();
  void Stop();

 private:
  pid_t FPid = -1;
};

struct TTestNginxOptions {
  // Static files made at start: name and size in bytes, filled with TestPatternByte.
  std::vector<std::pair<std::string, uint64_t>> PatternFiles;
  // Folder for the document root and temporary files (default: a private temporary folder).
  // Big files should go to a disk-backed folder rather than a memory file system.
  std::string WorkDir;
};

// nginx with its own prefix, configuration and error log. Locations:
//   /hello.txt        "Hello from nginx\n" (text/plain)
//   /data.json        a small UTF-8 JSON document with non-ASCII text
//   /redirect         302 to /hello.txt (relative Location)
//   /redirect-abs     301 to the absolute http URL of /hello.txt
//   /status/404       404 with a JSON body
//   /upload           accepts a POST body of any size and answers "ok\n"
//   /<name>           every pattern file of the options
// Keep-alive is on (up to 100000 requests per connection).
class TTestNginx {
 public:
  explicit TTestNginx(const TTestNginxOptions& AOptions = {});
  ~TTestNginx();
  TTestNginx(const TTestNginx&) = delete;
  TTestNginx& operator=(const TTestNginx&) = delete;

  static bool Available();
  // Empty when the server is up; otherwise what went wrong (with the error log's tail).
  const std::string& Error() const { return FError; }
  uint16_t HttpPort() const { return FHttpPort; }
  uint16_t HttpsPort() const { return FHttpsPort; }
  std::string HttpURL(const std::string& APath) const;  // http://127.0.0.1:port/path
  std::string HttpsURL(const std::string& APath) const; // https://localhost:port/path
  // PEM file of the test root that issued the server's certificate (host names localhost,
  // 127.0.0.1 and ::1).
  std::u16string CAFile() const { return FCAFile; }
  const std::string& DocRoot() const { return FDocRoot; }
  // The error log's content.
  std::string ErrorLog() const;

 private:
  bool Start();
  std::unique_ptr<TTestTempDir> FDir;
  std::unique_ptr<TTestProcess> FProcess;
  std::string FWork, FDocRoot;
  std::u16string FCAFile;
  uint16_t FHttpPort = 0, FHttpsPort = 0;
  std::string FError;
  TTestNginxOptions FOptions;
};

// Python's http.server with a handler that answers HTTP/1.0 without Content-Length, the body
// ending when the server closes the connection:
//   /bytes/<n>   n bytes of the test pattern (application/octet-stream)
//   /json        a UTF-8 JSON document with non-ASCII text (application/json)
//   /echo        (POST) the request line, the headers and the body read by Content-Length
class TTestPythonHTTPServer {
 public:
  TTestPythonHTTPServer();
  ~TTestPythonHTTPServer();
  TTestPythonHTTPServer(const TTestPythonHTTPServer&) = delete;
  TTestPythonHTTPServer& operator=(const TTestPythonHTTPServer&) = delete;

  static bool Available();
  const std::string& Error() const { return FError; }
  uint16_t Port() const { return FPort; }
  std::string URL(const std::string& APath) const;
  // The JSON document /json sends, as UTF-8.
  static std::string JSONDocument();

 private:
  std::unique_ptr<TTestTempDir> FDir;
  std::unique_ptr<TTestProcess> FProcess;
  uint16_t FPort = 0;
  std::string FError;
};

struct TTestTinyproxyOptions {
  std::vector<uint16_t> ConnectPorts; // ports that CONNECT may reach
  std::string User, Password;         // when set, the proxy requires Basic authorization
};

// tinyproxy allowing 127.0.0.1 only, CONNECT limited to the given ports.
class TTestTinyproxy {
 public:
  explicit TTestTinyproxy(const TTestTinyproxyOptions& AOptions);
  ~TTestTinyproxy();
  TTestTinyproxy(const TTestTinyproxy&) = delete;
  TTestTinyproxy& operator=(const TTestTinyproxy&) = delete;

  static bool Available();
  const std::string& Error() const { return FError; }
  uint16_t Port() const { return FPort; }
  std::string Log() const;

 private:
  std::unique_ptr<TTestTempDir> FDir;
  std::unique_ptr<TTestProcess> FProcess;
  uint16_t FPort = 0;
  std::string FError;
};

} // namespace ozktest
