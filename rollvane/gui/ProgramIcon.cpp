#include "rollvane/gui/ProgramIcon.h"

#include <QtGlobal>

// Resources of a static library are registered only when something asks for them.
static void RegisterResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace rollvane {

QIcon ProgramIcon::Icon()
{
    static const bool registered = (RegisterResources(), true);
    (void)registered;
    return QIcon(":/rollvane/rollvane.png");
}

}  // namespace rollvane
