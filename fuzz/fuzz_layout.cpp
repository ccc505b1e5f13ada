// Reads arbitrary bytes as "ui.sav", the main window's layout of docks and bars, into a
// window of the same shape (four frames, a tool bar): only a whole file reaches Qt's
// reader of the state (which a damaged state can crash), and what it took is saved and
// restored again. Built as fuzz_layout_state, the bytes are the state itself and get a
// matching trailer, so that what reaches Qt is what the structural check let through.
#include "FuzzFile.h"
#include "app/settings/LayoutFile.h"
#include "platform/WholeFiles.h"

#include <QApplication>
#include <QDockWidget>
#include <QMainWindow>
#include <QToolBar>


extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Kept to the process's end, like the window below.
    new QApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Never destroyed: a floating frame's native window cannot outlive Qt's thread data at exit.
    static QMainWindow *const window = [] {
        auto *made = new QMainWindow;
        const struct {
            const char *name;
            Qt::DockWidgetArea area;
        } frames[] = {{"North", Qt::TopDockWidgetArea},
                      {"South", Qt::BottomDockWidgetArea},
                      {"East", Qt::RightDockWidgetArea},
                      {"West", Qt::LeftDockWidgetArea}};
        for (const auto &frame : frames) {
            auto *dock = new QDockWidget(QString::fromLatin1(frame.name), made);
            dock->setObjectName(QString::fromLatin1(frame.name));
            made->addDockWidget(frame.area, dock);
        }
        made->addToolBar(QStringLiteral("Tools"))->setObjectName(QStringLiteral("Tools"));
        return made;
    }();
#ifdef TEVRIN_FUZZ_REHASH
    const QByteArray bytes = LayoutFile::Compose(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
#else
    FuzzFile file(data, size, "ui.sav");
    const SmallFile read = ReadSmallFile(file.Path(), LayoutFile::kMaxBytes);
    if (read.outcome != SmallFile::Read)
        return 0;
    const QByteArray &bytes = read.bytes;
#endif
    QByteArray state;
    if (!LayoutFile::Parse(bytes, state))
        return 0;
    if (LayoutFile::Compose(state) != bytes)
        __builtin_trap();
    // What a start accepted is written back at exit in a form the next start accepts.
    if (LayoutFile::Restore(*window, bytes)) {
        const QByteArray saved = LayoutFile::Compose(window->saveState());
        if (!LayoutFile::Restore(*window, saved))
            __builtin_trap();
    }
    return 0;
}
