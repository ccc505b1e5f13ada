#include "GuiApplication.h"
#include "gui/dialogs/OptionDialogs.h"
#include "gui/dialogs/PathPreferences.h"
#include "support/RecordingShell.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

template <class T>
T *Child(QWidget &dialog, const char *name)
{
    return dialog.findChild<T *>(QString::fromLatin1(name));
}

class OptionDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        guitest::Application();
        Recorder().Clear();
    }
};

TEST_F(OptionDialogs, ImportMatchModesFollowTheChoice)
{
    const struct {
        bool positionMatching;
        const char *choose;  // the radio button clicked, or none
        bool base;           // the check box state
        int mode;
        bool delta;
    } cases[] = {
        {false, nullptr, true, 0, true},   // untouched
        {false, "1", false, 1, false},     // UV position, the box as it stands
        {false, "1", true, 1, true},
        {true, "1", true, 2, false},       // position never keeps the delta
        {true, "0", true, 0, false},
    };
    for (const auto &c : cases) {
        GUI::ImportOptions dialog(nullptr, c.positionMatching);
        EXPECT_EQ(Child<QRadioButton>(dialog, "1")->text(),
                  c.positionMatching ? QStringLiteral("Position") : QStringLiteral("UV Position"));
        if (c.choose)
            Child<QRadioButton>(dialog, c.choose)->setChecked(true);
        Child<QCheckBox>(dialog, "base")->setChecked(c.base);
        Child<QPushButton>(dialog, "OK")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.m_iMatchMode, c.mode) << c.positionMatching << c.choose;
        EXPECT_FLOAT_EQ(dialog.m_fTolerance, 0.001f);
        EXPECT_EQ(dialog.m_bDeltaToBase, c.delta) << c.positionMatching << c.choose;
    }
}

TEST_F(OptionDialogs, SubdivisionSwitchesChangeOnlyOnOK)
{
    SubdivisionOptions options{true, false, true, true};
    {
        GUI::SubdivOptions dialog(nullptr, options);
        EXPECT_TRUE(Child<QCheckBox>(dialog, "SmoothPositions")->isChecked());
        EXPECT_FALSE(Child<QCheckBox>(dialog, "SubdivideUVs")->isChecked());
        Child<QCheckBox>(dialog, "SmoothPositions")->setChecked(false);
        dialog.reject();
    }
    EXPECT_TRUE(options.smoothPositions);
    GUI::SubdivOptions dialog(nullptr, options);
    Child<QCheckBox>(dialog, "SmoothPositions")->setChecked(false);
    Child<QCheckBox>(dialog, "SubdivideUVs")->setChecked(true);
    Child<QPushButton>(dialog, "OK")->click();
    EXPECT_FALSE(options.smoothPositions);
    EXPECT_TRUE(options.subdivideUVs);
    EXPECT_TRUE(options.smoothUVs);
}

TEST_F(OptionDialogs, DrawOnCurveNeedsAtLeastTwoStamps)
{
    {
        GUI::DrawOnCurveOptions dialog(nullptr);
        Child<QPushButton>(dialog, "OK")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.m_iStamps, 12);
        EXPECT_FALSE(dialog.m_bEqualSpacing);
    }
    for (const char *text : {"", "1", "0", "-3", "x"}) {
        Recorder().Clear();
        GUI::DrawOnCurveOptions dialog(nullptr);
        Child<QLineEdit>(dialog, "NumberOfStamps")->setText(QString::fromLatin1(text));
        dialog.OnOK();
        EXPECT_NE(dialog.result(), QDialog::Accepted) << text;
        EXPECT_EQ(Recorder().messages.size(), 1) << text;
    }
    GUI::DrawOnCurveOptions dialog(nullptr);
    Child<QCheckBox>(dialog, "EqualSpacing")->setChecked(true);
    Child<QLineEdit>(dialog, "NumberOfStamps")->setText(QStringLiteral("2"));
    dialog.OnOK();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_iStamps, 2);
    EXPECT_TRUE(dialog.m_bEqualSpacing);
}

TEST_F(OptionDialogs, ExportOptionsFollowWhatTheMeshOffers)
{
    GUI::ExportOptions bare(nullptr, false, false);
    EXPECT_FALSE(Child<QCheckBox>(bare, "uvs")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>(bare, "uvs")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(bare, "separate")->isEnabled());
    Child<QPushButton>(bare, "OK")->click();
    EXPECT_FALSE(bare.m_bExportUVs);
    EXPECT_FALSE(bare.m_bSeparateFiles);

    GUI::ExportOptions full(nullptr, true, true);
    Child<QCheckBox>(full, "separate")->setChecked(true);
    Child<QPushButton>(full, "OK")->click();
    EXPECT_TRUE(full.m_bExportUVs);
    EXPECT_TRUE(full.m_bSeparateFiles);
}

TEST_F(OptionDialogs, ThePathWriteTestLeavesAUsersTestFileAlone)
{
    QTemporaryDir settings, data;
    QFile mine(settings.filePath(QStringLiteral("test.tmp")));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("keep me");
    mine.close();
    GUI::PathPreferences dialog(nullptr, settings.path() + QLatin1Char('/'), data.path());
    dialog.OnOK();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), QByteArray("keep me"));
}

TEST_F(OptionDialogs, FixedDialogsShowTheirWholeCaptionAndOfferNoMaximise)
{
    SubdivisionOptions switches{true, false, true, true};
    const std::unique_ptr<QDialog> dialogs[] = {
        std::make_unique<GUI::ExportOptions>(nullptr, true, true),
        std::make_unique<GUI::DrawOnCurveOptions>(nullptr),
        std::make_unique<GUI::ImportOptions>(nullptr, false),
        std::make_unique<GUI::SubdivOptions>(nullptr, switches),
    };
    for (const auto &dialog : dialogs) {
        const QString caption = dialog->windowTitle();
        SCOPED_TRACE(caption.toStdString());
        EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
        // The caption beside the title bar's icon and close button.
        EXPECT_GE(dialog->width(), dialog->fontMetrics().horizontalAdvance(caption) + 80);
        EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
    }
}

}  // namespace
