#include "rollvane/link/ProgressWindow.h"

namespace rollvane {

void ProgressWindow::SetMessage(const std::string &text)
{
    message_ = text;
    ShowMessage(message_);
}

void ProgressWindow::ResetRange()
{
    rangeSet_ = false;
}

void ProgressWindow::SetProgress(uint32_t upper, uint32_t position)
{
    if (!rangeSet_) {
        upper_ = upper;
        rangeSet_ = true;
        ShowRange(upper_);
    }
    position_ = position;
    ShowPosition(position_);
}

}  // namespace rollvane
