// The driver's thread primitives.
#pragma once

#include "thread/active.h"
#include "thread/event.h"
#include "thread/notifying.h"
#include "thread/synchronized.h"
#include "thread/waiting.h"
