#include "driver_filter.h"

debug::Filter DRIVER_FILTER("Driver");
