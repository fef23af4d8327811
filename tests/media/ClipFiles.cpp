#include "ClipFiles.h"

#include "AudioFiles.h"
#include "AviProbe.h"

#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace clip_files {

using testing_audio::Quote;

namespace {
QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}
} // namespace

std::string CounterFilter() {
    return "geq=lum='if(lt(Y,H/2),255*mod(floor(N/pow(2,floor(X*8/W))),2),lum(X,Y))'"
           ":cb='if(lt(Y,H/2),128,cb(X,Y))':cr='if(lt(Y,H/2),128,cr(X,Y))'";
}

std::string Source(int rate, double seconds) {
    return "-f lavfi -i testsrc2=size=320x240:rate=" + std::to_string(rate) +
           " -f lavfi -i sine=f=440:r=48000 -t " + std::to_string(seconds);
}

std::string Vf(const std::string& before, const std::string& after) {
    return Quote(before + "," + CounterFilter() + after);
}

std::string Make(const std::string& name, const std::string& args) {
    const std::string out = Folder().filePath(QString::fromStdString(name)).toStdString();
    if (!testing_audio::RunTool("ffmpeg -nostdin -v error -y " + args + " " + Quote(out)))
        return {};
    return out;
}

int ReadCounter(const std::uint8_t* bgr, int width, int height, int rotation) {
    int value = 0;
    for (int bit = 0; bit < 8; ++bit) {
        // The block's centre in the stored picture (u across, v down, 0..1), then as shown.
        const double u = (bit + 0.5) / 8, v = 0.25;
        double x = u, y = v;
        if (rotation == 90) {
            x = 1 - v;
            y = u;
        } else if (rotation == 180) {
            x = 1 - u;
            y = 1 - v;
        } else if (rotation == 270) {
            x = v;
            y = 1 - u;
        }
        const int cx = static_cast<int>(x * width), cy = static_cast<int>(y * height);
        long sum = 0, n = 0;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const std::uint8_t* p = bgr + (static_cast<long>(cy + dy) * width + (cx + dx)) * 3;
                sum += p[0] + p[1] + p[2];
                n += 3;
            }
        if (sum / n > 100)
            value |= 1 << bit;
    }
    return value;
}

int ReadCounter(const imaging::Bitmap& picture, int rotation) {
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(picture.Width) * picture.Height * 3);
    for (int y = 0; y < picture.Height; ++y)
        std::copy_n(picture.Row(y), picture.Width * 3, packed.data() + y * picture.Width * 3);
    return ReadCounter(packed.data(), picture.Width, picture.Height, rotation);
}

std::vector<double> FrameTimesMs(const std::string& path) {
    const double start =
        std::atof(avi_probe::Capture(
                      "ffprobe -v error -show_entries format=start_time -of csv=p=0 " + Quote(path))
                      .c_str());
    std::istringstream lines(avi_probe::Capture(
        "ffprobe -v error -select_streams v:0 -show_entries frame=best_effort_timestamp_time "
        "-of csv=p=0 " +
        Quote(path)));
    std::vector<double> times;
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty() && line.find_first_of("0123456789") == 0)
            times.push_back((std::atof(line.c_str()) - start) * 1000);
    return times;
}

std::vector<std::vector<std::uint8_t>> FfmpegFrames(const std::string& path, const std::string& vf,
                                                    int width, int height) {
    const std::string raw = avi_probe::Capture(
        "ffmpeg -nostdin -v error -i " + Quote(path) + (vf.empty() ? "" : " -vf " + Quote(vf)) +
        " -an -fps_mode passthrough -f rawvideo -pix_fmt bgr24 -");
    const std::size_t frame = static_cast<std::size_t>(width) * height * 3;
    std::vector<std::vector<std::uint8_t>> frames;
    for (std::size_t at = 0; at + frame <= raw.size(); at += frame)
        frames.emplace_back(raw.begin() + static_cast<long>(at),
                            raw.begin() + static_cast<long>(at + frame));
    return frames;
}

double Psnr(const imaging::Bitmap& picture, const std::vector<std::uint8_t>& bgr) {
    if (bgr.size() != static_cast<std::size_t>(picture.Width) * picture.Height * 3)
        return 0;
    double squares = 0;
    for (int y = 0; y < picture.Height; ++y) {
        const std::uint8_t* a = picture.Row(y);
        const std::uint8_t* b = bgr.data() + static_cast<std::size_t>(y) * picture.Width * 3;
        for (int i = 0; i < picture.Width * 3; ++i) {
            const double d = a[i] - b[i];
            squares += d * d;
        }
    }
    const double mse = squares / (static_cast<double>(bgr.size()));
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string out = Folder().filePath(QString::fromStdString(name)).toStdString();
    std::ofstream file(out, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return out;
}

} // namespace clip_files
