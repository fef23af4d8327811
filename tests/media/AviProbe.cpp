#include "AviProbe.h"

#include "AudioFiles.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>

namespace avi_probe {

using testing_audio::Quote;

std::string Capture(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return out;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0)
        out.append(buf, n);
    return out;
}

std::map<std::string, std::string> Stream(const std::string& path, const std::string& which) {
    const std::string out = Capture("ffprobe -v error -count_frames -select_streams " + which +
                                    " -show_streams -of default=nw=1 " + Quote(path));
    std::map<std::string, std::string> values;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

std::string DecodeErrors(const std::string& path) {
    return Capture("ffmpeg -nostdin -v error -i " + Quote(path) + " -f null - 2>&1");
}

std::vector<bool> KeyFrames(const std::string& path) {
    const std::string out = Capture("ffprobe -v error -select_streams v:0 -show_entries "
                                    "packet=flags -of csv=p=0 " +
                                    Quote(path));
    std::vector<bool> keys;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty())
            keys.push_back(line.find('K') != std::string::npos);
    return keys;
}

std::vector<std::uint8_t> DecodeFrames(const std::string& path, const std::string& pixFmt) {
    const std::string out = Capture("ffmpeg -nostdin -v error -i " + Quote(path) +
                                    " -map 0:v:0 -f rawvideo -pix_fmt " + pixFmt + " -");
    return {out.begin(), out.end()};
}

std::vector<std::int16_t> DecodeAudio(const std::string& path) {
    const std::string out =
        Capture("ffmpeg -nostdin -v error -i " + Quote(path) + " -map 0:a:0 -f s16le -");
    std::vector<std::int16_t> samples(out.size() / 2);
    std::memcpy(samples.data(), out.data(), samples.size() * 2);
    return samples;
}

std::vector<std::string> FrameHashes(const std::string& path) {
    const std::string out =
        Capture("ffmpeg -nostdin -v error -i " + Quote(path) + " -map 0:v:0 -f framemd5 -");
    std::vector<std::string> hashes;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty() && line[0] != '#')
            hashes.push_back(line.substr(line.rfind(',') + 1));
    return hashes;
}

} // namespace avi_probe
