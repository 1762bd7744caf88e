#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace link_test {

// The recording stand-in for libqlnk (RecordingQlnk.cpp, a shared object of its own): the link
// loads it by its path as it loads libqlnk, and the test reads what it kept through the same
// path. It opens nothing; every receive is answered from the script.
struct RecordingQlnkState {
    // One line per call with the arguments the program passed:
    //   "Open TCP_RAW connect 10000", "SendData UDP_RAW 00 00 00 00 1B 68 timeout 10000",
    //   "RecvData TCP_RAW capacity 128 timeout 10000", "CloseComm TCP_RAW".
    std::vector<std::string> calls;
    // What a receive on the status channel (UDP) and on the data channel (TCP) gets, at most
    // the capacity asked for; empty: nothing, after the time-out (QLNK_E_TIMEOUT).
    std::vector<uint8_t> statusReply;
    std::vector<uint8_t> dataReply;
    // Runs at the start of every call, with the function's name without "QLNK_".
    std::function<void(const std::string &function)> onCall;
};

// The stand-in's full path, and its state, loaded once and kept for the rest of the run.
const char *RecordingQlnkPath();
RecordingQlnkState &RecordingQlnk();

}  // namespace link_test

// The one entry the stand-in adds to the six QLNK_ functions.
extern "C" link_test::RecordingQlnkState *RecordingQlnk_State();
