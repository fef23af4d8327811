// A planted wrong include: pictures may not know the show.
#pragma once
#include "project/ShowModel.h"
