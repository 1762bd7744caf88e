#pragma once

#include <ostream>
#include <string>

namespace rollvane {

class TerminalUserInterface;

// What change-settings checks of a settings file before it talks to a printer, for every command
// that writes one to printers.
class SettingsFileCheck {
public:
    // False after "rollvane-cli: COMMAND: FILE holds no printer settings (...)" on errors when the
    // file can be read but holds no item: the desktop program would empty every text and write that.
    static bool HoldsSettings(const std::string &file, const std::string &command, std::ostream &errors);
    // "Load File" of the file into a settings page of its own, then the page's check of its lists,
    // with no printer: false after the page's own message on ui ("Cannot read the file ...",
    // "Invalid Properties").
    static bool LoadsOnPage(const std::string &file, TerminalUserInterface &ui);
};

}  // namespace rollvane
