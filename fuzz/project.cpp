// Fuzzes the project-file reader with arbitrary bytes. The embedded files are copied out and
// taken by a stand-in import that keeps each one as its item's working copy, so the reader's
// path that copies the stored fields onto imported items is exercised too.
#include "project/ProjectFile.h"
#include "project/ShowSession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

// Moves the extracted file to a fresh working name and appends a default record for it.
project::ImportStatus KeepAsItem(project::ShowContent& show, const project::WorkFiles& files,
                                 const std::string& path, bool photo) {
    const std::string ext = path.substr(path.rfind('.'));
    const std::string name =
        files.MakeWorkName(photo ? files.PicturesDir() : files.MusicDir(), ext);
    if (name.empty() || !QFile::copy(QString::fromStdString(path), QString::fromStdString(name)))
        return base::Fail("cannot keep " + path);
    if (photo) {
        auto s = project::Slide::MakeDefault();
        s.WorkFile = name;
        show.Slides.push_back(s);
    } else {
        auto t = project::Track::MakeDefault();
        t.WorkFile = name;
        show.Sounds.push_back(t);
    }
    return project::ImportNote{};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static project::ShowSession session;
    static const bool ready = session.Open(dir.path().toStdString()).ok();
    if (!ready)
        return 0;
    const QString file = dir.path() + "/input.qvs";
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    project::ShowContent show;
    project::WorkFiles files = session.Files();
    project::ImportHooks hooks;
    hooks.AddPhoto = [&](const std::string& path) { return KeepAsItem(show, files, path, true); };
    hooks.AddTrack = [&](const std::string& path) { return KeepAsItem(show, files, path, false); };
    base::NoProgress progress;
    const auto result = project::LoadProject(show, files, file.toStdString(), progress, hooks);
    (void)result;
    project::DiscardShow(show, files);
    return 0;
}
