#include "http/ozkIdMultipartFormData.h"

#include <algorithm>
#include <cstring>

#include "base/ozkFileUtils.h"
#include "base/ozkFormat.h"
#include "base/ozkText.h"
#include "http/ozkIdGlobalProtocols.h"

namespace {

const char16_t kUnsupportedObjectType[] =
    u"Unsupported object type. You can assign only one of the following types or their "
    u"descendants: TStrings, TStream.";
const uint8_t kCRLF[] = {'\r', '\n'};
const char kHex[] = "0123456789ABCDEF";

[[noreturn]] void UnsupportedOperation() {
  throw EStreamError(u"Unsupported operation.");
}

// A read-only stream that encodes another stream while it is read, holding only one block.
class TEncoderStream : public TStream {
 public:
  explicit TEncoderStream(TStream& ASource) : FSource(ASource), FIn(size_t{64} * 1024) {}

  int64_t Read(void* aBuffer, int64_t aCount) override {
    auto* out = static_cast<uint8_t*>(aBuffer);
    int64_t total = 0;
    while (total < aCount) {
      if (FOutPos < FOut.size()) {
        const size_t k =
            std::min<size_t>(FOut.size() - FOutPos, static_cast<size_t>(aCount - total));
        std::memcpy(out + total, FOut.data() + FOutPos, k);
        FOutPos += k;
        total += static_cast<int64_t>(k);
        continue;
      }
      if (FDone) break;
      FOut.clear();
      FOutPos = 0;
      const int64_t n = FSource.Read(FIn.data(), static_cast<int64_t>(FIn.size()));
      if (n <= 0) FDone = true;
      Encode(FIn.data(), n > 0 ? static_cast<size_t>(n) : 0, FDone);
    }
    FProduced += total;
    return total;
  }
  int64_t Write(const void*, int64_t) override { UnsupportedOperation(); }
  int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) override {
    if (aOffset == 0 && aOrigin == TSeekOrigin::soCurrent) return FProduced;
    if (aOffset == 0 && aOrigin == TSeekOrigin::soBeginning) {
      FSource.Seek(0, TSeekOrigin::soBeginning);
      FOut.clear();
      FOutPos = 0;
      FDone = false;
      FProduced = 0;
      ResetState();
      return 0;
    }
    UnsupportedOperation();
  }

  // Number of bytes the source encodes to, counted by encoding it once from its start.
  int64_t CountAll() {
    Seek(0, TSeekOrigin::soBeginning);
    std::vector<uint8_t> sink(size_t{64} * 1024);
    int64_t total = 0, n;
    while ((n = Read(sink.data(), static_cast<int64_t>(sink.size()))) > 0) total += n;
    return total;
  }

 protected:
  // Appends the encoding of the next source block to FOut; aLast marks the end of the source.
  virtual void Encode(const uint8_t* aData, size_t aCount, bool aLast) = 0;
  virtual void ResetState() = 0;

  std::vector<uint8_t> FOut;

 private:
  TStream& FSource;
  std::vector<uint8_t> FIn;
  size_t FOutPos = 0;
  bool FDone = false;
  int64_t FProduced = 0;
};

// Base64 in lines of 76 characters (57 source bytes) separated by CR LF, no line end after the
// last line.
class TBase64EncoderStream : public TEncoderStream {
 public:
  using TEncoderStream::TEncoderStream;
  static constexpr size_t kLineBytes = 57;

  static int64_t EncodedLength(int64_t aCount) {
    if (aCount <= 0) return 0;
    const int64_t lineBytes = static_cast<int64_t>(kLineBytes);
    const int64_t lines = (aCount + lineBytes - 1) / lineBytes;
    return (aCount + 2) / 3 * 4 + 2 * (lines - 1);
  }

