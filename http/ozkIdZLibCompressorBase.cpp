#include "http/ozkIdZLibCompressorBase.h"

#include <algorithm>
#include <vector>

#include "net/ozkIdException.h"

namespace {

// The rest of AStream from its position (compressed bodies are small enough to hold).
std::vector<uint8_t> ReadRest(TStream& AStream) {
  std::vector<uint8_t> bytes;
  int64_t left = AStream.Size() - AStream.Position();
  if (left <= 0) return bytes;
  bytes.resize(static_cast<size_t>(left));
  bytes.resize(static_cast<size_t>(AStream.Read(bytes.data(), left)));
  return bytes;
}

} // namespace

TIdZLibCompressorBase::TIdZLibCompressorBase(TComponent* AOwner) : TIdBaseComponent(AOwner) {}
TIdZLibCompressorBase::~TIdZLibCompressorBase() = default;

void TIdZLibCompressorBase::DecompressDeflateStream(TStream& AInStream, TStream& AOutStream) {
  AInStream.Seek(10, TSeekOrigin::soCurrent);
  InflateStream(AInStream, AOutStream);
}

void TIdZLibCompressorBase::DecompressGZipStream(TStream& AInStream, TStream& AOutStream) {
  std::vector<uint8_t> gz = ReadRest(AInStream);
  if (gz.size() < 18) throw EIdException(u"Error - invalid header");
  const uint8_t flags = gz[3];
  size_t pos = 10;
  auto need = [&](size_t n) {
    if (pos + n > gz.size()) throw EIdException(u"Error - invalid header");
  };
  if (flags & 0x04) { // FEXTRA: two-byte length, then that many bytes
    need(2);
    size_t xlen = gz[pos] | (gz[pos + 1] << 8);
    pos += 2;
    need(xlen);
    pos += xlen;
  }
  for (uint8_t bit : {uint8_t(0x08), uint8_t(0x10)}) { // FNAME, FCOMMENT: zero-terminated
    if (!(flags & bit)) continue;
    while (pos < gz.size() && gz[pos] != 0) ++pos;
    need(1);
    ++pos;
  }
  if (flags & 0x02) { // FHCRC
    need(2);
    pos += 2;
  }
  if (pos + 8 > gz.size()) throw EIdException(u"Error - invalid header");
  // The two bytes before the deflate data become a zlib header, so the body reads as a zlib
  // stream whose own checksum is simply missing.
  gz[pos - 2] = 0x78;
  gz[pos - 1] = 0x9C;
  TMemoryStream zlib;
  zlib.WriteBuffer(gz.data() + pos - 2, static_cast<int64_t>(gz.size() - 8 - (pos - 2)));
  zlib.SetPosition(0);
  InflateStream(zlib, AOutStream);
}

void TIdZLibCompressorBase::DecompressHTTPDeflate(TStream& AInStream, TStream& AOutStream) {
  int64_t start = AInStream.Position();
  uint8_t head[2] = {0, 0};
  if (AInStream.Read(head, 2) != 2 || ((head[0] << 8) | head[1]) % 31 != 0)
    throw EIdException(u"Error - invalid header");
  AInStream.SetPosition(start);
  InflateStream(AInStream, AOutStream);
}
