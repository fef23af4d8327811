#include "cli/TitleCommands.h"
#include "cli/Failure.h"

#include "base/FileName.h"
#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "cli/ShowJobs.h"
#include "project/ProjectFile.h"
#include "project/ShowSession.h"
#include "project/TitleSlides.h"

#include <cstdio>

namespace cli {

namespace {

const char kTitleUsage[] = "usage: edit SHOW.qvs --insert-title N --text TEXT [--subtitle TEXT]"
                           " [--backdrop RRGGBB|RRGGBB-RRGGBB|blur] [--seconds S]"
                           " [--text-motion none|fade|rise|typewriter|zoom]";

constexpr std::int64_t kDefaultTitleMs = 4000;

} // namespace

bool IsTitleInsert(const QStringList& args) {
    return args.contains("--insert-title");
}

int RunTitleInsert(const QStringList& args) {
    QString showPath;
    int before = 0; // 1-based
    imaging::TitleSettings title;
    bool hasText = false;
    std::int64_t stillMs = kDefaultTitleMs;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        QString v;
        const auto value = [&] { return NextValue(args, i, v); };
        if (a == "--insert-title") {
            if (!value() || !ParseInt(v, 1, 1000000, before))
                return Fail("--insert-title needs a slide number from 1");
        } else if (a == "--text") {
            if (!value())
                return Fail("--text needs the title's text");
            title.Title = v.toStdString();
            hasText = true;
        } else if (a == "--subtitle") {
            if (!value())
                return Fail("--subtitle needs a text");
            title.Subtitle = v.toStdString();
        } else if (a == "--backdrop") {
            const auto parsed =
                value() ? imaging::ParseBackdrop(v.toStdString(), title) : std::nullopt;
            if (!parsed)
                return Fail("--backdrop needs RRGGBB, RRGGBB-RRGGBB or blur");
            title = *parsed;
        } else if (a == "--seconds") {
            if (!value() || !ParseTenths(v, 100, 3600 * 1000, stillMs))
                return Fail("--seconds needs 0.1 to 3600 in steps of 0.1");
        } else if (a == "--text-motion") {
            const auto motion = value() ? imaging::ParseTextMotion(v.toStdString()) : std::nullopt;
            if (!motion)
                return Fail("--text-motion needs none, fade, rise, typewriter or zoom");
            title.Motion = *motion;
        } else if (a.startsWith("--")) {
            return Fail("unknown option " + a + " with --insert-title");
        } else if (showPath.isEmpty()) {
            showPath = a;
        } else {
            return Fail("unexpected argument " + a);
        }
    }
    if (showPath.isEmpty() || before == 0 || !hasText)
        return Fail(kTitleUsage);
    if (const auto valid = project::ValidateTitle(title); !valid)
        return Fail(QString::fromStdString("--text: " + valid.error()));

    project::ShowSession session;
    if (const auto done = OpenShowToEdit(session, showPath); !done)
        return Fail(done.error());
    const std::string path = base::EncodeFileName(showPath);
    const std::vector<project::Slide> slides = session.Show().Slides();
    if (before > static_cast<int>(slides.size()) + 1)
        return Fail(QString("no place %1: the show has %2 slides (%3 appends)")
                        .arg(before)
                        .arg(slides.size())
                        .arg(slides.size() + 1));
    const auto index = static_cast<std::size_t>(before - 1);
    auto made = project::MakeTitleSlide(slides, index, title, stillMs, session.Files(),
                                        session.Show().Photos());
    if (!made)
        return Fail(QString::fromStdString(made.error()));
    if (const auto applied = session.History().Apply(
            {project::edit::InsertSlide{index, std::move(*made)}}, QStringLiteral("title"));
        !applied)
        return Fail(QString::fromStdString(applied.error()));
    if (const auto done = SaveEditedShow(session, showPath); !done)
        return Fail(done.error());
    std::fprintf(stderr, "reelpane-cli: inserted a title as slide %d of %zu in %s\n", before,
                 session.Show().Slides().size(), path.c_str());
    return 0;
}

} // namespace cli
