// A window test's own world in one temporary folder: its scratch files and settings there, no
// language files (the built-in texts), and a photo of one colour to import.
#pragma once

#include "base/ProgramFolder.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSettings>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

namespace window_test {

// The scratch files, settings and program folder in tmp.
inline void UseTestFolder(const QTemporaryDir& tmp) {
    qputenv("TMPDIR", tmp.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp.path());
    base::SetProgramFolderForTesting(tmp.path());
}

// The same, with a photo of one colour: its path, empty when it could not be written.
inline QString UseTestFolder(const QTemporaryDir& tmp, QSize photoSize, QColor photoColor) {
    UseTestFolder(tmp);
    QImage image(photoSize, QImage::Format_RGB32);
    image.fill(photoColor);
    const QString photo = tmp.filePath("photo.png");
    return image.save(photo) ? photo : QString();
}

} // namespace window_test
