#include "support/ozkTestLoopback.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace ozktest {

namespace {

using Clock = std::chrono::steady_clock;

int64_t MillisecondsLeft(Clock::time_point ADeadline) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(ADeadline - Clock::now()).count();
}

// A socket bound to the loopback address of the family on port 0; returns -1 on failure.
int BindLoopback(TTestScriptedServer::TFamily AFamily, uint16_t& VPort) {
  const int family = AFamily == TTestScriptedServer::tfIPv6 ? AF_INET6 : AF_INET;
  const int handle = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (handle < 0) return -1;
  sockaddr_storage addr{};
  socklen_t len;
  if (family == AF_INET6) {
    auto* sin6 = reinterpret_cast<sockaddr_in6*>(&addr);
    sin6->sin6_family = AF_INET6;
    sin6->sin6_addr = in6addr_loopback;
    len = sizeof(sockaddr_in6);
  } else {
    auto* sin = reinterpret_cast<sockaddr_in*>(&addr);
    sin->sin_family = AF_INET;
    sin->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    len = sizeof(sockaddr_in);
  }
  if (::bind(handle, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
      ::getsockname(handle, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(handle);
    return -1;
  }
  VPort = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port
                                   : reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
  return handle;
}

} // namespace

// --- TTestPeerConnection -------------------------------------------------------------------------

TTestPeerConnection::TTestPeerConnection(TTestScriptedServer& AServer, int AHandle, int AIndex)
    : FServer(AServer), FHandle(AHandle), FIndex(AIndex) {}

bool TTestPeerConnection::Stopping() const {
  return FServer.FStopping.load();
}

bool TTestPeerConnection::Send(std::string_view ABytes) {
  size_t sent = 0;
  while (sent < ABytes.size()) {
    if (FHandle < 0 || Stopping()) return false;
    pollfd fd{FHandle, POLLOUT, 0};
    if (::poll(&fd, 1, 50) <= 0) continue;
    const ssize_t n =
        ::send(FHandle, ABytes.data() + sent, ABytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return false;
    }
    sent += size_t(n);
  }
  return true;
}

bool TTestPeerConnection::Drip(std::string_view ABytes, size_t AChunk, int ADelayMs) {
  if (AChunk == 0) AChunk = 1;
  for (size_t at = 0; at < ABytes.size(); at += AChunk) {
    if (at > 0) Stall(ADelayMs);
    if (!Send(ABytes.substr(at, AChunk))) return false;
  }
  return true;
}

bool TTestPeerConnection::SendPattern(uint64_t ACount) {
  std::string block(size_t(1) << 20, '\0');
  uint64_t index = 0;
  while (index < ACount) {
    const size_t n = size_t(std::min<uint64_t>(block.size(), ACount - index));
    for (size_t i = 0; i < n; ++i) block[i] = char((index + i) % 251);
    if (!Send(std::string_view(block.data(), n))) return false;
    index += n;
  }
  return true;
}

void TTestPeerConnection::Stall(int AMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(AMs);
  while (!Stopping() && MillisecondsLeft(deadline) > 0)
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::min<int64_t>(10, MillisecondsLeft(deadline))));
}

bool TTestPeerConnection::ReadSome(int AWaitMs) {
  if (FHandle < 0 || FPeerClosed || Stopping()) return false;
  pollfd fd{FHandle, POLLIN, 0};
  const int rc = ::poll(&fd, 1, AWaitMs);
  if (rc <= 0) return rc == 0;
  char buffer[65536];
  const ssize_t n = ::recv(FHandle, buffer, sizeof(buffer), MSG_DONTWAIT);
  if (n > 0) {
    FServer.Record(FIndex, buffer, size_t(n));
    return true;
  }
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
  FPeerClosed = true;
  return false;
}

