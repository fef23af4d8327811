// The small wait window shown while the installed compressors are probed.
#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class CodecSearchWindow;
}

namespace ui {

class CodecSearchWindow final : public QWidget {
    Q_OBJECT

public:
    explicit CodecSearchWindow(QWidget* parent = nullptr);
    ~CodecSearchWindow() override;

    // Shows the window centred on its parent (or the screen). The probing runs as a job, so the
    // event loop paints it meanwhile.
    void ShowNow();
    void ApplyLanguage();

    std::unique_ptr<Ui::CodecSearchWindow> Form;
};

} // namespace ui
