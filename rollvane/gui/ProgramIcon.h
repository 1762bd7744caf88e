#pragma once

#include <QIcon>

namespace rollvane {

// The program icon, from the resources built into the views library.
class ProgramIcon {
public:
    static QIcon Icon();
};

}  // namespace rollvane
