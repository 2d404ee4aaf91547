#pragma once

#include "FakeCounter.h"
#include "RecordingBackend.h"

#include <LineDriver.h>
#include <ProgrammerSettings.h>
#include <port/Port.h>
#include <port/SimBackend.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

// Default settings on port 0x378, a virtual-time counter, and a fresh port,
// driver and settings record before and after each test.
class LinkFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetPortForTesting();
        ResetLineDriverForTesting();
        programmerSettings() = DefaultProgrammerSettings();
        SetCounterForTesting(&counter);
        lineDriver().RefreshTimerFrequency();
    }
    void TearDown() override
    {
        ResetPortForTesting();
        ResetLineDriverForTesting();
        ResetProgrammerSettings();
        SetCounterForTesting(nullptr);
    }

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
};
