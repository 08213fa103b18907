// The traffic log: a connection interceptor that turns connects, disconnects and every block
// sent and received into text records (TIdLogBase), appends them to a file (TIdLogFile), and
// serialises the writes with a lock and an optional hexadecimal dump (TozkIdLogFileBase).
//
// Request heads carry credentials, so sent records never show them: the values of the
// "Authorization", "Proxy-Authorization" and "api-key" header lines keep only their scheme word
// and the last four characters of the secret ("Authorization: Bearer ****wxyz"). A log file
// that the writer creates is readable and writable by its owner only.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "base/ozkFormat.h"
#include "base/ozkStream.h"
#include "net/ozkIdGlobal.h"
#include "net/ozkIdIntercept.h"

// AText (one character per byte) with the secrets of credential header lines masked; every
// other character is kept. Secrets of 8 characters or fewer are masked completely.
std::u16string MaskSecretHeaderValues(std::u16string_view AText);

class TIdLogBase : public TIdConnectionIntercept {
 public:
  explicit TIdLogBase(TComponent* AOwner = nullptr);
  ~TIdLogBase() override;

  // "Stat Connected." / "Stat Disconnected." while active; repeated Disconnects without a
  // Connect between them write one record.
  void Connect(TComponent* AConnection) override;
  void Disconnect() override;
  // The chain and OnReceive run first, then the "Recv" record.
  void Receive(TIdBytes& VBuffer) override;
  // The "Sent" record is written first, then OnSend and the chain run.
  void Send(TIdBytes& VBuffer) override;

  bool Active() const { return FActive; }
  // Opens (true) or closes (false) the log when the value changes; while loading or designing
  // only the flag is stored.
  virtual void SetActive(bool AValue);
  // Applies an Active flag that was stored while loading.
  virtual void Loaded();
  bool LogTime() const { return FLogTime; }
  void SetLogTime(bool AValue) { FLogTime = AValue; }
  bool ReplaceCRLF() const { return FReplaceCRLF; }
  void SetReplaceCRLF(bool AValue) { FReplaceCRLF = AValue; }

  // CR LF becomes "<EOL>", then a lone CR "<CR>" and a lone LF "<LF>".
  static std::u16string ReplaceLineEnds(std::u16string_view AText);
  // The local date and time as a record shows it ("2024-12-08 14:05:09").
  static std::u16string DateTimeText();

 protected:
  virtual void LogStatusLine(const std::u16string& AText) = 0;
  virtual void LogReceivedBlock(const std::u16string& ATimeStamp, const std::u16string& AText) = 0;
  virtual void LogSentBlock(const std::u16string& ATimeStamp, const std::u16string& AText) = 0;
  virtual void Open();
  virtual void Close();

  // The time stamp of a data record: the local time with LogTime, else empty.
  std::u16string TimeStamp() const;
  // A block as record data: one character per byte, secrets masked in sent blocks, line ends
  // replaced with ReplaceCRLF.
  std::u16string BlockText(const TIdBytes& ABuffer, bool ASent) const;

  bool FActive = false;
  bool FLogTime = true;
  bool FReplaceCRLF = true;
  // "Disconnected." was written and no Connect came since.
  bool FDisconnectLogged = false;
};

class TIdLogFile : public TIdLogBase {
 public:
  explicit TIdLogFile(TComponent* AOwner = nullptr);
  ~TIdLogFile() override;

  const std::u16string& Filename() const { return FFilename; }
  // Raises EIdException "Unable to set Filename while log file is open." while open.
  void SetFilename(const std::u16string& AValue);

  // Switches the log on when it is off, then writes the time stamp (with LogTime) and the
  // formatted text as one line.
  virtual void LogFormatted(std::u16string_view AFormat, std::initializer_list<TFormatArg> AArgs);
  // Writes AText to the open file, one byte per character ("?" above 255); nothing when closed.
  virtual void LogText(const std::u16string& AText);

  // Permission bits of a log file that Open creates.
  static constexpr uint32_t FileRights = 0600;

 protected:
  void LogStatusLine(const std::u16string& AText) override;
  void LogReceivedBlock(const std::u16string& ATimeStamp, const std::u16string& AText) override;
  void LogSentBlock(const std::u16string& ATimeStamp, const std::u16string& AText) override;
  // Opens Filename for appending (created when missing); others may read but not write it.
  void Open() override;
  void Close() override;

  std::u16string FFilename;
  std::unique_ptr<TFileStream> FFileStream;
};

// The HTTP client's log writer: record writes are serialised by FLock so one writer may be fed
// from several threads; with Raw every block is also dumped in hexadecimal.
class TozkIdLogFileBase : public TIdLogFile {
 public:
  explicit TozkIdLogFileBase(TComponent* AOwner = nullptr);
  ~TozkIdLogFileBase() override;

  void LogText(const std::u16string& AText) override;
  // Records of the caller's own text, always time-stamped, without line-end markers.
  virtual void LogSendString(const std::u16string& AText);
  virtual void LogSendDecodedString(const std::u16string& AText);
  virtual void LogRecvString(const std::u16string& AText);
  virtual void LogRecvDecodedString(const std::u16string& AText);

  bool Raw() const { return FRaw; }
  void SetRaw(bool AValue) { FRaw = AValue; }

 protected:
  void LogStatusLine(const std::u16string& AText) override;
  void LogSentBlock(const std::u16string& ATimeStamp, const std::u16string& AText) override;

  std::recursive_mutex FLock;
  bool FRaw = false;
};
