// TIdIOHandler: turns a raw transport into a buffered stream of lines, counted byte blocks,
// network-order integers and streams, with read time-outs, a line-length limit, optional write
// buffering, interceptors that see every block, and read/write progress events. Concrete
// handlers (sockets, TLS) supply the transport through the protected virtual operations; the
// class registry lets the TCP client create the default handler or one of a given kind.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/ozkStream.h"
#include "base/ozkStringList.h"
#include "net/ozkIdBuffer.h"
#include "net/ozkIdComponent.h"
#include "net/ozkIdGlobal.h"
#include "net/ozkIdIntercept.h"
#include "net/ozkIdStack.h"

enum TIdMaxLineAction { maException = 0, maSplit = 1 };

constexpr int IdMaxLineLengthDefault = 16384;
constexpr int IdRecvBufferSizeDefault = 32768;
constexpr int IdSendBufferSizeDefault = 32768;
constexpr int IdMaxFailCountDefault = 2147483647;

class TIdIOHandler;

// A class reference for the handler registry: its name, its base class and how to create an
// instance (nullptr for abstract classes). Every handler class has one, returned by its static
// ClassType(); class references live for the whole process.
class TIdIOHandlerClassInfo {
 public:
  using TCreate = TIdIOHandler* (*)(TComponent* AOwner);
  TIdIOHandlerClassInfo(std::u16string AName, const TIdIOHandlerClassInfo* AParent, TCreate ACreate)
      : FName(std::move(AName)), FParent(AParent), FCreate(ACreate) {}

  const std::u16string& ClassName() const { return FName; }
  const TIdIOHandlerClassInfo* Parent() const { return FParent; }
  bool IsAbstract() const { return FCreate == nullptr; }
  // True for this class and every class that descends from ABase.
  bool InheritsFrom(const TIdIOHandlerClassInfo* ABase) const;
  // A new instance, owned by AOwner when one is given, else by the caller.
  TIdIOHandler* Create(TComponent* AOwner) const { return FCreate ? FCreate(AOwner) : nullptr; }

 private:
  std::u16string FName;
  const TIdIOHandlerClassInfo* FParent;
  TCreate FCreate;
};
using TIdIOHandlerClass = const TIdIOHandlerClassInfo*;

// Helper for ClassType(): `static TIdIOHandlerClass ClassType() { static const
// TIdIOHandlerClassInfo info(u"TMyHandler", TBase::ClassType(), &IdCreateIOHandler<TMyHandler>);
// return &info; }`.
template <typename T> TIdIOHandler* IdCreateIOHandler(TComponent* AOwner) {
  return new T(AOwner);
}

// Time-outs are in milliseconds. Where an operation takes a time-out, IdTimeoutDefault (-1)
// stands for ReadTimeout(); a ReadTimeout of -1 or 0 means waiting without limit; an explicit 0
// means one poll without waiting.
//
// Text operations given no encoding use DefStringEncoding() (ASCII unless set).
//
// Failures leave the bytes already received in the input buffer. Messages:
// EIdConnClosedGracefully "Connection Closed Gracefully.", EIdReadTimeout "Read timed out.",
// EIdNotConnected "Not Connected", EIdClosedSocket "Disconnected.",
// EIdReadLnMaxLineLengthExceeded "Max line length exceeded.", and the others named at each
// operation. Transport errors (socket, TLS) pass through unchanged.
//
// A handler, its buffers and its interceptor chain are used by one thread at a time.
class TIdIOHandler : public TIdComponent {
 public:
  explicit TIdIOHandler(TComponent* AOwner = nullptr);
  ~TIdIOHandler() override;

  static TIdIOHandlerClass ClassType();

