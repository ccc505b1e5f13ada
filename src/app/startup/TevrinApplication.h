#pragma once
// The application object of the interactive program: every event delivery is wrapped so
// that an error thrown while an event is handled is shown to the user and the event loop
// goes on.

#include <QApplication>

class TevrinApplication : public QApplication {
public:
    TevrinApplication(int &argc, char **argv);
    ~TevrinApplication() override;

    // QApplication::notify; false when the handler threw (the message is shown).
    bool notify(QObject *receiver, QEvent *event) override;
};

// The text shown for an exception that is not a General::Error.
QString UnknownErrorText();
