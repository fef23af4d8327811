// The project tests' stand-in for an import: a file becomes a new item's working copy as it is.
// These name the copy and append the item, so each test says only how the bytes get there.
#pragma once

#include "project/ShowContent.h"
#include "project/WorkFiles.h"

#include <string>

namespace testsupport {

// The working copy's name for the file at path: in the pictures or the music folder, with the
// file's own extension.
inline std::string WorkingNameFor(const project::WorkFiles& files, const std::string& path,
                                  bool photo) {
    return files.MakeWorkName(photo ? files.PicturesDir() : files.MusicDir(),
                              path.substr(path.rfind('.')));
}

// A slide (photo) or a track at the end of show, drawn or played from workFile.
inline void AppendItem(project::ShowContent& show, const std::string& workFile, bool photo) {
    if (photo) {
        auto s = project::Slide::MakeDefault();
        s.WorkFile = workFile;
        show.Slides.push_back(s);
    } else {
        auto t = project::Track::MakeDefault();
        t.WorkFile = workFile;
        show.Sounds.push_back(t);
    }
}

} // namespace testsupport
