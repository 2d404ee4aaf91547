#include <KeyboardLocks.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void Led(const QTemporaryDir& dir, const QString& name, const char* brightness)
{
    QDir(dir.path()).mkpath(name);
    QFile f(dir.filePath(name + QStringLiteral("/brightness")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(brightness);
}

} // namespace

TEST(KeyboardLocksTest, ReadsTheKeyboardLeds)
{
    QTemporaryDir dir;
    Led(dir, QStringLiteral("input3::capslock"), "1\n");
    Led(dir, QStringLiteral("input3::numlock"), "0\n");
    Led(dir, QStringLiteral("input7::numlock"), "1\n"); // a second keyboard with it lit
    Led(dir, QStringLiteral("phy0-led"), "1\n");
    const KeyboardLocks locks = KeyboardLocks::Read(dir.path().toLocal8Bit().constData());
    EXPECT_EQ(locks.caps, std::optional<bool>(true));
    EXPECT_EQ(locks.num, std::optional<bool>(true));
    EXPECT_EQ(locks.scroll, std::nullopt) << "no such LED: unknown, shown off";

    const KeyboardLocks none = KeyboardLocks::Read("/nonexistent/leds");
    EXPECT_FALSE(none.caps.has_value());
}
