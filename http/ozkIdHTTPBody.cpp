// The response body reader of TIdCustomHTTP: whether a body follows, its framing (chunked,
// counted, multipart without length, until close), the optional decompressor, and the charset
// that an HTML or XML body declares inside itself.
//
// Bodies move from the input buffer into the destination in pieces of at most BodyPieceSize
// bytes: a claimed Content-Length or chunk size only decides how long to keep reading, never how
// much memory to reserve.
#include "http/ozkIdHTTP.h"

#include <algorithm>
#include <cstring>

#include "base/ozkFormat.h"
#include "base/ozkText.h"
#include "http/ozkIdGlobalProtocols.h"
#include "net/ozkIdGlobal.h"

namespace {

bool IsHTMLType(std::u16string_view AType) {
  return MediaTypeIsOneOf(AType, {u"text/html", u"text/html-sandboxed", u"application/xhtml+xml"});
}

bool IsXMLType(std::u16string_view AType) {
  if (MediaTypeIsOneOf(AType, {u"application/xml", u"application/xml-external-parsed-entity",
                               u"application/xml-dtd"}))
    return true;
  return !GetMediaType(AType).empty() && !MediaTypeIs(AType, u"text") &&
         EndsText(u"+xml", GetMediaSubType(AType));
}

// A chunk-size line: hexadecimal digits, then optionally blanks and ";" extensions (RFC 9112,
// section 7.1). False for anything else and for a size beyond 64 bits.
bool ParseChunkSizeLine(std::u16string_view ALine, uint64_t& ASize) {
  ASize = 0;
  size_t i = 0;
  for (; i < ALine.size(); ++i) {
    const char16_t c = ALine[i];
    int d;
    if (c >= u'0' && c <= u'9')
      d = c - u'0';
    else if (c >= u'a' && c <= u'f')
      d = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
      d = c - u'A' + 10;
    else
      break;
    if (ASize > (UINT64_MAX >> 4)) return false;
    ASize = ASize * 16 + static_cast<uint64_t>(d);
  }
  if (i == 0) return false;
  while (i < ALine.size() && (ALine[i] == u' ' || ALine[i] == u'\t')) ++i;
  return i == ALine.size() || ALine[i] == u';';
}

// The start of a reply line for an error message: enough to recognise it, never 16 KiB of it.
std::u16string Excerpt(std::u16string_view ALine) {
  constexpr size_t MaxExcerpt = 64;
  if (ALine.size() <= MaxExcerpt) return std::u16string(ALine);
  return std::u16string(ALine.substr(0, MaxExcerpt)) + u"...";
}

// Keeps nothing and counts what is written: the destination of a discarded body, so that a
// body cut short can still say how much of it arrived.
class TCountingSink : public TStream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t ACount) override {
    FPosition += ACount;
    return ACount;
  }
  int64_t Seek(int64_t AOffset, TSeekOrigin AOrigin) override {
    FPosition = AOrigin == TSeekOrigin::soCurrent ? FPosition + AOffset : AOffset;
    return FPosition;
  }
  int64_t Size() override { return FPosition; }
  void SetSize(int64_t) override {}

 private:
  int64_t FPosition = 0;
};

// Headers that frame the body or the connection: a meta tag of the body must never replace
// them, because the body was already read by them.
bool IsFramingHeader(std::u16string_view AName) {
  return SameText(AName, u"Content-Length") || SameText(AName, u"Transfer-Encoding") ||
         SameText(AName, u"Connection") || SameText(AName, u"Proxy-Connection");
}

// Passes everything on to the destination and keeps a copy of the first bytes, which is all
// the charset discovery needs, so a large body is never held twice.
class THeadCaptureStream : public TStream {
 public:
  THeadCaptureStream(TStream& ATarget, size_t ALimit) : FTarget(ATarget), FLimit(ALimit) {}
  int64_t Read(void* ABuffer, int64_t ACount) override { return FTarget.Read(ABuffer, ACount); }
  int64_t Write(const void* ABuffer, int64_t ACount) override {
    if (ACount > 0 && FHead.size() < FLimit) {
      const auto* p = static_cast<const uint8_t*>(ABuffer);
      size_t take = std::min<size_t>(static_cast<size_t>(ACount), FLimit - FHead.size());
      FHead.insert(FHead.end(), p, p + take);
    }
    return FTarget.Write(ABuffer, ACount);
  }
  int64_t Seek(int64_t AOffset, TSeekOrigin AOrigin) override {
    return FTarget.Seek(AOffset, AOrigin);
  }
  int64_t Size() override { return FTarget.Size(); }
  void SetSize(int64_t ANewSize) override { FTarget.SetSize(ANewSize); }
  const std::vector<uint8_t>& Head() const { return FHead; }

