// multipart/form-data request bodies. TIdMultiPartFormDataStream is a read-only stream that
// produces the body while it is read: part headers are formatted as each field is reached and a
// file's bytes go straight from the file into the reader's buffer, so a body is never held in
// memory whatever the size of its files. The size is known exactly before reading, and seeking
// to the start produces the same bytes again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/ozkPersistent.h"
#include "base/ozkStream.h"
#include "base/ozkTime.h"
#include "net/ozkIdException.h"
#include "net/ozkIdGlobal.h"

class EIdInvalidObjectType : public EIdException {
 public:
  using EIdException::EIdException;
};

class TIdFormDataFields;
class TIdMultiPartFormDataStream;

class TIdFormDataField {
 public:
  explicit TIdFormDataField(TIdFormDataFields* ACollection);
  ~TIdFormDataField();
  TIdFormDataField(const TIdFormDataField&) = delete;
  TIdFormDataField& operator=(const TIdFormDataField&) = delete;

  // Bytes this field contributes to the body: part header, data as emitted and line end. An
  // encoded stream is encoded once (without keeping the result) to count its length.
  int64_t FieldSize();

  const std::u16string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::u16string& AValue) { FFieldName = AValue; }
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(const std::u16string& AValue) { FFileName = AValue; }
  const std::u16string& FieldValue() const { return FFieldValue; }
  // A text value replaces the stream (an owned stream is released).
  void SetFieldValue(const std::u16string& AValue);
  TStream* FieldStream() const { return FFieldStream; }
  // A stream value replaces the text value. The field does not own AValue.
  void SetFieldStream(TStream* AValue);
  // The same, with the field owning the stream from now on.
  void SetOwnedFieldStream(std::unique_ptr<TStream> AValue);
  bool CanFreeFieldStream() const { return FOwnedFieldStream != nullptr; }
  const std::u16string& ContentType() const { return FContentType; }
  void SetContentType(const std::u16string& AValue) { FContentType = AValue; }
  const std::u16string& Charset() const { return FCharset; }
  void SetCharset(const std::u16string& AValue) { FCharset = AValue; }
  const std::u16string& ContentTransfer() const { return FContentTransfer; }
  void SetContentTransfer(const std::u16string& AValue) { FContentTransfer = AValue; }
  // Charset and RFC 2047 encoding ("B" or "Q") of field and file names that are not plain
  // printable ASCII. Defaults: "UTF-8" and "B".
  const std::u16string& HeaderCharSet() const { return FHeaderCharSet; }
  void SetHeaderCharSet(const std::u16string& AValue) { FHeaderCharSet = AValue; }
  char16_t HeaderEncoding() const { return FHeaderEncoding; }
  void SetHeaderEncoding(char16_t AValue) { FHeaderEncoding = AValue; }

  // The part header: delimiter line, Content-Disposition, Content-Type, Content-Transfer-Encoding
  // and the empty line.
  TIdBytes FormatHeader() const;

 private:
  friend class TIdMultiPartFormDataStream;

  enum class TDataKind { Raw, QuotedPrintable, Base64 };
  TDataKind DataKind() const;
  // The bytes of a text value in the encoding its content transfer asks for.
  TIdBytes TextBytes() const;
  std::u16string EncodeName(const std::u16string& AName) const;

  TIdFormDataFields* FCollection;
  std::u16string FFileName;
  std::u16string FCharset;
  std::u16string FContentType;
  std::u16string FContentTransfer;
  std::u16string FFieldName;
  TStream* FFieldStream = nullptr;
  std::u16string FFieldValue;
  std::unique_ptr<TStream> FOwnedFieldStream;
  std::u16string FHeaderCharSet = u"UTF-8";
  char16_t FHeaderEncoding = u'B';
  // Size of a raw stream as FieldSize last measured it (-1: not measured), so the body
  // produced later matches the size announced for it even if the stream changed meanwhile.
  int64_t FAnnouncedStreamSize = -1;
};

// The ordered fields of a form stream (owned).
class TIdFormDataFields {
 public:
  explicit TIdFormDataFields(TIdMultiPartFormDataStream* AMPStream);
  ~TIdFormDataFields();

