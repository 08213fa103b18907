// The decompressor hook of the HTTP engine: an abstract compressor component whose concrete
// subclass (a zlib binding) does the inflating. The base class knows the gzip and HTTP deflate
// framings and reduces them to a zlib stream for InflateStream. No concrete compressor is
// installed in this system, so the engine never asks for compressed bodies.
#pragma once

#include "base/ozkStream.h"
#include "net/ozkIdComponent.h"

class TIdIOHandler;

class TIdZLibCompressorBase : public TIdBaseComponent {
 public:
  explicit TIdZLibCompressorBase(TComponent* AOwner = nullptr);
  ~TIdZLibCompressorBase() override;

  // Whether the compressor can work now; the engine only announces and decodes compressed
  // bodies when it is.
  virtual bool IsReady() const { return true; }
  virtual void DeflateStream(TStream& AInStream, TStream& AOutStream, int ALevel) = 0;
  // A zlib stream (RFC 1950) from AInStream's position, inflated into AOutStream.
  virtual void InflateStream(TStream& AInStream, TStream& AOutStream) = 0;
  virtual void CompressStream(TStream& AInStream, TStream& AOutStream, int ALevel, int AWindowBits,
                              int AMemLevel, int AStrategy) = 0;
  virtual void DecompressStream(TStream& AInStream, TStream& AOutStream, int AWindowBits) = 0;
  // Skips 10 bytes and inflates the rest.
  virtual void DecompressDeflateStream(TStream& AInStream, TStream& AOutStream);
  virtual void CompressFTPToIO(TStream& AInStream, TIdIOHandler& AIOHandler, int ALevel,
                               int AWindowBits, int AMemLevel, int AStrategy) = 0;
  virtual void DecompressFTPFromIO(TIdIOHandler& AIOHandler, TStream& AOutStream,
                                   int AWindowBits) = 0;
  // A gzip member (RFC 1952): its header is skipped (extra field, name, comment and header
  // check when flagged), the last two header bytes become the zlib header 78 9C, the 8-byte
  // trailer is dropped, and the rest is inflated.
  virtual void DecompressGZipStream(TStream& AInStream, TStream& AOutStream);
  // An HTTP "deflate" body that must start with a zlib header (its first two bytes as a 16-bit
  // value divisible by 31), else EIdException "Error - invalid header".
  void DecompressHTTPDeflate(TStream& AInStream, TStream& AOutStream);
};