bool TTestPeerConnection::ReadUntil(std::string_view APattern, int ATimeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ATimeoutMs);
  while (true) {
    const std::string received = Received();
    const size_t pos = received.find(APattern, FConsumed);
    if (pos != std::string::npos) {
      FConsumed = pos + APattern.size();
      return true;
    }
    const int64_t left = MillisecondsLeft(deadline);
    if (left <= 0) return false;
    if (!ReadSome(int(std::min<int64_t>(left, 50))) && (FPeerClosed || Stopping() || FHandle < 0))
      return false;
  }
}

bool TTestPeerConnection::ReadBytes(size_t ACount, int ATimeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ATimeoutMs);
  while (Received().size() < FConsumed + ACount) {
    const int64_t left = MillisecondsLeft(deadline);
    if (left <= 0) return false;
    if (!ReadSome(int(std::min<int64_t>(left, 50))) && (FPeerClosed || Stopping() || FHandle < 0))
      return false;
  }
  FConsumed += ACount;
  return true;
}

bool TTestPeerConnection::ReadUntilClosed(int ATimeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ATimeoutMs);
  while (!FPeerClosed) {
    const int64_t left = MillisecondsLeft(deadline);
    if (left <= 0 || FHandle < 0 || Stopping()) return false;
    ReadSome(int(std::min<int64_t>(left, 50)));
  }
  FConsumed = Received().size();
  return true;
}

void TTestPeerConnection::HalfClose() {
  if (FHandle >= 0) ::shutdown(FHandle, SHUT_WR);
}

void TTestPeerConnection::Reset() {
  if (FHandle < 0) return;
  linger value{1, 0};
  ::setsockopt(FHandle, SOL_SOCKET, SO_LINGER, &value, sizeof(value));
  Close();
}

void TTestPeerConnection::Close() {
  if (FHandle < 0) return;
  {
    std::lock_guard<std::mutex> guard(FServer.FLock);
    FServer.FHandles[size_t(FIndex)] = -1;
  }
  ::close(FHandle);
  FHandle = -1;
}

std::string TTestPeerConnection::Received() const {
  return FServer.Received(FIndex);
}

// --- TTestScriptedServer -------------------------------------------------------------------------

TTestScriptedServer::TTestScriptedServer(TTestConnectionScript AScript, TFamily AFamily)
    : FScript(std::move(AScript)), FFamily(AFamily) {
  FListener = BindLoopback(AFamily, FPort);
  if (FListener < 0 || ::listen(FListener, 16) != 0)
    throw std::runtime_error(std::string("test server: cannot listen: ") + std::strerror(errno));
  FAcceptThread = std::thread([this] { AcceptLoop(); });
}

TTestScriptedServer::~TTestScriptedServer() {
  Stop();
}

std::u16string TTestScriptedServer::Host() const {
  return FFamily == tfIPv6 ? u"::1" : u"127.0.0.1";
}

void TTestScriptedServer::AcceptLoop() {
  while (!FStopping) {
    pollfd fd{FListener, POLLIN, 0};
    if (::poll(&fd, 1, 50) <= 0) continue;
    const int handle = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (handle < 0) continue;
    const int one = 1;
    ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    std::lock_guard<std::mutex> guard(FLock);
    const int index = int(FHandles.size());
    FHandles.push_back(handle);
    FReceived.emplace_back();
    FThreads.emplace_back([this, handle, index] { RunConnection(handle, index); });
    FChanged.notify_all();
  }
}

void TTestScriptedServer::RunConnection(int AHandle, int AIndex) {
  TTestPeerConnection connection(*this, AHandle, AIndex);
  try {
    if (FScript) FScript(connection);
  } catch (...) {
    // A failing script ends its connection; the test sees that through what it receives.
  }
  if (!connection.Closed()) {
    connection.HalfClose();
    connection.ReadUntilClosed(2000);
    connection.Close();
  }
  std::lock_guard<std::mutex> guard(FLock);
  ++FFinished;
  FChanged.notify_all();
}

void TTestScriptedServer::Record(int AIndex, const char* AData, size_t ACount) {
  std::lock_guard<std::mutex> guard(FLock);
  FReceived[size_t(AIndex)].append(AData, ACount);
}

