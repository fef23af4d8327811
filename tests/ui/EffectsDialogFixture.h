// What the effects dialog's tests share: a working file of their own, the dialog opened on it as
// the window opens it, and its edits stored as the window stores them.
#pragma once

#include "Outcomes.h"
#include "app/SlidePicture.h"
#include "imaging/BmpFile.h"
#include "imaging/Colors.h"
#include "imaging/ui/EffectsDialog.h"
#include "imaging/ui/MotionEditor.h"
#include "imaging/ui/MotionPreviewBox.h"
#include "project/Import.h"
#include "project/ProjectFile.h"
#include "project/ProjectOpen.h"
#include "project/ShowSession.h"
#include "project/Slide.h"
#include "project/SlideEdits.h"
#include "render/FrameRenderer.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using ui::EffectsDialog;

namespace effects_fixture {

struct Px {
    int b, g, r;
    bool operator==(const Px&) const = default;
};

inline Px At(const imaging::Bitmap& bmp, int x, int y) {
    const std::uint8_t* p = bmp.Row(y) + x * 3;
    return {p[0], p[1], p[2]};
}

inline imaging::Bitmap Gradient(int w, int h) {
    imaging::Bitmap b = imaging::Bitmap::CreateSized(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.Row(y) + x * 3;
            p[0] = static_cast<std::uint8_t>(x * 255 / w);
            p[1] = static_cast<std::uint8_t>(y * 255 / h);
            p[2] = 90;
        }
    return b;
}

inline bool SameBitmap(const imaging::Bitmap& a, const imaging::Bitmap& b) {
    if (a.Width != b.Width || a.Height != b.Height)
        return false;
    for (int y = 0; y < a.Height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<std::size_t>(a.Width) * 3) != 0)
            return false;
    return true;
}

} // namespace effects_fixture

using namespace effects_fixture;

class EffectsDialogFixture : public QObject {
protected:
    QTemporaryDir dir;
    std::string work;
    project::Slide slide;
    imaging::Bitmap thumb;
    int questions = 0;
    bool answer = true;

    void Prepare(const imaging::Bitmap& picture) {
        work = dir.filePath(QString("w%1.bmp").arg(++files)).toStdString();
        QVERIFY(imaging::SaveBmpFile(work, picture));
        slide = project::Slide::MakeDefault();
        slide.WorkFile = work;
        thumb = Gradient(90, 90);
        questions = 0;
        // The pictures without a caption, kept as the window's history keeps them.
        QVERIFY(QDir().mkpath(dir.filePath("kept")));
        captions.SetFolder(dir.filePath("kept").toStdString() + "/");
    }
    // The working pictures of the dialogs opened by the running test; each outlives its dialog.
    project::CaptionBases captions;
    std::vector<std::unique_ptr<ui::SlidePicture>> pictures;
    std::unique_ptr<EffectsDialog> Open(int page) {
        auto& picture = pictures.emplace_back(
            std::make_unique<ui::SlidePicture>(slide, project::PhotoSettings{"400x300"}, captions));
        live = picture.get();
        auto d = ui::OpenEffects(slide, *picture, "400x300", thumb, page);
        d->Ask = [this](const QString&, const QString&) {
            ++questions;
            return answer;
        };
        d->ShowError = [](const QString& m) { QFAIL(qPrintable("unexpected message: " + m)); };
        return d;
    }
    // The dialog open last, until its edits are stored.
    ui::SlidePicture* live = nullptr;
    // What the window does when the dialog closes: its edits stored on the slide and its file,
    // each through the core's one slide edit.
    void Store(const EffectsDialog& d) {
        QVERIFY(live != nullptr);
        for (const project::SlideEdit& e : ui::EditsOf(slide, *live, d))
            QVERIFY(project::EditSlide(slide, e, project::PhotoSettings{"400x300"}, nullptr,
                                       &captions));
        live = nullptr;
    }
    // The working picture: as the open dialog makes it, or as stored.
    imaging::Bitmap Work() const {
        if (live != nullptr)
            return live->Picture();
        auto b = imaging::LoadBmpFile(work);
        return b ? std::move(*b) : imaging::Bitmap();
    }
    // No file beside the working one: the dialog writes none of the show's files.
    bool NoBackups() const {
        const QFileInfo info(QString::fromStdString(work));
        return info.dir().entryList(QDir::Files).filter(info.fileName()) ==
               QStringList{info.fileName()};
    }
    int files = 0;
};
