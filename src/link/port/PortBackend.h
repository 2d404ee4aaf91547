#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// One way of reaching the parallel port's registers.
class PortBackend {
public:
    virtual ~PortBackend() = default;
    // Makes the port at `base` usable. On false, describe() says why.
    virtual bool open(uint16_t base) = 0;
    virtual void close() = 0;
    // A job's exclusive hold on what the backend reaches, taken on an open
    // backend when the job starts and let go when it ends, so that another
    // program (or another session) never drives the same lines meanwhile.
    // False when it is still held elsewhere after `wait`, or cannot be had:
    // *why says who holds it and what to do, or what failed. Nothing is
    // written to the port unless this succeeded.
    virtual bool claim(std::chrono::milliseconds wait, std::string* why)
    {
        (void)wait;
        (void)why;
        return true;
    }
    virtual void unclaim() {}
    virtual void write(uint16_t address, uint8_t value) = 0;
    virtual uint8_t read(uint16_t address) = 0;
    // What is in use, or why nothing could be had; one line for the status bar.
    virtual std::string describe() const = 0;
    // False when this backend reaches no port at all: a job must not run.
    virtual bool usable() const { return true; }
    // A failure since the last call that a job must report (a chip file that
    // could not be kept, a port that went away); empty when all went well.
    virtual std::string takeFault() { return {}; }
    // True when one object serves every base (a simulated chip that must keep
    // its state); otherwise a new base gets a backend of its own.
    virtual bool servesEveryBase() const { return false; }
};
