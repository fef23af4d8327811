#include "media/ui/SecondsBox.h"

#include "media/music/MixPlan.h"

#include <QDoubleSpinBox>
#include <QString>

#include <cmath>

namespace ui {

void SetUpSecondsBox(QDoubleSpinBox& box, double seconds) {
    box.setDecimals(1);
    box.setRange(0.0, media::kMaxFadeSeconds);
    box.setSingleStep(0.5);
    box.setValue(media::ClampFadeSeconds(seconds));
}

QDoubleSpinBox* SecondsBox(double seconds, const char* name, QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    SetUpSecondsBox(*box, seconds);
    return box;
}

double BoxSeconds(const QDoubleSpinBox& box, double given) {
    const double shown =
        QString::number(media::ClampFadeSeconds(given), 'f', box.decimals()).toDouble();
    return std::abs(box.value() - shown) < 1e-9 ? given : box.value();
}

} // namespace ui
