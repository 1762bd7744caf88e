// The baseline of the first-window benchmark: a Qt "hello" window, built with the program's flags.
#include "FirstExpose.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label("Hello");
    label.show();
    first_window::FirstExpose expose(label.windowHandle());
    QApplication::exec();
    first_window::Report(expose.paintedAt());
    return 0;
}
