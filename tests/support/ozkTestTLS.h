// TLS peers for tests: certificates generated at run time with OpenSSL (a test CA and server,
// client, expired, self-signed and other-host certificates; nothing is committed) and a TLS
// server on loopback whose per-connection behaviour the test chooses.
//
// Typical use:
//   const auto& pki = ozktest::TTestPKI::Get();
//   ozktest::TTestTempDir dir;
//   std::u16string caFile = dir.WriteFile("ca.pem", pki.CA.CertPEM());
//   ozktest::TTestTLSServer server({}, ozktest::EchoBehaviour());   // listening on return
//   ... connect a client to 127.0.0.1:server.Port() with RootCertFile caFile ...
//   ASSERT_TRUE(server.WaitForConnections(1));
//   EXPECT_EQ(server.Connections()[0].SNI, "localhost");
//
// OpenSSL types appear only as forward declarations; the library is linked by this target.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct x509_st;
struct evp_pkey_st;
struct ssl_st;
struct ssl_ctx_st;

namespace ozktest {

// A certificate with its private key (EC P-256) and the chain of issuers above it, excluding the
// root. Copies share the OpenSSL objects.
class TTestCertificate {
 public:
  TTestCertificate();
  ~TTestCertificate();
  TTestCertificate(const TTestCertificate&);
  TTestCertificate& operator=(const TTestCertificate&);

  x509_st* X509() const { return FCert.get(); }
  evp_pkey_st* Key() const { return FKey.get(); }
  // Issuers above this certificate, lowest first, without the self-signed root.
  const std::vector<TTestCertificate>& Chain() const { return FChain; }

  std::string CertPEM() const;
  // This certificate followed by Chain(), as a server or client presents it.
  std::string ChainPEM() const;
  // PKCS#8; encrypted with AES-256-CBC when APassword is not empty.
  std::string KeyPEM(const std::string& APassword = std::string()) const;
  // Certificate, key and chain. ALegacyEncryption uses RC2-40 and 3DES, which OpenSSL 3 reads
  // only with its "legacy" provider loaded (the file is made in a private library context, so
  // the process's own stays as it was).
  std::vector<uint8_t> PKCS12(const std::string& APassword, bool ALegacyEncryption = false) const;
  // The one-line subject name ("/CN=localhost").
  std::string Subject() const;

  struct TFree {
    void operator()(x509_st* x) const;
    void operator()(evp_pkey_st* k) const;
  };

 private:
  friend class TTestPKI;
  std::shared_ptr<x509_st> FCert;
  std::shared_ptr<evp_pkey_st> FKey;
  std::vector<TTestCertificate> FChain;
};

// The certificates of the test PKI, generated once per process on first use.
class TTestPKI {
 public:
  static const TTestPKI& Get();

  TTestCertificate CA;              // "/CN=ozk Test Root CA", self-signed
  TTestCertificate Intermediate;    // "/CN=ozk Test Intermediate CA", issued by CA
  TTestCertificate Localhost;       // CN localhost; SAN DNS:localhost, IP:127.0.0.1, IP:::1; by CA
  TTestCertificate OtherHost;       // CN and SAN DNS:other.test, by CA
  TTestCertificate Expired;         // like Localhost, but its validity ended a day ago
  TTestCertificate SelfSigned;      // like Localhost, but self-signed
  TTestCertificate ViaIntermediate; // like Localhost, issued by Intermediate (chain depth 2)
  TTestCertificate Client;          // "/CN=ozk test client", client authentication, by CA

 private:
  TTestPKI();
};

// A fresh folder under /tmp, removed with everything in it when the object is destroyed.
class TTestTempDir {
 public:
  TTestTempDir();
  ~TTestTempDir();
  TTestTempDir(const TTestTempDir&) = delete;
  TTestTempDir& operator=(const TTestTempDir&) = delete;

