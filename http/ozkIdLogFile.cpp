#include "http/ozkIdLogFile.h"

#include "base/ozkText.h"
#include "base/ozkTime.h"
#include "net/ozkIdException.h"

namespace {

const char16_t kCRLF[] = u"\r\n";

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

// One line of a sent block with the secret of a credential header masked.
std::u16string MaskLine(std::u16string_view ALine) {
  static const char16_t* const kSecretHeaders[] = {u"Authorization", u"Proxy-Authorization",
                                                   u"api-key"};
  const size_t colon = ALine.find(u':');
  if (colon == std::u16string_view::npos || ALine.empty() || IsBlank(ALine[0]))
    return std::u16string(ALine);
  const std::u16string name = TrimRight(ALine.substr(0, colon));
  bool secret = false;
  for (const char16_t* h : kSecretHeaders) secret = secret || SameText(name, h);
  if (!secret) return std::u16string(ALine);

  size_t valueStart = colon + 1;
  while (valueStart < ALine.size() && IsBlank(ALine[valueStart])) ++valueStart;
  size_t valueEnd = ALine.size();
  while (valueEnd > valueStart && IsBlank(ALine[valueEnd - 1])) --valueEnd;
  if (valueStart >= valueEnd) return std::u16string(ALine);

  // "Scheme credentials": the scheme word stays, the credentials are the secret.
  size_t secretStart = valueStart;
  size_t blank = valueStart;
  while (blank < valueEnd && !IsBlank(ALine[blank])) ++blank;
  if (blank < valueEnd) {
    secretStart = blank;
    while (secretStart < valueEnd && IsBlank(ALine[secretStart])) ++secretStart;
  }
  const std::u16string_view secretText = ALine.substr(secretStart, valueEnd - secretStart);
  std::u16string masked = u"****";
  if (secretText.size() > 8) masked += secretText.substr(secretText.size() - 4);
  return std::u16string(ALine.substr(0, secretStart)) + masked +
         std::u16string(ALine.substr(valueEnd));
}

std::u16string HexText(const TIdBytes& ABytes) {
  static const char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string r;
  r.reserve(ABytes.size() * 2);
  for (uint8_t b : ABytes) {
    r.push_back(kHex[b >> 4]);
    r.push_back(kHex[b & 15]);
  }
  return r;
}

} // namespace

std::u16string MaskSecretHeaderValues(std::u16string_view AText) {
  std::u16string out;
  out.reserve(AText.size());
  size_t i = 0;
  while (i <= AText.size()) {
    const size_t eol = AText.find_first_of(u"\r\n", i);
    const size_t lineEnd = eol == std::u16string_view::npos ? AText.size() : eol;
    out += MaskLine(AText.substr(i, lineEnd - i));
    if (lineEnd >= AText.size()) break;
    out.push_back(AText[lineEnd]);
    i = lineEnd + 1;
  }
  return out;
}

// --- TIdLogBase --------------------------------------------------------------------------------

TIdLogBase::TIdLogBase(TComponent* AOwner) : TIdConnectionIntercept(AOwner) {}

// Subclasses close what they opened in their own destructors; here only the flag goes.
TIdLogBase::~TIdLogBase() {
  FActive = false;
}

void TIdLogBase::SetActive(bool AValue) {
  if ((ComponentState() & (csLoading | csDesigning)) == 0 && AValue != FActive) {
    if (AValue)
      Open();
    else
      Close();
  }
  FActive = AValue;
}

void TIdLogBase::Loaded() {
  if (FActive && (ComponentState() & csDesigning) == 0) Open();
}

void TIdLogBase::Open() {}

void TIdLogBase::Close() {}

std::u16string TIdLogBase::DateTimeText() {
  const TLocalDateTime n = LocalNow();
  return Format(u"%04d-%02d-%02d %02d:%02d:%02d", n.Year, n.Month, n.Day, n.Hour, n.Minute,
                n.Second);
}

std::u16string TIdLogBase::TimeStamp() const {
  return FLogTime ? DateTimeText() : std::u16string();
}

std::u16string TIdLogBase::ReplaceLineEnds(std::u16string_view AText) {
  std::u16string r;
  r.reserve(AText.size());
  for (size_t i = 0; i < AText.size(); ++i) {
    const char16_t c = AText[i];
    if (c == u'\r' && i + 1 < AText.size() && AText[i + 1] == u'\n') {
      r += u"<EOL>";
      ++i;
    } else if (c == u'\r') {
      r += u"<CR>";
    } else if (c == u'\n') {
      r += u"<LF>";
    } else {
      r.push_back(c);
    }
  }
  return r;
}

std::u16string TIdLogBase::BlockText(const TIdBytes& ABuffer, bool ASent) const {
  std::u16string text = BytesToRawText(ABuffer);
  if (ASent) text = MaskSecretHeaderValues(text);
  return FReplaceCRLF ? ReplaceLineEnds(text) : text;
}

void TIdLogBase::Connect(TComponent* AConnection) {
  TIdConnectionIntercept::Connect(AConnection);
  FDisconnectLogged = false;
  if (FActive) LogStatusLine(u"Connected.");
}

