#include "app/startup/Splash.h"

#include "foundation/images/Pictures.h"

#include <QGuiApplication>
#include <QSplashScreen>

#include <memory>
#include <new>

namespace Splash {

namespace {

std::unique_ptr<QSplashScreen> &Screen()
{
    static std::unique_ptr<QSplashScreen> screen;
    return screen;
}

}  // namespace

void Show()
{
    const QString platform = QGuiApplication::platformName();
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()) || platform == QLatin1String("offscreen") ||
        platform == QLatin1String("minimal"))
        return;
    try {
        Screen() = std::make_unique<QSplashScreen>(General::Pictures::Pixmap(QStringLiteral("Icons/splashScreen.png")));
    } catch (const std::bad_alloc &) {
        return;  // start-up goes on without it
    }
    Screen()->show();
    QCoreApplication::processEvents();
}

void Message(const QString &text)
{
    if (Screen()) {
        Screen()->showMessage(text, Qt::AlignLeft | Qt::AlignBottom, Qt::black);
        QCoreApplication::processEvents();
    }
}

void Finish(QWidget *window)
{
    if (Screen()) {
        Screen()->finish(window);
        Screen().reset();
    }
}

bool IsShown() { return Screen() != nullptr; }

}  // namespace Splash
