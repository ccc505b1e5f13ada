// The welcome window's flag: one value in the user's own settings.
#include "AppTestFolders.h"
#include "app/startup/CommandSwitches.h"
#include "app/welcome/WelcomeDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(Welcome, TheFlagIsOneUserValueAndOnlyTheLow28BitsCount)
{
    apptest::PrivateHome home;
    EXPECT_TRUE(ShouldShowWelcome()) << "a missing value shows the window";
    {
        WelcomeDlg dialog;
        dialog.GetCheckBox()->setChecked(true);
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(ReadWelcomeFlag(), 1u);
    EXPECT_FALSE(ShouldShowWelcome());
    {
        WelcomeDlg dialog;
        dialog.reject();  // closed without OK: nothing written
    }
    EXPECT_FALSE(ShouldShowWelcome());
    {
        WelcomeDlg dialog;
        dialog.accept();  // box clear
    }
    EXPECT_EQ(ReadWelcomeFlag(), 0u);
    EXPECT_TRUE(ShouldShowWelcome());
    WriteWelcomeFlag(0x10000000u);
    EXPECT_TRUE(ShouldShowWelcome());

    // One file under the user's configuration folder holds it, nothing else anywhere.
    QStringList files;
    QDirIterator it(home.Path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    ASSERT_EQ(files.size(), 1) << qPrintable(files.join(QLatin1Char(' ')));
    EXPECT_TRUE(files[0].startsWith(home.Path() + QStringLiteral("/config/"))) << qPrintable(files[0]);
}

// After the test above, which is the first to read the user's settings: their folder is
// fixed at the first read.
// An unattended first start shows no window that would wait for a person.
TEST(Welcome, AnUnattendedRunShowsNoWelcome)
{
    apptest::PrivateHome home;
    ASSERT_TRUE(ShouldShowWelcome());
    bool shown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<WelcomeDlg *>(QApplication::activeModalWidget())) {
            shown = true;
            dialog->reject();
        }
    });
    watch.start(10);
    CommandSwitches::s_bUnattended = true;
    ShowWelcomeIfWanted(nullptr);
    CommandSwitches::s_bUnattended = false;
    EXPECT_FALSE(shown);
    ShowWelcomeIfWanted(nullptr);
    EXPECT_TRUE(shown) << "an attended first start shows it";
}

}  // namespace
