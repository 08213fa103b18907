// Fuzz target: JSONUnescape on arbitrary text. Decoding may fail only with EozkJSONError; any
// other exception escapes and is reported by the fuzzer. Text that decodes must come back
// unchanged through the escaper.
#include <cstdlib>

#include "base/ozkText.h"
#include "json/ozkJSON.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const std::u16string text = UTF8ToUTF16(aData, aSize);
  try {
    const std::u16string decoded = JSONUnescape(text);
    if (decoded.size() > text.size()) std::abort(); // every escape shrinks the text
    if (JSONUnescape(JSONEscape(decoded)) != decoded) std::abort();
  } catch (const EozkJSONError&) {
  }
  return 0;
}
