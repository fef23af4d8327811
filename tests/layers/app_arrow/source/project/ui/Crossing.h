// A planted wrong include: a layer's dialogs may not reach the program's window, whose
// presentation (the strip's layout, the icons, the program's picture) lives in source/app.
#pragma once
#include "app/StripLayout.h"
#include "project/ShowModel.h"
