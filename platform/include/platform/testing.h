// Testing API for tests and tools only; the driver never includes it.
#pragma once

#include "platform/testing_calls.h"
#if __has_include("platform/testing_display.h")
#include "platform/testing_display.h"
#endif
#if __has_include("platform/testing_input.h")
#include "platform/testing_input.h"
#endif
#include "platform/testing_dialogs.h"