 private:
  TStream& FTarget;
  size_t FLimit;
  std::vector<uint8_t> FHead;
};

// --- XML charset discovery (XML 1.0, Appendix F) ---

// The XML declaration's text when the body starts with one in a recognised byte order, else
// empty. AUnit is the width of one character, ABigEndian its byte order (EBCDIC: AUnit 0).
std::u16string ReadXMLDeclaration(const std::vector<uint8_t>& AData, size_t AStart, int AUnit,
                                  bool ABigEndian, bool AEBCDIC) {
  std::u16string decl;
  const size_t step = AEBCDIC ? 1 : static_cast<size_t>(AUnit);
  for (size_t i = AStart; i + step <= AData.size() && decl.size() < 1024; i += step) {
    uint32_t c = 0;
    if (AEBCDIC) {
      // The declaration's characters in EBCDIC (code page 37): enough to find the encoding.
      static const struct {
        uint8_t e;
        char a;
      } map[] = {{0x4C, '<'}, {0x6F, '?'}, {0x6E, '>'}, {0x7E, '='}, {0x7F, '"'}, {0x7D, '\''},
                 {0x40, ' '}, {0x60, '-'}, {0x4B, '.'}, {0x6D, '_'}, {0x7A, ':'}};
      uint8_t b = AData[i];
      if (b >= 0x81 && b <= 0x89)
        c = 'a' + (b - 0x81);
      else if (b >= 0x91 && b <= 0x99)
        c = 'j' + (b - 0x91);
      else if (b >= 0xA2 && b <= 0xA9)
        c = 's' + (b - 0xA2);
      else if (b >= 0xC1 && b <= 0xC9)
        c = 'A' + (b - 0xC1);
      else if (b >= 0xD1 && b <= 0xD9)
        c = 'J' + (b - 0xD1);
      else if (b >= 0xE2 && b <= 0xE9)
        c = 'S' + (b - 0xE2);
      else if (b >= 0xF0 && b <= 0xF9)
        c = '0' + (b - 0xF0);
      else
        for (const auto& m : map)
          if (m.e == b) c = static_cast<uint8_t>(m.a);
    } else {
      for (int k = 0; k < AUnit; ++k) {
        int shift = ABigEndian ? (AUnit - 1 - k) * 8 : k * 8;
        c |= static_cast<uint32_t>(AData[i + k]) << shift;
      }
    }
    if (c == 0 || c > 0xFFFF) break;
    decl += static_cast<char16_t>(c);
    if (c == '>') return decl;
  }
  return std::u16string();
}

std::u16string EncodingFromDeclaration(const std::u16string& ADecl) {
  size_t pos = ADecl.find(u"encoding");
  if (pos == std::u16string::npos) return std::u16string();
  pos = ADecl.find(u'=', pos);
  if (pos == std::u16string::npos) return std::u16string();
  ++pos;
  while (pos < ADecl.size() && ADecl[pos] <= u' ') ++pos;
  if (pos >= ADecl.size() || (ADecl[pos] != u'"' && ADecl[pos] != u'\'')) return std::u16string();
  char16_t quote = ADecl[pos++];
  size_t end = ADecl.find(quote, pos);
  if (end == std::u16string::npos) return std::u16string();
  return Trim(ADecl.substr(pos, end - pos));
}

} // namespace

