// Adding a whole folder to the image builder: the folder under its own name, everything below it
// in name order. Links to folders are not followed, so a link loop cannot make the tree endless.
#include "disc/iso/IsoImageBuilder.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

namespace disc {

namespace {

constexpr int kMaxFolderDepth = 255;

struct Listing {
    std::vector<std::string> names;
    std::string error;
};

Listing ListFolder(const std::string& path) {
    Listing out;
    DIR* d = ::opendir(path.c_str());
    if (d == nullptr) {
        out.error = "cannot read the folder \"" + path + "\": " + std::strerror(errno);
        return out;
    }
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            out.names.push_back(name);
    }
    ::closedir(d);
    std::sort(out.names.begin(), out.names.end());
    return out;
}

std::string FolderName(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) {
            const std::string r = resolved;
            name = r.substr(r.rfind('/') + 1);
        }
    }
    return name.empty() ? std::string("_") : name;
}

} // namespace

base::Status IsoImageBuilder::InsertTree(DirEntry& dest, const std::string& folderPath) {
    struct stat st {};
    if (::stat(folderPath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return base::Fail("\"" + folderPath + "\" is not a folder");
    const QString name = QFile::decodeName(QByteArray::fromStdString(FolderName(folderPath)));
    DirEntry* top = AddDirectory(dest, name, st.st_mtime);
    if (top == nullptr)
        return base::Fail("cannot add the folder \"" + folderPath + "\" to the image");

    struct Pending {
        std::string path;
        DirEntry* dir;
        int depth;
    };
    std::vector<Pending> stack{{folderPath, top, 1}};
    while (!stack.empty()) {
        const Pending p = stack.back();
        stack.pop_back();
        Listing listing = ListFolder(p.path);
        if (!listing.error.empty())
            return base::Fail(listing.error);
        std::vector<Pending> subfolders;
        for (const std::string& entry : listing.names) {
            const std::string path = p.path + "/" + entry;
            struct stat est {};
            struct stat lst {};
            if (::stat(path.c_str(), &est) != 0 || ::lstat(path.c_str(), &lst) != 0)
                return base::Fail("cannot read \"" + path + "\": " + std::strerror(errno));
            if (S_ISDIR(est.st_mode)) {
                if (S_ISLNK(lst.st_mode)) {
                    Report("LINK TO A FOLDER NOT FOLLOWED: " + path, MessageKind::Info);
                    continue;
                }
                if (p.depth >= kMaxFolderDepth)
                    return base::Fail("folders nested too deeply under \"" + folderPath + "\"");
                DirEntry* sub = AddDirectory(
                    *p.dir, QFile::decodeName(QByteArray::fromStdString(entry)), est.st_mtime);
                if (sub == nullptr)
                    return base::Fail("cannot add the folder \"" + path + "\" to the image");
                subfolders.push_back({path, sub, p.depth + 1});
            } else if (S_ISREG(est.st_mode)) {
                if (AddFile(*p.dir, path) != InsertResult::Added)
                    return base::Fail("cannot add \"" + path + "\" to the image");
            } else {
                Report("NOT A FILE, LEFT OUT: " + path, MessageKind::Info);
            }
        }
        // Depth first, in name order: pushed in reverse so the first name is read first.
        stack.insert(stack.end(), subfolders.rbegin(), subfolders.rend());
    }
    return {};
}

} // namespace disc
