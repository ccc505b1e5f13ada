#include "gui/common/ModalDialogs.h"

#include <QCloseEvent>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

namespace GUI {

namespace {

// A message box ignores Escape and its close button unless one of its buttons stands for
// them: this one always closes, without a choice when no button does.
class QuestionBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    bool m_bHasEscape = false;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (!m_bHasEscape && event->matches(QKeySequence::Cancel)) {
            reject();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent *event) override
    {
        if (m_bHasEscape)
            QMessageBox::closeEvent(event);
        else
            QDialog::closeEvent(event);
    }
};

}  // namespace

QColor ModalDialogs::GetColor(const QColor &initial, QWidget *parent) { return QColorDialog::getColor(initial, parent); }

QString ModalDialogs::GetExistingDirectory(QWidget *parent, const QString &caption, const QString &start)
{
    return QFileDialog::getExistingDirectory(parent, caption, start, QFileDialog::ShowDirsOnly);
}

QString ModalDialogs::GetOpenFileName(QWidget *parent, const QString &caption, const QString &start,
                                      const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, start, filter);
}

QString ModalDialogs::GetSaveFileName(QWidget *parent, const QString &caption, const QString &start,
                                      const QString &filter, QString &chosenFilter)
{
    return QFileDialog::getSaveFileName(parent, caption, start, filter, &chosenFilter,
                                        QFileDialog::DontConfirmOverwrite);
}

int ModalDialogs::AskQuestion(QWidget *parent, const QString &title, const QString &text,
                              const QStringList &buttons, int byDefault, int escape)
{
    QuestionBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton *> made;
    for (const QString &label : buttons)
        made << (label.isEmpty() ? nullptr : box.addButton(label, QMessageBox::ActionRole));
    if (byDefault >= 0 && byDefault < made.size() && made[byDefault])
        box.setDefaultButton(qobject_cast<QPushButton *>(made[byDefault]));
    if (escape >= 0 && escape < made.size() && made[escape]) {
        box.setEscapeButton(made[escape]);
        box.m_bHasEscape = true;
    }
    box.exec();
    const int chosen = box.clickedButton() ? int(made.indexOf(box.clickedButton())) : -1;
    return chosen < 0 ? escape : chosen;
}

bool ModalDialogs::AskYesNo(QWidget *parent, const QString &title, const QString &text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

bool ModalDialogs::GetText(QWidget *parent, const QString &title, const QString &label, QString &text)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, &ok);
    if (ok)
        text = answer;
    return ok;
}

QStringList ModalDialogs::GetOpenFileNames(QWidget *parent, const QString &caption, const QString &folder,
                                           const QString &filter)
{
    return QFileDialog::getOpenFileNames(parent, caption, folder, filter);
}

QString ModalDialogs::GetFileName(QWidget *parent, const QString &caption, const QString &folder,
                                 const QString &filter, bool open)
{
    return open ? QFileDialog::getOpenFileName(parent, caption, folder, filter)
                : QFileDialog::getSaveFileName(parent, caption, folder, filter);
}

bool ModalDialogs::Run(QDialog &dialog) { return dialog.exec() == QDialog::Accepted; }

QAction *ModalDialogs::ExecMenu(QMenu &menu, const QPoint &globalPosition) { return menu.exec(globalPosition); }

}  // namespace GUI
