// Fuzzes the project-file reader with arbitrary bytes; the embedded files are copied out and
// handed to an import that refuses them, so only the reader itself is exercised.
#include "project/ProjectFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static const bool ready = [] {
        return QDir().mkpath(dir.path() + "/pictures") && QDir().mkpath(dir.path() + "/music");
    }();
    if (!ready)
        return 0;
    const QString file = dir.path() + "/input.qvs";
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    project::ShowModel show;
    show.PicturesDir = dir.path().toStdString() + "/pictures/";
    show.MusicDir = dir.path().toStdString() + "/music/";
    project::ImportHooks hooks;
    hooks.AddPhoto = [](const std::string& path) {
        return QFile::exists(QString::fromStdString(path)) && false;
    };
    hooks.AddTrack = [](const std::string&) { return false; };
    base::NoProgress progress;
    const auto result = project::LoadProject(show, file.toStdString(), progress, hooks);
    (void)result;
    return 0;
}
