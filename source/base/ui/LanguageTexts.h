// The one way every window puts the language table's texts on its controls: a key goes to its
// control only when the table holds it; otherwise the control keeps its built-in text.
#pragma once

#include "base/TextKey.h"

#include <QString>

#include <functional>
#include <initializer_list>

class QObject;
class QWidget;

namespace ui {

struct LanguageText {
    // The control's caption: a window's title, a group box's title, a tab page's tab text, or
    // the text of a button, label, check box or menu action.
    LanguageText(base::TextKey key, QObject* target);
    // Any other place (hints, list items): the setter receives the text.
    LanguageText(base::TextKey key, std::function<void(const QString&)> setter);

    base::TextKey Key;
    std::function<void(const QString&)> Apply;
};

// A control's hint.
LanguageText HintText(base::TextKey key, QWidget* target);

// Applies every text the program's language table holds.
void ApplyLanguageTexts(std::initializer_list<LanguageText> texts);

} // namespace ui
