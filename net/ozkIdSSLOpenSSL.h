// The TLS I/O handler: TIdSSLIOHandlerSocketOpenSSL sits on the socket handler and, once
// pass-through is off, encrypts every read and write with OpenSSL. It prepares its context from
// SSLOptions when it connects, runs the client handshake (server name, optional host-name
// check, ALPN), translates TLS failures into the exception kinds of the TLS layer and raises
// the status, password and verification events.
//
// Umbrella header of the TLS layer: it also brings TIdSSLOptions, the exceptions, the context
// and TLS socket classes (ozkIdSSLOpenSSLContext.h) and TIdX509 (ozkIdSSLOpenSSLX509.h).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/ozkStringList.h"
#include "net/ozkIdIOHandlerSocket.h"
#include "net/ozkIdSSLOpenSSLContext.h"
#include "net/ozkIdSSLOpenSSLX509.h"

// Adds pass-through (plain bytes until TLS is switched on), the peer flag of accepted
// connections and the URL whose host names the server.
class TIdSSLIOHandlerSocketBase : public TIdIOHandlerStack {
 public:
  explicit TIdSSLIOHandlerSocketBase(TComponent* AOwner = nullptr);
  ~TIdSSLIOHandlerSocketBase() override;

  static TIdIOHandlerClass ClassType();

  bool PassThrough() const { return fPassThrough; }
  virtual void SetPassThrough(bool AValue) { fPassThrough = AValue; }
  const std::u16string& URIToCheck() const { return FURIToCheck; }
  virtual void SetURIToCheck(const std::u16string& AValue) { FURIToCheck = AValue; }
  bool IsPeer() const { return fIsPeer; }
  void SetIsPeer(bool AValue) { fIsPeer = AValue; }

  // A new handler with this one's settings. It calls back into this handler, which must
  // outlive it.
  virtual std::unique_ptr<TIdSSLIOHandlerSocketBase> Clone() = 0;
  // Switches TLS on for a connected handler whose pass-through is off.
  virtual void StartSSL() = 0;

 protected:
  // The encrypted read and write behind the transport operations while pass-through is off.
  virtual int RecvEnc(uint8_t* VBuffer, int ALength) = 0;
  virtual int SendEnc(const TIdBytes& ABuffer, int AOffset, int ALength) = 0;

  int ReceiveFromTransport(uint8_t* VBuffer, int ALength) override;
  int SendToTransport(const TIdBytes& ABuffer, int AOffset, int ALength) override;

  bool fPassThrough = true;
  bool fIsPeer = false;
  std::u16string FURIToCheck;
};

class TIdSSLIOHandlerSocketOpenSSL;

using TIdSSLStatusInfoEvent = std::function<void(const std::u16string& AMsg)>;
using TIdSSLStatusInfoExEvent =
    std::function<void(TComponent* ASender, const ssl_st* AsslSocket, int AWhere, int Aret,
                       const std::u16string& AType, const std::u16string& AMsg)>;
using TIdSSLGetPasswordEvent = std::function<void(std::u16string& APassword)>;
using TIdSSLGetPasswordExEvent =
    std::function<void(TComponent* ASender, std::u16string& VPassword, bool AIsWrite)>;
// Returns the final verdict on the certificate.
using TIdSSLVerifyPeerEvent =
    std::function<bool(TIdX509* Certificate, bool AOk, int ADepth, int AError)>;
using TIdSSLBeforeConnectEvent = std::function<void(TIdSSLIOHandlerSocketOpenSSL* ASender)>;

