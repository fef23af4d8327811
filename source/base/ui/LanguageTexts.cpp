#include "base/ui/LanguageTexts.h"

#include "base/Language.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QStackedWidget>
#include <QTabWidget>

namespace ui {

namespace {

void SetCaption(QObject* target, const QString& text) {
    if (auto* action = qobject_cast<QAction*>(target)) {
        action->setText(text);
        return;
    }
    auto* widget = qobject_cast<QWidget*>(target);
    if (!widget)
        return;
    if (widget->isWindow()) {
        widget->setWindowTitle(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* stack = qobject_cast<QStackedWidget*>(widget->parentWidget())) {
        // A page of a tab widget: its caption is the tab's text.
        if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
            tabs->setTabText(tabs->indexOf(widget), text);
    }
}

} // namespace

LanguageText::LanguageText(base::TextKey key, QObject* target)
    : Key(key), Apply([target](const QString& text) { SetCaption(target, text); }) {}

LanguageText::LanguageText(base::TextKey key, std::function<void(const QString&)> setter)
    : Key(key), Apply(std::move(setter)) {}

LanguageText HintText(base::TextKey key, QWidget* target) {
    return LanguageText(key, [target](const QString& text) {
        if (target)
            target->setToolTip(text);
    });
}

void ApplyLanguageTexts(std::initializer_list<LanguageText> texts) {
    const base::Language& language = base::AppLanguage();
    for (const LanguageText& t : texts)
        if (language.Has(t.Key) && t.Apply)
            t.Apply(language.Text(t.Key, QString()));
}

} // namespace ui
