#include "support/ozkTestPeers.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "support/ozkTestTLS.h"

namespace ozktest {

namespace {

std::string ReadWholeFile(const std::string& AFile) {
  std::ifstream in(AFile, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool WriteWholeFile(const std::string& AFile, const std::string& AData) {
  std::ofstream out(AFile, std::ios::binary | std::ios::trunc);
  out << AData;
  return static_cast<bool>(out);
}

bool WritePatternFile(const std::string& AFile, uint64_t ASize) {
  // 251 * 4096 bytes: a whole number of pattern periods, so every block continues the pattern.
  std::string block(size_t{251} * 4096, '\0');
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(TestPatternByte(i));
  std::ofstream out(AFile, std::ios::binary | std::ios::trunc);
  for (uint64_t left = ASize; left > 0 && out;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
    out.write(block.data(), static_cast<std::streamsize>(n));
    left -= n;
  }
  return static_cast<bool>(out);
}

std::string Tail(const std::string& AText, size_t AMax = 2000) {
  return AText.size() <= AMax ? AText : AText.substr(AText.size() - AMax);
}

void SleepMs(int AMs) {
  std::this_thread::sleep_for(std::chrono::milliseconds(AMs));
}

} // namespace

std::string FindProgram(const std::string& AName) {
  std::string path = getenv("PATH") ? getenv("PATH") : "";
  path += ":/usr/sbin:/usr/bin:/sbin:/bin:/usr/local/bin:/usr/local/sbin";
  std::stringstream ss(path);
  std::string dir;
  while (std::getline(ss, dir, ':')) {
    if (dir.empty()) continue;
    std::string full = dir;
    full += '/';
    full += AName;
    if (access(full.c_str(), X_OK) == 0) return full;
  }
  return {};
}

uint16_t PickFreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  uint16_t port = 0;
  socklen_t len = sizeof a;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(fd);
  return port;
}

bool WaitForLoopbackPort(uint16_t APort, int ATimeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ATimeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(APort);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    if (ok) return true;
    SleepMs(20);
  }
  return false;
}

bool ProcessListensOn(pid_t APid, uint16_t APort) {
  // The listening sockets on 127.0.0.1:APort, by inode (/proc/net/tcp writes the address in
  // the kernel's byte order and the port in hexadecimal).
  char local[32];
  snprintf(local, sizeof local, "%08X:%04X", static_cast<unsigned>(htonl(INADDR_LOOPBACK)),
           static_cast<unsigned>(APort));
  std::set<std::string> inodes;
  std::ifstream tcp("/proc/net/tcp");
  std::string line;
  std::getline(tcp, line); // the column titles
  while (std::getline(tcp, line)) {
    std::istringstream in(line);
    std::string slot, address, remote, state, queues, timer, retransmits, uid, timeout, inode;
    in >> slot >> address >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >>
        inode;
    if (address == local && state == "0A") inodes.insert("socket:[" + inode + "]");
  }
  if (inodes.empty()) return false;
  const std::string fds = "/proc/" + std::to_string(APid) + "/fd";
  DIR* dir = opendir(fds.c_str());
  if (!dir) return false;
  bool found = false;
  while (dirent* entry = readdir(dir)) {
    char target[64];
    const ssize_t n = readlink((fds + "/" + entry->d_name).c_str(), target, sizeof target - 1);
    if (n > 0 && inodes.count(std::string(target, static_cast<size_t>(n)))) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

bool WaitForProcessListening(TTestProcess& AProcess, const std::vector<uint16_t>& APorts,
                             int ATimeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ATimeoutMs);
  while (std::chrono::steady_clock::now() < deadline && AProcess.Running()) {
    bool all = true;
    for (uint16_t port : APorts) all = all && ProcessListensOn(AProcess.Pid(), port);
    if (all) return true;
    SleepMs(20);
  }
  return false;
}

// --- TTestProcess ------------------------------------------------------------------------------

namespace {

void WaitForExec(int AExecPipe) {
  // Waits for the end of file of the exec pipe: the child has exec'd, or exited (a failed exec,
  // which Running() reports). Bounded, so a stuck child cannot hang the test.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    pollfd watch{AExecPipe, POLLIN, 0};
    const int ready = poll(&watch, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return;
    char byte;
    const ssize_t n = read(AExecPipe, &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    return;
  }
}

} // namespace

TTestProcess::TTestProcess(const std::vector<std::string>& AArgs, const std::string& ALogFile) {
  std::vector<char*> argv;
  argv.reserve(AArgs.size() + 1);
  for (const auto& a : AArgs) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int log = open(ALogFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  // The child's copy of the write end closes when it execs (close-on-exec) or exits: the end of
  // file tells the parent that the child no longer runs the parent's image, so it holds none of
  // the parent's close-on-exec descriptors (listening sockets among them).
  int execPipe[2];
  const bool watchExec = pipe2(execPipe, O_CLOEXEC) == 0;
  pid_t parent = getpid();
  FPid = fork();
  if (FPid == 0) {
    // Only async-signal-safe calls until exec: the test process has other threads.
    prctl(PR_SET_PDEATHSIG, SIGKILL); // a crashed test takes its peers with it
    if (getppid() != parent) _exit(127);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    if (log >= 0) {
      dup2(log, 1);
      dup2(log, 2);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (log >= 0) close(log);
  if (!watchExec) return;
  close(execPipe[1]);
  if (FPid > 0) WaitForExec(execPipe[0]);
  close(execPipe[0]);
}

TTestProcess::~TTestProcess() {
  Stop();
}

bool TTestProcess::Running() {
  if (FPid <= 0) return false;
  int status;
  if (waitpid(FPid, &status, WNOHANG) == FPid) {
    FPid = -1;
    return false;
  }
  return true;
}

void TTestProcess::Stop() {
  if (FPid <= 0) return;
  kill(FPid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    int status;
    if (waitpid(FPid, &status, WNOHANG) == FPid) {
      FPid = -1;
      return;
    }
    SleepMs(10);
  }
  kill(FPid, SIGKILL);
  int status;
  waitpid(FPid, &status, 0);
  FPid = -1;
}

// --- nginx -------------------------------------------------------------------------------------

bool TTestNginx::Available() {
  return !FindProgram("nginx").empty();
}

TTestNginx::TTestNginx(const TTestNginxOptions& AOptions) : FOptions(AOptions) {
  FDir = std::make_unique<TTestTempDir>();
  FWork = FOptions.WorkDir.empty() ? FDir->Path() : FOptions.WorkDir;
  FDocRoot = FWork + "/www";
  mkdir(FDocRoot.c_str(), 0755);
  for (const char* d : {"/client_body", "/proxy", "/fastcgi", "/uwsgi", "/scgi", "/logs"})
    mkdir((FWork + d).c_str(), 0755);
  WriteWholeFile(FDocRoot + "/hello.txt", "Hello from nginx\n");
  WriteWholeFile(FDocRoot + "/data.json", "{\"text\":\"Gr\xC3\xBC\xC3\x9F"
                                          "e \xE2\x82\xAC \xF0\x9F\x98\x80\"}");
  for (const auto& [name, size] : FOptions.PatternFiles) {
    if (!WritePatternFile(FDocRoot + "/" + name, size)) {
      FError = "cannot write " + name;
      return;
    }
  }
  const auto& pki = TTestPKI::Get();
  FCAFile = FDir->WriteFile("ca.pem", pki.CA.CertPEM());
  FDir->WriteFile("server.pem", pki.Localhost.ChainPEM());
  FDir->WriteFile("server.key", pki.Localhost.KeyPEM());
  if (!Available()) {
    FError = "nginx is not installed";
    return;
  }
  // The ports are free when picked; another process may take one before nginx binds it, so a
  // failed start is retried with new ports.
  for (int attempt = 0; attempt < 3 && !Start(); ++attempt) {
  }
}

bool TTestNginx::Start() {
  FHttpPort = PickFreeLoopbackPort();
  FHttpsPort = PickFreeLoopbackPort();
  const std::string& d = FDir->Path();
  std::ostringstream c;
  c << "worker_processes 1;\n"
    << "master_process off;\n"
    << "pid " << d << "/nginx.pid;\n"
    << "error_log " << d << "/error.log warn;\n"
    << "events { worker_connections 1024; }\n"
    << "http {\n"
    << "  access_log off;\n"
    << "  client_body_temp_path " << FWork << "/client_body;\n"
    << "  proxy_temp_path " << FWork << "/proxy;\n"
    << "  fastcgi_temp_path " << FWork << "/fastcgi;\n"
    << "  uwsgi_temp_path " << FWork << "/uwsgi;\n"
    << "  scgi_temp_path " << FWork << "/scgi;\n"
    << "  types { text/plain txt; application/json json; text/html html;"
       " application/octet-stream bin; }\n"
    << "  default_type application/octet-stream;\n"
    << "  sendfile on;\n"
    << "  keepalive_timeout 60s;\n"
    << "  keepalive_requests 100000;\n"
    << "  server {\n"
    << "    listen 127.0.0.1:" << FHttpPort << ";\n"
    << "    listen 127.0.0.1:" << FHttpsPort << " ssl;\n"
    << "    server_name localhost;\n"
    << "    ssl_certificate " << d << "/server.pem;\n"
    << "    ssl_certificate_key " << d << "/server.key;\n"
    << "    ssl_protocols TLSv1.2 TLSv1.3;\n"
    << "    root " << FDocRoot << ";\n"
    << "    location = /redirect { absolute_redirect off; return 302 /hello.txt; }\n"
    << "    location = /redirect-abs { return 301 http://127.0.0.1:" << FHttpPort
    << "/hello.txt; }\n"
    << "    location = /status/404 { default_type application/json;"
       " return 404 '{\"error\":{\"message\":\"not here\"}}'; }\n"
    << "    location = /upload { client_max_body_size 0; default_type text/plain;"
       " return 200 'ok\\n'; }\n"
    << "  }\n"
    << "}\n";
  WriteWholeFile(d + "/nginx.conf", c.str());
  FProcess = std::make_unique<TTestProcess>(
      std::vector<std::string>{FindProgram("nginx"), "-p", d, "-e", d + "/error.log", "-c",
                               d + "/nginx.conf", "-g", "daemon off;"},
      d + "/stdout.log");
  // Ready once nginx itself listens on both ports: another program that took a port after it
  // was picked must not pass for nginx (nginx then fails to bind and exits, and the start is
  // retried with new ports).
  if (WaitForProcessListening(*FProcess, {FHttpPort, FHttpsPort}, 10000)) {
    FError.clear();
    return true;
  }
  FError = "nginx did not start: " + Tail(ErrorLog() + ReadWholeFile(d + "/stdout.log"));
  FProcess.reset();
  return false;
}

TTestNginx::~TTestNginx() {
  FProcess.reset();
}

std::string TTestNginx::HttpURL(const std::string& APath) const {
  return "http://127.0.0.1:" + std::to_string(FHttpPort) + APath;
}
std::string TTestNginx::HttpsURL(const std::string& APath) const {
  return "https://localhost:" + std::to_string(FHttpsPort) + APath;
}
std::string TTestNginx::ErrorLog() const {
  return ReadWholeFile(FDir->Path() + "/error.log");
}

// --- Python http.server ------------------------------------------------------------------------

namespace {
const char* const PythonServerScript = R"PY(
import http.server, os, sys

PERIOD = bytes(i % 251 for i in range(251 * 4096))
JSON_DOC = sys.argv[2].encode("utf-8")

class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path.startswith("/bytes/"):
            n = int(self.path[7:])
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.end_headers()
            while n > 0:
                chunk = PERIOD[: min(n, len(PERIOD))]
                self.wfile.write(chunk)
                n -= len(chunk)
        elif self.path == "/json":
            self.send_response(200)
            self.send_header("Content-Type", "application/json")
            self.end_headers()
            self.wfile.write(JSON_DOC)
        else:
            self.send_response(404)
            self.end_headers()
            self.wfile.write(b"no such path")

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length) if length > 0 else b""
        self.send_response(200)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.end_headers()
        self.wfile.write(self.requestline.encode("latin-1") + b"\r\n")
        self.wfile.write(bytes(self.headers))
        self.wfile.write(body)

server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
port_file = sys.argv[1]
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(port_file + ".tmp", port_file)
server.serve_forever()
)PY";
} // namespace

bool TTestPythonHTTPServer::Available() {
  return !FindProgram("python3").empty();
}

std::string TTestPythonHTTPServer::JSONDocument() {
  return "{\"answer\":\"Gr\xC3\xBC\xC3\x9F"
         "e aus K\xC3\xB6ln \xE2\x82\xAC\"}";
}

TTestPythonHTTPServer::TTestPythonHTTPServer() {
  FDir = std::make_unique<TTestTempDir>();
  if (!Available()) {
    FError = "python3 is not installed";
    return;
  }
  const std::string& d = FDir->Path();
  WriteWholeFile(d + "/server.py", PythonServerScript);
  FProcess = std::make_unique<TTestProcess>(std::vector<std::string>{FindProgram("python3"),
                                                                     d + "/server.py", d + "/port",
                                                                     JSONDocument()},
                                            d + "/server.log");
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline && FProcess->Running()) {
    std::string port = ReadWholeFile(d + "/port");
    if (!port.empty()) {
      FPort = static_cast<uint16_t>(std::atoi(port.c_str()));
      if (WaitForLoopbackPort(FPort, 2000)) return;
      break;
    }
    SleepMs(20);
  }
  FError = "python http.server did not start: " + Tail(ReadWholeFile(d + "/server.log"));
  FProcess.reset();
}

TTestPythonHTTPServer::~TTestPythonHTTPServer() {
  FProcess.reset();
}

std::string TTestPythonHTTPServer::URL(const std::string& APath) const {
  return "http://127.0.0.1:" + std::to_string(FPort) + APath;
}

// --- tinyproxy ---------------------------------------------------------------------------------

bool TTestTinyproxy::Available() {
  return !FindProgram("tinyproxy").empty();
}

TTestTinyproxy::TTestTinyproxy(const TTestTinyproxyOptions& AOptions) {
  FDir = std::make_unique<TTestTempDir>();
  if (!Available()) {
    FError = "tinyproxy is not installed";
    return;
  }
  const std::string& d = FDir->Path();
  for (int attempt = 0; attempt < 3; ++attempt) {
    FPort = PickFreeLoopbackPort();
    std::ostringstream c;
    c << "Port " << FPort << "\n"
      << "Listen 127.0.0.1\n"
      << "Timeout 30\n"
      << "MaxClients 50\n"
      << "Allow 127.0.0.1\n"
      << "LogFile \"" << d << "/tinyproxy.log\"\n"
      << "LogLevel Info\n"
      << "PidFile \"" << d << "/tinyproxy.pid\"\n"
      << "DisableViaHeader Yes\n";
    for (uint16_t p : AOptions.ConnectPorts) c << "ConnectPort " << p << "\n";
    if (!AOptions.User.empty())
      c << "BasicAuth " << AOptions.User << " " << AOptions.Password << "\n";
    WriteWholeFile(d + "/tinyproxy.conf", c.str());
    FProcess = std::make_unique<TTestProcess>(
        std::vector<std::string>{FindProgram("tinyproxy"), "-d", "-c", d + "/tinyproxy.conf"},
        d + "/stdout.log");
    // As for nginx: ready once tinyproxy itself listens on the port; a bind that failed
    // because another program took the port ends the process and the start is retried.
    if (WaitForProcessListening(*FProcess, {FPort}, 10000)) return;
    FError = "tinyproxy did not start: " + Tail(Log() + ReadWholeFile(d + "/stdout.log"));
    FProcess.reset();
  }
}

TTestTinyproxy::~TTestTinyproxy() {
  FProcess.reset();
}

std::string TTestTinyproxy::Log() const {
  return ReadWholeFile(FDir->Path() + "/tinyproxy.log");
}

} // namespace ozktest
