#pragma once

#include "IspLink.h"

#include <Port.h>

#include <chrono>
#include <string>

// A job's hold on its link, from construction to destruction: what a front
// end puts around each job (a job window's run, an erase, a reset, one
// vorlane-cli command), so that the port or the simulated chip is the job's
// alone while it runs and free for other programs between jobs. A link held
// elsewhere is waited for up to `wait`; if it stays busy the job finds its
// link not ready, says who holds it, and touches nothing.
class LinkClaim {
public:
    // A few seconds: long enough for a job that is about to end, short
    // enough that a script learns at once why it cannot go on.
    static constexpr std::chrono::milliseconds kWait = Port::kClaimWait;

    explicit LinkClaim(IspLink& link, std::chrono::milliseconds wait = kWait) : link_(link)
    {
        held_ = link_.Claim(wait, &why_);
    }
    ~LinkClaim() { link_.Unclaim(); }
    LinkClaim(const LinkClaim&) = delete;
    LinkClaim& operator=(const LinkClaim&) = delete;

    bool held() const { return held_; }
    // Who holds the link, and what to do; empty when held or there is no link.
    const std::string& why() const { return why_; }

private:
    IspLink& link_;
    bool held_ = false;
    std::string why_;
};
