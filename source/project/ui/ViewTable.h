// The storyboard's table of cell widgets behind the records' 32-bit Views handles.
#pragma once

#include "project/ViewHost.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <unordered_map>

namespace ui {

class ViewTable final : public project::ViewHost {
public:
    // Registers a widget and returns its handle (never 0).
    project::ViewHandle Add(QWidget* widget);
    // The widget behind a handle, or null when it is gone.
    QWidget* Get(project::ViewHandle handle) const;
    template <typename T> T* As(project::ViewHandle handle) const {
        return qobject_cast<T*>(Get(handle));
    }
    std::size_t Size() const { return widgets_.size(); }

    void DestroyView(project::ViewHandle handle) override;
    void RenameView(project::ViewHandle handle, const std::string& name) override;
    void SetViewTag(project::ViewHandle handle, int tag) override;

    // The number after the first "_" of a control name ("ThumbImage_12" -> 12), -1 if none.
    static int IndexFromName(const QString& name);

private:
    std::unordered_map<project::ViewHandle, QPointer<QWidget>> widgets_;
    project::ViewHandle next_ = 1;
};

} // namespace ui
