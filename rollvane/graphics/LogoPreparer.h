#pragma once

#include <QImage>

#include <cstdint>
#include <string>

namespace rollvane {

// Turns a picture of any kind Qt reads (PNG, JPEG, BMP, ...; any depth, any orientation its
// EXIF data gives) into a 1-bit BMP file the "Define Bit Images" page takes as it is: black on
// white paper, transparent parts white, at most as wide as the paper and font allow and at most
// 512 rows. Results are the codes below (0 on success); nothing throws.
class LogoPreparer {
public:
    static constexpr int kPrepared = 0;
    static constexpr int kBadOptions = 1;   // a width, paper or font the page does not take
    static constexpr int kCannotRead = 2;   // absent, unreadable or not a picture
    static constexpr int kCannotWrite = 3;  // the output file could not be written

    static constexpr int32_t kMinWidth = 10;
    static constexpr int kBlackBelow = 128;

    struct Options {
        int32_t width = 0;  // dots; 0 for the picture's own width, reduced to the paper's limit
        std::string paperWidth = "80mm";
        std::string fontSize = "Size1";
        bool dither = false;  // Floyd-Steinberg error diffusion instead of a plain threshold
    };

    // Why the options cannot be used, or "".
    static std::string OptionsProblem(const Options &options);

    // Reads in, makes the logo and writes it to out as a whole (an old file stays on failure).
    int Prepare(const std::string &in, const std::string &out, const Options &options);
    // Makes the logo of a picture into bytes(), writing nothing.
    int Make(const QImage &picture, const Options &options);

    // The BMP file made by the last success.
    const std::string &bytes() const { return bytes_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // Why the last call failed, for a person; empty after success.
    const std::string &problem() const { return problem_; }
    // What a person should know about a success (the picture made smaller to fit), or "".
    const std::string &note() const { return note_; }

private:
    int Fail(int code, std::string problem);
    void Pack(const QImage &scaled, bool dither);

    std::string bytes_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::string problem_;
    std::string note_;
};

}  // namespace rollvane
