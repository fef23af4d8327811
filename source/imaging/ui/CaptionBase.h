// The copy of a slide's working picture taken before its first caption, so that a caption
// applied again replaces the earlier one instead of being drawn over it. Beside the copy, a list
// of the fingerprints of every picture made from it by drawing a caption: the copy stands for
// the working picture only while the picture is one of those (or the copy itself). After any
// other change to the picture (a turn, a crop, an undo past the caption) it no longer does, and
// the next caption takes a new copy.
#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QString>

#include <string>

namespace ui {

class CaptionBase {
public:
    explicit CaptionBase(std::string workFile);

    // True when the copy exists and the working picture is the copy with a caption (or without).
    bool StandsForPicture() const;
    // Before a caption is drawn: the working picture goes back to the copy when the copy stands
    // for it, otherwise the copy is taken anew from the picture as it is.
    base::Status Prepare();
    // After a caption was drawn: the working picture as it is now is one made from the copy.
    void Remember();
    // Puts the picture back without any caption and drops the copy; false when the copy does
    // not stand for the picture (nothing is changed then).
    base::Result<bool> Restore();
    // Removes the copy and its list.
    void Drop();

    QString CopyPath() const;
    QString ListPath() const;

private:
    QByteArray PictureSum() const;

    std::string workFile_;
};

} // namespace ui
