#pragma once

#include <IspLink.h>
#include <ProgrammingSession.h>

#include <string>

// A reset of the target: a pulse on its reset line into programming state,
// then the release, which lets the chip run its program from the start.
class ResetJob {
public:
    explicit ResetJob(ProgrammingSession& session) : link_(session.link()) {}

    // False, with *why set, when there is no port to pulse or it failed.
    bool run(std::string* why = nullptr);

private:
    IspLink& link_;
};
