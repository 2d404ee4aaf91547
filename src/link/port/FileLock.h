#pragma once

#include <chrono>
#include <string>

// One job's hold on a file that another program may want at the same time:
// a parallel port's device node, a simulated chip's file. It is flock(2)'s
// exclusive lock, which the kernel drops when the holder dies, so a killed
// program never leaves a port or a chip busy.
//
// A file that its holder replaces by a rename (the chip file does, on every
// save) keeps the lock across: the holder locks the new file before it takes
// the name (also(), then settle()), and a program that waited on the old one
// finds the name on another file and waits on that.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Opens `path` and locks it, waiting up to `wait` while another holds
    // it. False when it is still held then (*holder says by whom: "vorlane
    // (pid 1234)") or cannot be opened (*error says why).
    bool take(const std::string& path, std::chrono::milliseconds wait, std::string* holder, std::string* error);
    // The file open as `fd`, which this lock does not own, locked the same way.
    static bool TakeOpen(int fd, std::chrono::milliseconds wait, std::string* holder);

    // Locks the file open as `fd` too: a new file about to replace the one
    // held. settle(true) then keeps the new one only; settle(false) drops it.
    bool also(int fd);
    void settle(bool replaced);

    void release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    int next_ = -1;
};

// Who holds a lock on the file open as `fd`, as the kernel lists it:
// "vorlane-cli (pid 1234)", or "another program" when it does not say.
std::string LockHolder(int fd);

// What a job that found its port busy tells: who has it, and what to do.
std::string BusyText(const std::string& what, const std::string& holder);
