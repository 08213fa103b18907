#include "net/ozkIdStack.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "base/ozkFormat.h"
#include "base/ozkText.h"
#include "net/ozkIdException.h"

TIdStack* GStack = nullptr;

namespace {

std::mutex& StackLock() {
  static std::mutex lock;
  return lock;
}
int GStackUsers = 0;

std::unique_ptr<TIdStack> MakeUnixStack() {
  return std::make_unique<TIdStackUnix>();
}
TIdStackClass GStackClass = &MakeUnixStack;

// One-time initialisation of the platform's socket layer. A peer that resets the connection
// while we write must give EPIPE (10058) rather than end the process with SIGPIPE; writes of this
// stack pass MSG_NOSIGNAL, and the disposition is set for writes made by other code on our
// sockets (the TLS library's own socket writes), unless the program installed a handler itself.
void InitializePlatformSockets() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current {};
    if (::sigaction(SIGPIPE, nullptr, &current) != 0)
      throw EIdStackInitializationFailed(UTF8ToUTF16(std::strerror(errno)));
    if (current.sa_handler == SIG_DFL) ::signal(SIGPIPE, SIG_IGN);
  });
}

[[noreturn]] void RaiseError(int AErr) {
  std::u16string message = Format(u"Socket Error # %d\r\n%s", AErr, IdSocketErrorText(AErr));
  if (AErr == Id_WSAENOTSOCK) throw EIdNotASocket(AErr, std::move(message));
  throw EIdSocketError(AErr, std::move(message));
}

[[noreturn]] void RaiseErrno(int AErrno) {
  RaiseError(IdTranslateErrno(AErrno));
}

bool ParseIPv4(std::u16string_view AIP, uint8_t (&VBytes)[4]) {
  int part = 0;
  size_t i = 0;
  while (true) {
    if (i >= AIP.size() || AIP[i] < u'0' || AIP[i] > u'9') return false;
    unsigned value = 0;
    size_t digits = 0;
    while (i < AIP.size() && AIP[i] >= u'0' && AIP[i] <= u'9') {
      value = value * 10 + unsigned(AIP[i] - u'0');
      if (++digits > 10 || value > 255) return false;
      ++i;
    }
    VBytes[part++] = uint8_t(value);
    if (part == 4) return i == AIP.size();
    if (i >= AIP.size() || AIP[i] != u'.') return false;
    ++i;
  }
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool ParseHexGroup(std::u16string_view AGroup, uint16_t& VValue) {
  if (AGroup.empty()) return false;
  uint32_t value = 0;
  for (char16_t c : AGroup) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    value = value * 16 + uint32_t(d);
    if (value > 0xFFFF) return false;
  }
  VValue = uint16_t(value);
  return true;
}

std::vector<std::u16string_view> SplitColons(std::u16string_view AText) {
  std::vector<std::u16string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t pos = AText.find(u':', start);
    if (pos == std::u16string_view::npos) {
      parts.push_back(AText.substr(start));
      return parts;
    }
    parts.push_back(AText.substr(start, pos - start));
    start = pos + 1;
  }
}

