#include "AudioFiles.h"

#include "media/audio/AudioLibrary.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace testing_audio {

bool RunTool(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

AudioFiles& AudioFiles::Get() {
    static AudioFiles files;
    return files;
}

AudioFiles::AudioFiles() = default;

std::string AudioFiles::Path(const std::string& name) const {
    return dir_.filePath(QString::fromStdString(name)).toStdString();
}

std::string AudioFiles::Wav(const std::string& name, double seconds, const std::string& format) {
    const std::string path = Path(name);
    RunTool("sox -n " + format + " " + Quote(path) + " synth " + std::to_string(seconds) +
            " sine 440 vol 0.4");
    return path;
}

std::string AudioFiles::Mp3(const std::string& name, const std::string& wav,
                            const std::string& options) {
    const std::string path = Path(name);
    RunTool("lame --quiet " + options + " " + Quote(wav) + " " + Quote(path));
    return path;
}

std::string AudioFiles::Ogg(const std::string& name, const std::string& wav,
                            const std::string& options) {
    const std::string path = Path(name);
    RunTool("oggenc -Q " + options + " -o " + Quote(path) + " " + Quote(wav));
    return path;
}

void LoadRealLibrary() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "media_tests";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv); // lives for the whole test program
    }
    media::Audio().LoadFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR)});
    // Decoding works without an output; a test that plays checks the output itself.
    if (const base::Status opened = media::Audio().OpenOutput(1, 44100, 0, nullptr); !opened)
        std::fprintf(stderr, "%s\n", opened.error().c_str());
}

} // namespace testing_audio