std::u16string DetectXMLCharset(const std::vector<uint8_t>& AData) {
  std::u16string charset = u"UTF-8";
  if (AData.size() < 3) return charset;
  uint32_t first = 0;
  for (size_t i = 0; i < 4; ++i) first = (first << 8) | (i < AData.size() ? AData[i] : 0);
  struct TMark {
    uint32_t Value, Mask;
    const char16_t* Name;
  };
  static const TMark marks[] = {
      {0x0000FEFF, 0xFFFFFFFF, u"UCS-4BE"},  {0x0000FFFE, 0xFFFFFFFF, u""},
      {0xFFFE0000, 0xFFFFFFFF, u"UCS-4LE"},  {0xFEFF0000, 0xFFFFFFFF, u""},
      {0xFEFF0000, 0xFFFF0000, u"UTF-16BE"}, {0xFFFE0000, 0xFFFF0000, u"UTF-16LE"},
      {0xEFBBBF00, 0xFFFFFF00, u"UTF-8"}};
  for (const auto& m : marks) {
    if ((first & m.Mask) == m.Value) return m.Name;
  }
  if (AData.size() < 4) return charset;
  std::u16string decl;
  switch (first) {
  case 0x0000003C:
    decl = ReadXMLDeclaration(AData, 0, 4, true, false);
    break;
  case 0x3C000000:
    decl = ReadXMLDeclaration(AData, 0, 4, false, false);
    break;
  case 0x00003C00: // the two unusual UCS-4 orders (2143 and 3412)
  case 0x003C0000:
    break;
  case 0x003C003F:
    decl = ReadXMLDeclaration(AData, 0, 2, true, false);
    break;
  case 0x3C003F00:
    decl = ReadXMLDeclaration(AData, 0, 2, false, false);
    break;
  case 0x3C3F786D:
    decl = ReadXMLDeclaration(AData, 0, 1, true, false);
    break;
  case 0x4C6FA794:
    decl = ReadXMLDeclaration(AData, 0, 1, true, true);
    break;
  default:
    break;
  }
  std::u16string declared = EncodingFromDeclaration(decl);
  return declared.empty() ? charset : declared;
}

bool TIdCustomHTTP::DataArrives(int AMSec) {
  TIdIOHandler* io = IOHandler();
  if (!io) return false;
  if (!io->InputBufferIsEmpty()) return true;
  io->CheckForDataOnSource(AMSec);
  return !io->InputBufferIsEmpty();
}

void TIdCustomHTTP::ReadCounted(TStream* ADest, int64_t ACount) {
  TIdIOHandler* io = IOHandler();
  TCountingSink discarded;
  TStream* into = ADest ? ADest : &discarded;
  const int64_t start = into->Position();
  try {
    for (int64_t left = ACount; left > 0;) {
      const int64_t piece = std::min(left, BodyPieceSize);
      io->ReadStream(into, piece, false);
      left -= piece;
    }
  } catch (const EIdConnClosedGracefully&) {
    // The bytes that came stay in the stream for a caller that wants them; a body shorter
    // than announced is still no complete body.
    throw EIdHTTPMalformedReply(
        Format(u"Connection closed after %d of %d bytes of the response body",
               into->Position() - start, ACount));
  }
}

void TIdCustomHTTP::ReadUntilClose(TStream* ADest) {
  IOHandler()->ReadStream(ADest, -1, true);
}

void TIdCustomHTTP::ReadChunked(TIdHTTPResponse& AResponse, TStream* ADest) {
  TIdIOHandler* io = IOHandler();
  DoStatus(hsStatusText, {u"Chunk Started"});
  io->BeginWork(wmRead);
  try {
    while (true) {
      const std::u16string line = InternalReadLn();
      uint64_t left;
      if (!ParseChunkSizeLine(line, left))
        throw EIdHTTPMalformedReply(
            Format(u"Invalid chunk size in the response body: \"%s\"", Excerpt(line)));
      if (left == 0) break;
      while (left > 0) {
        const int64_t piece = static_cast<int64_t>(std::min<uint64_t>(left, BodyPieceSize));
        if (!ADest) {
          io->Discard(piece);
        } else if (OnChunkReceived) {
          // A chunk larger than one piece reaches the event piece by piece.
          TIdBytes chunk;
          io->ReadBytes(chunk, static_cast<int>(piece), false);
          OnChunkReceived(this, chunk);
          if (!chunk.empty()) ADest->WriteBuffer(chunk.data(), static_cast<int64_t>(chunk.size()));
        } else {
          io->ReadStream(ADest, piece, false);
        }
        left -= static_cast<uint64_t>(piece);
      }
      // The line break after the chunk's data; anything else means the size lied.
      const std::u16string end = InternalReadLn();
      if (!end.empty())
        throw EIdHTTPMalformedReply(
            Format(u"Chunk data longer than its size in the response body: \"%s\"", Excerpt(end)));
    }
    IdReadHTTPHeaderLines(*io, AResponse.RawHeaders(), FMaxHeaderLines); // the trailer
  } catch (const EIdConnClosedGracefully&) {
    io->EndWork(wmRead);
    throw EIdHTTPMalformedReply(u"Connection closed before the last chunk of the response body");
  } catch (...) {
    io->EndWork(wmRead);
    throw;
  }
  io->EndWork(wmRead);
}

