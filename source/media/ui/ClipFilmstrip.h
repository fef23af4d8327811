// A row of small pictures from a video clip with its trim over them: the parts left out shaded,
// a handle at the trim's start and one at its end, either dragged with the mouse. The pictures
// are decoded on a worker thread, so a long or large clip never holds the dialog up; they appear
// as they come.
#pragma once

#include <QImage>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <future>
#include <string>
#include <vector>

namespace ui {

class ClipFilmstrip final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPictures = 8;
    static constexpr int kHeight = 44;

    // clipFile: the clip's working copy; lengthMs: its whole length.
    ClipFilmstrip(const std::string& clipFile, std::int64_t lengthMs, QWidget* parent = nullptr);
    ~ClipFilmstrip() override;
    ClipFilmstrip(const ClipFilmstrip&) = delete;
    ClipFilmstrip& operator=(const ClipFilmstrip&) = delete;

    // The trim drawn over the pictures.
    void SetTrim(std::int64_t inMs, std::int64_t outMs);
    // How many of the pictures have been decoded so far.
    int PicturesShown() const { return shown_; }
    // The clip's time at a point of the strip, and the point of a time.
    std::int64_t TimeAt(int x) const;
    int XOf(std::int64_t ms) const;

    QSize sizeHint() const override { return {kPictures * 40, kHeight}; }

Q_SIGNALS:
    // The user dragged the start (end = false) or the end handle to `ms`.
    void handleDragged(bool end, std::int64_t ms);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Decode(std::string clipFile);

    std::int64_t lengthMs_ = 0;
    std::int64_t inMs_ = 0;
    std::int64_t outMs_ = 0;
    std::vector<QImage> pictures_;
    int shown_ = 0;
    bool dragging_ = false;
    bool draggingEnd_ = false;
    std::atomic<bool> stop_{false};
    std::future<void> worker_;
};

} // namespace ui
