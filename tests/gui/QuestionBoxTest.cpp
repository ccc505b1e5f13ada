#include "GuiApplication.h"
#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/OptionDialogs.h"
#include "gui/dialogs/PathPreferences.h"
#include "support/RecordingShell.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

namespace {

// How a person leaves a window without choosing: Escape, or the close button (the window
// manager's close request).
enum class Leave { Escape, CloseButton };
const char *Name(Leave how) { return how == Leave::Escape ? "Escape" : "close button"; }

// Leaves the next modal window by `how`; a window that stays is noted and answered by its
// first button, so no test waits.
void LeaveNextModal(Leave how, bool &stayed)
{
    stayed = false;
    guitest::AnswerNextModal([how, &stayed](QWidget *modal) {
        if (how == Leave::Escape)
            QTest::keyClick(modal, Qt::Key_Escape);
        else
            modal->close();
        if (!modal->isVisible())
            return;
        stayed = true;
        if (auto *box = qobject_cast<QMessageBox *>(modal); box && !box->buttons().isEmpty())
            box->buttons().first()->click();
        else
            modal->hide();
    });
}

class QuestionBoxes : public ::testing::Test {
protected:
    void SetUp() override
    {
        guitest::Application();
        Recorder().Clear();
    }
    GUI::ModalDialogs m_cDialogs;  // the real boxes, not the scripted answers of other tests
};

TEST_F(QuestionBoxes, EscapeAndTheCloseButtonGiveTheAnswerThatChangesNothing)
{
    const QString ok = QStringLiteral("OK"), cancel = QStringLiteral("Cancel");
    const struct {
        const char *what;
        QStringList buttons;
        int byDefault;
        int escape;
    } cases[] = {
        {"move levels", {ok, cancel}, 1, 1},
        {"save before", {QStringLiteral("Save"), QStringLiteral("Don't save"), cancel}, 0, 2},
        {"overwrite", {QStringLiteral("Yes"), QStringLiteral("No"), cancel}, 0, 2},
        // No button stands for leaving: the box still closes, without a choice.
        {"no cancel button", {QStringLiteral("Left"), QStringLiteral("Right")}, 0, -1},
    };
    for (const auto &c : cases)
        for (Leave how : {Leave::Escape, Leave::CloseButton}) {
            bool stayed = false;
            LeaveNextModal(how, stayed);
            const int answer = m_cDialogs.AskQuestion(nullptr, QStringLiteral("Question"), QString::fromLatin1(c.what),
                                                      c.buttons, c.byDefault, c.escape);
            EXPECT_FALSE(stayed) << c.what << " stays open after " << Name(how);
            if (!stayed)
                EXPECT_EQ(answer, c.escape) << c.what << " by " << Name(how);
        }
}

TEST_F(QuestionBoxes, AnEmptyLabelMakesNoButton)
{
    QStringList seen;
    guitest::AnswerNextModal([&seen](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        for (QAbstractButton *button : box->buttons())
            seen << button->text();
        box->buttons().first()->click();
    });
    m_cDialogs.AskQuestion(nullptr, QStringLiteral("Question"), QStringLiteral("text"),
                           {QStringLiteral("OK"), QStringLiteral("Cancel"), QString()}, 1, 1);
    seen.sort();
    EXPECT_EQ(seen, QStringList({QStringLiteral("Cancel"), QStringLiteral("OK")}));
}

TEST_F(QuestionBoxes, YesNoAnswersNoAndTheOptionDialogsCancel)
{
    for (Leave how : {Leave::Escape, Leave::CloseButton}) {
        bool stayed = false;
        LeaveNextModal(how, stayed);
        // The settings take-over and a hotkey already in use: No keeps what there is.
        EXPECT_FALSE(m_cDialogs.AskYesNo(nullptr, QStringLiteral("Settings file found"), QStringLiteral("Copy?")))
            << Name(how);
        EXPECT_FALSE(stayed) << "a yes/no question stays open after " << Name(how);

        const std::function<QDialog *()> makers[] = {
            [] { return new GUI::ExportOptions(nullptr, true, true); },
            [] { return new GUI::DrawOnCurveOptions(nullptr); },
            [] { return new GUI::ImportOptions(nullptr, false); },
            [] { return new GUI::PathPreferences(nullptr, QStringLiteral("/tmp"), QStringLiteral("/tmp")); },
        };
        for (const auto &make : makers) {
            std::unique_ptr<QDialog> dialog(make());
            LeaveNextModal(how, stayed);
            EXPECT_FALSE(m_cDialogs.Run(*dialog)) << dialog->windowTitle().toStdString() << " by " << Name(how);
            EXPECT_FALSE(stayed) << dialog->windowTitle().toStdString() << " stays open after " << Name(how);
        }
    }
}

}  // namespace