  // --- Class registry ---
  // Adds a class once (later registrations of the same class change nothing).
  static void RegisterIOHandler(TIdIOHandlerClass AClass);
  // Makes AClass the default and registers it. TIdIOHandlerStack is the default at start.
  static void SetDefaultClass(TIdIOHandlerClass AClass);
  static TIdIOHandlerClass DefaultClass();
  // A new instance of the default class; the caller owns it.
  static std::unique_ptr<TIdIOHandler> MakeDefaultIOHandler();
  // A new instance owned by AOwner (freed with it).
  static TIdIOHandler* MakeDefaultIOHandler(TComponent& AOwner);
  // An instance of the most recently registered class that descends from ABaseType, or none.
  static std::unique_ptr<TIdIOHandler> TryMakeIOHandler(TIdIOHandlerClass ABaseType);
  static TIdIOHandler* TryMakeIOHandler(TIdIOHandlerClass ABaseType, TComponent& AOwner);
  // As TryMakeIOHandler, but raises EIdException "No IOHandler of type %s is installed.".
  static std::unique_ptr<TIdIOHandler> MakeIOHandler(TIdIOHandlerClass ABaseType);
  static TIdIOHandler* MakeIOHandler(TIdIOHandlerClass ABaseType, TComponent& AOwner);

  // --- State ---
  // Clears both buffers and the closed flag and opens the handler.
  virtual void Open();
  // Tells the interceptor (Disconnect), then closes; the write buffer is emptied either way.
  virtual void Close();
  // Marks the connection as ended by this side; the transport closes on the next check.
  virtual void CloseGracefully();
  // Open, and either not closed or still holding buffered bytes.
  virtual bool Connected();
  // Notices a closed connection; raises EIdConnClosedGracefully when asked and the input buffer
  // is empty (or AIgnoreBuffer).
  virtual void CheckForDisconnect(bool ARaiseExceptionIfDisconnected = true,
                                  bool AIgnoreBuffer = false) = 0;
  // Waits up to AMSec for data; false in the base class.
  virtual bool Readable(int AMSec = IdTimeoutDefault);
  virtual void AfterAccept() {}

  // --- Reading ---
  // The one place where bytes enter the input buffer. Returns the bytes added, 0 when the
  // connection closed, or -1 on a time-out that was not raised.
  int FillInputBuffer(bool ARaiseExceptionIfDisconnected = true, int ATimeout = IdTimeoutDefault,
                      bool ARaiseOnTimeout = true);
  // True when bytes arrived (or had arrived) while connected, waiting up to ATimeout.
  virtual bool CheckForDataOnSource(int ATimeout = 0);

