#pragma once
// The application object of the interactive program: every event delivery is wrapped so
// that an error thrown while an event is handled is shown to the user and the event loop
// goes on.

#include <QApplication>

#include <memory>

class TevrinApplication : public QApplication {
public:
    TevrinApplication(int &argc, char **argv);
    ~TevrinApplication() override;

    // QApplication::notify; false when the handler threw (the message is shown).
    bool notify(QObject *receiver, QEvent *event) override;
};

// The application object, or, when the window system cannot be reached (no display), one
// line on standard error saying so and the end of the process with code 255: Qt would
// abort instead, after several lines of its own.
std::unique_ptr<TevrinApplication> MakeApplicationOrExit(int &argc, char **argv);

// The text shown for an exception that is not a General::Error.
QString UnknownErrorText();