  const std::string& Path() const { return FPath; }
  // Writes AData to the file AName in the folder; returns the full path as UTF-16 text.
  std::u16string WriteFile(const std::string& AName, const std::string& AData) const;
  std::u16string WriteFile(const std::string& AName, const std::vector<uint8_t>& AData) const;

 private:
  std::string FPath;
};

// The byte at AIndex of the test pattern that SendBytesBehaviour sends.
inline uint8_t TestPatternByte(uint64_t AIndex) {
  return static_cast<uint8_t>(AIndex % 251);
}

struct TTestTLSServerOptions {
  const TTestCertificate* Certificate = nullptr; // default: TTestPKI::Get().Localhost
  int MinVersion = 0;                            // TLS1_2_VERSION, TLS1_3_VERSION...; 0: default
  int MaxVersion = 0;
  std::vector<std::string> ALPN;  // protocols the server accepts, in its order of preference
  bool RequireClientCert = false; // ask for a client certificate issued by the test CA
  std::string CipherList;         // TLS 1.2 and below (empty: library default)
  std::string CipherSuites;       // TLS 1.3 (empty: library default)
  int IOTimeoutMs = 10000;        // every read and write of a connection is bounded by this
  // Before the handshake, read one plain line (up to LF, kept in PlainReceived) and answer
  // "GO\n" in plain text: a client that switches TLS on later on a connected socket.
  bool StartTLS = false;
};

// What the server saw of one connection; complete once the connection's behaviour ended.
struct TTestTLSConnectionInfo {
  bool HandshakeOK = false;
  std::string HandshakeError;     // the library's error text when the handshake failed
  std::string SNI;                // server name the client sent, empty for none
  std::string ALPN;               // protocol the server selected, empty for none
  std::string Version;            // "TLSv1.3"
  std::string Cipher;             // "TLS_AES_128_GCM_SHA256"
  std::string ClientSubject;      // one-line subject of the client's certificate, if any
  std::string Received;           // application bytes that the behaviour read
  bool PeerClosedCleanly = false; // the client's close notification arrived
  std::string PlainReceived;      // the plain line before the handshake (StartTLS)
};

// One accepted connection, handed to the behaviour on the connection's own thread.
class TTestTLSConnection {
 public:
  // AShutdown: the server's shutdown latch, which WaitForServerShutdown waits on.
  TTestTLSConnection(ssl_st* ASSL, int AFd, TTestTLSConnectionInfo& AInfo,
                     std::shared_future<void> AShutdown = {})
      : FSSL(ASSL), FFd(AFd), FInfo(AInfo), FShutdown(std::move(AShutdown)) {}

  // Reads up to ALength bytes (waits for at least one); appends them to Info().Received.
  // Returns 0 when the client closed (Info().PeerClosedCleanly tells how) or on an error.
  int Read(void* ABuffer, int ALength);
  // Reads until ACount bytes arrived or the client closed; returns what arrived.
  std::string ReadExactly(size_t ACount);
  bool Write(const void* AData, size_t ALength);
  bool Write(const std::string& AData) { return Write(AData.data(), AData.size()); }
  // ACount bytes of the test pattern, starting at pattern index AStart.
  bool WritePattern(uint64_t ACount, uint64_t AStart = 0);
  // Bytes straight onto the TCP socket, beneath TLS.
  bool WriteRaw(const void* AData, size_t ALength);
  // Sends the close notification (once).
  void SendCloseNotify();
  // Ends the TCP connection (FIN) without a close notification.
  void CloseAbruptly();
  // Waits until the client closes (bytes that arrive meanwhile are read and recorded).
  void WaitForClientClose();
  // Keeps the connection as it is until the server is being destroyed (at most ATimeoutMs):
  // a test that ends early, a failed assertion included, releases it, so it never hangs.
  void WaitForServerShutdown(int ATimeoutMs = 30000);
  // Once the behaviour returns, the connection is reset (RST) instead of closed in order.
  void ResetConnection() { FReset = true; }
  bool ResetRequested() const { return FReset; }

  TTestTLSConnectionInfo& Info() { return FInfo; }
  ssl_st* SSL() const { return FSSL; }
  int Fd() const { return FFd; }