bool IdIsChunkedTransfer(const TIdHeaderList& AHeaders) {
  TStringList fields;
  AHeaders.Extract(u"Transfer-Encoding", fields);
  std::u16string last;
  for (int i = 0; i < fields.Count(); ++i) {
    std::u16string_view rest = fields[i];
    while (!rest.empty()) {
      const size_t comma = rest.find(u',');
      std::u16string coding = Trim(rest.substr(0, comma));
      coding = Trim(std::u16string_view(coding).substr(0, coding.find(u';')));
      if (!coding.empty()) last = coding;
      if (comma == std::u16string_view::npos) break;
      rest = rest.substr(comma + 1);
    }
  }
  return SameText(last, u"chunked");
}

void TIdCustomHTTP::CheckResponseFraming(TIdHTTPResponse& AResponse) {
  const TIdHeaderList& raw = AResponse.RawHeaders();
  TStringList lengths;
  raw.Extract(u"Content-Length", lengths);
  if (raw.IndexOfName(u"Transfer-Encoding") >= 0) {
    // The transfer coding frames the body (RFC 9112, section 6.3); a length beside it is what
    // a request-smuggling peer sends, so the connection ends with this reply.
    AResponse.SetContentLength(-1);
    if (lengths.Count() > 0) AResponse.SetKeepAlive(false);
    return;
  }
  if (lengths.Count() == 0) return;
  int64_t length = -1;
  bool valid = true;
  for (int i = 0; i < lengths.Count() && valid; ++i) {
    std::u16string_view rest = lengths[i];
    while (valid) {
      const size_t comma = rest.find(u',');
      const std::u16string member = Trim(rest.substr(0, comma));
      int64_t value = 0;
      valid = !member.empty();
      for (char16_t c : member) {
        if (c < u'0' || c > u'9' || value > (INT64_MAX - (c - u'0')) / 10) {
          valid = false;
          break;
        }
        value = value * 10 + (c - u'0');
      }
      // A list of identical members is that one length; differing members frame nothing.
      if (valid && length >= 0 && value != length) valid = false;
      if (valid) length = value;
      if (comma == std::u16string_view::npos) break;
      rest = rest.substr(comma + 1);
    }
  }
  if (!valid) {
    std::u16string all;
    for (int i = 0; i < lengths.Count(); ++i) all += (i ? u", " : u"") + lengths[i];
    throw EIdHTTPMalformedReply(
        Format(u"Invalid Content-Length in the response: \"%s\"", Excerpt(all)));
  }
  AResponse.SetContentLength(length);
}

void TIdCustomHTTP::ReadMultipartMIME(TIdHTTPResponse& AResponse, TStream* ADest) {
  TIdIOHandler* io = IOHandler();
  std::u16string boundary = GetHeaderParam(AResponse.ContentType(), u"boundary", QuoteHTTP);
  if (boundary.empty()) boundary = AResponse.RawHeaders().GetParam(u"Content-Type", u"boundary");
  if (boundary.empty()) {
    ReadUntilClose(ADest);
    return;
  }
  const TIdBytes terminator = TextToBytes(u"--" + boundary + u"--");
  const int keep = static_cast<int>(terminator.size()) - 1;
  TIdBuffer& buffer = io->InputBuffer();
  auto move = [&](int ACount) {
    if (ACount <= 0) return;
    if (ADest)
      buffer.ExtractToStream(*ADest, ACount);
    else
      buffer.Remove(ACount);
  };
  bool complete = false;
  io->BeginWork(wmRead);
  try {
    while (true) {
      int index = buffer.IndexOf(terminator);
      if (index >= 0) {
        move(index + static_cast<int>(terminator.size()));
        complete = true;
        io->ReadLn();
        break;
      }
      move(buffer.Size() - keep);
      // Waits with the read time-out rather than polling in a loop, so a quiet peer costs no
      // processor time.
      if (!io->CheckForDataOnSource(IdTimeoutDefault)) {
        io->CheckForDisconnect(true, true);
        if (buffer.Size() < static_cast<int>(terminator.size())) throw EIdReadTimeout();
      }
    }
  } catch (const EIdConnClosedGracefully&) {
    io->EndWork(wmRead);
    if (complete) return; // only the line break after the closing boundary is missing
    // What arrived stays in the stream, but a body without its closing boundary is cut short.
    move(buffer.Size());
    throw EIdHTTPMalformedReply(
        u"Connection closed before the closing boundary of the multipart response body");
  } catch (...) {
    io->EndWork(wmRead);
    throw;
  }
  io->EndWork(wmRead);
}

