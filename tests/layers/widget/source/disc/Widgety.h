// A planted wrong include: the disc layer may not use widgets.
#pragma once
#include <QWidget>