void TTestScriptedServer::Stop() {
  if (FStopping.exchange(true)) return;
  if (FAcceptThread.joinable()) FAcceptThread.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> guard(FLock);
    // Wake scripts blocked on their sockets; the scripts close the descriptors themselves.
    for (int handle : FHandles)
      if (handle >= 0) ::shutdown(handle, SHUT_RDWR);
    threads.swap(FThreads);
  }
  for (std::thread& t : threads) t.join();
  if (FListener >= 0) ::close(FListener);
  FListener = -1;
}

bool TTestScriptedServer::WaitForAccepted(int ACount, int ATimeoutMs) {
  std::unique_lock<std::mutex> lock(FLock);
  return FChanged.wait_for(lock, std::chrono::milliseconds(ATimeoutMs),
                           [&] { return int(FHandles.size()) >= ACount; });
}

bool TTestScriptedServer::WaitForFinished(int ACount, int ATimeoutMs) {
  std::unique_lock<std::mutex> lock(FLock);
  return FChanged.wait_for(lock, std::chrono::milliseconds(ATimeoutMs),
                           [&] { return FFinished >= ACount; });
}

int TTestScriptedServer::AcceptedCount() const {
  std::lock_guard<std::mutex> guard(FLock);
  return int(FHandles.size());
}

std::string TTestScriptedServer::Received(int AIndex) const {
  std::lock_guard<std::mutex> guard(FLock);
  return AIndex >= 0 && size_t(AIndex) < FReceived.size() ? FReceived[size_t(AIndex)]
                                                          : std::string();
}

TTestConnectionScript TTestScriptedServer::SendAndClose(std::string ABytes) {
  return [bytes = std::move(ABytes)](TTestPeerConnection& c) {
    c.Send(bytes);
    c.HalfClose();
    c.ReadUntilClosed(2000);
    c.Close();
  };
}

TTestConnectionScript TTestScriptedServer::SendAndReset(std::string ABytes) {
  return [bytes = std::move(ABytes)](TTestPeerConnection& c) {
    c.Send(bytes);
    c.Stall(50);
    c.Reset();
  };
}

TTestConnectionScript TTestScriptedServer::SendAndStall(std::string ABytes, int AStallMs) {
  return [bytes = std::move(ABytes), AStallMs](TTestPeerConnection& c) {
    c.Send(bytes);
    c.Stall(AStallMs);
  };
}

// --- TTestRefusedPort ----------------------------------------------------------------------------

TTestRefusedPort::TTestRefusedPort(TTestScriptedServer::TFamily AFamily) {
  FHandle = BindLoopback(AFamily, FPort);
  if (FHandle < 0) throw std::runtime_error("test port: cannot bind");
}

TTestRefusedPort::~TTestRefusedPort() {
  if (FHandle >= 0) ::close(FHandle);
}

// --- TTestSilentListener -------------------------------------------------------------------------

TTestSilentListener::TTestSilentListener() {
  FListener = BindLoopback(TTestScriptedServer::tfIPv4, FPort);
  if (FListener < 0 || ::listen(FListener, 0) != 0) return;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(FPort);
  // Connect until one connect stays pending: from then on the queue is full and the system
  // drops further connection requests instead of answering them.
  for (int attempt = 0; attempt < 16 && !FReady; ++attempt) {
    const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (handle < 0) return;
    const int rc = ::connect(handle, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    if (rc == 0) {
      FFillers.push_back(handle);
      continue;
    }
    pollfd fd{handle, POLLOUT, 0};
    if (errno == EINPROGRESS && ::poll(&fd, 1, 200) == 0) {
      FReady = true;
      ::close(handle);
    } else {
      FFillers.push_back(handle);
    }
  }
}

TTestSilentListener::~TTestSilentListener() {
  for (int handle : FFillers) ::close(handle);
  if (FListener >= 0) ::close(FListener);
}

} // namespace ozktest