bool ParseIPv6(std::u16string_view AText, uint16_t (&VWords)[8]) {
  if (AText.empty()) return false;
  std::u16string text(AText);
  if (text.front() == u':') text.insert(text.begin(), u'0');
  if (text.back() == u':') text.push_back(u'0');

  // A trailing dotted IPv4 part becomes the last two groups.
  const size_t colons = size_t(std::count(text.begin(), text.end(), u':'));
  const size_t lastColon = text.rfind(u':');
  if (lastColon == std::u16string::npos) return false;
  if (text.find(u'.') != std::u16string::npos) {
    if (colons < 2 || colons > 6) return false;
    uint8_t v4[4];
    if (!ParseIPv4(std::u16string_view(text).substr(lastColon + 1), v4)) return false;
    text.resize(lastColon + 1);
    text += Format(u"%X:%X", (v4[0] << 8) | v4[1], (v4[2] << 8) | v4[3]);
  }

  const size_t gap = text.find(u"::");
  if (gap != std::u16string::npos && text.find(u"::", gap + 1) != std::u16string::npos)
    return false;
  std::vector<uint16_t> head, tail;
  auto parseAll = [](std::u16string_view part, std::vector<uint16_t>& out) {
    for (std::u16string_view group : SplitColons(part)) {
      uint16_t value;
      if (!ParseHexGroup(group, value)) return false;
      out.push_back(value);
    }
    return true;
  };
  if (gap == std::u16string::npos) {
    if (!parseAll(text, head) || head.size() != 8) return false;
  } else {
    const std::u16string_view all(text);
    if (!parseAll(all.substr(0, gap), head) || !parseAll(all.substr(gap + 2), tail)) return false;
    if (head.size() + tail.size() >= 8) return false;
    head.resize(8 - tail.size(), 0);
    head.insert(head.end(), tail.begin(), tail.end());
  }
  std::copy(head.begin(), head.end(), VWords);
  return true;
}

std::u16string FormatIPv4(const uint8_t* ABytes) {
  return Format(u"%d.%d.%d.%d", ABytes[0], ABytes[1], ABytes[2], ABytes[3]);
}

std::u16string FormatIPv6(const uint8_t* ABytes) {
  std::u16string result;
  for (size_t i = 0; i < 8; ++i) {
    if (i > 0) result += u':';
    result += Format(u"%X", (ABytes[2 * i] << 8) | ABytes[2 * i + 1]);
  }
  return result;
}

// The socket address for an address text of the family; raises for a text that is not one.
socklen_t MakeSockAddr(const std::u16string& AIP, uint16_t APort, TIdIPVersion AIPVersion,
                       sockaddr_storage& VAddr) {
  std::memset(&VAddr, 0, sizeof(VAddr));
  if (AIPVersion == Id_IPv4) {
    auto* sin = reinterpret_cast<sockaddr_in*>(&VAddr);
    sin->sin_family = AF_INET;
    sin->sin_port = htons(APort);
    uint8_t bytes[4] = {0, 0, 0, 0};
    if (!AIP.empty() && !ParseIPv4(AIP, bytes)) RaiseError(Id_WSAEINVAL);
    std::memcpy(&sin->sin_addr, bytes, 4);
    return sizeof(sockaddr_in);
  }
  if (AIPVersion != Id_IPv6)
    throw EIdIPVersionUnsupported(u"The requested IPVersion / Address family is not supported.");
  auto* sin6 = reinterpret_cast<sockaddr_in6*>(&VAddr);
  sin6->sin6_family = AF_INET6;
  sin6->sin6_port = htons(APort);
  uint16_t words[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  if (!AIP.empty() && !ParseIPv6(AIP, words))
    throw EIdInvalidIPv6Address(Format(u"Invalid IPv6 address: %s", AIP));
  for (size_t i = 0; i < 8; ++i) {
    sin6->sin6_addr.s6_addr[2 * i] = uint8_t(words[i] >> 8);
    sin6->sin6_addr.s6_addr[2 * i + 1] = uint8_t(words[i]);
  }
  return sizeof(sockaddr_in6);
}

void ReadSockAddr(const sockaddr_storage& AAddr, std::u16string& VIP, uint16_t& VPort,
                  TIdIPVersion& VIPVersion) {
  if (AAddr.ss_family == AF_INET6) {
    const auto* sin6 = reinterpret_cast<const sockaddr_in6*>(&AAddr);
    VIP = FormatIPv6(sin6->sin6_addr.s6_addr);
    VPort = ntohs(sin6->sin6_port);
    VIPVersion = Id_IPv6;
  } else {
    const auto* sin = reinterpret_cast<const sockaddr_in*>(&AAddr);
    VIP = FormatIPv4(reinterpret_cast<const uint8_t*>(&sin->sin_addr));
    VPort = ntohs(sin->sin_port);
    VIPVersion = Id_IPv4;
  }
}

// --- Punycode (RFC 3492) -------------------------------------------------------------------------

uint32_t PunyAdapt(uint32_t ADelta, uint32_t ANumPoints, bool AFirstTime) {
  ADelta = AFirstTime ? ADelta / 700 : ADelta / 2;
  ADelta += ADelta / ANumPoints;
  uint32_t k = 0;
  while (ADelta > ((36 - 1) * 26) / 2) {
    ADelta /= 36 - 1;
    k += 36;
  }
  return k + (36 - 1 + 1) * ADelta / (ADelta + 38);
}

char PunyDigit(uint32_t d) {
  return char(d < 26 ? 'a' + d : '0' + (d - 26));
}

std::string PunyEncode(const std::vector<char32_t>& AInput) {
  std::string output;
  for (char32_t c : AInput)
    if (c < 0x80) output += char(c);
  const uint32_t basic = uint32_t(output.size());
  uint32_t handled = basic;
  if (basic > 0) output += '-';
  uint32_t n = 0x80, delta = 0, bias = 72;
  while (handled < AInput.size()) {
    uint32_t m = 0xFFFFFFFF;
    for (char32_t c : AInput)
      if (c >= n && c < m) m = c;
    delta += (m - n) * (handled + 1);
    n = m;
    for (char32_t c : AInput) {
      if (c < n) ++delta;
      if (c == n) {
        uint32_t q = delta;
        for (uint32_t k = 36;; k += 36) {
          const uint32_t t = k <= bias ? 1 : (k >= bias + 26 ? 26 : k - bias);
          if (q < t) break;
          output += PunyDigit(t + (q - t) % (36 - t));
          q = (q - t) / (36 - t);
        }
        output += PunyDigit(q);
        bias = PunyAdapt(delta, handled + 1, handled == basic);
        delta = 0;
        ++handled;
      }
    }
    ++delta;
    ++n;
  }
  return output;
}

bool EndsWithInvalidTLD(std::string AHost) {
  while (!AHost.empty() && AHost.back() == '.') AHost.pop_back();
  for (char& c : AHost) c = char(std::tolower(static_cast<unsigned char>(c)));
  constexpr std::string_view tld = "invalid";
  if (AHost == tld) return true;
  return AHost.size() > tld.size() &&
         AHost.compare(AHost.size() - tld.size(), tld.size(), tld) == 0 &&
         AHost[AHost.size() - tld.size() - 1] == '.';
}

} // namespace

