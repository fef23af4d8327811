#include "project/WorkFolders.h"

#include <QDir>
#include <QLockFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace project {

namespace fs = std::filesystem;

WorkFolders::WorkFolders() = default;
WorkFolders::~WorkFolders() = default;
WorkFolders::WorkFolders(WorkFolders&&) noexcept = default;
WorkFolders& WorkFolders::operator=(WorkFolders&&) noexcept = default;

bool WorkFolders::IsPrivateDir(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

namespace {

// Creates dir with mode 0700 or accepts an existing one that is already private.
bool MakePrivateDir(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    return WorkFolders::IsPrivateDir(dir);
}

bool IsInstanceName(const QString& name) {
    if (name.isEmpty())
        return false;
    for (QChar c : name)
        if (!c.isDigit() && c != '-')
            return false;
    return true;
}

// Removes the folders of earlier instances whose lock nobody holds any more.
void RemoveStaleInstances(const std::string& root, const std::string& own) {
    QDir dir(QString::fromStdString(root));
    const auto entries = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo& info : entries) {
        if (!IsInstanceName(info.fileName()))
            continue;
        const std::string path = info.absoluteFilePath().toStdString();
        if (path == own)
            continue;
        QLockFile other(info.absoluteFilePath() + ".lock");
        other.setStaleLockTime(0);
        if (!other.tryLock(0))
            continue; // that instance still runs
        std::error_code ec;
        fs::remove_all(fs::path(path), ec);
        other.unlock();
    }
}

} // namespace

base::Status WorkFolders::UseRoot(const std::string& root) {
    root_ = root;
    // pid-n: one process may hold more than one show (the tests do).
    static std::atomic<int> claims{0};
    const std::string pid = std::to_string(::getpid()) + "-" + std::to_string(++claims);
    instance_ = root_ + "/" + pid;
    lock_ = std::make_unique<QLockFile>(QString::fromStdString(instance_ + ".lock"));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        lock_.reset();
        return base::Fail("cannot lock the working folder " + instance_);
    }
    RemoveStaleInstances(root_, instance_);
    pictures_ = instance_ + "/pictures/";
    music_ = instance_ + "/music/";
    if (!MakePrivateDir(instance_) || !MakePrivateDir(instance_ + "/pictures") ||
        !MakePrivateDir(instance_ + "/music"))
        return base::Fail("cannot create the working folders under " + instance_);
    return {};
}

namespace {

// The system temporary folder: TMPDIR when it names a folder, otherwise /tmp.
std::string SystemTempFolder() {
    const char* env = std::getenv("TMPDIR");
    struct stat st {};
    if (env != nullptr && *env != '\0' && ::stat(env, &st) == 0 && S_ISDIR(st.st_mode))
        return env;
    return "/tmp";
}

// The private folders made by earlier runs when the usual name was taken: tmp/<name>-XXXXXX,
// ours, mode 0700 and not links; by name.
std::vector<std::string> FallbackRoots(const std::string& tmp, const std::string& name) {
    std::vector<std::string> roots;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(tmp), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().native();
        if (entry.size() == name.size() + 7 && entry.compare(0, name.size() + 1, name + "-") == 0 &&
            WorkFolders::IsPrivateDir(tmp + "/" + entry))
            roots.push_back(tmp + "/" + entry);
    }
    std::sort(roots.begin(), roots.end());
    return roots;
}

} // namespace

base::Status WorkFolders::Claim(const std::string& tempRoot) {
    std::string tmp = tempRoot.empty() ? SystemTempFolder() : tempRoot;
    while (tmp.size() > 1 && tmp.back() == '/')
        tmp.pop_back();
    const std::string name = "reelpane-" + std::to_string(::getuid());
    const std::string root = tmp + "/" + name;
    if (MakePrivateDir(root))
        return UseRoot(root);
    // The usual name is taken by a link, a file or someone else's folder: never use it. A private
    // folder an earlier run made instead is used again, and the copies that runs which ended
    // without cleaning up (a crash, a kill) left in any of them are removed, so they do not
    // pile up run after run.
    const std::vector<std::string> fallbacks = FallbackRoots(tmp, name);
    if (!fallbacks.empty()) {
        for (std::size_t i = 1; i < fallbacks.size(); ++i)
            RemoveStaleInstances(fallbacks[i], std::string());
        return UseRoot(fallbacks.front());
    }
    std::string pattern = root + "-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr)
        return base::Fail("cannot create a private working folder in " + tmp + ": " +
                          std::strerror(errno));
    return UseRoot(std::string(buf.data()));
}

void WorkFolders::Release() {
    if (!instance_.empty()) {
        std::error_code ec;
        fs::remove_all(fs::path(instance_), ec);
    }
    if (lock_)
        lock_->unlock();
    lock_.reset();
}

} // namespace project
