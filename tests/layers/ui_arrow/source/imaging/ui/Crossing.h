// A planted wrong include: the picture dialogs may not know the show, though the show's own
// dialogs may.
#pragma once
#include "base/ui/LanguageTexts.h"
#include "imaging/Bitmap.h"
#include "project/SlideEdits.h"
