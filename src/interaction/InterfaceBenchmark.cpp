// Recording the user's input as a benchmark script and playing such a script back, with
// timed sections and a score.
#include "interaction/Interface.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "interaction/benchmark/BenchmarkRecorder.h"
#include "interaction/benchmark/BenchmarkReport.h"
#include "interaction/benchmark/ScriptReader.h"
#include "platform/WholeFiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>

namespace {
constexpr qint64 kMaxScriptBytes = 64 << 20;
constexpr qint64 kMaxScriptLine = 4096;

// The numbers after a quoted path; missing ones (older scripts) read as -1.
int FieldAfterQuote(const QStringList &fields, int index)
{
    if (index >= fields.size())
        return -1;
    bool ok = false;
    const int value = fields[index].toInt(&ok);
    return ok ? value : 0;
}
}  // namespace

bool Interface::StartRecording(const QString &file)
{
    m_pRecorder = std::make_unique<BenchmarkRecorder>(file);
    if (m_pRecorder->IsOpen()) {
        m_cRandom.Seed(m_iStrokeSeed);
        return true;
    }
    m_pRecorder.reset();
    return false;
}

QString Interface::PlayBenchmark(const QString &name, bool *refused)
{
    // A missing script plays as an empty one; one that is no regular file, or past the
    // bounds (a recorded script of an hour's input is a few megabytes; a line is one event
    // or one section's name), or no text (whose words would be noise), is refused.
    const SmallFile file = ReadSmallFile(name, kMaxScriptBytes, kMaxScriptLine);
    QString error = file.error;
    if (file.outcome == SmallFile::Read) {
        const QString why = NotTextReason(file.bytes);
        if (!why.isEmpty())
            error = QCoreApplication::translate("Benchmark", "The benchmark script %1 cannot be played: %2.")
                        .arg(name, why);
    }
    if (file.outcome == SmallFile::Refused || !error.isEmpty()) {
        Log("%s\n", error.toUtf8().constData());
        if (refused)
            *refused = true;
        return error + QLatin1Char('\n');
    }
    ScriptReader reader(QString::fromUtf8(file.bytes).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    BenchmarkReport report;
    QElapsedTimer clock;
    clock.start();
    m_bPlayback = true;
    m_cRandom.Seed(m_iStrokeSeed);
    InteractionServices &host = InteractionHost();
    while (!reader.AtEnd()) {
        const QString word = reader.NextWord();
        if (word == QLatin1String("keypress") || word == QLatin1String("keyrelease")) {
            const bool press = word == QLatin1String("keypress");
            const int repeat = reader.NextInt();
            const int modifiers = reader.NextInt();
            const int key = reader.NextInt();
            const QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, key,
                                  Qt::KeyboardModifiers::fromInt(modifiers), QString(), repeat == 1, 1);
            if (press) {
                OnKeyPress(event);
            } else {
                OnKeyRelease(event);
                m_iCurrentKey = 0;
            }
        } else if (word == QLatin1String("inputbutton") || word == QLatin1String("inputmove")) {
            // The event loop does not run here: the frame a session would have drawn since
            // the last line (after an import the view has moved) is drawn now, so the pick
            // meets the mesh where the recorded pointer met it.
            host.PaintViewNow();
            InputState state;
            state.left = reader.NextInt() == 1;
            state.middle = reader.NextInt() == 1;
            state.right = reader.NextInt() == 1;
            state.pressure = reader.NextFloat();
            state.x = reader.NextFloat() * float(host.GetViewWidth());
            state.y = reader.NextFloat() * float(host.GetViewHeight());
            state.modifiers = uint32_t(reader.NextInt());
            if (word == QLatin1String("inputmove"))
                OnInputMove(state);
            else
                OnInputButton(state, reader.NextInt() == 1);
        } else if (word == QLatin1String("importobj")) {
            const QString line = reader.RestOfLine();
            const QString path = ScriptReader::Quoted(line);
            const QStringList fields = ScriptReader::AfterQuote(line);
            const bool import = FieldAfterQuote(fields, 0) == 1;
            const bool layer = FieldAfterQuote(fields, 1) == 1;
            // Older scripts have no mode: their layer flag stands for it.
            int mode = FieldAfterQuote(fields, 2);
            if (mode < 0)
                mode = layer ? 1 : 0;
            // As the open command did it: the active object and the view follow the import.
            OpenFile(mode != 0 || import, path, mode);
        } else if (word == QLatin1String("loadtev")) {
            const QString line = reader.RestOfLine();
            const bool merge = FieldAfterQuote(ScriptReader::AfterQuote(line), 0) == 1;
            OpenFile(merge, ScriptReader::Quoted(line), 0);
        } else if (word == QLatin1String("sectionstart")) {
            report.Start(ScriptReader::Quoted(reader.RestOfLine()), clock.elapsed());
            host.SetSceneCaption(report.SectionName());
        } else if (word == QLatin1String("sectionend")) {
            report.End(clock.elapsed());
        }
        // Any other word is skipped; the next word is read.
        General::Shell().ProcessEvents();
    }
    m_bPlayback = false;
    return report.Finish();
}
