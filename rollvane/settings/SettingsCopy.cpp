#include "rollvane/settings/SettingsCopy.h"

#include "rollvane/link/NumberText.h"
#include "rollvane/settings/SettingText.h"

namespace rollvane {

SettingsCopy SettingsCopy::From(const PrinterSettings &settings)
{
    SettingsCopy copy;
    copy.texts = settings;
    copy.baudRate = NumberText::DecimalValue(settings.text(2));
    copy.stopBits = settings.text(5).empty() ? 0 : NumberText::DecimalValue(settings.text(5));
    const std::string &parity = settings.text(3);
    copy.parityCode = SettingText::EqualNoCase(parity, "NONE")   ? 0
                      : SettingText::EqualNoCase(parity, "ODD")  ? 1
                      : SettingText::EqualNoCase(parity, "EVEN") ? 2
                                                                 : 3;
    copy.dataBits = 8;
    return copy;
}

}  // namespace rollvane
