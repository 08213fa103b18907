// Scripted TCP peers on loopback for connection-layer tests: a server that binds 127.0.0.1 or
// ::1 on port 0, is listening when its constructor returns, records every byte it reads, and
// runs a script per accepted connection (send exact bytes, drip them, stall, read, half-close,
// reset); a port that refuses connections; and a listener that never answers a connect.
//
// Typical use:
//   ozktest::TTestScriptedServer server([](ozktest::TTestPeerConnection& c) {
//     c.ReadUntil("\r\n");                 // what the client sent is recorded
//     c.Send("hello\r\nwor");
//     c.Reset();                           // RST after the partial line
//   });
//   client.Connect(server.Host(), server.Port());
//   ...
//   ASSERT_TRUE(server.WaitForFinished(1));
//   EXPECT_EQ(server.Received(0), "GET\r\n");
//
// Every wait inside a script is bounded (ATimeoutMs, default 5 s), and the destructor stops
// the server, waking every script, so a failing test never hangs on a peer.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ozktest {

class TTestScriptedServer;

// One accepted connection as its script sees it. Methods return false when the peer closed,
// the wait timed out or the server is stopping; they never raise.
class TTestPeerConnection {
 public:
  // Sends exactly ABytes (all of them, as the kernel takes them).
  bool Send(std::string_view ABytes);
  // Sends ABytes in pieces of AChunk bytes with ADelayMs between pieces (Nagle is off, so the
  // pieces travel as separate segments).
  bool Drip(std::string_view ABytes, size_t AChunk, int ADelayMs);
  // Sends ACount filler bytes (byte i is i % 251) in large blocks.
  bool SendPattern(uint64_t ACount);
  // Does nothing for AMs milliseconds (ends early when the server stops).
  void Stall(int AMs);
  // Reads until APattern has arrived. Searching starts where the previous ReadUntil or
  // ReadBytes stopped, so consecutive calls walk through the input in order.
  bool ReadUntil(std::string_view APattern, int ATimeoutMs = 5000);
  // Reads until ACount bytes past that point have arrived, and moves the point behind them.
  bool ReadBytes(size_t ACount, int ATimeoutMs = 5000);
  // Reads until the peer shuts down its sending side.
  bool ReadUntilClosed(int ATimeoutMs = 5000);
  // Shuts down the sending direction: the client reads end of stream, this side can still read.
  void HalfClose();
  // Aborts the connection: SO_LINGER 0 and close, so the client gets a reset.
  void Reset();
  // Closes normally (unread input may still make the system send a reset).
  void Close();

  // Everything read on this connection so far.
  std::string Received() const;
  bool Closed() const { return FHandle < 0; }
  int Index() const { return FIndex; }

 private:
  friend class TTestScriptedServer;
  TTestPeerConnection(TTestScriptedServer& AServer, int AHandle, int AIndex);
  // Reads what is available (waiting up to AWaitMs); false on close, error or stop.
  bool ReadSome(int AWaitMs);
  bool Stopping() const;

  TTestScriptedServer& FServer;
  int FHandle;
  int FIndex;
  bool FPeerClosed = false;
  size_t FConsumed = 0;
};

using TTestConnectionScript = std::function<void(TTestPeerConnection&)>;

class TTestScriptedServer {
 public:
  enum TFamily { tfIPv4, tfIPv6 };

  // Listening on return. When the script returns without closing, the server shuts down its
  // sending side, keeps reading (and recording) until the client closes or two seconds pass,
  // and closes.
  explicit TTestScriptedServer(TTestConnectionScript AScript, TFamily AFamily = tfIPv4);
  ~TTestScriptedServer();
  TTestScriptedServer(const TTestScriptedServer&) = delete;
  TTestScriptedServer& operator=(const TTestScriptedServer&) = delete;

  uint16_t Port() const { return FPort; }
  // "127.0.0.1" or "::1".
  std::u16string Host() const;
  // Stops accepting, wakes and joins every script. Idempotent.
  void Stop();
  // Waits until ACount connections have been accepted / have finished their scripts.
  bool WaitForAccepted(int ACount, int ATimeoutMs = 5000);
  bool WaitForFinished(int ACount, int ATimeoutMs = 5000);
  int AcceptedCount() const;
  // The raw bytes read on the connection accepted as number AIndex (from 0).
  std::string Received(int AIndex = 0) const;

  // Scripts for common cases.
  static TTestConnectionScript SendAndClose(std::string ABytes);
  static TTestConnectionScript SendAndReset(std::string ABytes);
  static TTestConnectionScript SendAndStall(std::string ABytes, int AStallMs);

 private:
  friend class TTestPeerConnection;
  void AcceptLoop();
  void RunConnection(int AHandle, int AIndex);
  void Record(int AIndex, const char* AData, size_t ACount);

  TTestConnectionScript FScript;
  TFamily FFamily;
  int FListener = -1;
  uint16_t FPort = 0;
  std::atomic<bool> FStopping{false};
  std::thread FAcceptThread;
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  std::vector<std::thread> FThreads;
  std::vector<int> FHandles;
  std::vector<std::string> FReceived;
  int FFinished = 0;
};

// A loopback port bound but not listening: connecting to it is refused.
class TTestRefusedPort {
 public:
  explicit TTestRefusedPort(TTestScriptedServer::TFamily AFamily = TTestScriptedServer::tfIPv4);
  ~TTestRefusedPort();
  TTestRefusedPort(const TTestRefusedPort&) = delete;
  TTestRefusedPort& operator=(const TTestRefusedPort&) = delete;
  uint16_t Port() const { return FPort; }

 private:
  int FHandle = -1;
  uint16_t FPort = 0;
};

// A loopback listener whose accept queue is full and never served: a connect to it neither
// succeeds nor fails until the connecting side gives up.
class TTestSilentListener {
 public:
  TTestSilentListener();
  ~TTestSilentListener();
  TTestSilentListener(const TTestSilentListener&) = delete;
  TTestSilentListener& operator=(const TTestSilentListener&) = delete;
  uint16_t Port() const { return FPort; }
  // False when the queue could not be filled on this system (the test should skip then).
  bool Ready() const { return FReady; }

 private:
  int FListener = -1;
  std::vector<int> FFillers;
  uint16_t FPort = 0;
  bool FReady = false;
};

} // namespace ozktest
