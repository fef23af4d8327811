// The project-file tests' fixture: a session, a show of plain values and an import that copies
// each file unchanged as the item's working copy, so the tests see only the file format.
#pragma once

#include "Outcomes.h"
#include "WorkingCopyItems.h"
#include "project/ProjectFile.h"
#include "project/Records.h"
#include "project/ShowSession.h"
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

namespace project_file_test {

namespace {

using namespace project;

QByteArray ReadAll(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const std::string& path, const QByteArray& bytes) {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A progress sink that can run something at every pump (to press Cancel midway).
struct ScriptedProgress : base::Progress {
    std::function<void()> onPump;
    int opened = 0, closed = 0, last = -1, pumps = 0;
    void Show() override { ++opened; }
    void Close() override { ++closed; }
    void SetPosition(int p) override { last = p; }
    void Pump() override {
        ++pumps;
        if (onPump)
            onPump();
    }
};

class ProjectFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path().toStdString() + "/";
        ASSERT_TRUE(session.Open(dir.path().toStdString()).ok());
        files = session.Files();
        files.SetPrefix(777);
        show.WorkPrefix = 777;
        hooks.AddPhoto = [this](const std::string& p) { return Import(p, true); };
        hooks.AddTrack = [this](const std::string& p) { return Import(p, false); };
    }
    // Stands in for the import: the file becomes the new item's working copy unchanged.
    ImportStatus Import(const std::string& path, bool photo) {
        imported.push_back(path);
        const QByteArray bytes = ReadAll(path);
        if (bytes.startsWith("BAD"))
            return project::ImportNote::Skip("undecodable"); // no item
        if (bytes.startsWith("FULL"))
            return base::Fail("no space left for the working copy");
        const std::string name = testsupport::WorkingNameFor(files, path, photo);
        WriteAll(name, bytes);
        testsupport::AppendItem(show, name, photo);
        return project::ImportNote{};
    }
    void AddSlide(const QByteArray& bytes, int seconds, int kind, int tsec, int color) {
        const std::string name = files.MakePictureName(".bmp");
        WriteAll(name, bytes);
        auto s = Slide::MakeDefault();
        s.WorkFile = name;
        s.StillMs = std::int64_t{seconds} * 1000;
        s.TransitionKind = kind;
        s.TransitionMs = std::int64_t{tsec} * 1000;
        s.BackColor = color;
        show.Slides.push_back(s);
    }
    void AddTrack(const QByteArray& bytes, const char* ext, int play, int volume,
                  const char* title) {
        const std::string name = files.MakeMusicName(ext);
        WriteAll(name, bytes);
        auto t = Track::MakeDefault();
        t.WorkFile = name;
        t.PlaySeconds = play;
        t.LengthSeconds = play + 5;
        t.Volume = volume;
        t.Title = title;
        show.Sounds.push_back(t);
    }
    void MakeShow() {
        AddSlide(QByteArray(1000, 'a'), 3, 5, 2, 0x123456);
        AddSlide(QByteArray(700000, 'b'), 7, 13, 1, static_cast<int>(0xFF00000F));
        AddSlide(QByteArray(1, 'c'), 1, 0, 0, 0);
        AddTrack(QByteArray(600000, 'm'), ".mp3", 40, 55, "Первая");
        AddTrack(QByteArray(10, 'w'), ".WAV", 2, 100, "second");
    }

    QTemporaryDir dir;
    std::string root;
    ShowSession session;
    ShowContent show; // the show as values; the working copies made by `files`
    WorkFiles files;
    ImportHooks hooks;
    std::vector<std::string> imported;
    base::NoProgress quiet;
};

} // namespace

} // namespace project_file_test
