#include "rollvane/link/ProgressWindow.h"

#include <gtest/gtest.h>

namespace {

class ShownProgress : public rollvane::ProgressWindow {
public:
    std::string shownMessage;
    uint32_t shownRange = 0;
    uint32_t shownPosition = 0;
    int rangeChanges = 0;

protected:
    void ShowMessage(const std::string &text) override { shownMessage = text; }
    void ShowRange(uint32_t upper) override
    {
        shownRange = upper;
        ++rangeChanges;
    }
    void ShowPosition(uint32_t position) override { shownPosition = position; }
};

}  // namespace

TEST(ProgressWindow, FirstCallAfterResetFixesTheRange)
{
    ShownProgress progress;
    progress.ResetRange();
    progress.SetProgress(30, 5);
    EXPECT_EQ(progress.shownRange, 30u);
    EXPECT_EQ(progress.shownPosition, 5u);
    progress.SetProgress(100, 50);
    EXPECT_EQ(progress.shownRange, 30u);
    EXPECT_EQ(progress.shownPosition, 50u);
    EXPECT_EQ(progress.rangeChanges, 1);

    progress.ResetRange();
    progress.SetProgress(100, 3);
    EXPECT_EQ(progress.shownRange, 100u);
    EXPECT_EQ(progress.rangeChanges, 2);
}

TEST(ProgressWindow, SetMessageReplacesTheText)
{
    ShownProgress progress;
    progress.SetMessage("Initializing printer...");
    progress.SetMessage("Change printer setting");
    EXPECT_EQ(progress.shownMessage, "Change printer setting");
    EXPECT_EQ(progress.message(), "Change printer setting");
}
