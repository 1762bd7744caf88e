#include "tests/link/RecordingQlnk.h"

#include <dlfcn.h>

#include <cstdlib>

namespace link_test {

const char *RecordingQlnkPath()
{
    return RECORDING_QLNK_PATH;
}

RecordingQlnkState &RecordingQlnk()
{
    // Held for the whole run, so the link's loads and unloads of the same path share this state.
    static RecordingQlnkState *const state = [] {
        void *library = dlopen(RecordingQlnkPath(), RTLD_NOW | RTLD_NODELETE);
        auto entry =
            library ? reinterpret_cast<decltype(&RecordingQlnk_State)>(dlsym(library, "RecordingQlnk_State")) : nullptr;
        if (!entry) {
            std::abort();
        }
        return entry();
    }();
    return *state;
}

}  // namespace link_test