// Timeline of one connection: Connect prepares the context from SSLOptions (unless one is
// set), connects in plain text, raises OnBeforeConnect and, with pass-through off, runs the
// handshake. Close frees the TLS connection and the handler's own context, so the next Connect
// builds a new context from the options as they are then.
//
// Under TLS the socket's receive and send time-outs are ReadTimeout, or
// SocketTimeoutWithoutReadTimeout (30000 ms) when ReadTimeout is below 1: a silent server ends a
// read with "Read timed out." after that long.
//
// With verification on (VerifyMode holds sslvrfPeer) the server's certificate must also name
// the host of URIToCheck (else Host): a DNS name, or an IP address for an address literal.
class TIdSSLIOHandlerSocketOpenSSL : public TIdSSLIOHandlerSocketBase,
                                     public IIdSSLOpenSSLCallbackHelper {
 public:
  explicit TIdSSLIOHandlerSocketOpenSSL(TComponent* AOwner = nullptr);
  ~TIdSSLIOHandlerSocketOpenSSL() override;

  static TIdIOHandlerClass ClassType();

  TIdSSLOptions& SSLOptions() const { return *fxSSLOptions; }
  void SetSSLOptions(const TIdSSLOptions& AValue) { fxSSLOptions->Assign(AValue); }
  // ALPN protocol names offered by the client (created on first use).
  TStringList& ALPNProtocols();
  void SetALPNProtocols(const TStringList& AValue) { ALPNProtocols().Assign(AValue); }

  // Off on a connected handler: the TLS handshake runs now (EIdOSSLCouldNotLoadSSLLibrary
  // "Could not load SSL library." without a context). On with a live TLS connection: the close
  // notifications are exchanged and the socket carries plain bytes again.
  void SetPassThrough(bool AValue) override;
  void StartSSL() override;
  std::unique_ptr<TIdSSLIOHandlerSocketBase> Clone() override;
  // The protocol the server selected, empty when none.
  std::u16string GetALPNProtocol() const;
  // The negotiated protocol's name ("TLSv1.2"), empty without a TLS connection.
  std::u16string GetSSLVersion() const;

  void Close() override;
  // Under TLS: false without a TLS connection; true at once when the TLS layer already holds
  // decrypted bytes; otherwise the socket's readability.
  bool Readable(int AMSec = IdTimeoutDefault) override;
  void AfterAccept() override;

  // The context in use: the handler's own (prepared at Connect) or one given by a server.
  TIdSSLContext* SSLContext() const { return fSSLContext; }
  // Uses AContext (not owned; it must outlive the connection) instead of preparing one.
  void SetSSLContext(TIdSSLContext* AContext);
  TIdSSLSocket* SSLSocket() const { return fSSLSocket.get(); }

  TIdSSLStatusInfoEvent OnStatusInfo;
  TIdSSLStatusInfoExEvent OnStatusInfoEx;
  TIdSSLGetPasswordEvent OnGetPassword;
  TIdSSLGetPasswordExEvent OnGetPasswordEx;
  // Without a handler the library's own verdict stands (no callback is installed).
  TIdSSLVerifyPeerEvent OnVerifyPeer;
  TIdSSLBeforeConnectEvent OnBeforeConnect;

 protected:
  void ConnectToPeer() override;
  int RecvEnc(uint8_t* VBuffer, int ALength) override;
  int SendEnc(const TIdBytes& ABuffer, int AOffset, int ALength) override;
  int TranslateTransportError(int AResult) override;
  void RaiseTransportError(int AErr) override;

  virtual void DoBeforeConnect();
  virtual void DoStatusInfo(const std::u16string& AMsg);
  virtual void DoGetPassword(std::u16string& APassword);
  virtual void DoGetPasswordEx(std::u16string& VPassword, bool AIsWrite);
  virtual bool DoVerifyPeer(TIdX509* ACertificate, bool AOk, int ADepth, int AError);
  virtual void OpenTLSConnection();

  // A new context of this handler from SSLOptions, set up for ACtxMode.
  void PrepareTLSContext(TIdSSLCtxMode ACtxMode = sslCtxClient);

  // IIdSSLOpenSSLCallbackHelper
  std::u16string GetPassword(bool AIsWrite) override;
  void StatusInfo(const std::u16string& AStatusStr) override;
  void StatusInfoEx(const ssl_st* ASSL, int AWhere, int ARet, const std::u16string& AStatusStr,
                    const std::u16string& AType, const std::u16string& AMsg) override;
  bool VerifyPeer(TIdX509* ACertificate, bool AOk, int ADepth, int AError) override;
  TIdSSLSocket* CurrentSSLSocket() override { return fSSLSocket.get(); }

  std::unique_ptr<TIdSSLOptions> fxSSLOptions;
  std::unique_ptr<TIdSSLContext> FOwnContext; // the context when this handler prepared it
  TIdSSLContext* fSSLContext = nullptr;       // the context in use
  std::unique_ptr<TIdSSLSocket> fSSLSocket;
  bool fSSLLayerClosed = true;
  std::unique_ptr<TStringList> FALPNProtocols;

 private:
  void FreeTLS();
};