 protected:
  void Encode(const uint8_t* aData, size_t aCount, bool aLast) override {
    size_t i = 0;
    if (!FPending.empty()) {
      const size_t take = std::min(kLineBytes - FPending.size(), aCount);
      FPending.insert(FPending.end(), aData, aData + take);
      i = take;
      if (FPending.size() == kLineBytes) {
        EmitLine(FPending.data(), kLineBytes);
        FPending.clear();
      }
    }
    for (; i + kLineBytes <= aCount; i += kLineBytes) EmitLine(aData + i, kLineBytes);
    FPending.insert(FPending.end(), aData + i, aData + aCount);
    if (aLast && !FPending.empty()) {
      EmitLine(FPending.data(), FPending.size());
      FPending.clear();
    }
  }
  void ResetState() override {
    FPending.clear();
    FFirstLine = true;
  }

 private:
  void EmitLine(const uint8_t* aData, size_t aCount) {
    if (!FFirstLine) FOut.insert(FOut.end(), kCRLF, kCRLF + 2);
    FFirstLine = false;
    const size_t at = FOut.size();
    FOut.resize(at + (aCount + 2) / 3 * 4);
    Base64Encode(aData, aCount, FOut.data() + at);
  }

  std::vector<uint8_t> FPending;
  bool FFirstLine = true;
};

// Quoted-printable: source lines end at CR LF and each ends with CR LF in the output, the last
// one included (so an empty source gives one CR LF); "!".."~" except "=" are copied, a "." that
// starts an output line (or follows more than 69 characters of it) is encoded, a space or tab
// is copied unless it ends the line, every other byte is "=XX". A soft line break "=" CR LF
// follows as soon as an output line holds more than 69 characters and the source line goes on.
class TQuotedPrintableEncoderStream : public TEncoderStream {
 public:
  using TEncoderStream::TEncoderStream;

 protected:
  void Encode(const uint8_t* aData, size_t aCount, bool aLast) override {
    for (size_t i = 0; i < aCount; ++i) {
      if (FHeld < 0) {
        FHeld = aData[i];
        continue;
      }
      const bool consumed = Process(static_cast<uint8_t>(FHeld), aData[i]);
      FHeld = consumed ? -1 : aData[i];
    }
    if (aLast) {
      if (FHeld >= 0) Process(static_cast<uint8_t>(FHeld), -1);
      FHeld = -1;
      FOut.insert(FOut.end(), kCRLF, kCRLF + 2);
    }
  }
  void ResetState() override {
    FHeld = -1;
    FLineLength = 0;
  }

 private:
  // Encodes b given the byte after it (-1 at the end); true when that byte was used too.
  bool Process(uint8_t b, int aNext) {
    if (b == '\r' && aNext == '\n') {
      FOut.insert(FOut.end(), kCRLF, kCRLF + 2);
      FLineLength = 0;
      return true;
    }
    bool literal;
    if (b >= '!' && b <= '~' && b != '=')
      literal = !(b == '.' && (FLineLength == 0 || FLineLength > 69));
    else if (b == ' ' || b == '\t')
      literal = aNext >= 0 && aNext != '\r';
    else
      literal = false;
    if (literal) {
      FOut.push_back(b);
      FLineLength += 1;
    } else {
      FOut.push_back('=');
      FOut.push_back(static_cast<uint8_t>(kHex[b >> 4]));
      FOut.push_back(static_cast<uint8_t>(kHex[b & 15]));
      FLineLength += 3;
    }
    if (FLineLength > 69 && aNext >= 0 && aNext != '\r') {
      FOut.push_back('=');
      FOut.insert(FOut.end(), kCRLF, kCRLF + 2);
      FLineLength = 0;
    }
    return false;
  }

  int FHeld = -1;
  int FLineLength = 0;
};

TIdBytes EncodeBytes(TEncoderStream& AEncoder) {
  TIdBytes r;
  uint8_t buf[4096];
  int64_t n;
  while ((n = AEncoder.Read(buf, sizeof buf)) > 0) r.insert(r.end(), buf, buf + n);
  return r;
}

TIdBytes ToBytes(std::u16string_view AText) {
  const std::string utf8 = UTF16ToUTF8(AText);
  return TIdBytes(utf8.begin(), utf8.end());
}

