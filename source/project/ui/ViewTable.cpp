#include "project/ui/ViewTable.h"

#include <QVariant>

namespace ui {

project::ViewHandle ViewTable::Add(QWidget* widget) {
    if (next_ == 0)
        next_ = 1;
    while (widgets_.count(next_) != 0)
        ++next_;
    const project::ViewHandle h = next_++;
    widgets_[h] = widget;
    return h;
}

QWidget* ViewTable::Get(project::ViewHandle handle) const {
    const auto it = widgets_.find(handle);
    return it == widgets_.end() ? nullptr : it->second.data();
}

void ViewTable::DestroyView(project::ViewHandle handle) {
    const auto it = widgets_.find(handle);
    if (it == widgets_.end())
        return;
    if (QWidget* w = it->second.data()) {
        // The widget may be the one whose event is running (a cell's own menu), so it goes
        // after the event loop is back.
        w->hide();
        w->setParent(nullptr);
        w->deleteLater();
    }
    widgets_.erase(it);
}

void ViewTable::RenameView(project::ViewHandle handle, const std::string& name) {
    if (QWidget* w = Get(handle))
        w->setObjectName(QString::fromStdString(name));
}

void ViewTable::SetViewTag(project::ViewHandle handle, int tag) {
    if (QWidget* w = Get(handle))
        w->setProperty("Tag", tag);
}

int ViewTable::IndexFromName(const QString& name) {
    const int us = name.indexOf('_');
    if (us < 0)
        return -1;
    bool ok = false;
    const int v = name.mid(us + 1).toInt(&ok);
    return ok ? v : -1;
}

} // namespace ui
