// The printer's converter as a program of its own, for whole-process timing against other
// tools: reads a BMP, converts it as "Download" does for a ticked "Manipulate" box (80 mm paper,
// Size1, left), and writes the converted image.
//   logo_convert IN.bmp OUT.bmp WIDTH
#include "platform/RealClock.h"
#include "rollvane/graphics/RasterImage.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: logo_convert IN.bmp OUT.bmp WIDTH\n");
        return 2;
    }
    platform::RealClock clock;
    rollvane::RasterImage image(clock);
    image.SetPaper(576, 1);
    const int code = image.Convert(argv[1], std::atoi(argv[3]), 0, rollvane::RasterImage::PositionLeft);
    if (code != rollvane::RasterImage::kConverted) {
        std::fprintf(stderr, "logo_convert: %s: %s (%d)\n", argv[1], image.problem().c_str(), code);
        return 1;
    }
    // Written as other image tools write, without waiting for the disk.
    FILE *out = std::fopen(argv[2], "wb");
    if (!out || std::fwrite(image.data(), 1, image.size(), out) != image.size() || std::fclose(out) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