// --- Error numbering -----------------------------------------------------------------------------

int IdTranslateErrno(int AErrno) {
  switch (AErrno) {
  case 0:
    return 0;
  case ENOMEM:
    return Id_WSA_NOT_ENOUGH_MEMORY;
  case EINTR:
    return Id_WSAEINTR;
  case EBADF:
    return Id_WSAEBADF;
  case EACCES:
  case EPERM:
    return Id_WSAEACCES;
  case EFAULT:
    return Id_WSAEFAULT;
  case EINVAL:
    return Id_WSAEINVAL;
  case EMFILE:
  case ENFILE:
    return Id_WSAEMFILE;
  // Sockets of this stack are blocking, so "would block" only comes from a receive or send
  // time-out (SO_RCVTIMEO, SO_SNDTIMEO) running out: that is a timed-out call.
  case EAGAIN:
    return Id_WSAETIMEDOUT;
  case EINPROGRESS:
    return Id_WSAEINPROGRESS;
  case EALREADY:
    return Id_WSAEALREADY;
  case ENOTSOCK:
    return Id_WSAENOTSOCK;
  case EDESTADDRREQ:
    return Id_WSAEDESTADDRREQ;
  case EMSGSIZE:
    return Id_WSAEMSGSIZE;
  case EPROTOTYPE:
    return Id_WSAEPROTOTYPE;
  case ENOPROTOOPT:
    return Id_WSAENOPROTOOPT;
  case EPROTONOSUPPORT:
    return Id_WSAEPROTONOSUPPORT;
  case ESOCKTNOSUPPORT:
    return Id_WSAESOCKTNOSUPPORT;
  case EOPNOTSUPP:
    return Id_WSAEOPNOTSUPP;
  case EPFNOSUPPORT:
    return Id_WSAEPFNOSUPPORT;
  case EAFNOSUPPORT:
    return Id_WSAEAFNOSUPPORT;
  case EADDRINUSE:
    return Id_WSAEADDRINUSE;
  case EADDRNOTAVAIL:
    return Id_WSAEADDRNOTAVAIL;
  case ENETDOWN:
    return Id_WSAENETDOWN;
  case ENETUNREACH:
    return Id_WSAENETUNREACH;
  case ENETRESET:
    return Id_WSAENETRESET;
  case ECONNABORTED:
    return Id_WSAECONNABORTED;
  case ECONNRESET:
    return Id_WSAECONNRESET;
  case ENOBUFS:
    return Id_WSAENOBUFS;
  case EISCONN:
    return Id_WSAEISCONN;
  case ENOTCONN:
    return Id_WSAENOTCONN;
  case ESHUTDOWN:
  case EPIPE:
    return Id_WSAESHUTDOWN;
  case ETOOMANYREFS:
    return Id_WSAETOOMANYREFS;
  case ETIMEDOUT:
    return Id_WSAETIMEDOUT;
  case ECONNREFUSED:
    return Id_WSAECONNREFUSED;
  case ELOOP:
    return Id_WSAELOOP;
  case ENAMETOOLONG:
    return Id_WSAENAMETOOLONG;
  case EHOSTDOWN:
    return Id_WSAEHOSTDOWN;
  case EHOSTUNREACH:
    return Id_WSAEHOSTUNREACH;
  case ENOTEMPTY:
    return Id_WSAENOTEMPTY;
  default:
    return AErrno;
  }
}

