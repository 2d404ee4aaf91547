#pragma once

#include "PortBackend.h"
#include "PortTrace.h"

#include <chrono>
#include <functional>
#include <memory>

// A session's parallel port: the backend its opener makes, opened when first
// needed for the base asked for, and made again when the base changes.
//
// A job claims the port for its duration (claim ... unclaim); between jobs the
// port is free for other programs. Claims nest: the outermost one counts. An
// access outside any claim claims the port until release(), as a test or a
// bench that drives the lines itself expects.
class Port {
public:
    // The backend for a base: opened, or one that says why there is none.
    using Opener = std::function<std::unique_ptr<PortBackend>(uint16_t base)>;

    // `tracePath` empty: no trace.
    explicit Port(Opener opener, const std::string& tracePath = {});
    ~Port();
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    // How long a job waits for a port another program has before it gives up.
    static constexpr std::chrono::milliseconds kClaimWait{3000};

    // Exit's release: lets go of the device and of any claim; the next access
    // opens it again.
    void release();

    // The port at `base` for a job, waiting up to `wait` while another holds
    // it. False when there is no port or it is still busy: then nothing is
    // written, nothing read, and ready() says why until the claim ends.
    bool claim(uint16_t base, std::chrono::milliseconds wait, std::string* why = nullptr);
    void unclaim();

    // A base of 0 means the settings are not loaded: nothing is written then,
    // and the status reads as from an absent port. Each access is stamped with
    // the current counter just before it happens (the trace shows the stamp);
    // a write returns its stamp, a read hands it out through `stamp`.
    int64_t writeData(uint16_t base, uint8_t value);
    uint8_t readStatus(uint16_t base, int64_t* stamp = nullptr);

    // The status bar's line: the backend in use for `base`, or why none.
    std::string describe(uint16_t base);
    // True when a port for `base` can be had, and is not busy with another
    // program's job; otherwise *why says why. Outside a job's claim it
    // claims the port as an access would.
    bool ready(uint16_t base, std::string* why);
    // What went wrong on the port since the last call; empty if nothing.
    std::string takeFault();
    // Why the trace asked for is not kept; empty when it is or none was asked.
    const std::string& traceProblem() const { return trace_.problem(); }

    // For tests: serve every base with this backend from now on.
    void installBackend(std::unique_ptr<PortBackend> backend);
    PortBackend* backend() { return backend_.get(); }

private:
    void ensureOpen(uint16_t base);
    // An access outside any claim claims the port until release(). False
    // when the port is busy: the access must not happen.
    bool ensureClaimed(uint16_t base);
    void letGo();

    Opener opener_;
    PortTrace trace_;
    std::unique_ptr<PortBackend> backend_;
    uint16_t openBase_ = 0;
    bool keepBackend_ = false; // a test's: one object for every base
    int claims_ = 0;           // claims in force, nested
    bool held_ = false;        // the backend is claimed
    std::string busy_;         // why the claim failed, until it ends
};