  TIdFormDataField& Add();
  int Count() const { return static_cast<int>(FItems.size()); }
  TIdFormDataField& Items(int AIndex) { return *FItems.at(static_cast<size_t>(AIndex)); }
  void Delete(int AIndex);
  void Clear() { FItems.clear(); }
  TIdMultiPartFormDataStream* MultipartFormDataStream() const { return FParentStream; }

 private:
  TIdMultiPartFormDataStream* FParentStream;
  std::vector<std::unique_ptr<TIdFormDataField>> FItems;
};

class TIdMultiPartFormDataStream : public TStream {
 public:
  TIdMultiPartFormDataStream();
  ~TIdMultiPartFormDataStream() override;
  TIdMultiPartFormDataStream(const TIdMultiPartFormDataStream&) = delete;
  TIdMultiPartFormDataStream& operator=(const TIdMultiPartFormDataStream&) = delete;

  // Fills aBuffer with the next body bytes; fewer than asked only at the end of the body.
  int64_t Read(void* aBuffer, int64_t aCount) override;
  // Raises EStreamError "Unsupported operation.".
  int64_t Write(const void* aBuffer, int64_t aCount) override;
  // Seeking to the start restarts the body; other positions are reached by producing (and
  // dropping) the bytes before them, skipping through raw file data.
  int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) override;
  // The exact body size, computed from the fields.
  int64_t Size() override;
  // Raises EStreamError "Unsupported operation.".
  void SetSize(int64_t aNewSize) override;

  // A file part; the file is opened now (writes by others denied) and belongs to the field.
  // The content type is looked up by extension when none is given. A file that cannot be
  // opened raises before any field is added.
  TIdFormDataField& AddFile(const std::u16string& AFieldName, const std::u16string& AFileName,
                            const std::u16string& AContentType = std::u16string());
  // A text field: content type "text/plain" unless given, transfer "quoted-printable".
  TIdFormDataField& AddFormField(const std::u16string& AFieldName,
                                 const std::u16string& AFieldValue,
                                 const std::u16string& ACharset = std::u16string(),
                                 const std::u16string& AContentType = std::u16string(),
                                 const std::u16string& AFileName = std::u16string());
  // A field whose data is AFieldValue (not owned; it must outlive the form stream's reads).
  // A null stream raises EIdInvalidObjectType.
  TIdFormDataField& AddFormField(const std::u16string& AFieldName,
                                 const std::u16string& AContentType, const std::u16string& ACharset,
                                 TStream* AFieldValue,
                                 const std::u16string& AFileName = std::u16string());
  TIdFormDataField& AddObject(const std::u16string& AFieldName, const std::u16string& AContentType,
                              const std::u16string& ACharset, TStream* AFileData,
                              const std::u16string& AFileName = std::u16string());
  // Only streams are accepted: any other object raises EIdInvalidObjectType.
  TIdFormDataField& AddObject(const std::u16string& AFieldName, const std::u16string& AContentType,
                              const std::u16string& ACharset, TPersistent* AFileData,
                              const std::u16string& AFileName = std::u16string());
  // Drops every field and restarts reading.
  void Clear();

  const std::u16string& Boundary() const { return FBoundary; }
  const std::u16string& RequestContentType() const { return FRequestContentType; }
  TIdFormDataFields& Fields() { return *FFields; }

  // "--------" + MMDDYYhhmmsszzz of the given local time.
  static std::u16string GenerateUniqueBoundary(const TLocalDateTime& ATime);

 private:
  void ResetReading();
  void CloseInputStream();
  void StartField(TIdFormDataField& AField);
  int64_t Skip(int64_t ACount);

  TStream* FInputStream = nullptr;
  std::unique_ptr<TStream> FOwnedInputStream;
  // The field's own stream while its data is emitted; put back to its start afterwards.
  TStream* FFieldSource = nullptr;
  bool FFreeInputStream = false;
  // Bytes of a raw field stream still to be copied: exactly the size it had when the field was
  // reached, so the body matches the size announced before reading.
  int64_t FRawRemaining = 0;
  TIdBytes FTrailer;
  std::u16string FBoundary;
  std::u16string FRequestContentType;
  int FCurrentItem = 0;
  bool FInitialized = false;
  bool FFinished = false;
  TIdBytes FInternalBuffer;
  size_t FBufferPos = 0;
  int64_t FPosition = 0;
  int64_t FSize = 0;
  std::unique_ptr<TIdFormDataFields> FFields;
};
