#include "gui/common/ModalDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>

namespace GUI {

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
