#pragma once

#include <RecordingFeedback.h>

#include <Counter.h>
#include <DeviceImage.h>
#include <OpenSession.h>
#include <ProgrammingSession.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A session on a link's port form as a front end makes one, over the model
// of the link's far side that `WorldOf` gives: a fresh world for each test
// (or restart()), its clock as the session counter.
template <typename World, World& (*WorldOf)()>
class LinkModelFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        WorldOf().reset();
        SetCounterForTesting(&WorldOf().clock);
        settings = DefaultProgrammerSettings();
    }
    void TearDown() override
    {
        session_.reset();
        WorldOf().reset();
        SetCounterForTesting(nullptr);
    }
    // A new world, as for a test of its own.
    void restart()
    {
        session_.reset();
        SetUp();
        image = {};
        feedback = {};
    }
    void select(DeviceId id)
    {
        settings.device = static_cast<uint32_t>(id);
        image.deviceSize = DeviceById(id).flashSize;
    }
    // The session on `form`, made at the first call after a restart.
    ProgrammingSession& session(const std::string& form, const std::string& trace = {})
    {
        if (!session_) {
            session_ = std::make_unique<ProgrammingSession>(settings, std::make_unique<Port>(nullptr));
            ConnectSession(*session_, PortChoice::parse(form.c_str()), trace);
        }
        return *session_;
    }
    // The message boxes' texts, caption first when there is one.
    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const auto& m : feedback.messages)
            texts.push_back(m.caption.empty() ? m.text : m.caption + ": " + m.text);
        return texts;
    }

    ProgrammerSettings settings;
    DeviceImage image;
    RecordingFeedback feedback;

private:
    std::unique_ptr<ProgrammingSession> session_;
};
