#include "app/CollageCommands.h"

#include "app/StoryboardView.h"
#include "app/WindowDialogs.h"
#include "project/CollageSlides.h"
#include "project/SelectionEdits.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"
#include "project/SlideKind.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace ui {

namespace {

// The layout a new collage starts with: two side by side, three with the first one large, four
// in a grid; the collage's page changes it.
project::CollageLayout FirstLayout(std::size_t photos) {
    if (photos == 3)
        return project::CollageLayout::Feature;
    return photos == 4 ? project::CollageLayout::Grid : project::CollageLayout::Side;
}

} // namespace

CollageCommands::CollageCommands(QObject* parent, const project::ShowModel& show,
                                 project::ShowHistory& history, const project::WorkFiles& files,
                                 StoryboardView& view, WindowDialogs& dialogs, ControllerHost host)
    : QObject(parent), show_(show), history_(history), files_(files), view_(view),
      dialogs_(dialogs), host_(std::move(host)) {}

bool CollageCommands::CanMakeCollage() const {
    const std::vector<std::size_t>& picked = view_.PickedSlides();
    if (picked.size() < project::kMinCollagePhotos || picked.size() > project::kMaxCollagePhotos)
        return false;
    return std::all_of(picked.begin(), picked.end(), [this](std::size_t i) {
        return i < show_.Slides().size() &&
               project::KindOf(show_.Slides()[i]) == project::SlideKind::Photo;
    });
}

void CollageCommands::makeCollage() {
    if (host_.IsBusy() || !CanMakeCollage())
        return;
    const std::vector<std::size_t> picked = view_.PickedSlides();
    auto made = project::MakeCollageFromSlides(show_.Slides(), picked, FirstLayout(picked.size()),
                                               files_, show_.Photos());
    if (!made) {
        dialogs_.ShowMessage(QString::fromStdString(made.error()));
        return;
    }
    const project::Slide collage = *made;
    // The photos go and the collage takes the first one's place, as one step.
    std::vector<project::ShowEdit> edits = project::RemovalsOf(picked);
    edits.push_back(project::edit::InsertSlide{picked.front(), std::move(*made)});
    if (auto applied = history_.Apply(std::move(edits), QStringLiteral("make collage")); !applied) {
        // Its working copies belong to no step: they go.
        std::error_code ec;
        std::filesystem::remove(collage.WorkFile, ec);
        collage.ForEachExtraFile(
            [&ec](const std::string& file) { std::filesystem::remove(file, ec); });
        dialogs_.ShowMessage(QString::fromStdString(applied.error()));
        return;
    }
    view_.ShowSlide(static_cast<int>(picked.front()));
}

} // namespace ui
