// The HTTP test helpers now live in tests/support; this name stays for the suites that use it.
#pragma once

#include "support/ozkTestHTTPWire.h"
