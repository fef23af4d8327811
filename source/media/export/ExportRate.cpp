#include "media/export/ExportRate.h"

#include <cmath>
#include <cstdio>

namespace media {

std::string ExportRateText(std::int64_t done, std::int64_t total, double elapsedSeconds) {
    const double fps = elapsedSeconds > 0 ? static_cast<double>(done) / elapsedSeconds : 0;
    char text[128];
    std::snprintf(text, sizeof text, "%lld / %lld frames, %.1f fps", static_cast<long long>(done),
                  static_cast<long long>(total), fps);
    std::string out = text;
    if (fps > 0 && total > done) {
        const auto left =
            static_cast<long long>(std::ceil(static_cast<double>(total - done) / fps));
        std::snprintf(text, sizeof text, ", %lld:%02lld left", left / 60, left % 60);
        out += text;
    }
    return out;
}

} // namespace media
