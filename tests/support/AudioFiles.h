// Sound files made at test time by independent tools (sox, lame, oggenc, id3v2, mid3v2), and
// the helpers that load the real audio library for the media tests.
#pragma once

#include <QTemporaryDir>

#include <cstdint>
#include <string>

namespace testing_audio {

// Runs a shell command; true when it exits with status 0.
bool RunTool(const std::string& command);
// Single-quoted for the shell.
std::string Quote(const std::string& s);

// A folder of generated files that lives for the whole test program.
class AudioFiles {
public:
    static AudioFiles& Get();
    std::string Path(const std::string& name) const;
    // A 16-bit stereo 44.1 kHz tone of the given length as WAV (sox).
    std::string Wav(const std::string& name, double seconds,
                    const std::string& soxFormat = "-r 44100 -c 2 -b 16");
    // The WAV encoded with lame and the given options.
    std::string Mp3(const std::string& name, const std::string& wav, const std::string& options);
    std::string Ogg(const std::string& name, const std::string& wav, const std::string& options);

private:
    AudioFiles();
    QTemporaryDir dir_;
};

// Loads the library built beside the tests (once) and opens the output device.
void LoadRealLibrary();

} // namespace testing_audio
