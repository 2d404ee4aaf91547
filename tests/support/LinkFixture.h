#pragma once

#include "FakeCounter.h"
#include "RecordingBackend.h"
#include "TestSession.h"

#include <SimBackend.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

// Default settings on port 0x378, a virtual-time counter, and a session of
// the test's own, there from construction so that a fixture's members can
// take its driver; the accessors stand where a front end's session would.
class LinkFixture : public ::testing::Test {
protected:
    LinkFixture()
    {
        SetCounterForTesting(&counter);
        test_ = std::make_unique<TestSession>();
    }
    void SetUp() override
    {
        SetCounterForTesting(&counter);
        ResetPortForTesting();
        programmerSettings() = DefaultProgrammerSettings();
        lineDriver().RefreshTimerFrequency();
    }
    void TearDown() override
    {
        test_.reset();
        SetCounterForTesting(nullptr);
    }

    ProgrammingSession& session() { return test_->session; }
    ProgrammerSettings& programmerSettings() { return test_->settings; }
    LineDriver& lineDriver() { return session().driver(); }
    Port& port() { return session().port(); }
    // The port VORLANE_PORT and VORLANE_TRACE choose now, as at a new start.
    void ResetPortForTesting() { test_->resetPort(); }
    void ResetProgrammerSettings() { programmerSettings() = ProgrammerSettings{}; }

    RecordingBackend& useRecorder()
    {
        auto backend = std::make_unique<RecordingBackend>();
        RecordingBackend& ref = *backend;
        port().installBackend(std::move(backend));
        return ref;
    }

    SimBackend& useSim(std::string chipFile = {}, std::optional<DeviceId> model = {})
    {
        auto backend = std::make_unique<SimBackend>(std::move(chipFile), 0, model);
        SimBackend& ref = *backend;
        port().installBackend(std::move(backend));
        return ref;
    }

    FakeCounter counter;

private:
    std::unique_ptr<TestSession> test_;
};
