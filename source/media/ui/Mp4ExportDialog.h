// The "Запись MP4" dialog: the frame size and the quality of an MP4 video. It takes the
// preselected choices and hands back those chosen; the caller exports.
#pragma once

#include "media/CodecChoice.h"

#include <QDialog>

#include <memory>

namespace Ui {
class Mp4ExportDialog;
}

namespace ui {

class Mp4ExportDialog final : public QDialog {
    Q_OBJECT

public:
    // resolution: media::kResolution720p, 1080p, High or Standard; quality: media::kQualityGood
    // or Best. Values the dialog does not list select 720p and good.
    explicit Mp4ExportDialog(int resolution = media::kResolution720p,
                             int quality = media::kQualityGood, QWidget* parent = nullptr);
    ~Mp4ExportDialog() override;

    int Resolution() const;
    int Quality() const;
    void ApplyLanguage();

    std::unique_ptr<Ui::Mp4ExportDialog> Form;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace ui