void Append(TIdBytes& ADest, const TIdBytes& ASource) {
  ADest.insert(ADest.end(), ASource.begin(), ASource.end());
}

} // namespace

// --- TIdFormDataField --------------------------------------------------------------------------

TIdFormDataField::TIdFormDataField(TIdFormDataFields* ACollection) : FCollection(ACollection) {}

TIdFormDataField::~TIdFormDataField() = default;

void TIdFormDataField::SetFieldValue(const std::u16string& AValue) {
  FAnnouncedStreamSize = -1;
  FFieldStream = nullptr;
  FOwnedFieldStream.reset();
  FFieldValue = AValue;
}

void TIdFormDataField::SetFieldStream(TStream* AValue) {
  if (AValue != FOwnedFieldStream.get()) FOwnedFieldStream.reset();
  FAnnouncedStreamSize = -1;
  FFieldStream = AValue;
  FFieldValue.clear();
}

void TIdFormDataField::SetOwnedFieldStream(std::unique_ptr<TStream> AValue) {
  FAnnouncedStreamSize = -1;
  FFieldStream = AValue.get();
  FOwnedFieldStream = std::move(AValue);
  FFieldValue.clear();
}

TIdFormDataField::TDataKind TIdFormDataField::DataKind() const {
  const std::u16string t = LowerCase(Trim(FContentTransfer));
  if (t == u"quoted-printable") return TDataKind::QuotedPrintable;
  if (t == u"base64") return TDataKind::Base64;
  return TDataKind::Raw;
}

TIdBytes TIdFormDataField::TextBytes() const {
  const std::u16string t = LowerCase(Trim(FContentTransfer));
  const IIdTextEncodingPtr enc =
      (t.empty() || t == u"7bit") ? TextEncodingOfKind(tek8Bit) : TextEncodingOfCharset(FCharset);
  return TextToBytes(FFieldValue, enc);
}

std::u16string TIdFormDataField::EncodeName(const std::u16string& AName) const {
  // A quote, a backslash or a line break cannot stand as such inside the quoted name either.
  for (char16_t c : AName)
    if (c < 32 || c > 126 || c == u'"' || c == u'\\')
      return EncodeHeaderWords(AName, FHeaderCharSet, FHeaderEncoding);
  return AName;
}

TIdBytes TIdFormDataField::FormatHeader() const {
  const std::u16string boundary = FCollection && FCollection->MultipartFormDataStream()
                                      ? FCollection->MultipartFormDataStream()->Boundary()
                                      : std::u16string();
  std::u16string h = u"--" + boundary + u"\r\n";
  h += u"Content-Disposition: form-data; name=\"" + EncodeName(FFieldName) + u"\"";
  if (!FFileName.empty()) h += u"; filename=\"" + EncodeName(FFileName) + u"\"";
  h += u"\r\n";
  if (!FContentType.empty()) {
    h += u"Content-Type: " + FContentType;
    if (!FCharset.empty()) h += u"; charset=\"" + FCharset + u"\"";
    h += u"\r\n";
  }
  if (!FContentTransfer.empty()) h += u"Content-Transfer-Encoding: " + FContentTransfer + u"\r\n";
  h += u"\r\n";
  return ToBytes(h);
}

int64_t TIdFormDataField::FieldSize() {
  const int64_t header = static_cast<int64_t>(FormatHeader().size());
  const TDataKind kind = DataKind();
  if (FFieldStream) {
    if (kind == TDataKind::Raw) {
      FAnnouncedStreamSize = FFieldStream->Size();
      return header + FAnnouncedStreamSize + 2;
    }
    if (kind == TDataKind::Base64)
      return header + TBase64EncoderStream::EncodedLength(FFieldStream->Size()) + 2;
    const int64_t saved = FFieldStream->Position();
    TQuotedPrintableEncoderStream counter(*FFieldStream);
    const int64_t length = counter.CountAll();
    FFieldStream->Seek(saved, TSeekOrigin::soBeginning);
    return header + length;
  }
  const TIdBytes bytes = TextBytes();
  if (kind == TDataKind::Raw) return header + static_cast<int64_t>(bytes.size()) + 2;
  if (kind == TDataKind::Base64)
    return header + TBase64EncoderStream::EncodedLength(static_cast<int64_t>(bytes.size())) + 2;
  TMemoryStream source;
  source.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  TQuotedPrintableEncoderStream counter(source);
  return header + counter.CountAll();
}

