#pragma once

#include "rollvane/link/PrinterFinder.h"

#include <optional>
#include <string>
#include <vector>

namespace rollvane {

// The Find Printers dialog's object: the search on the network and what the window shows of it,
// as texts. The window runs Search on a thread of its own and hands the outcome back here.
class FindPrintersDialog {
public:
    static const char *const kSearching;
    static const char *const kNoneAnswered;
    static const char *const kNoFinder;
    static const std::vector<std::string> &ColumnTitles();

    // One printer as the list shows it, a text a column.
    struct Row {
        std::string address;
        std::string status;  // "0x00 ready"
        std::string model;
        std::string firmware;
    };
    // What one search gave: the printers, or why it could not be made.
    struct Outcome {
        bool made = false;
        std::vector<FoundPrinter> found;
        std::string error;
    };

    // finder: the network search; without one every search fails with kNoFinder.
    explicit FindPrintersDialog(PrinterFinder *finder);

    // The search itself, waiting for the answers. It touches nothing but the finder, so it may
    // run on any thread while the window stays with this object.
    Outcome Search() const;
    // A search starts: the list empties and the line says kSearching.
    void Started();
    // Its outcome arrives.
    void Finished(Outcome outcome);

    bool searching() const { return searching_; }
    const std::string &line() const { return line_; }
    const std::vector<Row> &rows() const { return rows_; }

    // The person chose the printer of a row (an index outside the list chooses none).
    void Choose(int row);
    const std::optional<FoundPrinter> &chosen() const { return chosen_; }

private:
    PrinterFinder *finder_;
    DiscoveryRequest request_;
    bool searching_ = false;
    std::string line_;
    std::vector<FoundPrinter> found_;
    std::vector<Row> rows_;
    std::optional<FoundPrinter> chosen_;
};

}  // namespace rollvane
