#include "app/VideoExportController.h"

namespace ui {

void VideoExportController::saveAsVideo() {
    // Not built yet: the save dialog and the video export dialog open here.
}

} // namespace ui
