// The storyboard's side of the records' Views handles. The model calls it when items are dropped
// or change places, so the widgets follow their records; without a host (command-line tool,
// tests) the handles are just numbers.
#pragma once

#include "project/Records.h"

#include <string>

namespace project {

class ViewHost {
public:
    virtual ~ViewHost() = default;
    virtual void DestroyView(ViewHandle handle) = 0;
    virtual void RenameView(ViewHandle handle, const std::string& name) = 0;
    virtual void SetViewTag(ViewHandle handle, int tag) = 0;
};

} // namespace project
