// The event wrapper, the event loop's start and the out-of-memory handling.
#include "app/InteractiveRoad.h"
#include "app/startup/OutOfMemory.h"
#include "app/startup/TevrinApplication.h"
#include "foundation/Containers.h"
#include "foundation/Diagnostics.h"
#include "foundation/Memory.h"
#include "support/RecordingShell.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <new>

namespace {

// Throws what it is given from its event handler.
class Thrower : public QObject {
public:
    explicit Thrower(std::function<void()> act) : m_fAct(std::move(act)) {}
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            m_fAct();
        return QObject::event(event);
    }

private:
    std::function<void()> m_fAct;
};

bool Deliver(Thrower &receiver)
{
    QEvent event(QEvent::User);
    return QCoreApplication::sendEvent(&receiver, &event);
}

// A main window whose close the person may cancel (a question about unsaved changes).
class MainWindow : public QWidget {
public:
    bool refuses = false;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (refuses)
            event->ignore();
        else
            QWidget::closeEvent(event);
    }
};

}  // namespace

// A close (Ctrl+Q, the close button) handled while the start still processes events (the
// splash's message, a file's progress) comes before any event loop: the loop must not be
// entered, or the run would go on with no window for good. A close cancelled keeps the loop.
TEST(InteractiveRoad, AMainWindowClosedBeforeTheLoopRunsEndsTheRun)
{
    constexpr int kStillRunning = 7;
    for (const bool refuses : {false, true}) {
        SCOPED_TRACE(refuses ? "close cancelled" : "close accepted");
        MainWindow window;
        window.refuses = refuses;
        window.show();
        QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        ASSERT_EQ(window.isHidden(), !refuses);
        // A loop that runs is ended from outside after a while.
        QTimer outside;
        outside.setSingleShot(true);
        QObject::connect(&outside, &QTimer::timeout, [] { QCoreApplication::exit(kStillRunning); });
        outside.start(refuses ? 0 : 3000);
        EXPECT_EQ(RunEventLoop(window), refuses ? kStillRunning : 0);
    }
}

TEST(TevrinApplication, AnErrorThrownWhileAnEventIsHandledIsShownOnceAndTheLoopGoesOn)
{
    const struct {
        const char *what;
        std::function<void()> act;
        QString message;
    } cases[] = {
        {"error pointer", [] { throw new General::Error(1, QStringLiteral("Lowres mesh is not specified")); },
         QStringLiteral("Lowres mesh is not specified")},
        {"error value", [] { throw General::Error(1, QStringLiteral("No faces selected")); },
         QStringLiteral("No faces selected")},
        {"integer", [] { throw 7; }, UnknownErrorText()},
        {"out of memory", [] { throw std::bad_alloc(); }, UnknownErrorText()},
    };
    for (const auto &c : cases) {
        Recorder().messages.clear();
        Thrower receiver(c.act);
        EXPECT_FALSE(Deliver(receiver)) << c.what;
        EXPECT_EQ(Recorder().messages, QStringList{c.message}) << c.what;
    }
    Recorder().messages.clear();
    Thrower quiet([] {});
    Deliver(quiet);
    EXPECT_TRUE(Recorder().messages.isEmpty());
    EXPECT_TRUE(UnknownErrorText().startsWith(QLatin1String("An unknown error has occured")));
}

TEST(OutOfMemory, TheMessageGivesTheSizeAndTheAllocatingContainer)
{
    const QString plain = OutOfMemoryMessage(104857600);
    EXPECT_TRUE(plain.startsWith(QLatin1String("Memory allocation for 100.00 MB failed.\n\n "))) << qPrintable(plain);
    EXPECT_FALSE(plain.contains(QLatin1String("Allocator:")));
    EXPECT_TRUE(plain.contains(QLatin1String(" physical memory\n")));
    EXPECT_TRUE(plain.contains(QLatin1String("Memory load: ")));
    // 100 MB exists in pieces on any machine that runs the tests.
    EXPECT_TRUE(plain.endsWith(QLatin1String("Fragmentation problem\n"))) << qPrintable(plain);

    General::SetCurrentAllocator("btree faceinfo");
    const QString named = OutOfMemoryMessage(104857600);
    General::SetCurrentAllocator(nullptr);
    EXPECT_TRUE(named.startsWith(QLatin1String("Memory allocation for 100.00 MB failed.\n Allocator: btree faceinfo\n\n ")))
        << qPrintable(named);
}

TEST(OutOfMemory, TheHandlerLogsOnceAndEndsTheAllocation)
{
    EXPECT_THROW(OutOfMemoryHandler(2097152), std::bad_alloc);
    EXPECT_EQ(Recorder().log.count(QLatin1String("Memory allocation for 2.00 MB failed.")), 1) << qPrintable(Recorder().log);

    // Installed, it ends the failed request instead of letting operator new ask again.
    const std::new_handler before = std::get_new_handler();
    InstallOutOfMemoryHandler();
    const std::new_handler installed = std::get_new_handler();
    std::set_new_handler(before);
    ASSERT_NE(installed, nullptr);
    EXPECT_THROW(installed(), std::bad_alloc);
    EXPECT_EQ(Recorder().log.count(QLatin1String("Memory allocation failed.")), 1) << qPrintable(Recorder().log);
}

TEST(OutOfMemory, ALimitSetByTheCommandLineRefusesContainersAndTheProgramGoesOn)
{
    General::SetMemoryLimit(General::GetCountedMemory() + 4096);
    General::Store<int> store("limit test");
    EXPECT_FALSE(store.SetItemCount(1 << 20, false));
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("Cannot allocate array for 1048576 items. (4194304 bytes)")))
        << qPrintable(Recorder().log);
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("ID is [limit test]")));
    EXPECT_TRUE(store.SetItemCount(16, false));
    General::SetMemoryLimit(~uint64_t(0));
}