int IdTranslateResolverError(int AResult, int AErrno) {
  switch (AResult) {
  case EAI_NONAME:
    return Id_WSAHOST_NOT_FOUND;
  case EAI_AGAIN:
    return Id_WSATRY_AGAIN;
  case EAI_FAIL:
    return Id_WSANO_RECOVERY;
  case EAI_NODATA:
  // The name exists but has no address of the family asked for.
  case EAI_ADDRFAMILY:
    return Id_WSANO_DATA;
  case EAI_BADFLAGS:
    return Id_WSAEINVAL;
  case EAI_FAMILY:
    return Id_WSAEAFNOSUPPORT;
  case EAI_MEMORY:
    return Id_WSA_NOT_ENOUGH_MEMORY;
  case EAI_SERVICE:
    return Id_WSATYPE_NOT_FOUND;
  case EAI_SOCKTYPE:
    return Id_WSAESOCKTNOSUPPORT;
  case EAI_SYSTEM:
    return IdTranslateErrno(AErrno);
  default:
    return AResult;
  }
}

std::u16string_view IdSocketErrorText(int AErr) {
  switch (AErr) {
  case 10004:
    return u"Interrupted system call.";
  case 10009:
    return u"Bad file number.";
  case 10013:
    return u"Access denied.";
  case 10014:
    return u"Buffer fault.";
  case 10022:
    return u"Invalid argument.";
  case 10024:
    return u"Too many open files.";
  case 10035:
    return u"Operation would block.";
  case 10036:
    return u"Operation now in progress.";
  case 10037:
    return u"Operation already in progress.";
  case 10038:
    return u"Socket operation on non-socket.";
  case 10039:
    return u"Destination address required.";
  case 10040:
    return u"Message too long.";
  case 10041:
    return u"Protocol wrong type for socket.";
  case 10042:
    return u"Bad protocol option.";
  case 10043:
    return u"Protocol not supported.";
  case 10044:
    return u"Socket type not supported.";
  case 10045:
    return u"Operation not supported on socket.";
  case 10046:
    return u"Protocol family not supported.";
  case 10047:
    return u"Address family not supported by protocol family.";
  case 10048:
    return u"Address already in use.";
  case 10049:
    return u"Cannot assign requested address.";
  case 10050:
    return u"Network is down.";
  case 10051:
    return u"Network is unreachable.";
  case 10052:
    return u"Net dropped connection or reset.";
  case 10053:
    return u"Software caused connection abort.";
  case 10054:
    return u"Connection reset by peer.";
  case 10055:
    return u"No buffer space available.";
  case 10056:
    return u"Socket is already connected.";
  case 10057:
    return u"Socket is not connected.";
  case 10058:
    return u"Cannot send or receive after socket is closed.";
  case 10059:
    return u"Too many references, cannot splice.";
  case 10060:
    return u"Connection timed out.";
  case 10061:
    return u"Connection refused.";
  case 10062:
    return u"Too many levels of symbolic links.";
  case 10063:
    return u"File name too long.";
  case 10064:
    return u"Host is down.";
  case 10065:
    return u"No route to host.";
  case 10066:
    return u"Directory not empty";
  case 11001:
    return u"Host not found.";
  default:
    return u"";
  }
}

