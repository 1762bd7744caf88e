// What the program pays around every printer operation: loading libqlnk by path and releasing
// it, in a C++ process as the program is. The libraries counter is how many the load maps.
#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <fstream>
#include <set>
#include <string>
#include <unistd.h>

namespace {

std::set<std::string> MappedLibraries()
{
    std::set<std::string> libraries;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        const auto path = line.find('/');
        if (path != std::string::npos && line.find(".so", path) != std::string::npos) {
            libraries.insert(line.substr(path));
        }
    }
    return libraries;
}

// libqlnk.so.1 in the build's lib folder, beside this program's bench folder.
std::string LibraryPath()
{
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        return "libqlnk.so.1";
    }
    std::string path(self);
    path.erase(path.rfind('/'));
    return path.substr(0, path.rfind('/')) + "/lib/libqlnk.so.1";
}

void BM_LoadAndRelease(benchmark::State &state)
{
    const std::string path = LibraryPath();
    const std::set<std::string> before = MappedLibraries();
    std::size_t mapped = 0;
    for (auto _ : state) {
        void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            state.SkipWithError(dlerror());
            break;
        }
        if (mapped == 0) {
            state.PauseTiming();
            for (const std::string &library : MappedLibraries()) {
                mapped += before.count(library) == 0 ? 1 : 0;
            }
            state.ResumeTiming();
        }
        dlclose(handle);
    }
    state.counters["libraries"] = static_cast<double>(mapped);
}

}  // namespace

BENCHMARK(BM_LoadAndRelease)->Unit(benchmark::kMicrosecond);
