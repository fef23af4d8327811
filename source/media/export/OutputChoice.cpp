#include "media/export/OutputChoice.h"

#include "media/video/VideoSink.h"

#include <cctype>

namespace media {

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

void ApplyMp4Settings(const project::OutputSettings& stored, VideoExportOptions& options) {
    const project::OutputSettings s = project::ClampedOutputSettings(stored);
    options.Resolution = s.Mp4Resolution;
    options.Shape = static_cast<VideoShape>(s.Shape);
    options.Fps = s.Fps;
    options.Coding = s.Codec == 1 ? Mp4Coding::H265 : Mp4Coding::H264;
    options.Quality = s.Quality == 1 ? kQualityBest : kQualityGood;
    options.Speed = s.Speed;
    options.Crf = s.Crf;
}

std::optional<std::string> StoredAviCodec(const project::OutputSettings& settings,
                                          const std::vector<std::string>& offered) {
    if (settings.AviCodec == "none")
        return std::string();
    if (settings.AviCodec.empty())
        return std::nullopt;
    for (const std::string& line : offered)
        if (Upper(CodecCodeOfLine(line)) == Upper(settings.AviCodec))
            return CodecCodeOfLine(line);
    return std::nullopt;
}

project::OutputSettings UsedOutputSettings(project::OutputSettings s,
                                           const VideoExportOptions& used) {
    if (!IsMp4Output(used.OutputPath)) {
        s.Container = project::OutputContainer::Avi;
        s.AviCodec = used.Codec.empty() ? std::string("none") : used.Codec.substr(0, 4);
        s.AviResolution = used.Resolution == kResolutionStandard ? 1 : 0;
        return project::ClampedOutputSettings(s);
    }
    s.Container = project::OutputContainer::Mp4;
    s.Mp4Resolution = used.Resolution;
    s.Shape = static_cast<int>(used.Shape);
    s.Fps = used.Fps;
    s.Codec = used.Coding == Mp4Coding::H265 ? 1 : 0;
    s.Quality = used.Quality == kQualityBest ? 1 : 0;
    // The default speed is stored as none, so a show that never chose one stays at the default.
    s.Speed = used.Speed == project::kDefaultEncoderSpeed ? std::string() : used.Speed;
    s.Crf = used.Crf;
    const Mp4Preset* preset = MatchingMp4Preset(used.Resolution, used.Shape, used.Fps, used.Coding);
    s.Preset = preset ? std::string(preset->Key) : std::string();
    return project::ClampedOutputSettings(s);
}

const Mp4Preset* MatchingMp4Preset(int resolution, VideoShape shape, int fps, Mp4Coding codec) {
    for (const Mp4Preset& p : Mp4Presets())
        if (p.Resolution == resolution && p.Shape == shape && p.Fps == fps && p.Codec == codec)
            return &p;
    return nullptr;
}

std::string SizeChoiceText(int resolution) {
    if (const int side = ShortSideOf(resolution); side > 0)
        return std::to_string(side) + "p";
    return resolution == kResolutionStandard ? "standard" : "high";
}

int ExportCrf(const VideoExportOptions& options) {
    return options.Crf > 0 ? options.Crf : QualityCrf(options.Quality);
}

} // namespace media
