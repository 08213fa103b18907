// Declarations shared by the TLS layer's .cpp files only (not part of its interface).
#pragma once

#include <string>

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
