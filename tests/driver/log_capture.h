// The log capture lives in tests/support now; this name stays for the tests
// that include it from here.
#pragma once

#include "../support/log_capture.h"
