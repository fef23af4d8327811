// Finds a dialog's widget by its object name, as a user's click would, without reaching into the
// dialog's form. A missing widget ends the test run with its name.
#pragma once

#include <QObject>
#include <QtGlobal>

template <typename T> T* Widget(const QObject& parent, const char* name) {
    T* widget = parent.findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no widget named %s", name);
    return widget;
}
