#include "AppFixture.h"

#include <COptionsDlg.h>

#include <QCheckBox>
#include <QLineEdit>

namespace {

class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override { programmerSettings() = DefaultProgrammerSettings(); }
    void TearDown() override { ResetProgrammerSettings(); }
    MessageRecorder messages;
};

} // namespace

TEST_F(OptionsDialogTest, OpensWithTheFields)
{
    programmerSettings().sckState = 0;
    COptionsDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(dlg.timingEdit(0)->text(), QStringLiteral("50000"));
    EXPECT_EQ(dlg.timingEdit(1)->text(), QStringLiteral("2"));
    EXPECT_EQ(dlg.timingEdit(3)->text(), QStringLiteral("2600"));
    EXPECT_FALSE(dlg.sckBox()->isChecked());
    EXPECT_TRUE(dlg.dataBox()->isChecked());
    EXPECT_TRUE(dlg.doutBox()->isChecked());
    EXPECT_TRUE(dlg.doutBox()->isHidden());
}

TEST_F(OptionsDialogTest, FieldsBeforeABadOneAreStoredAndTheWindowStays)
{
    COptionsDlg dlg;
    dlg.show();
    dlg.timingEdit(0)->setText(QStringLiteral("70000"));
    dlg.timingEdit(1)->setText(QStringLiteral("abc"));
    dlg.timingEdit(2)->setText(QStringLiteral("9"));
    dlg.accept();
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text, QStringLiteral("Escriba un entero positivo."));
    EXPECT_EQ(programmerSettings().resetTimeUs, 70000u) << "stored before the bad field";
    EXPECT_EQ(programmerSettings().upTimeUs, 2u);
    EXPECT_EQ(programmerSettings().downTimeUs, 2u) << "not reached";
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    dlg.reject();
    EXPECT_EQ(programmerSettings().resetTimeUs, 70000u) << "Cancel does not take it back";
}

TEST_F(OptionsDialogTest, AnyUnsignedValueAndTheHiddenStateSurvive)
{
    programmerSettings().doutState = 0;
    for (int run = 0; run < 3; ++run) {
        COptionsDlg dlg;
        dlg.timingEdit(0)->setText(QStringLiteral("0"));
        dlg.timingEdit(1)->setText(QStringLiteral("4294967295"));
        dlg.timingEdit(3)->setText(QStringLiteral(" 12 "));
        dlg.accept();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(messages.requests.empty());
    EXPECT_EQ(programmerSettings().resetTimeUs, 0u);
    EXPECT_EQ(programmerSettings().upTimeUs, 4294967295u);
    EXPECT_EQ(programmerSettings().writtenTimeUs, 12u);
    EXPECT_EQ(programmerSettings().doutState, 0u);

    COptionsDlg tooBig;
    tooBig.timingEdit(2)->setText(QStringLiteral("4294967296"));
    tooBig.accept();
    EXPECT_EQ(messages.requests.size(), 1u);
    COptionsDlg negative;
    negative.timingEdit(2)->setText(QStringLiteral("-1"));
    negative.accept();
    EXPECT_EQ(messages.requests.size(), 2u);
    EXPECT_EQ(programmerSettings().downTimeUs, 2u);
}