// --- Address texts -------------------------------------------------------------------------------

bool IdIsIPv4(std::u16string_view AIP) {
  uint8_t bytes[4];
  return ParseIPv4(AIP, bytes);
}

std::u16string NormalizeIPv6Literal(std::u16string_view AText) {
  uint16_t words[8];
  if (!ParseIPv6(AText, words)) return {};
  uint8_t bytes[16];
  for (size_t i = 0; i < 8; ++i) {
    bytes[2 * i] = uint8_t(words[i] >> 8);
    bytes[2 * i + 1] = uint8_t(words[i]);
  }
  return FormatIPv6(bytes);
}

std::string IdHostNameToASCII(std::u16string_view AHost) {
  const bool ascii = std::all_of(AHost.begin(), AHost.end(), [](char16_t c) { return c < 0x80; });
  if (ascii) return UTF16ToUTF8(AHost);
  std::string result;
  std::vector<char32_t> label;
  auto flush = [&] {
    const bool labelAscii =
        std::all_of(label.begin(), label.end(), [](char32_t c) { return c < 0x80; });
    if (labelAscii) {
      for (char32_t c : label) result += char(c);
    } else {
      result += "xn--";
      result += PunyEncode(label);
    }
    label.clear();
  };
  for (size_t i = 0; i < AHost.size(); ++i) {
    char32_t c = AHost[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < AHost.size() && AHost[i + 1] >= 0xDC00 &&
        AHost[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (AHost[i + 1] - 0xDC00);
      ++i;
    } else {
      c = LowCaseChar(char16_t(c));
    }
    // The ideographic and full-width full stops separate labels like ".".
    if (c == u'.' || c == 0x3002 || c == 0xFF0E || c == 0xFF61) {
      flush();
      result += '.';
    } else {
      label.push_back(c);
    }
  }
  flush();
  return result;
}

// --- Socket lists --------------------------------------------------------------------------------

void TIdSocketList::Add(TIdStackSocketHandle AHandle) {
  std::lock_guard<std::mutex> guard(FLock);
  if (std::find(FHandles.begin(), FHandles.end(), AHandle) == FHandles.end())
    FHandles.push_back(AHandle);
}

void TIdSocketList::Remove(TIdStackSocketHandle AHandle) {
  std::lock_guard<std::mutex> guard(FLock);
  FHandles.erase(std::remove(FHandles.begin(), FHandles.end(), AHandle), FHandles.end());
}

void TIdSocketList::Clear() {
  std::lock_guard<std::mutex> guard(FLock);
  FHandles.clear();
}

int TIdSocketList::Count() const {
  std::lock_guard<std::mutex> guard(FLock);
  return static_cast<int>(FHandles.size());
}

bool TIdSocketList::Contains(TIdStackSocketHandle AHandle) const {
  std::lock_guard<std::mutex> guard(FLock);
  return std::find(FHandles.begin(), FHandles.end(), AHandle) != FHandles.end();
}

bool TIdSocketList::SelectRead(int ATimeout) const {
  std::vector<pollfd> fds;
  {
    std::lock_guard<std::mutex> guard(FLock);
    for (TIdStackSocketHandle h : FHandles) fds.push_back(pollfd{h, POLLIN, 0});
  }
  if (fds.empty()) return false;
  const bool unlimited = ATimeout < 0; // IdTimeoutInfinite is one of the negative values
  const uint64_t start = MonotonicMilliseconds();
  while (true) {
    int wait = -1;
    if (!unlimited) {
      const uint64_t elapsed = ElapsedMilliseconds(start);
      wait = elapsed >= uint64_t(ATimeout) ? 0 : int(uint64_t(ATimeout) - elapsed);
    }
    const int rc = ::poll(fds.data(), fds.size(), wait);
    if (rc > 0) return true;
    if (rc == 0) return false;
    if (errno != EINTR) RaiseErrno(errno);
  }
}

// --- TIdStack ------------------------------------------------------------------------------------

TIdStack::TIdStack() {
  if (GStack) throw EIdStackError(u"Stack already created.");
  InitializePlatformSockets();
}

TIdStack::~TIdStack() = default;

void TIdStack::IncUsage() {
  std::lock_guard<std::mutex> guard(StackLock());
  if (GStackUsers == 0) {
    if (!GStack) {
      if (!GStackClass) throw EIdStackError(u"Stack Class is undefined.");
      GStack = GStackClass().release();
    }
  }
  ++GStackUsers;
}

void TIdStack::DecUsage() {
  std::lock_guard<std::mutex> guard(StackLock());
  if (GStackUsers == 0) return;
  if (--GStackUsers == 0) {
    delete GStack;
    GStack = nullptr;
  }
}

int TIdStack::UsageCount() {
  std::lock_guard<std::mutex> guard(StackLock());
  return GStackUsers;
}

TIdStackClass TIdStack::StackClass() {
  std::lock_guard<std::mutex> guard(StackLock());
  return GStackClass;
}

void TIdStack::SetStackClass(TIdStackClass AClass) {
  std::lock_guard<std::mutex> guard(StackLock());
  GStackClass = AClass;
}

std::u16string TIdStack::ResolveHost(const std::u16string& AHost, TIdIPVersion AIPVersion) {
  if (AIPVersion == Id_IPv4) {
    if (SameText(AHost, u"LOCALHOST")) return u"127.0.0.1";
    if (IsIP(AHost)) return AHost;
    return LookupHostAddress(AHost, AIPVersion);
  }
  if (AIPVersion == Id_IPv6) {
    if (SameText(AHost, u"LOCALHOST")) return u"::1";
    std::u16string normalized = NormalizeIPv6Literal(AHost);
    if (!normalized.empty()) return normalized;
    return LookupHostAddress(AHost, AIPVersion);
  }
  throw EIdIPVersionUnsupported(u"The requested IPVersion / Address family is not supported.");
}

int TIdStack::Receive(TIdStackSocketHandle ASocket, TIdBytes& VBuffer) {
  return Receive(ASocket, VBuffer.data(), static_cast<int>(VBuffer.size()));
}

int TIdStack::Send(TIdStackSocketHandle ASocket, const TIdBytes& ABuffer, int AOffset, int ASize) {
  if (AOffset < 0 || static_cast<size_t>(AOffset) > ABuffer.size()) return 0;
  const int available = static_cast<int>(ABuffer.size()) - AOffset;
  const int size = ASize < 0 ? available : std::min(ASize, available);
  if (size <= 0) return 0;
  return Send(ASocket, ABuffer.data() + AOffset, size);
}

uint16_t TIdStack::HostToNetwork(uint16_t AValue) {
  return htons(AValue);
}
uint32_t TIdStack::HostToNetwork(uint32_t AValue) {
  return htonl(AValue);
}
uint64_t TIdStack::HostToNetwork(uint64_t AValue) {
  return (uint64_t(htonl(uint32_t(AValue))) << 32) | htonl(uint32_t(AValue >> 32));
}
TIdIPv6Address TIdStack::HostToNetwork(const TIdIPv6Address& AValue) {
  TIdIPv6Address result;
  for (int i = 0; i < 8; ++i) result.Words[i] = htons(AValue.Words[i]);
  return result;
}

int TIdStack::CheckForSocketError(int AResult) {
  if (AResult == Id_SOCKET_ERROR) RaiseLastSocketError();
  return AResult;
}

int TIdStack::CheckForSocketError(int AResult, std::initializer_list<int> AIgnore) {
  if (AResult != Id_SOCKET_ERROR) return AResult;
  const int err = WSGetLastError();
  if (std::find(AIgnore.begin(), AIgnore.end(), err) != AIgnore.end()) return err;
  RaiseSocketError(err);
}

void TIdStack::RaiseLastSocketError() {
  RaiseSocketError(WSGetLastError());
}

void TIdStack::RaiseSocketError(int AErr) {
  std::u16string message = WSTranslateSocketErrorMsg(AErr);
  if (AErr == Id_WSAENOTSOCK) throw EIdNotASocket(AErr, std::move(message));
  throw EIdSocketError(AErr, std::move(message));
}

std::u16string TIdStack::WSTranslateSocketErrorMsg(int AErr) {
  return Format(u"Socket Error # %d\r\n%s", AErr, IdSocketErrorText(AErr));
}

// --- TIdStackUnix --------------------------------------------------------------------------------

TIdStackUnix::TIdStackUnix() = default;

int TIdStackUnix::WSGetLastError() {
  return IdTranslateErrno(errno);
}

TIdStackSocketHandle TIdStackUnix::NewSocketHandle(int ASocketType, int AProtocol,
                                                   TIdIPVersion AIPVersion, bool ANonBlocking) {
  if (AIPVersion != Id_IPv4 && AIPVersion != Id_IPv6)
    throw EIdIPVersionUnsupported(u"The requested IPVersion / Address family is not supported.");
  const int family = AIPVersion == Id_IPv6 ? AF_INET6 : AF_INET;
  const int type = ASocketType | SOCK_CLOEXEC | (ANonBlocking ? SOCK_NONBLOCK : 0);
  const int handle = ::socket(family, type, AProtocol);
  if (handle < 0) RaiseLastSocketError();
  return handle;
}

void TIdStackUnix::Bind(TIdStackSocketHandle ASocket, const std::u16string& AIP, uint16_t APort,
                        TIdIPVersion AIPVersion) {
  sockaddr_storage addr;
  const socklen_t len = MakeSockAddr(AIP, APort, AIPVersion, addr);
  if (::bind(ASocket, reinterpret_cast<sockaddr*>(&addr), len) != 0) RaiseLastSocketError();
}

void TIdStackUnix::Connect(TIdStackSocketHandle ASocket, const std::u16string& AIP, uint16_t APort,
                           TIdIPVersion AIPVersion) {
  sockaddr_storage addr;
  const socklen_t len = MakeSockAddr(AIP, APort, AIPVersion, addr);
  if (::connect(ASocket, reinterpret_cast<sockaddr*>(&addr), len) == 0) return;
  if (errno != EINTR) RaiseLastSocketError();
  // An interrupted connect goes on in the background: wait for it and fetch its outcome.
  pollfd fd{ASocket, POLLOUT, 0};
  while (::poll(&fd, 1, -1) < 0)
    if (errno != EINTR) RaiseLastSocketError();
  int err = 0;
  socklen_t errLen = sizeof(err);
  if (::getsockopt(ASocket, SOL_SOCKET, SO_ERROR, &err, &errLen) != 0) RaiseLastSocketError();
  if (err != 0) RaiseErrno(err);
}

void TIdStackUnix::Disconnect(TIdStackSocketHandle ASocket, int ALingerState) {
  // Closing never raises: it runs on clean-up paths, and the descriptor is gone either way.
  if (ALingerState < 0) {
    ::shutdown(ASocket, SHUT_WR);
  } else {
    linger value{1, ALingerState};
    ::setsockopt(ASocket, SOL_SOCKET, SO_LINGER, &value, sizeof(value));
  }
  ::close(ASocket);
}

int TIdStackUnix::WSShutdown(TIdStackSocketHandle ASocket, int AHow) {
  const int how = AHow == Id_SD_Recv ? SHUT_RD : AHow == Id_SD_Send ? SHUT_WR : SHUT_RDWR;
  return ::shutdown(ASocket, how);
}

int TIdStackUnix::Receive(TIdStackSocketHandle ASocket, uint8_t* VBuffer, int ALength) {
  while (true) {
    const ssize_t n = ::recv(ASocket, VBuffer, static_cast<size_t>(ALength), 0);
    if (n >= 0) return static_cast<int>(n);
    if (errno != EINTR) RaiseLastSocketError();
  }
}

int TIdStackUnix::Send(TIdStackSocketHandle ASocket, const uint8_t* ABuffer, int ASize) {
  while (true) {
    const ssize_t n = ::send(ASocket, ABuffer, static_cast<size_t>(ASize), MSG_NOSIGNAL);
    if (n >= 0) return static_cast<int>(n);
    if (errno != EINTR) RaiseLastSocketError();
  }
}

void TIdStackUnix::GetSocketName(TIdStackSocketHandle ASocket, std::u16string& VIP, uint16_t& VPort,
                                 TIdIPVersion& VIPVersion) {
  sockaddr_storage addr{};
  socklen_t len = sizeof(addr);
  if (::getsockname(ASocket, reinterpret_cast<sockaddr*>(&addr), &len) != 0) RaiseLastSocketError();
  ReadSockAddr(addr, VIP, VPort, VIPVersion);
}

void TIdStackUnix::GetPeerName(TIdStackSocketHandle ASocket, std::u16string& VIP, uint16_t& VPort,
                               TIdIPVersion& VIPVersion) {
  sockaddr_storage addr{};
  socklen_t len = sizeof(addr);
  if (::getpeername(ASocket, reinterpret_cast<sockaddr*>(&addr), &len) != 0) RaiseLastSocketError();
  ReadSockAddr(addr, VIP, VPort, VIPVersion);
}

void TIdStackUnix::GetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                                   int& VOptVal) {
  socklen_t len = sizeof(VOptVal);
  if (::getsockopt(ASocket, ALevel, AOptName, &VOptVal, &len) != 0) RaiseLastSocketError();
}

