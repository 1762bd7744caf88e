#include "rollvane/cli/ReceiptPreviewFile.h"

#include "ReceiptPreview.h"
#include "platform/SystemError.h"
#include "rollvane/link/UserInterface.h"

#include <cstdio>
#include <filesystem>
#include <stdlib.h>

namespace rollvane {

int ReceiptPreviewFile::Write(const std::vector<uint8_t> &bytes, const std::string &path, UserInterface &ui,
                              std::ostream &out)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // Drawn into a folder of its own beside the target, so each picture is renamed into place whole.
    std::string work = (folder / ".receipt-preview-XXXXXX").string();
    if (!::mkdtemp(work.data())) {
        ui.ShowMessage("Cannot write " + path, "Error", MessageIcon::Stop, platform::SystemError::Text(errno));
        return 0;
    }
    std::string problem;
    const int count = ReceiptPreview::Render(bytes, work, &problem);
    std::vector<std::string> written;
    std::error_code error;
    for (int n = 1; n <= count && problem.empty(); ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "receipt-%04d.png", n);
        fs::path destination = target;
        if (n > 1) {
            destination.replace_filename(target.stem().string() + "-" + std::to_string(n) +
                                         target.extension().string());
        }
        fs::rename(fs::path(work) / name, destination, error);
        if (error) {
            problem = error.message();
        } else {
            written.push_back(destination.string());
        }
    }
    fs::remove_all(work, error);
    if (count < 0 || !problem.empty()) {
        for (const std::string &file : written) {
            fs::remove(file, error);
        }
        ui.ShowMessage("Cannot write " + path, "Error", MessageIcon::Stop, problem);
        return 0;
    }
    if (count == 0) {
        out << "nothing would be printed\n";
    }
    for (const std::string &file : written) {
        out << file << "\n";
    }
    return 1;
}

}  // namespace rollvane