  // A line without its terminator (empty ATerminator: LF; with LF a CR before it is dropped as
  // well). AMaxLineLength < 0 means MaxLineLength(). On a time-out the result is empty and
  // ReadLnTimedOut() is true; a line longer than the limit raises under maException and is cut
  // (ReadLnSplit() true) under maSplit. A peer that closes before the terminator ends the read
  // with EIdConnClosedGracefully, the partial line staying buffered.
  virtual std::u16string ReadLn(const std::u16string& ATerminator, int ATimeout = IdTimeoutDefault,
                                int AMaxLineLength = -1,
                                const IIdTextEncodingPtr& AByteEncoding = nullptr);
  std::u16string ReadLn(const IIdTextEncodingPtr& AByteEncoding = nullptr) {
    return ReadLn(u"\n", IdTimeoutDefault, -1, AByteEncoding);
  }
  std::u16string ReadLn(const std::u16string& ATerminator,
                        const IIdTextEncodingPtr& AByteEncoding) {
    return ReadLn(ATerminator, IdTimeoutDefault, -1, AByteEncoding);
  }
  // A line equal to ADelim sets VMsgEnd; otherwise a leading ".." loses one dot.
  std::u16string ReadLnRFC(bool& VMsgEnd, const std::u16string& ALineTerminator = u"\n",
                           const std::u16string& ADelim = u".",
                           const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // ReadLn under maSplit for this one call.
  std::u16string ReadLnSplit(bool& AWasSplit, const std::u16string& ATerminator = u"\n",
                             int ATimeout = IdTimeoutDefault, int AMaxLineLength = -1,
                             const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // The first non-empty trimmed line of at most AFailCount; EIdReadTimeout after a timed-out
  // line, EIdReadLnWaitMaxAttemptsExceeded "Max line read attempts exceeded." after AFailCount
  // empty ones.
  virtual std::u16string ReadLnWait(int AFailCount = IdMaxFailCountDefault,
                                    const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // AReadLinesCount < 0: the count comes first as a 32-bit network-order integer.
  void ReadStrings(TStringList& ADest, int AReadLinesCount = -1,
                   const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // Lines up to (not including) one equal to ADelim; an empty ADelim stops at the first empty
  // line. Raises EIdMaxCaptureLineExceeded "Maximum number of line allowed exceeded" past
  // MaxCapturedLines(), and EIdReadTimeout when a line read times out.
  void Capture(TStringList& ADest, int& VLineCount, const std::u16string& ADelim = u".",
               bool AUsesDotTransparency = true, const IIdTextEncodingPtr& AByteEncoding = nullptr);
  void Capture(TStream& ADest, int& VLineCount, const std::u16string& ADelim = u".",
               bool AUsesDotTransparency = true, const IIdTextEncodingPtr& AByteEncoding = nullptr);
  void Capture(TStringList& ADest, const std::u16string& ADelim = u".",
               bool AUsesDotTransparency = true, const IIdTextEncodingPtr& AByteEncoding = nullptr);
  void Capture(TStream& ADest, const std::u16string& ADelim = u".",
               bool AUsesDotTransparency = true, const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // Consumes and returns everything before AString (see the unit's notes on ARemoveFromBuffer
  // and AInclusive).
  std::u16string WaitFor(const std::u16string& AString, bool ARemoveFromBuffer = true,
                         bool AInclusive = false, const IIdTextEncodingPtr& AByteEncoding = nullptr,
                         int ATimeout = IdTimeoutDefault);
  // Terminal-style line input with echo, mask, backspace and tab expansion.
  virtual std::u16string InputLn(const std::u16string& AMask = u"", bool AEcho = true,
                                 int ATabWidth = 8, int AMaxLineLength = -1,
                                 const IIdTextEncodingPtr& AByteEncoding = nullptr);

  // AByteCount > 0 waits for that many bytes; < 0 takes whatever is buffered (waiting for some
  // when nothing is); 0 reads nothing.
  virtual void ReadBytes(TIdBytes& VBuffer, int AByteCount, bool AAppend = true);
  std::u16string ReadString(int ABytes, const IIdTextEncodingPtr& AByteEncoding = nullptr);
  char16_t ReadChar(const IIdTextEncodingPtr& AByteEncoding = nullptr);
  uint8_t ReadByte();
  // AConvert: network to host byte order.
  uint16_t ReadUInt16(bool AConvert = true);
  uint16_t ReadWord(bool AConvert = true) { return ReadUInt16(AConvert); }
  int16_t ReadInt16(bool AConvert = true) { return static_cast<int16_t>(ReadUInt16(AConvert)); }
  int16_t ReadSmallInt(bool AConvert = true) { return ReadInt16(AConvert); }
  uint32_t ReadUInt32(bool AConvert = true);
  uint32_t ReadLongWord(bool AConvert = true) { return ReadUInt32(AConvert); }
  int32_t ReadInt32(bool AConvert = true) { return static_cast<int32_t>(ReadUInt32(AConvert)); }
  int32_t ReadLongInt(bool AConvert = true) { return ReadInt32(AConvert); }
  uint64_t ReadUInt64(bool AConvert = true);
  int64_t ReadInt64(bool AConvert = true) { return static_cast<int64_t>(ReadUInt64(AConvert)); }

  // AByteCount -1 (without AReadUntilDisconnect): the count is read first (64-bit with
  // LargeStream, else 32-bit). A negative count reads until the peer closes. AStream may be
  // null: the bytes are then dropped. A counted read whose peer closes early raises
  // EIdConnClosedGracefully with the bytes so far already in the stream; EIdIOHandlerStream-
  // DataTooLarge "Data is too large for stream" when the count cannot fit behind the position.
  virtual void ReadStream(TStream* AStream, int64_t AByteCount = -1,
                          bool AReadUntilDisconnect = false);
  void Discard(int64_t AByteCount);
  void DiscardAll();
  // Everything until the peer closes, decoded.
  virtual std::u16string AllData(const IIdTextEncodingPtr& AByteEncoding = nullptr);

  bool InputBufferIsEmpty() const { return FInputBuffer.Size() == 0; }
  std::u16string InputBufferAsString(const IIdTextEncodingPtr& AByteEncoding = nullptr);
  void InputBufferToStream(TStream& AStream, int AByteCount = -1);
  TIdBuffer& InputBuffer() { return FInputBuffer; }

  // --- Writing ---
  // ALength < 0: everything from AOffset. Goes to the write buffer while buffering is active,
  // else straight to the transport.
  virtual void Write(const TIdBytes& ABuffer, int ALength = -1, int AOffset = 0);
  // Nothing for empty text.
  virtual void Write(std::u16string_view AOut, const IIdTextEncodingPtr& AByteEncoding = nullptr);
  void Write(char16_t AValue, const IIdTextEncodingPtr& AByteEncoding = nullptr);
  void Write(uint8_t AValue);
  void Write(int8_t AValue);
  // AConvert: host to network byte order.
  void Write(uint16_t AValue, bool AConvert = true);
  void Write(int16_t AValue, bool AConvert = true);
  void Write(uint32_t AValue, bool AConvert = true);
  void Write(int32_t AValue, bool AConvert = true);
  void Write(uint64_t AValue, bool AConvert = true);
  void Write(int64_t AValue, bool AConvert = true);
  // Each line with WriteLn, the count first (32-bit) when asked; the whole list leaves in one
  // transport write unless write buffering was already open.
  virtual void Write(const TStringList& AValue, bool AWriteLinesCount = false,
                     const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // ASize < 0: from the position to the end; 0: the whole stream after rewinding; more: that
  // many bytes. AWriteByteCount writes the size first. Raises EIdNoDataToRead "No data to
  // read." when the stream ends early and EIdIOHandlerRequiresLargeStream "Set LargeStream to
  // True to send streams greater than 2GB".
  virtual void Write(TStream& AStream, int64_t ASize = 0, bool AWriteByteCount = false);
  virtual void WriteLn(std::u16string_view AOut = u"",
                       const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // A line starting with "." gets another "." in front.
  virtual void WriteLnRFC(std::u16string_view AOut = u"",
                          const IIdTextEncodingPtr& AByteEncoding = nullptr);
  void WriteRFCStrings(const TStringList& AStrings, bool AWriteTerminator = true,
                       const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // Sends a whole file and returns its size; EIdFileNotFound File "<name>" not found.
  virtual int64_t WriteFile(const std::u16string& AFile, bool AEnableTransferFile = false);
  // Sends now (after the interceptor), bypassing write buffering.
  virtual void WriteDirect(const TIdBytes& ABuffer, int ALength = -1, int AOffset = 0);

  // AThreshold > 0: flush in chunks of that size whenever that many bytes are buffered;
  // otherwise only WriteBufferClose (or an explicit flush) sends.
  virtual void WriteBufferOpen(int AThreshold = -1);
  virtual void WriteBufferFlush(int AByteCount = -1);
  virtual void WriteBufferClose();
  virtual void WriteBufferCancel();
  virtual void WriteBufferClear();
  bool WriteBufferingActive() const { return FWriteBuffer != nullptr; }

  // --- Properties ---
  virtual std::u16string Destination() const { return FDestination; }
  virtual void SetDestination(const std::u16string& AValue) { FDestination = AValue; }
  const std::u16string& Host() const { return FHost; }
  virtual void SetHost(const std::u16string& AValue) { FHost = AValue; }
  int Port() const { return FPort; }
  virtual void SetPort(int AValue) { FPort = AValue; }
  // Non-owning; cleared when the interceptor is destroyed.
  TIdConnectionIntercept* Intercept() const { return FIntercept; }
  virtual void SetIntercept(TIdConnectionIntercept* AValue);
  int MaxLineLength() const { return FMaxLineLength; }
  void SetMaxLineLength(int AValue) { FMaxLineLength = AValue; }
  TIdMaxLineAction MaxLineAction() const { return FMaxLineAction; }
  void SetMaxLineAction(TIdMaxLineAction AValue) { FMaxLineAction = AValue; }
  int MaxCapturedLines() const { return FMaxCapturedLines; }
  void SetMaxCapturedLines(int AValue) { FMaxCapturedLines = AValue; }
  int RecvBufferSize() const { return FRecvBufferSize; }
  void SetRecvBufferSize(int AValue) { FRecvBufferSize = AValue > 0 ? AValue : 1; }
  int SendBufferSize() const { return FSendBufferSize; }
  void SetSendBufferSize(int AValue) { FSendBufferSize = AValue > 0 ? AValue : 1; }
  int ReadTimeout() const { return FReadTimeOut; }
  void SetReadTimeout(int AValue) { FReadTimeOut = AValue; }
  int ConnectTimeout() const { return FConnectTimeout; }
  void SetConnectTimeout(int AValue) { FConnectTimeout = AValue; }
  bool LargeStream() const { return FLargeStream; }
  void SetLargeStream(bool AValue) { FLargeStream = AValue; }
  const IIdTextEncodingPtr& DefStringEncoding() const { return FDefStringEncoding; }
  // None stores the default encoding (ASCII).
  void SetDefStringEncoding(const IIdTextEncodingPtr& AValue);
  int WriteBufferThreshold() const { return FWriteBufferThreshold; }
  bool ReadLnSplit() const { return FReadLnSplit; }
  bool ReadLnTimedOut() const { return FReadLnTimedOut; }
  bool Opened() const { return FOpened; }
  bool ClosedGracefully() const { return FClosedGracefully; }

 protected:
  // --- Transport operations of concrete handlers ---
  // Reads at most ALength bytes into VBuffer; returns the count, 0 when the peer has closed, a
  // negative value on failure (or raises).
  virtual int ReceiveFromTransport(uint8_t* VBuffer, int ALength) = 0;
  // Writes up to ALength bytes of ABuffer from AOffset; returns the count written, 0 when
  // closed, negative on failure (or raises).
  virtual int SendToTransport(const TIdBytes& ABuffer, int AOffset, int ALength) = 0;
  // A transport handle exists.
  virtual bool TransportIsAvailable() = 0;
  // Given a negative result, returns the error number when it is one treated as a disconnect or
  // a time-out, else raises.
  virtual int TranslateTransportError(int AResult) = 0;
  // Raises the exception for an error number.
  virtual void RaiseTransportError(int AErr) = 0;

  // The wait before each transport read of FillInputBuffer: Readable(ATimeout) here. A
  // transport whose receive blocks until data arrives may answer true at once for a wait
  // without limit (IdTimeoutInfinite), saving a readiness call per read.
  virtual bool ReadableBeforeReceive(int ATimeout) { return Readable(ATimeout); }
  // The core behind every Capture form; raises EIdObjectTypeNotSupported "Object type not
  // supported." when neither destination is given.
  virtual void PerformCapture(TStringList* ADestList, TStream* ADestStream, int& VLineCount,
                              const std::u16string& ADelim, bool AUsesDotTransparency,
                              const IIdTextEncodingPtr& AByteEncoding);
  void Notification(TComponent* AComponent, TOperation AOperation) override;

  // The handler's resolved wait: IdTimeoutInfinite for no limit, else milliseconds.
  int ResolveTimeout(int ATimeout) const;
  void WaitForInputBytes(int AByteCount);

  TIdBuffer FInputBuffer;
  std::unique_ptr<TIdBuffer> FWriteBuffer;
  int FWriteBufferThreshold = 0;
  IIdTextEncodingPtr FDefStringEncoding;
  int FReadTimeOut = IdTimeoutDefault;
  int FConnectTimeout = 0;
  int FRecvBufferSize = IdRecvBufferSizeDefault;
  int FSendBufferSize = IdSendBufferSizeDefault;
  int FMaxLineLength = IdMaxLineLengthDefault;
  TIdMaxLineAction FMaxLineAction = maException;
  int FMaxCapturedLines = -1;
  bool FLargeStream = false;
  bool FReadLnSplit = false;
  bool FReadLnTimedOut = false;
  bool FOpened = false;
  bool FClosedGracefully = false;
  std::u16string FHost;
  int FPort = 0;
  std::u16string FDestination;
  TIdConnectionIntercept* FIntercept = nullptr;

 private:
  // One transport read into the input buffer (through the interceptor when there is one).
  // Returns the transport's count.
  int ReceiveIntoInputBuffer();
  // Receive area for reads that pass an interceptor, kept between reads.
  TIdBytes FInterceptScratch;
};
