#include "app/MusicEndNotice.h"

#include "base/Language.h"
#include "media/music/MixPlan.h"
#include "media/music/ShowFitting.h"
#include "media/music/ShowMix.h"
#include "project/Duration.h"
#include "render/ShowTimeline.h"

namespace ui {

QString MusicEndNotice(const project::ShowContent& before, const project::ShowContent& after) {
    const std::int64_t wasMs = render::ShowTimeline::Of(before).LengthMs();
    const std::int64_t nowMs = render::ShowTimeline::Of(after).LengthMs();
    if (wasMs == nowMs || !media::EndsWithTheMusic(before) || media::EndsWithTheMusic(after))
        return {};
    const std::int64_t musicMs = media::PlannedMusicMs(media::MixPlanOf(after, 0));
    return base::Tr(base::TextKey::MusicEndLost,
                    "Показ больше не заканчивается вместе с музыкой: теперь он длится %1, "
                    "музыка — %2. Чтобы вернуть, отмените действие или снова подгоните фото под "
                    "музыку.")
        .arg(QString::fromStdString(project::FormatDurationMs(nowMs)))
        .arg(QString::fromStdString(project::FormatDurationMs(musicMs)));
}

} // namespace ui
