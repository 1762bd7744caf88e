#include "platform/RealClock.h"
#include "rollvane/app/MainWindow.h"
#include "rollvane/gui/MainWindowView.h"
#include "rollvane/gui/ProgramIcon.h"
#include "rollvane/gui/QtUserInterface.h"
#include "rollvane/link/PrinterDiscovery.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Rollvane");
    QApplication::setWindowIcon(rollvane::ProgramIcon::Icon());

    platform::RealClock clock;
    rollvane::QtUserInterface ui;
    rollvane::PrinterDiscovery finder;
    int result = 0;
    {
        rollvane::MainWindow window(ui, clock);
        ui.SetInterfaceDialog(&window.interfaceDialog());
        window.UsePrinterFinder(&finder);
        rollvane::MainWindowView view(window);
        ui.SetOwner(&view);
        view.show();
        view.Start();
        result = QApplication::exec();
        ui.SetOwner(nullptr);
        // The end of the run: the interface settings are kept for the next one.
        window.WriteInterfaceSettings();
    }
    return result;
}
