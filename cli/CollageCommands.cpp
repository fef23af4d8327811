#include "cli/CollageCommands.h"
#include "cli/Failure.h"

#include "base/FileName.h"
#include "cli/Commands.h"
#include "cli/ShowJobs.h"
#include "project/CollageSlides.h"
#include "project/ShowSession.h"

#include <cstdio>

namespace cli {

namespace {

const char kCollageUsage[] =
    "usage: edit SHOW.qvs --insert-collage N --layout side|stack|grid|feature PHOTO PHOTO"
    " [PHOTO PHOTO] [--seconds S]";

} // namespace

bool IsCollageInsert(const QStringList& args) {
    return args.contains("--insert-collage");
}

int RunCollageInsert(const QStringList& args) {
    QString showPath;
    int before = 0; // 1-based
    std::optional<project::CollageLayout> layout = project::CollageLayout::Side;
    std::optional<std::int64_t> stillMs;
    std::vector<std::string> photos;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        QString v;
        const auto value = [&] { return NextValue(args, i, v); };
        if (a == "--insert-collage") {
            if (!value() || !ParseInt(v, 1, 1000000, before))
                return Fail("--insert-collage needs a slide number from 1");
        } else if (a == "--layout") {
            layout = value() ? project::ParseCollageLayout(v.toStdString()) : std::nullopt;
            if (!layout)
                return Fail("--layout needs side, stack, grid or feature");
        } else if (a == "--seconds") {
            std::int64_t ms = 0;
            if (!value() || !ParseTenths(v, 100, 3600 * 1000, ms))
                return Fail("--seconds needs 0.1 to 3600 in steps of 0.1");
            stillMs = ms;
        } else if (a.startsWith("--")) {
            return Fail("unknown option " + a + " with --insert-collage");
        } else if (showPath.isEmpty()) {
            showPath = a;
        } else {
            photos.push_back(base::EncodeFileName(a));
        }
    }
    if (showPath.isEmpty() || before == 0)
        return Fail(kCollageUsage);
    if (photos.size() < project::kMinCollagePhotos || photos.size() > project::kMaxCollagePhotos)
        return Fail(QString("a collage takes 2 to 4 photos, not %1\n%2")
                        .arg(photos.size())
                        .arg(kCollageUsage));

    project::ShowSession session;
    if (const auto opened = OpenShowToEdit(session, showPath); !opened)
        return Fail(opened.error());
    const std::string path = base::EncodeFileName(showPath);
    const std::size_t count = session.Show().Slides().size();
    if (before > static_cast<int>(count) + 1)
        return Fail(QString("no place %1: the show has %2 slides (%3 appends)")
                        .arg(before)
                        .arg(count)
                        .arg(count + 1));
    auto made =
        project::MakeCollageFromFiles(photos, *layout, session.Files(), session.Show().Photos());
    if (!made)
        return Fail(QString::fromStdString(made.error()));
    if (stillMs)
        made->StillMs = *stillMs;
    const auto index = static_cast<std::size_t>(before - 1);
    if (const auto applied = session.History().Apply(
            {project::edit::InsertSlide{index, std::move(*made)}}, QStringLiteral("collage"));
        !applied)
        return Fail(QString::fromStdString(applied.error()));
    if (const auto done = SaveEditedShow(session, showPath); !done)
        return Fail(done.error());
    std::fprintf(stderr,
                 "reelpane-cli: inserted a collage of %zu photos as slide %d of %zu in %s\n",
                 photos.size(), before, session.Show().Slides().size(), path.c_str());
    return 0;
}

} // namespace cli
