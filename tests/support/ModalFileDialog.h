// The file dialog a test's code has just opened modally, for the test to look into and close. Any
// other modal window is closed instead, so that a test that fails here never waits forever.
#pragma once

#include <QApplication>
#include <QFileDialog>

inline QFileDialog* ModalFileDialog() {
    QWidget* modal = QApplication::activeModalWidget();
    auto* picker = qobject_cast<QFileDialog*>(modal);
    if (picker == nullptr && modal != nullptr)
        modal->close();
    return picker;
}
