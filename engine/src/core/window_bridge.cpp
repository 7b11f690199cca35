#include "engine/core/window_interface.h"

WindowInterface* theRenderWindow = nullptr;