void TIdLogBase::Disconnect() {
  TIdConnectionIntercept::Disconnect();
  // A handler closes again when it is destroyed after a disconnect or a failed open; one
  // connection end gets one record.
  if (FActive && !FDisconnectLogged) {
    LogStatusLine(u"Disconnected.");
    FDisconnectLogged = true;
  }
}

void TIdLogBase::Receive(TIdBytes& VBuffer) {
  TIdConnectionIntercept::Receive(VBuffer);
  if (FActive) LogReceivedBlock(TimeStamp(), BlockText(VBuffer, false));
}

void TIdLogBase::Send(TIdBytes& VBuffer) {
  if (FActive) LogSentBlock(TimeStamp(), BlockText(VBuffer, true));
  TIdConnectionIntercept::Send(VBuffer);
}

// --- TIdLogFile --------------------------------------------------------------------------------

TIdLogFile::TIdLogFile(TComponent* AOwner) : TIdLogBase(AOwner) {}

TIdLogFile::~TIdLogFile() {
  FFileStream.reset();
  FActive = false;
}

void TIdLogFile::SetFilename(const std::u16string& AValue) {
  if (FFileStream) throw EIdException(u"Unable to set Filename while log file is open.");
  FFilename = AValue;
}

void TIdLogFile::Open() {
  if (IsDesigning()) return;
  // The traffic holds request heads: a new log file is private to its owner.
  FFileStream = std::make_unique<TIdAppendFileStream>(FFilename, FileRights);
}

void TIdLogFile::Close() {
  FFileStream.reset();
}

void TIdLogFile::LogText(const std::u16string& AText) {
  if (!FFileStream || AText.empty()) return;
  std::string bytes(AText.size(), '?');
  for (size_t i = 0; i < AText.size(); ++i)
    if (AText[i] <= 0xFF) bytes[i] = static_cast<char>(AText[i]);
  FFileStream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TIdLogFile::LogStatusLine(const std::u16string& AText) {
  LogText(u"Stat " + AText + kCRLF);
}

void TIdLogFile::LogReceivedBlock(const std::u16string& ATimeStamp, const std::u16string& AText) {
  LogText(u"Recv " + ATimeStamp + u": " + AText + kCRLF);
}

void TIdLogFile::LogSentBlock(const std::u16string& ATimeStamp, const std::u16string& AText) {
  LogText(u"Sent " + ATimeStamp + u": " + AText + kCRLF);
}

void TIdLogFile::LogFormatted(std::u16string_view AFormat,
                              std::initializer_list<TFormatArg> AArgs) {
  if (!FActive) SetActive(true);
  std::u16string text = FormatArgs(AFormat, AArgs);
  if (FReplaceCRLF) text = ReplaceLineEnds(text);
  LogText((FLogTime ? DateTimeText() + u" " : std::u16string()) + text + kCRLF);
}

// --- TozkIdLogFileBase -------------------------------------------------------------------------

TozkIdLogFileBase::TozkIdLogFileBase(TComponent* AOwner) : TIdLogFile(AOwner) {
  // The raw dump: a received block's hex record precedes its normal record (the event runs
  // before it), a sent block's follows it (the event runs after it).
  OnReceive = [this](TIdConnectionIntercept*, TIdBytes& ABuffer) {
    if (FRaw) LogRecvString(u"[ozkHexRCV]" + HexText(ABuffer));
  };
  OnSend = [this](TIdConnectionIntercept*, TIdBytes& ABuffer) {
    if (!FRaw) return;
    const std::u16string masked = MaskSecretHeaderValues(BytesToRawText(ABuffer));
    TIdBytes bytes(masked.begin(), masked.end());
    LogSendString(u"[ozkHexSND]" + HexText(bytes));
  };
}

TozkIdLogFileBase::~TozkIdLogFileBase() {
  OnReceive = nullptr;
  OnSend = nullptr;
}

void TozkIdLogFileBase::LogText(const std::u16string& AText) {
  std::lock_guard<std::recursive_mutex> lock(FLock);
  TIdLogFile::LogText(AText);
}

void TozkIdLogFileBase::LogStatusLine(const std::u16string& AText) {
  std::lock_guard<std::recursive_mutex> lock(FLock);
  TIdLogFile::LogStatusLine(AText);
}

void TozkIdLogFileBase::LogSentBlock(const std::u16string& ATimeStamp,
                                     const std::u16string& AText) {
  std::lock_guard<std::recursive_mutex> lock(FLock);
  TIdLogFile::LogSentBlock(ATimeStamp, AText);
}

void TozkIdLogFileBase::LogSendString(const std::u16string& AText) {
  LogSentBlock(DateTimeText(), MaskSecretHeaderValues(AText));
}

void TozkIdLogFileBase::LogSendDecodedString(const std::u16string& AText) {
  LogText(u"Sent " + DateTimeText() + u": " + MaskSecretHeaderValues(AText) + kCRLF);
}

void TozkIdLogFileBase::LogRecvString(const std::u16string& AText) {
  LogReceivedBlock(DateTimeText(), AText);
}

void TozkIdLogFileBase::LogRecvDecodedString(const std::u16string& AText) {
  LogText(u"Recv " + DateTimeText() + u": " + AText + kCRLF);
}
