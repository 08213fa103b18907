// Root of every error the system raises: the message is UTF-16 text, what() hands out UTF-8.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::u16string aMessage);
  ~Exception() override;

  const std::u16string& Message() const noexcept { return FMessage; }
  void SetMessage(std::u16string aMessage);
  // UTF-8 form of Message(); valid until the message changes or the exception is destroyed.
  const char* what() const noexcept override;

 private:
  std::u16string FMessage;
  std::string FWhat;
};

// General-purpose kinds that several layers raise.
class EArgumentException : public Exception {
 public:
  using Exception::Exception;
};
class EArgumentOutOfRangeException : public EArgumentException {
 public:
  using EArgumentException::EArgumentException;
};
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};
class EListError : public Exception {
 public:
  using Exception::Exception;
};
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};
class ENotSupportedException : public Exception {
 public:
  using Exception::Exception;
};
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
