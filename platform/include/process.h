// The C runtime's thread creation lives in winbase.h here.
#pragma once
#include "winbase.h"
