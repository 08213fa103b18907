// TIdConnectThroughHttpProxy: a transparent proxy that tunnels a socket handler's connection
// through an HTTP proxy with "CONNECT host:port HTTP/1.0", answering a 407 with Basic proxy
// authorization. Also the reading of an HTTP answer head (status line, header lines, status
// code) that the engine's own CONNECT tunnel and its responses share with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "http/ozkIdHeaderList.h"
#include "net/ozkIdCustomTransparentProxy.h"
#include "net/ozkIdException.h"
#include "net/ozkIdIOHandler.h"

// A CONNECT tunnel that the proxy refused; the message is the proxy's status line.
class EIdHttpProxyError : public EIdException {
 public:
  using EIdException::EIdException;
};

// A reply whose framing cannot be trusted: a head that is no HTTP head, cut off by the close or
// longer than the header-line limit, an invalid Content-Length or chunk size, or a body cut
// short by the close. The engine drops the connection; whatever arrived of a body stays in the
// response stream.
class EIdHTTPMalformedReply : public EIdException {
 public:
  using EIdException::EIdException;
};

// --- Reading an HTTP answer head -----------------------------------------------------------------

// One line of a head through AIOHandler (CR LF or LF ends it); EIdReadTimeout "Read timed out."
// when the handler's read timed out.
std::u16string IdReadHTTPHeadLine(TIdIOHandler& AIOHandler);
// Reads header lines up to the empty line and adds them to AHeaders. More than AMaxHeaderCount
// lines (when that is above 0) raise EIdHTTPMalformedReply: a dropped line could be the one that
// frames the body. A bare CR or a NUL inside a line becomes a space; a line that is no field
// (no ":", an empty name or blanks inside it) is dropped, and so are the continuation lines of a
// dropped line.
void IdReadHTTPHeaderLines(TIdIOHandler& AIOHandler, TIdHeaderList& AHeaders, int AMaxHeaderCount);
// The status code of a status line: its second word cut at the first "."; -1 when that is not
// a number.
int IdHTTPStatusCode(std::u16string_view AStatusLine);

// --- The tunnel ----------------------------------------------------------------------------------

// Host, Port, Username and Password describe the proxy; Enabled switches it (a disabled proxy
// is bypassed by the handler). The first CONNECT of a connection goes without credentials; a
// 407 answer is repeated once with "Proxy-Authorization: Basic ..." when a user name or
// password is set, on the same connection, or on a new one when the proxy closes its side
// ("close" in "Proxy-Connection" or "Connection", or the connection found closed). Any answer
// other than 200 raises EIdHttpProxyError with the proxy's status line; the handler is then the
// caller's to close.
class TIdConnectThroughHttpProxy : public TIdCustomTransparentProxy {
 public:
  explicit TIdConnectThroughHttpProxy(TComponent* AOwner = nullptr);
  ~TIdConnectThroughHttpProxy() override;

  // A connection that had to be opened again for the authorized CONNECT has run through the
  // whole chain of proxies already (the handler's connect does that); the walk that asked for
  // it then stops here.
  void Connect(TIdIOHandler& AIOHandler, const std::u16string& AHost, uint16_t APort,
               TIdIPVersion AIPVersion) override;

  // Header lines accepted in a proxy's answer; more fail the tunnel.
  static constexpr int MaxHeaderLines = 255;

 protected:
  void MakeConnection(TIdIOHandler& AIOHandler, const std::u16string& AHost, uint16_t APort,
                      TIdIPVersion AIPVersion) override;

  struct TProxyAnswer {
    std::u16string StatusLine; // empty: the proxy opened the tunnel without answering
    int Code = 200;
    bool Close = false; // the proxy announced that it closes the connection
  };
  // Writes one CONNECT for AHost:APort (with the credentials when AAuthorize) and reads the
  // answer: status line, header lines and the body that Content-Length announces.
  virtual TProxyAnswer DoConnectRequest(TIdIOHandler& AIOHandler, const std::u16string& AHost,
                                        uint16_t APort, bool AAuthorize);
  // Closes the handler and opens it again; its connect runs the tunnel again, this time with
  // the credentials. AStatusLine is the 407 that asked for them.
  void Reconnect(TIdIOHandler& AIOHandler, const std::u16string& AStatusLine);
  bool HasCredentials() const { return !FUsername.empty() || !FPassword.empty(); }

  // Set while the handler is reopened for the authorized CONNECT: the MakeConnection that the
  // reopening runs sends the credentials and clears it.
  bool FAuthorizationRequired = false;
  // Set when a MakeConnection reopened the connection (see Connect).
  bool FReconnected = false;
};