// --- TIdFormDataFields -------------------------------------------------------------------------

TIdFormDataFields::TIdFormDataFields(TIdMultiPartFormDataStream* AMPStream)
    : FParentStream(AMPStream) {}

TIdFormDataFields::~TIdFormDataFields() = default;

TIdFormDataField& TIdFormDataFields::Add() {
  FItems.push_back(std::make_unique<TIdFormDataField>(this));
  return *FItems.back();
}

void TIdFormDataFields::Delete(int AIndex) {
  if (AIndex >= 0 && AIndex < Count()) FItems.erase(FItems.begin() + AIndex);
}

// --- TIdMultiPartFormDataStream ----------------------------------------------------------------

std::u16string TIdMultiPartFormDataStream::GenerateUniqueBoundary(const TLocalDateTime& ATime) {
  return u"--------" + Format(u"%02d%02d%02d%02d%02d%02d%03d", ATime.Month, ATime.Day,
                              ATime.Year % 100, ATime.Hour, ATime.Minute, ATime.Second,
                              ATime.Millisecond);
}

TIdMultiPartFormDataStream::TIdMultiPartFormDataStream()
    : FBoundary(GenerateUniqueBoundary(LocalNow())),
      FRequestContentType(u"multipart/form-data; boundary=" + FBoundary),
      FFields(std::make_unique<TIdFormDataFields>(this)) {}

TIdMultiPartFormDataStream::~TIdMultiPartFormDataStream() {
  // Drop the encoder (it refers to a field's stream) before the fields go.
  FOwnedInputStream.reset();
  FInputStream = nullptr;
}

int64_t TIdMultiPartFormDataStream::Write(const void*, int64_t) {
  UnsupportedOperation();
}

void TIdMultiPartFormDataStream::SetSize(int64_t) {
  UnsupportedOperation();
}

void TIdMultiPartFormDataStream::CloseInputStream() {
  FOwnedInputStream.reset();
  if (FFieldSource) FFieldSource->Seek(0, TSeekOrigin::soBeginning);
  FFieldSource = nullptr;
  FInputStream = nullptr;
  FFreeInputStream = false;
  FRawRemaining = 0;
}

void TIdMultiPartFormDataStream::ResetReading() {
  CloseInputStream();
  FInitialized = false;
  FFinished = false;
  FCurrentItem = 0;
  FInternalBuffer.clear();
  FBufferPos = 0;
  FPosition = 0;
}

void TIdMultiPartFormDataStream::Clear() {
  ResetReading();
  FFields->Clear();
}

