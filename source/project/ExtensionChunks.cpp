#include "project/ExtensionChunks.h"

#include "imaging/TransitionKinds.h"

#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace project::extension_chunks {

namespace {

constexpr double kFaceUnits = 65535.0;
constexpr std::int32_t kMaxMs = static_cast<std::int32_t>(kMaxSlideMs);

std::int32_t MsInRange(std::int32_t v) {
    return v >= 0 && v <= kMaxMs ? v : 0;
}

template <std::size_t N> void PutText(std::array<char, N>& field, const std::string& text) {
    field.fill('\0');
    std::memcpy(field.data(), text.data(), std::min(text.size(), N));
}

template <std::size_t N> std::string GetText(const std::array<char, N>& field) {
    std::string text(field.data(), N);
    return text.substr(0, text.find('\0'));
}

std::int32_t ColorInRange(std::int32_t v, std::int32_t fallback) {
    return v >= 0 && v <= 0xFFFFFF ? v : fallback;
}

} // namespace

std::optional<std::string> ExactText(const std::uint8_t* p, std::size_t size, int maxCharacters) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(
        QByteArrayView(reinterpret_cast<const char*>(p), static_cast<qsizetype>(size)));
    if (decoder.hasError() || text.toStdU32String().size() > std::size_t(maxCharacters))
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(p), size);
}

double InRange(double v, double lo, double hi, double fallback) {
    return std::isfinite(v) && v >= lo && v <= hi ? v : fallback;
}

StoredSlideExtension FromChunk(const SlideChunk& c) {
    StoredSlideExtension stored;
    stored.StillMs = MsInRange(c.ShowMs);
    stored.TransitionMs = MsInRange(c.TransitionMs);
    SlideExtension& e = stored.Ext;
    // Kinds beyond the records' 0..13 have codes from 14 on; anything else means none.
    const std::int32_t kind = c.TransitionKind;
    e.TransitionKind = imaging::IsSmoothTransition(kind) ? kind : 0;
    if (c.MotionMode <= static_cast<std::uint8_t>(imaging::MotionMode::Manual))
        e.Motion.Mode = static_cast<imaging::MotionMode>(c.MotionMode);
    if (c.MotionEasing <= static_cast<std::uint8_t>(imaging::MotionEasing::Ease))
        e.Motion.Easing = static_cast<imaging::MotionEasing>(c.MotionEasing);
    imaging::MotionState* states[2] = {&e.Motion.Start, &e.Motion.End};
    for (int i = 0; i < 2; ++i) {
        states[i]->Cx = InRange(c.Motion[3 * i], 0.0, 1.0, 0.5);
        states[i]->Cy = InRange(c.Motion[3 * i + 1], 0.0, 1.0, 0.5);
        states[i]->Z = InRange(c.Motion[3 * i + 2], 1.0, imaging::kMaxMotionZoom, 1.0);
    }
    return stored;
}

TrackExtension FromChunk(const TrackChunk& c) {
    TrackExtension e;
    e.FadeInSeconds = InRange(c.FadeInSeconds, 0.0, kMaxFadeSeconds, 0.0);
    e.FadeOutSeconds = InRange(c.FadeOutSeconds, 0.0, kMaxFadeSeconds, 0.0);
    e.HasLoudness = c.HasLoudness == 1 && std::isfinite(c.LoudnessLufs.get()) &&
                    std::isfinite(c.TruePeakDb.get());
    if (e.HasLoudness) {
        e.LoudnessLufs = InRange(c.LoudnessLufs, -200.0, 30.0, -200.0);
        e.TruePeakDb = InRange(c.TruePeakDb, -200.0, 30.0, 0.0);
    }
    return e;
}

OutputChunk ToChunk(const OutputSettings& s) {
    OutputChunk c{};
    c.Container = static_cast<std::uint8_t>(s.Container);
    PutText(c.AviCodec, s.AviCodec);
    c.AviResolution = static_cast<std::uint8_t>(s.AviResolution);
    c.Mp4Resolution = static_cast<std::uint8_t>(s.Mp4Resolution);
    c.Shape = static_cast<std::uint8_t>(s.Shape);
    c.Fps = static_cast<std::uint8_t>(s.Fps);
    c.Codec = static_cast<std::uint8_t>(s.Codec);
    c.Quality = static_cast<std::uint8_t>(s.Quality);
    const auto speed = EncoderSpeedIndex(s.Speed);
    c.Speed = speed ? static_cast<std::uint8_t>(*speed + 1) : 0;
    c.Crf = static_cast<std::uint8_t>(s.Crf);
    PutText(c.Preset, s.Preset);
    return c;
}