void TIdStackUnix::SetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                                   int AOptVal) {
  SetSocketOption(ASocket, ALevel, AOptName, &AOptVal, sizeof(AOptVal));
}

void TIdStackUnix::SetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                                   const void* AOptVal, int AOptLen) {
  if (::setsockopt(ASocket, ALevel, AOptName, AOptVal, static_cast<socklen_t>(AOptLen)) != 0)
    RaiseLastSocketError();
}

std::u16string TIdStackUnix::LookupHostAddress(const std::u16string& AHost,
                                               TIdIPVersion AIPVersion) {
  const std::string host = IdHostNameToASCII(AHost);
  // Names under the reserved "invalid" top-level domain never resolve (RFC 6761): answer here
  // instead of sending the question to a name server. A name with a NUL cannot be asked for.
  if (EndsWithInvalidTLD(host) || host.find('\0') != std::string::npos)
    RaiseSocketError(Id_WSAHOST_NOT_FOUND);
  addrinfo hints{};
  hints.ai_family = AIPVersion == Id_IPv6 ? AF_INET6 : AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &list);
  const int savedErrno = errno;
  std::unique_ptr<addrinfo, void (*)(addrinfo*)> holder(list, [](addrinfo* p) {
    if (p) ::freeaddrinfo(p);
  });
  if (rc != 0) RaiseSocketError(IdTranslateResolverError(rc, savedErrno));
  if (!list || !list->ai_addr) RaiseSocketError(Id_WSANO_DATA);
  sockaddr_storage addr{};
  std::memcpy(&addr, list->ai_addr, std::min<size_t>(list->ai_addrlen, sizeof(addr)));
  std::u16string ip;
  uint16_t port;
  TIdIPVersion version;
  ReadSockAddr(addr, ip, port, version);
  return ip;
}