void TIdMultiPartFormDataStream::StartField(TIdFormDataField& AField) {
  FInternalBuffer = AField.FormatHeader();
  FBufferPos = 0;
  const auto kind = AField.DataKind();
  if (TStream* src = AField.FieldStream()) {
    src->Seek(0, TSeekOrigin::soBeginning);
    FFieldSource = src;
    if (kind == TIdFormDataField::TDataKind::Raw) {
      // Copied straight into the reader's buffer, bounded by the size the body announced.
      FInputStream = src;
      FFreeInputStream = false;
      FRawRemaining = AField.FAnnouncedStreamSize >= 0 ? AField.FAnnouncedStreamSize : src->Size();
      FTrailer.assign(kCRLF, kCRLF + 2);
    } else {
      if (kind == TIdFormDataField::TDataKind::Base64) {
        FOwnedInputStream = std::make_unique<TBase64EncoderStream>(*src);
        FTrailer.assign(kCRLF, kCRLF + 2);
      } else {
        FOwnedInputStream = std::make_unique<TQuotedPrintableEncoderStream>(*src);
        FTrailer.clear(); // quoted-printable output ends with its own CR LF
      }
      FInputStream = FOwnedInputStream.get();
      FFreeInputStream = true;
      FRawRemaining = -1;
    }
    return;
  }
  // Text values are small: their data joins the header in the buffer.
  const TIdBytes bytes = AField.TextBytes();
  if (kind == TIdFormDataField::TDataKind::Raw) {
    Append(FInternalBuffer, bytes);
    FInternalBuffer.insert(FInternalBuffer.end(), kCRLF, kCRLF + 2);
  } else {
    TMemoryStream source;
    source.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    source.SetPosition(0);
    if (kind == TIdFormDataField::TDataKind::Base64) {
      TBase64EncoderStream encoder(source);
      Append(FInternalBuffer, EncodeBytes(encoder));
      FInternalBuffer.insert(FInternalBuffer.end(), kCRLF, kCRLF + 2);
    } else {
      TQuotedPrintableEncoderStream encoder(source);
      Append(FInternalBuffer, EncodeBytes(encoder));
    }
  }
  ++FCurrentItem;
}

int64_t TIdMultiPartFormDataStream::Read(void* aBuffer, int64_t aCount) {
  if (!FInitialized) {
    ResetReading();
    FInitialized = true;
  }
  auto* out = static_cast<uint8_t*>(aBuffer);
  int64_t total = 0;
  while (total < aCount) {
    if (FBufferPos < FInternalBuffer.size()) {
      const size_t k = std::min<size_t>(FInternalBuffer.size() - FBufferPos,
                                        static_cast<size_t>(aCount - total));
      std::memcpy(out + total, FInternalBuffer.data() + FBufferPos, k);
      FBufferPos += k;
      total += static_cast<int64_t>(k);
      continue;
    }
    if (FInputStream) {
      int64_t want = aCount - total;
      if (FRawRemaining >= 0) want = std::min(want, FRawRemaining);
      const int64_t n = want > 0 ? FInputStream->Read(out + total, want) : 0;
      if (n > 0) {
        total += n;
        if (FRawRemaining >= 0) FRawRemaining -= n;
        continue;
      }
      // A file that shrank under us would make the body shorter than announced.
      if (FRawRemaining > 0) throw EReadError(u"Stream read error");
      CloseInputStream();
      FInternalBuffer = FTrailer;
      FBufferPos = 0;
      ++FCurrentItem;
      continue;
    }
    if (FCurrentItem < FFields->Count()) {
      StartField(FFields->Items(FCurrentItem));
      continue;
    }
    if (!FFinished) {
      FInternalBuffer = ToBytes(u"--" + FBoundary + u"--\r\n");
      FBufferPos = 0;
      FFinished = true;
      continue;
    }
    break;
  }
  FPosition += total;
  return total;
}

int64_t TIdMultiPartFormDataStream::Skip(int64_t ACount) {
  if (!FInitialized) {
    ResetReading();
    FInitialized = true;
  }
  std::vector<uint8_t> scratch;
  int64_t skipped = 0;
  while (skipped < ACount) {
    const int64_t left = ACount - skipped;
    if (FBufferPos < FInternalBuffer.size()) {
      const size_t k =
          std::min<size_t>(FInternalBuffer.size() - FBufferPos, static_cast<size_t>(left));
      FBufferPos += k;
      FPosition += static_cast<int64_t>(k);
      skipped += static_cast<int64_t>(k);
      continue;
    }
    if (FInputStream && FRawRemaining > 0) {
      // Raw data is skipped by moving in the source, not by reading it.
      const int64_t k = std::min(left, FRawRemaining);
      FInputStream->Seek(k, TSeekOrigin::soCurrent);
      FRawRemaining -= k;
      FPosition += k;
      skipped += k;
      continue;
    }
    if (scratch.empty()) scratch.resize(size_t{64} * 1024);
    const int64_t n =
        Read(scratch.data(), std::min<int64_t>(left, static_cast<int64_t>(scratch.size())));
    if (n <= 0) break;
    skipped += n;
  }
  return skipped;
}

