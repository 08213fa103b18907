// Small assertions helpers shared by the test suites.
#pragma once

#include <string>

// The message of the E that AFunction raises, or "<no exception>" when it raises none (any
// other exception propagates and fails the test).
template <typename E, typename F> std::u16string MessageOf(F&& AFunction) {
  try {
    AFunction();
  } catch (const E& e) {
    return e.Message();
  }
  return u"<no exception>";
}
