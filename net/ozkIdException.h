// Root exceptions of the connection and HTTP layers. Every error of net/ and http/ descends
// from EIdException; EIdSilentException marks errors that callers may end quietly on.
#pragma once

#include "base/ozkException.h"

class EIdException : public Exception {
public:
  using Exception::Exception;
};

class EIdSilentException : public EIdException {
public:
  using EIdException::EIdException;
};