int64_t TIdMultiPartFormDataStream::Seek(int64_t aOffset, TSeekOrigin aOrigin) {
  int64_t target = aOffset;
  if (aOrigin == TSeekOrigin::soCurrent)
    target = FPosition + aOffset;
  else if (aOrigin == TSeekOrigin::soEnd)
    target = Size() + aOffset;
  if (target < 0) target = 0;
  if (target == FPosition && (target != 0 || aOrigin != TSeekOrigin::soBeginning)) return FPosition;
  if (target <= FPosition) ResetReading();
  if (target > FPosition) Skip(target - FPosition);
  return FPosition;
}

int64_t TIdMultiPartFormDataStream::Size() {
  int64_t total = 0;
  for (int i = 0; i < FFields->Count(); ++i) total += FFields->Items(i).FieldSize();
  FSize = total + static_cast<int64_t>(FBoundary.size()) + 6;
  return FSize;
}

TIdFormDataField& TIdMultiPartFormDataStream::AddFile(const std::u16string& AFieldName,
                                                      const std::u16string& AFileName,
                                                      const std::u16string& AContentType) {
  auto file = std::make_unique<TIdReadFileExclusiveStream>(AFileName);
  const std::u16string contentType =
      AContentType.empty() ? GetMIMETypeFromFile(AFileName) : AContentType;
  TIdFormDataField& field = FFields->Add();
  field.SetFieldName(AFieldName);
  field.SetFileName(ExtractFileName(AFileName));
  field.SetOwnedFieldStream(std::move(file));
  field.SetContentType(contentType);
  field.SetContentTransfer(u"binary");
  return field;
}

TIdFormDataField& TIdMultiPartFormDataStream::AddFormField(const std::u16string& AFieldName,
                                                           const std::u16string& AFieldValue,
                                                           const std::u16string& ACharset,
                                                           const std::u16string& AContentType,
                                                           const std::u16string& AFileName) {
  TIdFormDataField& field = FFields->Add();
  field.SetFieldName(AFieldName);
  field.SetFieldValue(AFieldValue);
  field.SetFileName(ExtractFileName(AFileName));
  field.SetContentType(AContentType.empty() ? std::u16string(u"text/plain") : AContentType);
  if (!ACharset.empty()) field.SetCharset(ACharset);
  field.SetContentTransfer(u"quoted-printable");
  return field;
}

TIdFormDataField& TIdMultiPartFormDataStream::AddFormField(const std::u16string& AFieldName,
                                                           const std::u16string& AContentType,
                                                           const std::u16string& ACharset,
                                                           TStream* AFieldValue,
                                                           const std::u16string& AFileName) {
  if (!AFieldValue) throw EIdInvalidObjectType(kUnsupportedObjectType);
  const std::u16string contentType =
      AContentType.empty() ? GetMIMETypeFromFile(AFileName) : AContentType;
  TIdFormDataField& field = FFields->Add();
  field.SetFieldName(AFieldName);
  field.SetFieldStream(AFieldValue);
  field.SetFileName(ExtractFileName(AFileName));
  field.SetContentType(contentType);
  if (!ACharset.empty()) field.SetCharset(ACharset);
  field.SetContentTransfer(u"binary");
  return field;
}

TIdFormDataField& TIdMultiPartFormDataStream::AddObject(const std::u16string& AFieldName,
                                                        const std::u16string& AContentType,
                                                        const std::u16string& ACharset,
                                                        TStream* AFileData,
                                                        const std::u16string& AFileName) {
  return AddFormField(AFieldName, AContentType, ACharset, AFileData, AFileName);
}

TIdFormDataField& TIdMultiPartFormDataStream::AddObject(const std::u16string&,
                                                        const std::u16string&,
                                                        const std::u16string&, TPersistent*,
                                                        const std::u16string&) {
  throw EIdInvalidObjectType(kUnsupportedObjectType);
}
