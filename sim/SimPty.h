#pragma once
// The pseudo-terminal that carries the virtual line, and its announcement
// as a short name (SIM1) in the simulator directory.

#include <string>

namespace tulex::sim {

class SimPty {
public:
    SimPty() = default;
    ~SimPty();
    SimPty(const SimPty&) = delete;
    SimPty& operator=(const SimPty&) = delete;

    // Opens a raw, non-blocking master and keeps a slave descriptor open
    // (without lock or exclusive mode) so the line stays up while no client
    // has the port open and a client can close and reopen it.
    bool Open(std::string& error);
    // Closes the terminal: a client that has it open sees the device gone
    // (hang-up), as when a USB converter is pulled out. Open makes a new one.
    void Close();

    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

    // The exclusive mode a client set stays on the terminal after it closed,
    // because our own slave descriptor keeps the terminal open; a non-root
    // client could then never reopen it. Clears it once no client holds the
    // port's lock any more. Cheap; call now and then.
    void ReleaseStaleExclusive();

    // Clients opening and closing the port, seen through inotify on the
    // slave path: readable when one did. -1 where that is not available.
    int WatchFd() const { return watch_; }
    // Reads the watch's events; true if a client closed the port (time to
    // release a stale exclusive mode).
    bool HandleWatchEvents();
    // True while some client has the port open (or that cannot be known).
    bool HasClient() const { return watch_ < 0 || !countKnown_ || clients_ > 0; }

    // Our own slave descriptor, readable when bytes wait in the terminal.
    int SlaveFd() const { return slave_; }
    // Throws away what waits in the terminal. Only while no client has the
    // port open: the line's output would otherwise pile up there and reach
    // the next client as a flood of stale events (a flush on open does not
    // clear all of it).
    void DiscardInput();

private:
    int master_ = -1;
    int slave_ = -1;
    int watch_ = -1;
    int clients_ = 0;
    bool countKnown_ = true;
    std::string slavePath_;
};

// The symlink SIMn -> slave path in the simulator directory.
class Announcement {
public:
    Announcement() = default;
    ~Announcement() { Remove(); }
    Announcement(const Announcement&) = delete;
    Announcement& operator=(const Announcement&) = delete;

    // Creates the directory (0700) if missing and takes the first free SIMn;
    // a link whose target no longer exists counts as free.
    bool Announce(const std::string& target, const std::string& directory, std::string& error);
    // Removes the link if it still points at our target.
    void Remove();
    // Takes the link away but keeps its name, for Repoint (the port vanishes).
    void Withdraw();
    // Points the same name at a new target (the port is back under the same
    // path, behind another terminal), replacing the link in one step.
    bool Repoint(const std::string& target, std::string& error);

    const std::string& ShortName() const { return shortName_; }
    const std::string& LinkPath() const { return linkPath_; }

private:
    std::string shortName_;
    std::string linkPath_;
    std::string target_;
};

}  // namespace tulex::sim
