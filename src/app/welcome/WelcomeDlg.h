#pragma once
// The welcome window of an interactive start, and the flag that turns it off: one value
// "Welcome" in the user's own settings (low 28 bits zero: show the window).

#include <QDialog>

class QCheckBox;

// The stored value; 0 when it is missing.
uint32_t ReadWelcomeFlag();
void WriteWelcomeFlag(uint32_t value);
// Whether a start shows the welcome window.
bool ShouldShowWelcome();
// The interactive start's step: the window, modal over `window`, unless the user turned
// it off or a benchmark plays back.
void ShowWelcomeIfWanted(QWidget *window);

class WelcomeDlg : public QDialog {
    Q_OBJECT

public:
    explicit WelcomeDlg(QWidget *parent = nullptr);

    QCheckBox *GetCheckBox() const { return m_pCheckBox; }

    // The local documentation index, whatever the link said.
    static QString DocumentationIndex();
    // Opens the index with the desktop's program for it; without one the status line says
    // so and names the page, so that it can be opened by hand.
    static void OpenDocumentation();

public slots:
    void on_anchor_clicked(const QString &link);
    // Stores 1 when "Do not display this window again" is ticked, else 0, then closes.
    void accept() override;

private:
    QCheckBox *m_pCheckBox;
};
