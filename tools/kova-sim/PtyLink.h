#pragma once

#include "platform/FileDescriptor.h"

#include <string>

// The printer's serial port: a pseudo-terminal whose slave side is reachable
// through a symbolic link. The printer keeps the slave open itself, so the
// master never reports a hang-up while no program has the port open.
class PtyLink {
public:
    explicit PtyLink(std::string linkPath) : linkPath_(std::move(linkPath)) {}
    ~PtyLink();
    PtyLink(const PtyLink &) = delete;
    PtyLink &operator=(const PtyLink &) = delete;

    // Creates the pseudo-terminal and points the link at it.
    bool Open(std::string &error);
    // Hangs the line up: programs holding the old port see it go away, and the
    // link then names a fresh one.
    bool Reopen(std::string &error);
    void Close();
    // Drops an exclusive open a program asked for. The printer holds the
    // slave too, so the flag would outlive the program's close and lock the
    // next program out of the port.
    void ReleaseExclusive();

    int masterFd() const { return master_.get(); }
    const std::string &linkPath() const { return linkPath_; }
    const std::string &slavePath() const { return slavePath_; }

private:
    std::string linkPath_;
    std::string slavePath_;
    platform::FileDescriptor master_;
    platform::FileDescriptor slave_;
};
