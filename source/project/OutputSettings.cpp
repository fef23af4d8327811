#include "project/OutputSettings.h"

#include <algorithm>
#include <cctype>

namespace project {

namespace {

// Letters and digits only: a code or key read from a file never carries anything else.
bool IsPlainWord(const std::string& text, std::size_t maxLength) {
    return text.size() <= maxLength && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) != 0;
           });
}

int InSet(int value, std::initializer_list<int> allowed, int fallback) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end() ? value : fallback;
}

} // namespace

std::optional<std::size_t> EncoderSpeedIndex(std::string_view name) {
    for (std::size_t i = 0; i < kEncoderSpeeds.size(); ++i)
        if (kEncoderSpeeds[i] == name)
            return i;
    return std::nullopt;
}

OutputSettings ClampedOutputSettings(OutputSettings s) {
    const OutputSettings d;
    if (s.Container != OutputContainer::Avi && s.Container != OutputContainer::Mp4)
        s.Container = d.Container;
    if (!IsPlainWord(s.AviCodec, 4) || (!s.AviCodec.empty() && s.AviCodec.size() != 4))
        s.AviCodec = d.AviCodec;
    s.AviResolution = InSet(s.AviResolution, {0, 1}, d.AviResolution);
    s.Mp4Resolution = InSet(s.Mp4Resolution, {0, 1, 2, 3, 4, 5}, d.Mp4Resolution);
    s.Shape = InSet(s.Shape, {0, 1, 2, 3}, d.Shape);
    s.Fps = InSet(s.Fps, {24, 25, 30, 50, 60}, d.Fps);
    s.Codec = InSet(s.Codec, {0, 1}, d.Codec);
    s.Quality = InSet(s.Quality, {0, 1}, d.Quality);
    if (!IsPlainWord(s.Preset, 8))
        s.Preset = d.Preset;
    if (!s.Speed.empty() && !EncoderSpeedIndex(s.Speed))
        s.Speed = d.Speed;
    if (s.Crf < 0 || s.Crf > kMaxCrf)
        s.Crf = d.Crf;
    return s;
}

} // namespace project
