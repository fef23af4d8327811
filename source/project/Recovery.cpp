#include "project/Recovery.h"

#include "project/ProjectFile.h"

#include <QDir>
#include <QLockFile>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace project {

namespace {

constexpr const char* kPrefix = "recovery-";
constexpr const char* kStartedMark = "~";

bool ModifiedAt(const std::string& path, std::time_t& when) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    when = st.st_mtime;
    return true;
}

// The photo count of a project file's header; false when the header is not all there or does
// not make sense.
bool PhotoCountOf(const std::string& path, int& count) {
    std::ifstream in(path, std::ios::binary);
    ProjectHeader header{};
    if (!in.read(reinterpret_cast<char*>(&header), sizeof header))
        return false;
    count = header.PhotoCount.get();
    return count >= 0 && header.TrackCount.get() >= 0;
}

} // namespace

std::string RecoveryFolder() {
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    if (!state.isEmpty() && state.startsWith('/'))
        return state.toStdString() + "/reelpane";
    return QDir::homePath().toStdString() + "/.local/state/reelpane";
}

bool MakeRecoveryFolder() {
    const std::string folder = RecoveryFolder();
    if (!QDir().mkpath(QString::fromStdString(folder)))
        return false;
    // The shows in it are the user's own work: nobody else reads them.
    return ::chmod(folder.c_str(), 0700) == 0;
}

RecoveryFiles RecoveryFilesFor(const std::string& instanceDir, std::int64_t started) {
    std::string dir = instanceDir;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    const auto slash = dir.rfind('/');
    const std::string name = slash == std::string::npos ? dir : dir.substr(slash + 1);
    const std::string base =
        RecoveryFolder() + "/" + kPrefix + name + kStartedMark + std::to_string(started);
    return {base + ".qvs", base + ".show"};
}

std::vector<RecoveryOffer> FindRecoveries(const std::string& root) {
    std::vector<RecoveryOffer> offers;
    const QDir locks(QString::fromStdString(root));
    const QDir dir(QString::fromStdString(RecoveryFolder()));
    const QStringList names =
        dir.entryList({QString::fromLatin1(kPrefix) + "*.qvs"}, QDir::Files | QDir::NoSymLinks);
    for (const QString& name : names) {
        // recovery-<instance>~<started>.qvs
        const QString stem = name.mid(int(std::char_traits<char>::length(kPrefix))).chopped(4);
        const int mark = stem.lastIndexOf(QLatin1Char(kStartedMark[0]));
        const QString instance = mark > 0 ? stem.left(mark) : QString();
        bool numbered = false;
        const qlonglong started = mark > 0 ? stem.mid(mark + 1).toLongLong(&numbered) : 0;
        if (instance.isEmpty() || !numbered)
            continue;
        // An instance that still runs holds its lock: its recovery file is its own business.
        // Gone with its folder (a reboot emptied the temporary folder), it runs no more.
        if (locks.exists()) {
            QLockFile lock(locks.filePath(instance + ".lock"));
            lock.setStaleLockTime(0);
            if (!lock.tryLock(0))
                continue;
            lock.unlock();
        }
        RecoveryOffer offer;
        offer.Files = RecoveryFilesFor(instance.toStdString(), started);
        {
            std::ifstream side(offer.Files.ShowPath, std::ios::binary);
            offer.OriginalShow.assign(std::istreambuf_iterator<char>(side),
                                      std::istreambuf_iterator<char>());
        }
        std::time_t showTime = 0;
        const bool fresh = ModifiedAt(offer.Files.Show, offer.SavedAt) &&
                           PhotoCountOf(offer.Files.Show, offer.PhotoCount) &&
                           !(!offer.OriginalShow.empty() &&
                             ModifiedAt(offer.OriginalShow, showTime) && showTime > offer.SavedAt);
        if (!fresh) {
            DeleteRecovery(offer.Files);
            continue;
        }
        offers.push_back(std::move(offer));
    }
    std::sort(offers.begin(), offers.end(),
              [](const RecoveryOffer& a, const RecoveryOffer& b) { return a.SavedAt > b.SavedAt; });
    return offers;
}

void DeleteRecovery(const RecoveryFiles& files) {
    std::remove(files.Show.c_str());
    std::remove(files.ShowPath.c_str());
}

} // namespace project
