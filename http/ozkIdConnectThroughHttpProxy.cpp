#include "http/ozkIdConnectThroughHttpProxy.h"

#include "base/ozkFormat.h"
#include "base/ozkText.h"
#include "http/ozkIdAuthentication.h"
#include "net/ozkIdStack.h"

// --- Reading an HTTP answer head -----------------------------------------------------------------

std::u16string IdReadHTTPHeadLine(TIdIOHandler& AIOHandler) {
  std::u16string line = AIOHandler.ReadLn();
  if (AIOHandler.ReadLnTimedOut()) throw EIdReadTimeout();
  return line;
}

namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

// A field line has a non-empty name before its first ":" without blanks in it (a blank before the
// colon is what a request-smuggling peer relies on).
bool IsFieldLine(std::u16string_view ALine) {
  const size_t colon = ALine.find(u':');
  if (colon == std::u16string_view::npos || colon == 0) return false;
  for (size_t i = 0; i < colon; ++i)
    if (IsBlank(ALine[i])) return false;
  return true;
}

} // namespace

void IdReadHTTPHeaderLines(TIdIOHandler& AIOHandler, TIdHeaderList& AHeaders, int AMaxHeaderCount) {
  int count = 0;
  bool keptPrevious = false;
  while (true) {
    std::u16string line = IdReadHTTPHeadLine(AIOHandler);
    if (line.empty()) break;
    if (AMaxHeaderCount > 0 && count >= AMaxHeaderCount)
      throw EIdHTTPMalformedReply(
          Format(u"More than %d header lines in the response", AMaxHeaderCount));
    ++count;
    // RFC 9110, section 5.5: a bare CR or a NUL in a field value may be replaced by a space.
    for (char16_t& c : line)
      if (c == u'\r' || c == u'\0') c = u' ';
    if (IsBlank(line[0])) {
      if (keptPrevious) AHeaders.Add(line); // a continuation of the line kept before it
      continue;
    }
    keptPrevious = IsFieldLine(line);
    if (keptPrevious) AHeaders.Add(line);
  }
}

int IdHTTPStatusCode(std::u16string_view AStatusLine) {
  std::u16string s = Trim(AStatusLine);
  const size_t sp = s.find_first_of(u" \t");
  s = sp == std::u16string::npos ? std::u16string() : Trim(std::u16string_view(s).substr(sp + 1));
  s = s.substr(0, s.find_first_of(u" \t"));
  s = s.substr(0, s.find(u'.'));
  int64_t code;
  return TryStrToInt64(s, code) && code >= INT32_MIN && code <= INT32_MAX ? static_cast<int>(code)
                                                                          : -1;
}

// --- TIdConnectThroughHttpProxy ------------------------------------------------------------------

namespace {

// An IPv6 address literal is bracketed, or the proxy could not tell its last group from the
// port.
std::u16string Authority(const std::u16string& AHost, uint16_t APort) {
  const bool bracket =
      !AHost.empty() && AHost.front() != u'[' && !NormalizeIPv6Literal(AHost).empty();
  return Format(bracket ? u"[%s]:%d" : u"%s:%d", AHost, APort);
}

// The errors with which a write or read meets a connection that the peer has closed.
bool IsClosedConnection(const EIdSocketError& AError) {
  const int err = AError.LastError();
  return err == Id_WSAESHUTDOWN || err == Id_WSAECONNABORTED || err == Id_WSAECONNRESET;
}

} // namespace

TIdConnectThroughHttpProxy::TIdConnectThroughHttpProxy(TComponent* AOwner)
    : TIdCustomTransparentProxy(AOwner) {}

TIdConnectThroughHttpProxy::~TIdConnectThroughHttpProxy() = default;