 private:
  ssl_st* FSSL;
  int FFd;
  TTestTLSConnectionInfo& FInfo;
  std::shared_future<void> FShutdown;
  bool FReset = false;
};

using TTestTLSBehaviour = std::function<void(TTestTLSConnection&)>;

enum class TTestTLSEnd { CloseNotify, Abrupt, WaitForClient };

// Echoes every byte until the client closes.
TTestTLSBehaviour EchoBehaviour();
// Sends ACount bytes of the test pattern in records of at most ARecordSize bytes, then ends.
TTestTLSBehaviour SendBytesBehaviour(uint64_t ACount, TTestTLSEnd AEnd = TTestTLSEnd::CloseNotify,
                                     int ARecordSize = 16384);

// Scripted answers for split-point and cut-off runs over TLS. Each answer goes out once a whole
// request (head and the body its Content-Length announces) arrived, in TLS records of at most
// the record size in plaintext bytes (so each record is one read for the client). Once the
// cut-off budget of answer bytes is spent, the connection ends abruptly, without a close
// notification. The answer index and the budget run on across connections until the next Arm,
// so a client that reconnects meets the answers that follow, not the first one again.
class TTestTLSReplyScript {
 public:
  explicit TTestTLSReplyScript(std::vector<std::string> AReplies) : FReplies(std::move(AReplies)) {}
  // Starts a run: records of ARecordSize bytes, cut after ACutAfter bytes (SIZE_MAX: never).
  void Arm(size_t ARecordSize, size_t ACutAfter = SIZE_MAX);
  // The bytes of every answer in turn.
  size_t TotalSize() const;

 private:
  friend TTestTLSBehaviour ScriptedRepliesBehaviour(std::shared_ptr<TTestTLSReplyScript>);
  std::vector<std::string> FReplies;
  std::mutex FLock;
  size_t FRecordSize = 16384;
  size_t FLeft = SIZE_MAX;
  size_t FNext = 0;
};
TTestTLSBehaviour ScriptedRepliesBehaviour(std::shared_ptr<TTestTLSReplyScript> AScript);

// A TLS server on 127.0.0.1, port chosen by the system. It listens when the constructor returns;
// each connection runs the handshake and then the behaviour on its own thread. The destructor
// stops accepting, wakes connections that still wait and joins every thread. The server's
// threads block SIGPIPE for themselves only, so a client that goes away never ends the process
// while the process-wide disposition (what the code under test must cope with) stays as it is.
class TTestTLSServer {
 public:
  TTestTLSServer(const TTestTLSServerOptions& AOptions, TTestTLSBehaviour ABehaviour);
  ~TTestTLSServer();
  TTestTLSServer(const TTestTLSServer&) = delete;
  TTestTLSServer& operator=(const TTestTLSServer&) = delete;

  uint16_t Port() const { return FPort; }
  // Waits until ACount connections have ended, at most ATimeoutMs; false on time-out.
  bool WaitForConnections(size_t ACount, int ATimeoutMs = 10000);
  // Ended connections, in the order they ended.
  std::vector<TTestTLSConnectionInfo> Connections() const;

 private:
  void AcceptLoop();
  void Serve(int AFd);

  TTestTLSServerOptions FOptions;
  TTestTLSBehaviour FBehaviour;
  ssl_ctx_st* FCtx = nullptr;
  std::vector<uint8_t> FALPNWire;
  int FListenFd = -1;
  int FWakePipe[2] = {-1, -1};
  uint16_t FPort = 0;
  std::atomic<bool> FStopping{false};
  std::promise<void> FShutdown; // released first thing in the destructor
  std::shared_future<void> FShutdownLatch{FShutdown.get_future().share()};
  std::thread FAcceptThread;
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  std::vector<std::thread> FThreads;
  std::vector<int> FLiveFds;
  std::vector<TTestTLSConnectionInfo> FDone;
};

} // namespace ozktest
