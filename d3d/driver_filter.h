// The driver's debug filter: every message, warning and error of the driver
// goes through it.
#pragma once

#include <engine/debug.h>

extern debug::Filter DRIVER_FILTER;
