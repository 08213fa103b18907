// Root exceptions of the connection and HTTP layers. Every error of net/ and http/ descends
// from EIdException; EIdSilentException marks errors that callers may end quietly on.
#pragma once

#include <string>
#include <utility>

#include "base/ozkException.h"

class EIdException : public Exception {
 public:
  using Exception::Exception;
};

class EIdSilentException : public EIdException {
 public:
  using EIdException::EIdException;
};

// --- Buffered connection I/O -------------------------------------------------------------------

// The peer or the transport ended the connection and no buffered bytes are left to read.
class EIdConnClosedGracefully : public EIdSilentException {
 public:
  EIdConnClosedGracefully() : EIdSilentException(u"Connection Closed Gracefully.") {}
  using EIdSilentException::EIdSilentException;
};
class EIdReadTimeout : public EIdException {
 public:
  EIdReadTimeout() : EIdException(u"Read timed out.") {}
  using EIdException::EIdException;
};
class EIdNotConnected : public EIdException {
 public:
  EIdNotConnected() : EIdException(u"Not Connected") {}
  using EIdException::EIdException;
};
class EIdClosedSocket : public EIdException {
 public:
  EIdClosedSocket() : EIdException(u"Disconnected.") {}
  using EIdException::EIdException;
};
class EIdReadLnMaxLineLengthExceeded : public EIdException {
 public:
  EIdReadLnMaxLineLengthExceeded() : EIdException(u"Max line length exceeded.") {}
  using EIdException::EIdException;
};
class EIdReadLnWaitMaxAttemptsExceeded : public EIdException {
 public:
  EIdReadLnWaitMaxAttemptsExceeded() : EIdException(u"Max line read attempts exceeded.") {}
  using EIdException::EIdException;
};
class EIdMaxCaptureLineExceeded : public EIdException {
 public:
  EIdMaxCaptureLineExceeded() : EIdException(u"Maximum number of line allowed exceeded") {}
  using EIdException::EIdException;
};
class EIdTCPConnectionError : public EIdException {
 public:
  using EIdException::EIdException;
};
class EIdObjectTypeNotSupported : public EIdTCPConnectionError {
 public:
  EIdObjectTypeNotSupported() : EIdTCPConnectionError(u"Object type not supported.") {}
  using EIdTCPConnectionError::EIdTCPConnectionError;
};
class EIdNoDataToRead : public EIdTCPConnectionError {
 public:
  EIdNoDataToRead() : EIdTCPConnectionError(u"No data to read.") {}
  using EIdTCPConnectionError::EIdTCPConnectionError;
};
// Message: File "<name>" not found
class EIdFileNotFound : public EIdTCPConnectionError {
 public:
  using EIdTCPConnectionError::EIdTCPConnectionError;
};
class EIdIOHandler : public EIdException {
 public:
  using EIdException::EIdException;
};
class EIdIOHandlerRequiresLargeStream : public EIdIOHandler {
 public:
  EIdIOHandlerRequiresLargeStream()
      : EIdIOHandler(u"Set LargeStream to True to send streams greater than 2GB") {}
  using EIdIOHandler::EIdIOHandler;
};
class EIdIOHandlerStreamDataTooLarge : public EIdIOHandler {
 public:
  EIdIOHandlerStreamDataTooLarge() : EIdIOHandler(u"Data is too large for stream") {}
  using EIdIOHandler::EIdIOHandler;
};
// Message: "Not enough data in buffer. (<requested>/<stored>)"
class EIdNotEnoughDataInBuffer : public EIdException {
 public:
  using EIdException::EIdException;
};
class EIdTooMuchDataInBuffer : public EIdException {
 public:
  EIdTooMuchDataInBuffer() : EIdException(u"Too much data in buffer.") {}
  using EIdException::EIdException;
};
// Message: "<class name>: Circular links are not allowed"
class EIdInterceptCircularLink : public EIdException {
 public:
  using EIdException::EIdException;
};

// --- Sockets and the socket stack --------------------------------------------------------------

// A failed socket call or name resolution. LastError() is the error number in the fixed
// numbering of the socket layer (10054 connection reset, 11001 host not found...).
class EIdSocketError : public EIdException {
 public:
  EIdSocketError(int ALastError, std::u16string AMessage)
      : EIdException(std::move(AMessage)), FLastError(ALastError) {}
  int LastError() const noexcept { return FLastError; }

 private:
  int FLastError;
};
class EIdNotASocket : public EIdSocketError {
 public:
  using EIdSocketError::EIdSocketError;
};
class EIdStackError : public EIdException {
 public:
  using EIdException::EIdException;
};
class EIdIPVersionUnsupported : public EIdStackError {
 public:
  using EIdStackError::EIdStackError;
};
class EIdStackInitializationFailed : public EIdStackError {
 public:
  using EIdStackError::EIdStackError;
};
class EIdStackSetSizeExceeded : public EIdStackError {
 public:
  using EIdStackError::EIdStackError;
};
class EIdSocketHandleError : public EIdException {
 public:
  using EIdException::EIdException;
};
class EIdCouldNotBindSocket : public EIdSocketHandleError {
 public:
  EIdCouldNotBindSocket() : EIdSocketHandleError(u"Could not bind socket.") {}
  using EIdSocketHandleError::EIdSocketHandleError;
};
// Message: "Can not bind in port range (<min> - <max>)"
class EIdCanNotBindPortInRange : public EIdSocketHandleError {
 public:
  using EIdSocketHandleError::EIdSocketHandleError;
};
// Message: "Invalid Port Range (<min> - <max>)"
class EIdInvalidPortRange : public EIdSocketHandleError {
 public:
  using EIdSocketHandleError::EIdSocketHandleError;
};
class EIdCannotSetIPVersionWhenConnected : public EIdSocketHandleError {
 public:
  EIdCannotSetIPVersionWhenConnected()
      : EIdSocketHandleError(u"Cannot change IPVersion when connected") {}
  using EIdSocketHandleError::EIdSocketHandleError;
};
class EIdConnectTimeout : public EIdException {
 public:
  EIdConnectTimeout() : EIdException(u"Connect timed out.") {}
  using EIdException::EIdException;
};
// Raised with an empty message when a connect thread failed but its exception was lost.
class EIdConnectException : public EIdException {
 public:
  EIdConnectException() : EIdException(u"") {}
  using EIdException::EIdException;
};
class EIdAlreadyConnected : public EIdException {
 public:
  EIdAlreadyConnected() : EIdException(u"Already connected.") {}
  using EIdException::EIdException;
};
class EIdHostRequired : public EIdException {
 public:
  EIdHostRequired() : EIdException(u"A Host is required") {}
  using EIdException::EIdException;
};
class EIdPortRequired : public EIdException {
 public:
  EIdPortRequired() : EIdException(u"A Port is required") {}
  using EIdException::EIdException;
};
class EIdInvalidIPv6Address : public EIdException {
 public:
  using EIdException::EIdException;
};
