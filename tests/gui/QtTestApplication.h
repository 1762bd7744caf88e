#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace testing_support {

// The one QApplication of a widget test program, made on first use.
void EnsureQtApplication();
// Writes a picture of the widget to the screenshot folder (ROLLVANE_SCREENSHOT_DIR) and returns its path.
QString SaveScreenshot(QWidget *widget, const QString &name);
QString SaveScreenshot(const QImage &picture, const QString &name);

}  // namespace testing_support
