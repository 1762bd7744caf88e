#include "rollvane/gui/ProgramIcon.h"

#include <QtGlobal>

// Resources of a static library are registered only when something asks for them.
static void registerResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace rollvane {

QIcon ProgramIcon::icon()
{
    static const bool registered = (registerResources(), true);
    (void)registered;
    return QIcon(":/rollvane/rollvane.png");
}

}  // namespace rollvane
