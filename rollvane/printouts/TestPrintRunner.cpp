#include "rollvane/printouts/TestPrintRunner.h"

#include "rollvane/link/PrinterLink.h"

namespace rollvane {

TestPrintRunner::TestPrintRunner(PrinterLink &link) : link_(link) {}

PrinterErrorCode TestPrintRunner::RunTestPrint(int /*testCode*/)
{
    return ErrTimeout;
}

}  // namespace rollvane
