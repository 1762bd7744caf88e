#pragma once

#include "Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

// The folder the receipts go to: receipt-NNNN.png and receipt-NNNN.bin,
// numbered on after those already there, and no more than a set number of
// receipts kept, the oldest removed first. Receipts from an earlier run count.
class ReceiptFolder {
public:
    static constexpr size_t kDefaultKeep = 1000;

    // Looks at what the folder holds already.
    ReceiptFolder(std::string dir, size_t keep);

    struct Written {
        int number = 0;
        std::string base;  // dir/receipt-NNNN, without the extension
        bool ok = false;   // both files were written whole
    };
    Written Write(const Bitmap &page, int height, std::span<const uint8_t> bytes);

    struct Removed {
        int first = 0;
        int last = 0;
        size_t count = 0;
        size_t failed = 0;  // receipts whose files could not all be removed
    };
    // Removes the oldest receipts beyond the limit; counts those whose files
    // the last Write took over too.
    Removed Prune();

    size_t keep() const { return keep_; }
    // A receipt's file name: its number, or 0 when the name is not one.
    static int NumberOf(const std::string &name);
    // A receipt's number as its files and log lines show it: "0042".
    static std::string Numbered(int number);

private:
    void Recycle(const std::string &base);
    void Forget(int number, bool gone);

    std::string dir_;
    size_t keep_;
    std::map<int, std::vector<std::string>> files_;  // number -> its file names in the folder
    int next_ = 1;
    Removed removed_;  // since the last Prune
};
