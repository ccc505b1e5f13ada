#include "GuiApplication.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace guitest {
namespace {

class GuiEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        s_pApplication = new QApplication(s_iArgc, s_aArgv);
    }

    static inline QApplication *s_pApplication = nullptr;
    static inline int s_iArgc = 1;
    static inline char s_sName[16] = "gui_tests";
    static inline char *s_aArgv[2] = {s_sName, nullptr};
};

testing::Environment *const s_pEnvironment = testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace

QApplication *Application() { return GuiEnvironment::s_pApplication; }

void AnswerNextModal(std::function<void(QWidget *)> answer)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    // Gives up after about five seconds, so a window that never opens leaves no timer behind.
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, ticks] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal || ++*ticks > 500) {
            timer->stop();
            timer->deleteLater();
        }
        if (modal)
            answer(modal);
    });
    timer->start();
}

}  // namespace guitest
