// Fuzz target: the multipart/form-data writer. Fields of every kind (text with each content
// transfer and charset, stream data, a file) are built from the input; the size the stream
// reports must equal the bytes it produces, read in pieces of any size, again after a seek to
// the start, and from a position in the middle.
#include <fuzzer/FuzzedDataProvider.h>

#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

#include "base/ozkText.h"
#include "fuzz/ozkFuzzCheck.h"
#include "http/ozkIdMultipartFormData.h"

namespace {

const char16_t* const kTransfers[] = {u"",     u"quoted-printable", u"base64",           u"7bit",
                                      u"8bit", u"binary",           u"Quoted-Printable "};
const char16_t* const kCharsets[] = {u"",       u"UTF-8",        u"us-ascii",       u"ISO-8859-1",
                                     u"utf-16", u"windows-1252", u"no-such-charset"};

std::u16string Text(FuzzedDataProvider& aInput, size_t aMax) {
  return UTF8ToUTF16(aInput.ConsumeRandomLengthString(aMax));
}

template <size_t N>
const char16_t* Pick(FuzzedDataProvider& aInput, const char16_t* const (&aList)[N]) {
  return aList[aInput.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

// A scratch file holding ABytes, removed when the run ends.
struct TScratchFile {
  std::string Path = "/tmp/ozk_fuzz_multipart_" + std::to_string(::getpid()) + ".bin";
  ~TScratchFile() { ::unlink(Path.c_str()); }
};

std::u16string ScratchFile(const std::string& ABytes) {
  static const TScratchFile scratch;
  const int fd = ::open(scratch.Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) ozkfuzz::Fail("cannot write the scratch file");
  if (!ABytes.empty() &&
      ::write(fd, ABytes.data(), ABytes.size()) != static_cast<ssize_t>(ABytes.size()))
    ozkfuzz::Fail("cannot write the scratch file");
  ::close(fd);
  return UTF8ToUTF16(scratch.Path);
}

std::vector<uint8_t> ReadAll(TStream& aStream, size_t aPiece) {
  std::vector<uint8_t> all;
  std::vector<uint8_t> buffer(aPiece);
  for (;;) {
    const int64_t got = aStream.Read(buffer.data(), static_cast<int64_t>(aPiece));
    if (got < 0 || got > static_cast<int64_t>(aPiece)) ozkfuzz::Fail("read returned a bad count");
    if (got == 0) break;
    all.insert(all.end(), buffer.begin(), buffer.begin() + got);
  }
  return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  FuzzedDataProvider input(aData, aSize);
  std::vector<std::unique_ptr<TMemoryStream>> streams; // outlive the form stream's reads
  TIdMultiPartFormDataStream form;
  try {
    const int fields = input.ConsumeIntegralInRange(0, 5);
    for (int i = 0; i < fields; ++i) {
      TIdFormDataField* field = nullptr;
      switch (input.ConsumeIntegralInRange(0, 2)) {
      case 0:
        field = &form.AddFormField(Text(input, 24), Text(input, 200), Pick(input, kCharsets),
                                   Text(input, 16), Text(input, 16));
        field->SetContentTransfer(Pick(input, kTransfers));
        break;
      case 1: {
        auto stream = std::make_unique<TMemoryStream>();
        const std::string bytes = input.ConsumeRandomLengthString(300);
        stream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        stream->SetPosition(0);
        field = &form.AddFormField(Text(input, 24), Text(input, 16), Pick(input, kCharsets),
                                   stream.get(), Text(input, 16));
        field->SetContentTransfer(Pick(input, kTransfers));
        streams.push_back(std::move(stream));
        break;
      }
      default: {
        // The type looked up by extension in one file of eight: the lookup builds the whole
        // MIME table each time, which would slow the run down to a crawl.
        const std::u16string type = input.ConsumeIntegralInRange(0, 7) == 0
                                        ? std::u16string()
                                        : u"application/" + Text(input, 16);
        field =
            &form.AddFile(Text(input, 24), ScratchFile(input.ConsumeRandomLengthString(300)), type);
        break;
      }
      }
      if (input.ConsumeBool()) field->SetHeaderEncoding(input.ConsumeBool() ? u'Q' : u'B');
      if (input.ConsumeBool()) field->SetHeaderCharSet(Pick(input, kCharsets));
    }
  } catch (const Exception&) {
    return 0; // a field the writer refuses, with its own error
  }
  const size_t piece = input.ConsumeIntegralInRange<size_t>(1, 700);

  int64_t size = 0;
  try {
    size = form.Size();
  } catch (const Exception&) {
    return 0; // a field that cannot be encoded, refused before any byte is produced
  }
  const std::vector<uint8_t> first = ReadAll(form, piece);
  if (static_cast<int64_t>(first.size()) != size)
    ozkfuzz::Fail("reported size differs from the bytes produced",
                  std::to_string(size) + " vs " + std::to_string(first.size()));
  if (form.Size() != size) ozkfuzz::Fail("size changed by reading");
  form.Seek(0, TSeekOrigin::soBeginning);
  const std::vector<uint8_t> again = ReadAll(form, 1 << 16);
  if (again != first) ozkfuzz::Fail("the body read after a seek to the start differs");
  const int64_t middle = size / 2;
  form.Seek(middle, TSeekOrigin::soBeginning);
  const std::vector<uint8_t> rest = ReadAll(form, piece);
  if (rest.size() != first.size() - static_cast<size_t>(middle) ||
      !std::equal(rest.begin(), rest.end(), first.begin() + middle))
    ozkfuzz::Fail("the body read from the middle differs");
  return 0;
}
