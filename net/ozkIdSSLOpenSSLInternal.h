// Declarations shared by the TLS layer's .cpp files only (not part of its interface).
#pragma once

#include <string>

#include "net/ozkIdSSLOpenSSLExceptions.h"

// The message for the kind requested for a failed TLS call (ARetCode the call's result,
// AErrorCode its SSL_get_error classification), or the exception that replaces that kind:
// EIdOSSLUnderlyingCryptoError when the library queued its own error, EIdSocketError when the
// socket call beneath failed. The error queue is empty afterwards.
std::u16string IdSSLErrorMessageOrRaise(const std::u16string& AMessage, int AErrorCode,
                                        int ARetCode);
template <typename E>
[[noreturn]] void RaiseSSLError(const std::u16string& AMessage, int AErrorCode, int ARetCode) {
  std::u16string text = IdSSLErrorMessageOrRaise(AMessage, AErrorCode, ARetCode);
  throw E(std::move(text), AErrorCode, ARetCode);
}
// Raises E with the first code of the error queue: AMessage, CR LF and the code's text (the
// text alone when AMessage is empty). The error queue is empty afterwards.
unsigned long IdPopSSLErrorCode();
std::u16string IdCryptoErrorMessage(const std::u16string& AMessage, unsigned long ACode);
template <typename E> [[noreturn]] void RaiseCryptoError(const std::u16string& AMessage) {
  unsigned long code = IdPopSSLErrorCode();
  throw E(IdCryptoErrorMessage(AMessage, code), code);
}

// Raises the calling thread's last socket error as the socket layer does (EIdSocketError with
// the fixed error numbering).
[[noreturn]] void IdTLSRaiseLastSocketError();
// The last socket error in the fixed numbering (10054 connection reset, 10060 timed out...).
int IdTLSLastSocketError();

// Keeps the thread's socket error number (errno) across a callback, so that a failed TLS call's
// socket error is still there when the caller asks for it.
class TIdSocketErrorKeeper {
 public:
  TIdSocketErrorKeeper();
  ~TIdSocketErrorKeeper();

 private:
  int FSaved;
};