void TIdCustomHTTP::ReadBody(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse) {
  if (!IOHandler()) return;
  enum class TFraming { Chunked, Counted, Multipart, UntilClose };
  TFraming framing;
  bool possible;
  if (IdIsChunkedTransfer(AResponse.RawHeaders())) {
    framing = TFraming::Chunked;
    possible = !FOptions.Contains(hoNoReadChunked);
    // The same framing as the last branch, on purpose: it must be tested before the length.
    // NOLINTNEXTLINE(bugprone-branch-clone): deliberate, ordered before the Content-Length test
  } else if (AResponse.RawHeaders().IndexOfName(u"Transfer-Encoding") >= 0) {
    framing = TFraming::UntilClose; // another final coding: only the close ends the body
    possible = true;
  } else if (AResponse.HasContentLength()) {
    framing = TFraming::Counted;
    possible = AResponse.ContentLength() > 0;
  } else if (MediaTypeIs(AResponse.ContentType(), u"multipart")) {
    framing = TFraming::Multipart;
    possible = !FOptions.Contains(hoNoReadMultipartMIME);
  } else {
    framing = TFraming::UntilClose;
    possible = true;
  }
  if (!possible) return;

  const int code = AResponse.ResponseCode();
  const std::u16string& method =
      ARequest.MethodOverride().empty() ? ARequest.Method() : ARequest.MethodOverride();
  if (SameText(method, u"HEAD") || code / 100 == 1 || code == 204 || code == 304) {
    if (!(FOptions.Contains(hoWaitForUnexpectedData) && DataArrives(UnexpectedBodyWait))) return;
  } else if (code / 100 == 3) {
    if (!DataArrives(RedirectBodyWait)) return;
  }

  TStream* dest = AResponse.ContentStream();
  enum class TDiscovery { None, Meta, XML } discovery = TDiscovery::None;
  if (dest) {
    if (IsHTMLType(AResponse.ContentType())) {
      if (!FOptions.Contains(hoNoParseMetaHTTPEquiv)) discovery = TDiscovery::Meta;
    } else if (IsXMLType(AResponse.ContentType()) && !FOptions.Contains(hoNoParseXmlCharset)) {
      discovery = TDiscovery::XML;
    }
  }
  std::unique_ptr<THeadCaptureStream> capture;
  TStream* target = dest;
  if (discovery != TDiscovery::None) {
    capture = std::make_unique<THeadCaptureStream>(
        *dest, static_cast<size_t>(TIdMetaHTTPEquiv::MaxScanBytes));
    target = capture.get();
  }
  std::unique_ptr<TMemoryStream> compressed;
  const std::u16string& coding = AResponse.ContentEncoding();
  const bool deflate = SameText(coding, u"deflate");
  if (dest && FCompressor && FCompressor->IsReady() && (deflate || SameText(coding, u"gzip")))
    compressed = std::make_unique<TMemoryStream>();
  TStream* readInto = compressed ? compressed.get() : target;

  switch (framing) {
  case TFraming::Chunked:
    ReadChunked(AResponse, readInto);
    break;
  case TFraming::Counted:
    ReadCounted(readInto, AResponse.ContentLength());
    break;
  case TFraming::Multipart:
    ReadMultipartMIME(AResponse, readInto);
    break;
  case TFraming::UntilClose:
    ReadUntilClose(readInto);
    break;
  }

  if (compressed) {
    compressed->SetPosition(0);
    if (deflate)
      FCompressor->DecompressDeflateStream(*compressed, *target);
    else
      FCompressor->DecompressGZipStream(*compressed, *target);
    compressed.reset();
  }

  if (discovery == TDiscovery::Meta) {
    TMemoryStream head;
    if (!capture->Head().empty())
      head.WriteBuffer(capture->Head().data(), static_cast<int64_t>(capture->Head().size()));
    head.SetPosition(0);
    TIdMetaHTTPEquiv& meta = AResponse.MetaHTTPEquiv();
    meta.ProcessMetaHTTPEquiv(head);
    if (meta.RawHeaders().Count() > 0) {
      for (int i = 0; i < meta.RawHeaders().Count(); ++i) {
        const std::u16string name = meta.RawHeaders().GetName(i);
        if (!name.empty() && !IsFramingHeader(name))
          AResponse.RawHeaders().SetValue(name, meta.RawHeaders().GetValue(name));
      }
      // The length that framed the body stays, whatever the re-parse makes of its field.
      const int64_t length = AResponse.ContentLength();
      AResponse.ParseRawHeaders();
      AResponse.SetContentLength(length);
    }
    if (!meta.CharSet().empty()) AResponse.SetCharSet(meta.CharSet());
  } else if (discovery == TDiscovery::XML) {
    AResponse.SetCharSet(DetectXMLCharset(capture->Head()));
  }
}
