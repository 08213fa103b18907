// The fuzz targets' own checks: a failed check prints what broke and aborts, so libFuzzer
// keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace ozkfuzz {

[[noreturn]] inline void Fail(const char* aWhat, const std::string& aDetail = std::string()) {
  std::fprintf(stderr, "fuzz check failed: %s %s\n", aWhat, aDetail.c_str());
  std::abort();
}

} // namespace ozkfuzz
