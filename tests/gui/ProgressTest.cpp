#include "GuiApplication.h"
#include "ObjectFixtures.h"
#include "SubdivisionFixtures.h"
#include "foundation/Diagnostics.h"
#include "foundation/Progress.h"
#include "gui/progress/ProgressShell.h"
#include "support/RecordingShell.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// The real progress display installed as the program's shell, noting what the status
// line and the bar showed at each step.
class DisplayShell : public GUI::ProgressShell {
public:
    DisplayShell() { General::InstallShell(this); }
    ~DisplayShell() override { General::InstallShell(&Recorder()); }

    void SetStatusMessage(const QString &text, int) override { statusTexts << text; }
    void ProgressSet(uint64_t value) override
    {
        GUI::ProgressShell::ProgressSet(value);
        shownValues.push_back(GetBar()->GetValue());
        if (GetBar()->IsRunning())
            visibleWhileSet = visibleWhileSet && !GetBar()->isHidden();
    }

    QStringList statusTexts;
    std::vector<uint64_t> shownValues;
    bool visibleWhileSet = true;
};

class ProgressDisplay : public testing::Test {
protected:
    void TearDown() override
    {
        // A failing test must not leave a wait cursor for the next one.
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    QWidget m_holder;
    DisplayShell m_shell;
};

QRgb Pixel(GUI::ProgressBar &bar, int x, int y) { return bar.grab().toImage().pixel(x, y); }

// Whether the percentage text left white pixels in its place at the bar's left.
bool ShowsText(GUI::ProgressBar &bar)
{
    const QImage image = bar.grab().toImage();
    for (int y = 2; y < 16; ++y)
        for (int x = 4; x < 40; ++x)
            if (image.pixel(x, y) == qRgb(255, 255, 255))
                return true;
    return false;
}

TEST_F(ProgressDisplay, HalfOfAThousandFillsHalfTheBarAndReadsFiftyPercent)
{
    m_shell.SetProgressHolder(&m_holder);
    m_shell.ProgressStart("reading...", 1000);
    GUI::ProgressBar *bar = m_shell.GetBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->parentWidget(), &m_holder);
    EXPECT_EQ(bar->size(), QSize(100, 18));
    EXPECT_EQ(m_shell.statusTexts, QStringList{"reading..."});

    m_shell.ProgressSet(500);
    EXPECT_EQ(bar->FillWidth(), 48);
    EXPECT_EQ(bar->PercentText(), "50%");
    const QRgb fill = qRgb(0, 128, 255);
    EXPECT_EQ(Pixel(*bar, 2, 15), fill);
    EXPECT_EQ(Pixel(*bar, 49, 15), fill);
    EXPECT_NE(Pixel(*bar, 50, 15), fill);
    EXPECT_NE(Pixel(*bar, 97, 15), fill);
    EXPECT_TRUE(ShowsText(*bar));

    m_shell.ProgressSet(1000);
    EXPECT_EQ(bar->FillWidth(), 96);
    EXPECT_EQ(bar->PercentText(), "100%");
    m_shell.ProgressEnd();
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(m_shell.statusTexts.last(), "");
}

TEST_F(ProgressDisplay, AZeroTotalShowsNoFillAndNoText)
{
    m_shell.ProgressStart("nothing to do", 0);
    GUI::ProgressBar *bar = m_shell.GetBar();
    m_shell.ProgressSet(0);
    EXPECT_EQ(bar->FillWidth(), 0);
    EXPECT_TRUE(bar->PercentText().isEmpty());
    EXPECT_NE(Pixel(*bar, 2, 9), qRgb(0, 128, 255));
    EXPECT_FALSE(ShowsText(*bar));
    m_shell.ProgressEnd();
}

TEST_F(ProgressDisplay, ValuesOutsideTheTotalAreIgnored)
{
    m_shell.ProgressStart("writing...", 10);
    GUI::ProgressBar *bar = m_shell.GetBar();
    m_shell.ProgressSet(4);
    for (uint64_t wrong : {uint64_t(11), ~uint64_t(0), uint64_t(1) << 40})
        bar->SetProgress(wrong);
    EXPECT_EQ(bar->GetValue(), 4u);
    m_shell.ProgressEnd();
    // A value that arrives after the run ended does not bring the bar back.
    m_shell.ProgressSet(5);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(bar->GetValue(), 4u);
}

TEST_F(ProgressDisplay, ALaterRunReusesTheBarFromZeroWithItsOwnText)
{
    m_shell.ProgressStart("first", 10);
    GUI::ProgressBar *bar = m_shell.GetBar();
    m_shell.ProgressSet(7);
    m_shell.ProgressEnd();
    m_shell.ProgressStart("second", 20);
    EXPECT_EQ(m_shell.GetBar(), bar);
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(bar->GetValue(), 0u);
    EXPECT_EQ(bar->GetTotal(), 20u);
    EXPECT_EQ(m_shell.statusTexts, (QStringList{"first", "", "second"}));
    m_shell.ProgressEnd();
}

TEST_F(ProgressDisplay, TheWaitCursorShowsOncePerRunAndNeverOutlivesIt)
{
    m_shell.ProgressStart("one", 10);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    // A run started again before it ended, then ended twice, still leaves no cursor.
    m_shell.ProgressStart("again", 10);
    m_shell.ProgressEnd();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    m_shell.ProgressEnd();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // An error thrown in the middle of a guarded run takes the cursor and the bar down too.
    try {
        General::ProgressRun run("failing...", 100, 100);
        General::Progress().Advance(50);
        throw General::Error(1, "out of disk");
    } catch (const General::Error &) {
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(m_shell.GetBar()->isHidden());
}

TEST_F(ProgressDisplay, SubdividingALevelDrivesTheDisplay)
{
    fixtures::ModelFixture model;
    fixtures::RecordingMeshHost host;
    std::unique_ptr<Object> object = SubdivisionFixtures::MakeObject(*SubdivisionFixtures::MakeJitteredCube());
    m_shell.SetProgressHolder(&m_holder);
    ASSERT_TRUE(object->Subdivide());

    ASSERT_NE(m_shell.GetBar(), nullptr);
    EXPECT_TRUE(m_shell.statusTexts.contains("subdividing..."));
    ASSERT_FALSE(m_shell.shownValues.empty());
    EXPECT_TRUE(m_shell.visibleWhileSet);
    EXPECT_TRUE(m_shell.GetBar()->isHidden());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
