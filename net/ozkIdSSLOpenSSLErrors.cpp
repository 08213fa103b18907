// Turning OpenSSL's error queue and SSL_get_error classifications into the exception kinds of
// the TLS layer.
#include "net/ozkIdSSLOpenSSLContext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <cerrno>

#include "base/ozkFormat.h"
#include "base/ozkText.h"
#include "net/ozkIdSSLOpenSSLInternal.h"
#include "net/ozkIdStack.h"

std::u16string IdSSLErrorText(unsigned long ACode) {
  char buf[160];
  ERR_error_string_n(ACode, buf, sizeof(buf));
  return UTF8ToUTF16(buf);
}

unsigned long IdPopSSLErrorCode() {
  unsigned long code = ERR_get_error();
  // Whatever else is queued would make the next SSL_get_error on this thread report a
  // failure that belongs to this one.
  ERR_clear_error();
  return code;
}

std::u16string IdCryptoErrorMessage(const std::u16string& AMessage, unsigned long ACode) {
  std::u16string text = IdSSLErrorText(ACode);
  return AMessage.empty() ? text : AMessage + u"\r\n" + text;
}

std::u16string IdSSLErrorMessageOrRaise(const std::u16string& AMessage, int AErrorCode,
                                        int ARetCode) {
  std::u16string prefix = AMessage.empty() ? std::u16string() : AMessage + u"\r\n";
  switch (AErrorCode) {
  case SSL_ERROR_SSL:
    RaiseCryptoError<EIdOSSLUnderlyingCryptoError>(AMessage);
  case SSL_ERROR_SYSCALL:
    if (ERR_peek_error() != 0) RaiseCryptoError<EIdOSSLUnderlyingCryptoError>(AMessage);
    if (ARetCode == 0) return prefix + IdSSLMsg::EOFViolation;
    if (ARetCode == -1) IdTLSRaiseLastSocketError();
    break;
  default:
    break;
  }
  ERR_clear_error();
  return prefix + IdSSLErrorText(static_cast<unsigned long>(AErrorCode));
}

int IdTLSLastSocketError() {
  return GStack ? GStack->WSGetLastError() : IdTranslateErrno(errno);
}

void IdTLSRaiseLastSocketError() {
  if (GStack) GStack->RaiseLastSocketError();
  int err = IdTranslateErrno(errno);
  std::u16string msg = Format(u"Socket Error # %d\r\n%s", err, IdSocketErrorText(err));
  if (err == Id_WSAENOTSOCK) throw EIdNotASocket(err, msg);
  throw EIdSocketError(err, msg);
}
