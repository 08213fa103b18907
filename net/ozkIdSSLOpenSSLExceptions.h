// The exception kinds of TLS failures, their message texts and the library's text for an
// error code.
#pragma once

#include <string>

#include "net/ozkIdException.h"

class EIdOpenSSLError : public EIdException {
 public:
  using EIdException::EIdException;
};

// A failed TLS call: ErrorCode is SSL_get_error's classification, RetCode the call's result.
class EIdOpenSSLAPISSLError : public EIdOpenSSLError {
 public:
  EIdOpenSSLAPISSLError(std::u16string AMessage, int AErrorCode, int ARetCode)
      : EIdOpenSSLError(std::move(AMessage)), FErrorCode(AErrorCode), FRetCode(ARetCode) {}
  int ErrorCode() const noexcept { return FErrorCode; }
  int RetCode() const noexcept { return FRetCode; }

 private:
  int FErrorCode;
  int FRetCode;
};

// A library error: ErrorCode is the code taken from OpenSSL's error queue.
class EIdOpenSSLAPICryptoError : public EIdOpenSSLError {
 public:
  EIdOpenSSLAPICryptoError(std::u16string AMessage, unsigned long AErrorCode)
      : EIdOpenSSLError(std::move(AMessage)), FErrorCode(AErrorCode) {}
  unsigned long ErrorCode() const noexcept { return FErrorCode; }

 private:
  unsigned long FErrorCode;
};

class EIdOSSLCouldNotLoadSSLLibrary : public EIdOpenSSLError {
 public:
  using EIdOpenSSLError::EIdOpenSSLError;
};
class EIdOSSLModeNotSet : public EIdOpenSSLError {
 public:
  using EIdOpenSSLError::EIdOpenSSLError;
};
class EIdOSSLGetMethodError : public EIdOpenSSLError {
 public:
  using EIdOpenSSLError::EIdOpenSSLError;
};
class EIdOSSLSettingCipherError : public EIdOpenSSLError {
 public:
  using EIdOpenSSLError::EIdOpenSSLError;
};
class EIdOSSLSettingCurveListError : public EIdOpenSSLError {
 public:
  using EIdOpenSSLError::EIdOpenSSLError;
};
class EIdOSSLCreatingSessionError : public EIdOpenSSLError {
 public:
  using EIdOpenSSLError::EIdOpenSSLError;
};
class EIdOSSLCreatingContextError : public EIdOpenSSLAPICryptoError {
 public:
  using EIdOpenSSLAPICryptoError::EIdOpenSSLAPICryptoError;
};
class EIdOSSLLoadingRootCertError : public EIdOpenSSLAPICryptoError {
 public:
  using EIdOpenSSLAPICryptoError::EIdOpenSSLAPICryptoError;
};
class EIdOSSLLoadingCertError : public EIdOpenSSLAPICryptoError {
 public:
  using EIdOpenSSLAPICryptoError::EIdOpenSSLAPICryptoError;
};
class EIdOSSLLoadingKeyError : public EIdOpenSSLAPICryptoError {
 public:
  using EIdOpenSSLAPICryptoError::EIdOpenSSLAPICryptoError;
};
class EIdOSSLLoadingDHParamsError : public EIdOpenSSLAPICryptoError {
 public:
  using EIdOpenSSLAPICryptoError::EIdOpenSSLAPICryptoError;
};
class EIdOSSLUnderlyingCryptoError : public EIdOpenSSLAPICryptoError {
 public:
  using EIdOpenSSLAPICryptoError::EIdOpenSSLAPICryptoError;
};
class EIdOSSLDataBindingError : public EIdOpenSSLAPISSLError {
 public:
  using EIdOpenSSLAPISSLError::EIdOpenSSLAPISSLError;
};
class EIdOSSLFDSetError : public EIdOpenSSLAPISSLError {
 public:
  using EIdOpenSSLAPISSLError::EIdOpenSSLAPISSLError;
};
class EIdOSSLConnectError : public EIdOpenSSLAPISSLError {
 public:
  using EIdOpenSSLAPISSLError::EIdOpenSSLAPISSLError;
};
class EIdOSSLAcceptError : public EIdOpenSSLAPISSLError {
 public:
  using EIdOpenSSLAPISSLError::EIdOpenSSLAPISSLError;
};

// The message texts of the kinds above.
namespace IdSSLMsg {
inline constexpr const char16_t* CouldNotLoadSSLLibrary = u"Could not load SSL library.";
inline constexpr const char16_t* ModeNotSet = u"Mode has not been set.";
inline constexpr const char16_t* GetMethodError = u"Error getting SSL method.";
inline constexpr const char16_t* CreatingContextError = u"Error creating SSL context.";
inline constexpr const char16_t* LoadingRootCertError = u"Could not load root certificate.";
inline constexpr const char16_t* LoadingCertError = u"Could not load certificate.";
inline constexpr const char16_t* LoadingKeyError = u"Could not load key, check password.";
inline constexpr const char16_t* LoadingDHParamsError = u"Could not load DH Parameters.";
inline constexpr const char16_t* SettingCipherError = u"SetCipher failed.";
inline constexpr const char16_t* SettingCurveListError = u"Set Curve List failed.";
inline constexpr const char16_t* CreatingSessionError = u"Error creating SSL session.";
inline constexpr const char16_t* DataBindingError = u"Error binding data to SSL socket.";
inline constexpr const char16_t* FDSetError = u"Error setting File Descriptor for SSL";
inline constexpr const char16_t* ConnectError = u"Error connecting with SSL.";
inline constexpr const char16_t* AcceptError = u"Error accepting connection with SSL.";
inline constexpr const char16_t* ALPNError = u"Error Updating ALPN Protocols";
inline constexpr const char16_t* EOFViolation = u"EOF was observed that violates the protocol";
} // namespace IdSSLMsg

// The library's text for an error code (at most 159 characters).
std::u16string IdSSLErrorText(unsigned long ACode);
