#include "rollvane/gui/ProgressDialog.h"
#include "QtTestApplication.h"

#include <gtest/gtest.h>

using rollvane::ProgressDialog;

TEST(ProgressDialogView, OpensShownWithAnEmptyGroupCaption)
{
    testing_support::EnsureQtApplication();
    ProgressDialog dialog;
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.isModal());
    EXPECT_EQ(dialog.windowTitle(), "In Progress...");
    EXPECT_EQ(dialog.groupCaption(), "");
    EXPECT_EQ(dialog.lineText(), "");
}

TEST(ProgressDialogView, MessageGoesToTheLineAndTheGroupCaption)
{
    testing_support::EnsureQtApplication();
    ProgressDialog dialog;
    dialog.SetMessage("Reinitializing printer...");
    dialog.SetMessage("Printing Configuration Printout");
    EXPECT_EQ(dialog.lineText(), "Printing Configuration Printout");
    EXPECT_EQ(dialog.groupCaption(), "Printing Configuration Printout");
}

TEST(ProgressDialogView, FirstCallFixesTheRangeAndTheBarStopsAtItsEnd)
{
    testing_support::EnsureQtApplication();
    ProgressDialog dialog;
    dialog.ResetRange();
    dialog.SetProgress(30, 5);
    EXPECT_EQ(dialog.barMaximum(), 30);
    EXPECT_EQ(dialog.barValue(), 5);
    dialog.SetProgress(100, 50);
    EXPECT_EQ(dialog.barMaximum(), 30);
    EXPECT_EQ(dialog.barValue(), 30);
    dialog.SetMessage("Change printer setting");
    testing_support::SaveScreenshot(&dialog, "progress");
}
