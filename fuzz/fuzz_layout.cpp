// Reads arbitrary bytes as "ui.sav", the main window's layout of docks and bars, into a
// window of the same shape (four frames, a tool bar): only a whole file reaches Qt's
// reader of the state (which a damaged state can crash), and what it took is saved and
// restored again.
#include "FuzzFile.h"
#include "app/settings/LayoutFile.h"
#include "platform/WholeFiles.h"

#include <QApplication>
#include <QDockWidget>
#include <QMainWindow>
#include <QToolBar>

#include <memory>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static std::unique_ptr<QMainWindow> window = [] {
        auto made = std::make_unique<QMainWindow>();
        const struct {
            const char *name;
            Qt::DockWidgetArea area;
        } frames[] = {{"North", Qt::TopDockWidgetArea},
                      {"South", Qt::BottomDockWidgetArea},
                      {"East", Qt::RightDockWidgetArea},
                      {"West", Qt::LeftDockWidgetArea}};
        for (const auto &frame : frames) {
            auto *dock = new QDockWidget(QString::fromLatin1(frame.name), made.get());
            dock->setObjectName(QString::fromLatin1(frame.name));
            made->addDockWidget(frame.area, dock);
        }
        made->addToolBar(QStringLiteral("Tools"))->setObjectName(QStringLiteral("Tools"));
        return made;
    }();
    FuzzFile file(data, size, "ui.sav");
    const SmallFile read = ReadSmallFile(file.Path(), LayoutFile::kMaxBytes);
    QByteArray state;
    if (read.outcome != SmallFile::Read || !LayoutFile::Parse(read.bytes, state))
        return 0;
    if (LayoutFile::Compose(state) != read.bytes)
        __builtin_trap();
    if (window->restoreState(state)) {
        const QByteArray state = window->saveState();
        if (!window->restoreState(state))
            __builtin_trap();
    }
    return 0;
}
