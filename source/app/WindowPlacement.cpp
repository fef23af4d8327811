#include "app/WindowPlacement.h"

#include "project/Settings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

namespace ui {

namespace {
constexpr int kFirstWidth = 637;
constexpr int kFirstHeight = 560;
const char* const kGeometrySetting = "WindowGeometry";
} // namespace

void RestoreWindowPlacement(QWidget& window) {
    window.resize(kFirstWidth, kFirstHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        window.move(avail.x() + (avail.width() - kFirstWidth) / 2,
                    avail.y() + (avail.height() - kFirstHeight) / 2);
    }
    if (const QVariant geometry = project::ReadSetting(QLatin1String(kGeometrySetting));
        geometry.typeId() == QMetaType::QByteArray)
        window.restoreGeometry(geometry.toByteArray());
}

void SaveWindowPlacement(const QWidget& window) {
    project::WriteSetting(QLatin1String(kGeometrySetting), window.saveGeometry());
}

} // namespace ui
