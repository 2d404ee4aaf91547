#pragma once

#include <MessageRecorder.h>

#include <CMainFrame.h>
#include <CVorlaneApp.h>
#include <CommandId.h>
#include <WindowSession.h>

#include <QSettings>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

// A fresh settings store, the simulated chip and a message recorder per test.
class AppFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        store().clear();
        setenv("VORLANE_PORT", "sim", 1);
        unsetenv("VORLANE_TRACE");
        resetProcess();
    }
    void TearDown() override
    {
        app.reset();
        resetProcess();
        unsetenv("VORLANE_PORT");
        unsetenv("VORLANE_TRACE");
    }

    static void resetProcess() { ResetWindowSessionForTesting(); }

    static QSettings store()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Castavel/Vorlane"),
                         QStringLiteral("Vorlane"));
    }
    static void put(const char* name, qlonglong value)
    {
        store().setValue(QStringLiteral("Settings/") + QLatin1String(name), value);
    }
    static QVariant stored(const char* name) { return store().value(QStringLiteral("Settings/") + QLatin1String(name)); }

    // A store whose first-run notice was already dismissed.
    static void notFirstRun() { put("First Time 2", 0); }

    // VORLANE_TRACE for the port the next start opens.
    static void traceTo(const QString& path)
    {
        setenv("VORLANE_TRACE", path.toLocal8Bit().constData(), 1);
        resetProcess();
    }

    bool start(const QStringList& arguments = {})
    {
        app = std::make_unique<CVorlaneApp>();
        return app->InitInstance(arguments);
    }
    // Running interactively with the notice long dismissed and no message yet.
    void startInteractive()
    {
        notFirstRun();
        ASSERT_TRUE(start());
        messages.requests.clear();
    }
    int exitApp()
    {
        const int code = app->ExitInstance();
        app.reset();
        return code;
    }

    CMainFrame& frame() { return *app->mainFrame(); }
    bool checked(int command) { return frame().isChecked(command); }
    // Which items of a pin group carry a check mark.
    std::vector<int> checkedPins(int base)
    {
        std::vector<int> pins;
        for (int n = 0; n < 8; ++n)
            if (checked(base + n))
                pins.push_back(n);
        return pins;
    }

    MessageRecorder messages;
    std::unique_ptr<CVorlaneApp> app;
};

// The program already running interactively when the test starts.
class InteractiveAppFixture : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        startInteractive();
    }
};
