#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a printer with factory settings and an empty memory prints from a stream of bytes,
// drawn by the same engine and renderer as every kova-sim receipt: the previews of receipts
// before they are sent.
class ReceiptPreview {
public:
    // Renders bytes into folder (made when missing) as receipt-0001.png, receipt-0002.png, ...,
    // one a cut; what is on the paper after the last cut is cut off as one more. The number of
    // pictures written, or -1 with *problem set.
    static int Render(const std::vector<uint8_t> &bytes, const std::string &folder, std::string *problem);
};
