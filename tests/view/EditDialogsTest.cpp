#include <CCopyDlg.h>
#include <CFillDlg.h>
#include <CGotoDlg.h>
#include <DeviceImage.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

QStringList Labels(const QWidget& w)
{
    QStringList texts;
    for (const QLabel* l : w.findChildren<QLabel*>())
        texts << l->text();
    return texts;
}

} // namespace

TEST(EditDialogsTest, CopyWindow)
{
    DeviceImage image;
    CCopyDlg d(&image);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("COPY"));
    EXPECT_EQ(d.copyButton()->text(), QStringLiteral("&Copy"));
    EXPECT_TRUE(d.copyButton()->isDefault());
    EXPECT_EQ(d.exitButton()->text(), QStringLiteral("&Exit"));
    EXPECT_FALSE(d.exitButton()->isDefault());
    EXPECT_EQ(Labels(d), (QStringList{QStringLiteral("Start"), QStringLiteral("to"), QStringLiteral("Copy to Address")}));
    EXPECT_EQ(d.findChildren<QLineEdit*>().size(), 3);
    for (const QLineEdit* e : d.findChildren<QLineEdit*>())
        EXPECT_TRUE(e->text().isEmpty());
    EXPECT_GT(d.width(), 4 * d.height()) << "207 x 46 units";
}

TEST(EditDialogsTest, FillWindow)
{
    DeviceImage image;
    CFillDlg d(&image);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("FILL"));
    EXPECT_EQ(d.fillButton()->text(), QStringLiteral("&Fill"));
    EXPECT_TRUE(d.fillButton()->isDefault());
    EXPECT_EQ(d.cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(Labels(d), (QStringList{QStringLiteral("Start"), QStringLiteral("finish at"), QStringLiteral("Fill with")}));
    EXPECT_EQ(d.valueEdit()->toolTip(), QStringLiteral("Can contain one of the following expresions :\n   $AA   "
                                                       "Hexadecimal\n   'c'      Character\n   127   Decimal"));
    EXPECT_TRUE(d.startEdit()->text().isEmpty());
    EXPECT_TRUE(d.endEdit()->text().isEmpty());
    EXPECT_TRUE(d.valueEdit()->text().isEmpty());
}

TEST(EditDialogsTest, GotoWindow)
{
    CGotoDlg d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("GOTO"));
    EXPECT_EQ(d.goButton()->text(), QStringLiteral("&Go"));
    EXPECT_FALSE(d.goButton()->isDefault());
    EXPECT_EQ(d.cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(Labels(d), QStringList{QStringLiteral("Goto")});
    EXPECT_TRUE(d.addressEdit()->text().isEmpty());
}

TEST(EditDialogsTest, GotoResults)
{
    CGotoDlg d;
    d.addressEdit()->setText(QStringLiteral("1a2B"));
    d.OnOK();
    EXPECT_EQ(d.result(), 0x1A2B);
    d.addressEdit()->setText(QString());
    d.OnOK();
    EXPECT_EQ(d.result(), -1);
    d.addressEdit()->setText(QStringLiteral("0"));
    d.OnOK();
    EXPECT_EQ(d.result(), 0);
    d.OnCancel();
    EXPECT_EQ(d.result(), -1);
}

TEST(EditDialogsTest, LabelsShowTheirWholeText)
{
    DeviceImage image;
    CCopyDlg copy(&image);
    CFillDlg fill(&image);
    CGotoDlg go;
    for (const QDialog* d : {static_cast<QDialog*>(&copy), static_cast<QDialog*>(&fill), static_cast<QDialog*>(&go)})
        for (const QLabel* l : d->findChildren<QLabel*>())
            EXPECT_GE(l->width(), l->sizeHint().width()) << l->text().toStdString();
}