void TIdConnectThroughHttpProxy::Connect(TIdIOHandler& AIOHandler, const std::u16string& AHost,
                                         uint16_t APort, TIdIPVersion AIPVersion) {
  TIdCustomTransparentProxy* next = ChainedProxy();
  FReconnected = false;
  if (!next || !next->Enabled()) {
    MakeConnection(AIOHandler, AHost, APort, AIPVersion);
    FReconnected = false;
    return;
  }
  MakeConnection(AIOHandler, next->Host(), next->Port(), next->IPVersion());
  if (FReconnected) {
    FReconnected = false;
    return;
  }
  next->Connect(AIOHandler, AHost, APort, AIPVersion);
}

void TIdConnectThroughHttpProxy::MakeConnection(TIdIOHandler& AIOHandler,
                                                const std::u16string& AHost, uint16_t APort,
                                                TIdIPVersion) {
  const bool authorize = FAuthorizationRequired;
  FAuthorizationRequired = false;
  TProxyAnswer answer = DoConnectRequest(AIOHandler, AHost, APort, authorize);
  if (answer.Code == 407 && !authorize && HasCredentials()) {
    bool reconnect = answer.Close;
    if (!reconnect) {
      try {
        answer = DoConnectRequest(AIOHandler, AHost, APort, true);
      } catch (const EIdConnClosedGracefully&) {
        // The proxy closed after its 407 without announcing it.
        reconnect = true;
      } catch (const EIdSocketError& e) {
        if (!IsClosedConnection(e)) throw;
        reconnect = true;
      }
    }
    if (reconnect) {
      Reconnect(AIOHandler, answer.StatusLine);
      return;
    }
  }
  if (answer.Code != 200) throw EIdHttpProxyError(answer.StatusLine);
}

TIdConnectThroughHttpProxy::TProxyAnswer
TIdConnectThroughHttpProxy::DoConnectRequest(TIdIOHandler& AIOHandler, const std::u16string& AHost,
                                             uint16_t APort, bool AAuthorize) {
  std::u16string head = u"CONNECT " + Authority(AHost, APort) + u" HTTP/1.0\r\n";
  if (AAuthorize) {
    TIdBasicAuthentication basic;
    basic.SetUsername(FUsername);
    basic.SetPassword(FPassword);
    head += u"Proxy-Authorization: " + basic.Authentication() + u"\r\n";
  }
  head += u"\r\n";
  AIOHandler.Write(head); // one transport write

  TProxyAnswer answer;
  answer.StatusLine = IdReadHTTPHeadLine(AIOHandler);
  if (answer.StatusLine.empty()) return answer;
  TIdHeaderList headers(QuoteHTTP);
  IdReadHTTPHeaderLines(AIOHandler, headers, MaxHeaderLines);
  const int code = IdHTTPStatusCode(answer.StatusLine);
  if (code >= 0) answer.Code = code;
  answer.Close = SameText(headers.Values(u"Proxy-Connection"), u"close") ||
                 SameText(headers.Values(u"Connection"), u"close");
  // Past a successful answer the bytes belong to the tunnel, whatever a Content-Length says.
  int64_t length;
  if (answer.Code / 100 != 2 && TryStrToInt64(headers.Values(u"Content-Length"), length) &&
      length > 0) {
    try {
      AIOHandler.Discard(length);
    } catch (const EIdConnClosedGracefully&) {
      answer.Close = true; // a body cut short by the close; nothing else depends on it
    }
  }
  return answer;
}

void TIdConnectThroughHttpProxy::Reconnect(TIdIOHandler& AIOHandler,
                                           const std::u16string& AStatusLine) {
  // Opening the handler connects it again, and its connect runs this proxy's MakeConnection
  // (through the chain in front of it) before Open returns.
  FAuthorizationRequired = true;
  try {
    AIOHandler.Close();
    AIOHandler.Open();
  } catch (...) {
    FAuthorizationRequired = false;
    throw;
  }
  const bool tunnelled = !FAuthorizationRequired;
  FAuthorizationRequired = false;
  // A handler that does not connect through this proxy reached its host without a tunnel.
  if (!tunnelled) throw EIdHttpProxyError(AStatusLine);
  FReconnected = true;
}
