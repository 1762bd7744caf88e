#include "QtTestApplication.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdlib>

namespace testing_support {

void EnsureQtApplication()
{
    static int argc = 1;
    static char name[] = "rollvane-tests";
    static char *argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        if (!std::getenv("QT_QPA_PLATFORM")) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        new QApplication(argc, argv);
    }
}

QString SaveScreenshot(QWidget *widget, const QString &name)
{
    return SaveScreenshot(widget->grab().toImage(), name);
}

QString SaveScreenshot(const QImage &picture, const QString &name)
{
    const char *dir = std::getenv("ROLLVANE_SCREENSHOT_DIR");
    QString folder = dir && *dir ? QString::fromUtf8(dir) : QDir::tempPath() + "/rollvane-screenshots";
    QDir().mkpath(folder);
    const QString path = folder + "/" + name + ".png";
    picture.save(path);
    return path;
}

}  // namespace testing_support
