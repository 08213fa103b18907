// Fuzz target: UTF-8 bytes -> document -> text -> second document -> text. Writing what was
// read and reading it again must reproduce the same text exactly.
#include <cstdio>
#include <cstdlib>

#include "base/ozkText.h"
#include "json/ozkJSON.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const std::u16string text = UTF8ToUTF16(aData, aSize);
  TozkJSON first;
  first.Read(text);
  const std::u16string written = first.Text();
  TozkJSON second;
  second.Read(written);
  const std::u16string rewritten = second.Text();
  if (rewritten != written) {
    std::fprintf(stderr, "round trip differs:\nfirst:  %s\nsecond: %s\n",
                 UTF16ToUTF8(written).c_str(), UTF16ToUTF8(rewritten).c_str());
    std::abort();
  }
  return 0;
}
