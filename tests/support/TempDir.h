#pragma once

#include <string>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

    static std::string Read(const std::string &path);
    static void Write(const std::string &path, const std::string &content);

private:
    std::string path_;
};

}  // namespace testing_support
