#include "FileFixtures.h"

#include "interaction/benchmark/BenchmarkRecorder.h"
#include "interaction/benchmark/BenchmarkReport.h"
#include "mesh/object/Object.h"
#include "operations/selection/SelectionHost.h"

#include <QKeyEvent>
#include <QTextStream>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

namespace {

TEST(BenchmarkReport, SectionsAreTimedAndScored)
{
    BenchmarkReport report;
    report.Start(QStringLiteral("first"), 1000);
    EXPECT_TRUE(report.End(3000));
    report.Start(QString(), 5000);
    EXPECT_TRUE(report.End(8000));
    // An end without a start measures nothing.
    EXPECT_FALSE(report.End(9000));
    EXPECT_EQ(report.Finish(), QStringLiteral("first: 2.000000 secs\n: 3.000000 secs\nOverall score: 1000\n"));
}

// 5000 divided by no time at all has no value: the report says that no section ran.
TEST(BenchmarkReport, WithoutSectionsThereIsNoScore)
{
    EXPECT_EQ(BenchmarkReport().Finish(), QStringLiteral("No section ran: no overall score\n"));
    BenchmarkReport instant;
    instant.Start(QStringLiteral("instant"), 10);
    instant.End(10);
    EXPECT_TRUE(instant.Finish().endsWith(QLatin1String("Overall score: 0\n")));
}

class Benchmark : public FileTest {
protected:
    void TearDown() override
    {
        Operations::SelectionHost::Install(nullptr);
        FileTest::TearDown();
    }
    QString Script() const { return Path(QStringLiteral("benchmark")); }
    QStringList ScriptLines() const
    {
        QFile file(Script());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    void WriteScript(const QString &text) const
    {
        QFile file(Script());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        m_interface->OnKeyPress(QKeyEvent(QEvent::KeyPress, key, modifiers));
        m_interface->OnKeyRelease(QKeyEvent(QEvent::KeyRelease, key, modifiers));
    }
    // Window pixels: the view sits at (10, 20).
    void Click(float x, float y, uint32_t qtModifiers = 0)
    {
        InputState state;
        state.x = x;
        state.y = y;
        state.left = 1;
        state.modifiers = qtModifiers;
        m_interface->OnInputButton(state, true);
        state.left = 0;
        m_interface->OnInputButton(state, false);
    }
};

TEST_F(Benchmark, InputIsRecordedOneLinePerEvent)
{
    ASSERT_TRUE(m_interface->StartRecording(Script()));
    Watch("Draw", true);
    m_interface->OnKeyPress(QKeyEvent(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier));
    InputState state;
    state.x = 110.0f;
    state.y = 70.0f;
    state.left = 1;
    m_interface->OnInputButton(state, true);
    state.x = 100.0f / 3.0f;
    state.y = 25.0f;
    state.pressure = 0.7f;
    m_interface->OnInputMove(state);
    m_interface->OpenFile(true, Cube(), 0);
    const QStringList lines = ScriptLines();
    ASSERT_EQ(lines.size(), 4) << qPrintable(lines.join('\n'));
    EXPECT_EQ(lines[0], QStringLiteral("keypress 0 0 87"));
    EXPECT_EQ(lines[1], QStringLiteral("inputbutton 1 0 0 1 0.5 0.5 0 1"));
    // Round-trip precision: every float reads back exactly.
    const QStringList move = lines[2].split(QLatin1Char(' '));
    ASSERT_EQ(move.size(), 8);
    EXPECT_EQ(move[4], QStringLiteral("0.699999988"));
    EXPECT_EQ(move[5].toFloat(), state.x / 200.0f);
    EXPECT_EQ(move.mid(6), QStringList({QStringLiteral("0.25"), QStringLiteral("0")}));
    EXPECT_EQ(lines[3], QStringLiteral("importobj \"%1\" 1 0 0").arg(Cube()));
}

TEST_F(Benchmark, PlaybackReplaysEventsAtTheRecordedPositions)
{
    Watch("Draw", true);
    Watch("Rotate around", true);
    // A comment word and stray numbers are skipped; Alt comes from the recorded bits, not the keyboard.
    WriteScript(QStringLiteral("comment 12 3.5\n"
                               "inputbutton 1 0 0 1 0.25 0.5 0 1\n"
                               "inputbutton 0 0 0 1 0.25 0.5 0 0\n"
                               "inputbutton 1 0 0 1 0.75 0.5 65536 1\n"
                               "inputbutton 0 0 0 1 0.75 0.5 65536 0\n"));
    const QString report = m_interface->PlayBenchmark(Script());
    EXPECT_EQ(m_events, QStringList({QStringLiteral("Draw 1"), QStringLiteral("Rotate around 1")}));
    // 0.25 of the 200-pixel view.
    ASSERT_FALSE(m_toolLog.isEmpty());
    EXPECT_EQ(m_toolLog.first(), QStringLiteral("begin 0.25 0.5"));
    EXPECT_EQ(report, QStringLiteral("No section ran: no overall score\n"));
    EXPECT_FALSE(m_interface->m_bPlayback);
    // A missing script plays as an empty one.
    EXPECT_EQ(m_interface->PlayBenchmark(Path(QStringLiteral("none"))),
              QStringLiteral("No section ran: no overall score\n"));
}

TEST_F(Benchmark, AScriptThatIsNoRegularFileOrPastTheBoundsIsRefusedAndNothingPlays)
{
    Watch("Draw", true);
    const QString fifo = Path(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
    // A 2 GB script of no blocks, and a section whose name is one 1 MB line.
    WriteScript(QStringLiteral("inputbutton 1 0 0 1 0.25 0.5 0 1\n"));
    const QString huge = Path(QStringLiteral("huge"));
    ASSERT_TRUE(QFile::copy(Script(), huge));
    ASSERT_EQ(::truncate(QFile::encodeName(huge).constData(), 2LL << 30), 0);
    WriteScript(QStringLiteral("inputbutton 1 0 0 1 0.25 0.5 0 1\nsection \"") + QString(1 << 20, QLatin1Char('x')) +
                QStringLiteral("\"\nendsection\n"));
    for (const QString &script : {fifo, huge, Script()}) {
        SCOPED_TRACE(script.toStdString());
        const QString report = m_interface->PlayBenchmark(script);
        EXPECT_TRUE(report.contains(script)) << report.toStdString();
        EXPECT_TRUE(m_events.isEmpty());
        EXPECT_FALSE(m_interface->m_bPlayback);
    }
}

TEST_F(Benchmark, FileLinesReplayTheirModeAndQuotedPathsWithSpaces)
{
    const QString spaced = Path(QStringLiteral("a cube.obj"));
    ASSERT_TRUE(QFile::copy(Cube(), spaced));
    WriteScript(QStringLiteral("sectionstart \"load\"\nimportobj \"%1\" 1 0\nsectionend\n"
                               "importobj \"%1\" 1 0 0\n")
                    .arg(spaced));
    const QString report = m_interface->PlayBenchmark(Script());
    EXPECT_EQ(m_scene->GetObjectCount(), 2);
    EXPECT_TRUE(report.startsWith(QLatin1String("load: "))) << qPrintable(report);
    EXPECT_TRUE(report.contains(QLatin1String("Overall score: "))) << qPrintable(report);
    EXPECT_EQ(m_captions.captions, QStringList({QStringLiteral("load")}));

    // A layer import replays as one: no new object, a layer on the active object.
    m_interface->SetActiveObject(m_scene->m_pObjects);
    const int layers = m_scene->m_pObjects->LayerCount();
    WriteScript(QStringLiteral("importobj \"%1\" 1 1 1\n").arg(spaced));
    m_interface->PlayBenchmark(Script());
    EXPECT_EQ(m_scene->GetObjectCount(), 2);
    EXPECT_EQ(m_scene->m_pObjects->LayerCount(), layers + 1);
    EXPECT_TRUE(m_files.calls.isEmpty()) << "no options dialog in playback";

    // A merging scene load replays as a merge.
    const QString saved = Path(QStringLiteral("merge me.tev"));
    ASSERT_TRUE(m_scene->Save(saved, true));
    WriteScript(QStringLiteral("loadtev \"%1\" 1\n").arg(saved));
    m_interface->PlayBenchmark(Script());
    EXPECT_EQ(m_scene->GetObjectCount(), 4);
}

// A recorded Ctrl+O replays no dialog: the recorded file line that follows does the open.
TEST_F(Benchmark, PlaybackOpensNoDialogs)
{
    m_scene->m_bModified = true;
    WriteScript(QStringLiteral("keypress 0 67108864 79\nkeyrelease 0 67108864 79\n"
                               "keypress 0 67108864 83\nkeyrelease 0 67108864 83\n"));
    m_interface->PlayBenchmark(Script());
    EXPECT_TRUE(m_files.calls.isEmpty()) << qPrintable(m_files.calls.join(','));
    EXPECT_TRUE(Recorder().boxes.isEmpty());
}

// A recorded session played back gives the same scene, byte for byte, and so does a
// second playback.
TEST_F(Benchmark, APlayedBackSessionEqualsTheRecordedOne)
{
    ASSERT_TRUE(m_interface->StartRecording(Script()));
    m_interface->OpenFile(false, Cube(), 0);
    ASSERT_EQ(m_scene->GetObjectCount(), 1);
    Key(Qt::Key_A, Qt::ControlModifier);  // select all
    Key(Qt::Key_D, Qt::ShiftModifier);    // subdivide
    Key(Qt::Key_D, Qt::ShiftModifier);
    Key(Qt::Key_PageDown);                // a level down
    Key(Qt::Key_PageUp);                  // and up again
    Key(Qt::Key_H);                       // hide the selection
    Key(Qt::Key_Z, Qt::ControlModifier);  // undo the hide
    Click(60.0f, 50.0f);
    const int levels = m_scene->m_pObjects->LevelCount();
    ASSERT_GE(levels, 2);
    // The objects, not the whole scene stream: the camera that frames an import may move
    // on a clock.
    const QByteArray recorded = ObjectBytes();
    m_interface.reset();  // the recording ends with the controller

    m_interface = std::make_unique<Interface>();
    for (int pass = 0; pass < 2; ++pass) {
        m_scene->Clear(true);
        m_interface->PlayBenchmark(Script());
        ASSERT_NE(m_scene->m_pObjects, nullptr);
        EXPECT_EQ(m_scene->m_pObjects->LevelCount(), levels);
        EXPECT_TRUE(ObjectBytes() == recorded) << "pass " << pass;
    }
}

}  // namespace
