// The "Запись AVI" dialog: the compressor among the offered lines and the resolution. It takes
// the compressor lines and hands back the chosen line and resolution; the caller exports.
#pragma once

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

namespace Ui {
class VideoExportDialog;
}

namespace ui {

class VideoExportDialog final : public QDialog {
    Q_OBJECT

public:
    // lines: every compressor line found; only the offered ones are listed, the proposal
    // selected. Without an offered line OK stays disabled (the caller tells the user why).
    explicit VideoExportDialog(const std::vector<std::string>& lines, QWidget* parent = nullptr);
    ~VideoExportDialog() override;

    bool HasCodec() const { return !offered_.empty(); }
    // The message when no offered compressor is installed.
    static QString MissingCodecText();
    // The selected line ("" when none) and resolution (media::kResolutionHigh / Standard).
    std::string CodecLine() const;
    int Resolution() const;
    // Selects the compressor of this handler code (any case) and the resolution, when the code
    // is offered (the show's last choice); otherwise the proposal stays.
    void SelectCodec(const std::string& code, int resolution);
    void ApplyLanguage();

    std::unique_ptr<Ui::VideoExportDialog> Form;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::vector<std::string> offered_;
};

} // namespace ui
