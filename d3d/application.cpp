#include "application.h"

Application* theD3DApplication = nullptr;
CD3DFramework* g_pFramework = nullptr;