OutputSettings FromChunk(const OutputChunk& c) {
    OutputSettings s;
    s.Container = c.Container == 1 ? OutputContainer::Mp4 : OutputContainer::Avi;
    s.AviCodec = GetText(c.AviCodec);
    s.AviResolution = c.AviResolution;
    s.Mp4Resolution = c.Mp4Resolution;
    s.Shape = c.Shape;
    s.Fps = c.Fps;
    s.Codec = c.Codec;
    s.Quality = c.Quality;
    if (c.Speed >= 1 && c.Speed <= kEncoderSpeeds.size())
        s.Speed = std::string(kEncoderSpeeds[c.Speed - 1u]);
    s.Crf = c.Crf;
    s.Preset = GetText(c.Preset);
    return ClampedOutputSettings(s);
}

base::le_u16 FaceUnits(double fraction) {
    return static_cast<std::uint16_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * kFaceUnits));
}

void AppendFaceBoxes(std::vector<std::uint8_t>& out, const std::vector<imaging::FaceBox>& faces) {
    for (std::size_t k = 0; k < std::min(faces.size(), imaging::kMaxFaces); ++k) {
        const imaging::FaceBox& f = faces[k];
        const FaceBoxRecord r{FaceUnits(f.X), FaceUnits(f.Y), FaceUnits(f.W), FaceUnits(f.H)};
        const auto* b = reinterpret_cast<const std::uint8_t*>(&r);
        out.insert(out.end(), b, b + sizeof r);
    }
}

std::optional<std::vector<imaging::FaceBox>> ReadFaceBoxes(const std::uint8_t* p, std::size_t room,
                                                           std::uint32_t count) {
    if (std::uint64_t{count} * sizeof(FaceBoxRecord) > room)
        return std::nullopt;
    std::vector<imaging::FaceBox> faces;
    for (std::uint32_t k = 0; k < std::min<std::uint32_t>(count, imaging::kMaxFaces); ++k) {
        FaceBoxRecord r;
        std::memcpy(&r, p + k * sizeof r, sizeof r);
        const imaging::FaceBox box =
            imaging::ClampFace({r.X.get() / kFaceUnits, r.Y.get() / kFaceUnits,
                                r.W.get() / kFaceUnits, r.H.get() / kFaceUnits});
        if (!box.IsEmpty())
            faces.push_back(box);
    }
    return faces;
}

std::optional<imaging::TextMotion> MotionOf(std::uint8_t code) {
    if (code >= imaging::kTextMotionCount)
        return std::nullopt;
    return static_cast<imaging::TextMotion>(code);
}

std::optional<imaging::TitleSettings> ReadTitle(const TitleChunk& c, const std::uint8_t* p,
                                                std::uint32_t length) {
    if (std::uint64_t{c.TitleBytes} + c.SubtitleBytes > length - sizeof c)
        return std::nullopt;
    auto title = ExactText(p + sizeof c, c.TitleBytes, imaging::kMaxTitleCardCharacters);
    auto subtitle =
        ExactText(p + sizeof c + c.TitleBytes, c.SubtitleBytes, imaging::kMaxTitleCardCharacters);
    if (!title || !subtitle)
        return std::nullopt;
    imaging::TitleSettings t;
    t.Title = std::move(*title);
    t.Subtitle = std::move(*subtitle);
    if (c.Backdrop <= static_cast<std::uint8_t>(imaging::TitleBackdrop::Blur))
        t.Backdrop = static_cast<imaging::TitleBackdrop>(c.Backdrop);
    t.Motion = MotionOf(c.Motion).value_or(imaging::TextMotion::None);
    t.Color1 = ColorInRange(c.Color1, t.Color1);
    t.Color2 = ColorInRange(c.Color2, t.Color2);
    t.TextColor = ColorInRange(c.TextColor, t.TextColor);
    return t;
}

std::string ClipNameToStore(const std::string& name) {
    const QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    return text.left(kMaxClipNameCharacters).toStdString();
}

std::optional<StoredClip> ReadClip(const ClipChunk& c, const std::uint8_t* p,
                                   std::uint32_t length) {
    if (c.NameBytes.get() > length - sizeof c)
        return std::nullopt;
    auto name = ExactText(p + sizeof c, c.NameBytes, kMaxClipNameCharacters);
    const std::int64_t lengthMs = c.LengthMs;
    if (!name || lengthMs < kMinClipMs || lengthMs > kMaxSlideMs || c.Bytes.get() == 0)
        return std::nullopt;
    StoredClip stored;
    stored.Offset = c.Offset;
    stored.Bytes = c.Bytes;
    ClipSettings& clip = stored.Settings;
    clip.Name = std::move(*name);
    clip.LengthMs = lengthMs;
    clip.InMs = c.InMs;
    clip.OutMs = c.OutMs;
    if (clip.InMs < 0 || clip.OutMs > lengthMs || clip.OutMs - clip.InMs < kMinClipMs) {
        clip.InMs = 0;
        clip.OutMs = lengthMs;
    }
    clip.Volume = std::min<std::int32_t>(c.Volume.get(), kMaxClipVolume);
    clip.Mute = c.Mute != 0;
    return stored;
}

} // namespace project::extension_chunks
