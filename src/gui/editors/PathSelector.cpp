#include "gui/editors/PathSelector.h"

#include "gui/common/ModalDialogs.h"

#include <QResizeEvent>

#include <algorithm>

namespace GUI {

PathSelector::PathSelector(QWidget *parent) : QWidget(parent), m_cEdit(this), m_cBrowse(QStringLiteral("..."), this)
{
    m_cBrowse.setFixedWidth(30);
}

void PathSelector::resizeEvent(QResizeEvent *event)
{
    const QSize size = event->size();
    m_cEdit.setFixedSize(std::max(size.width() - 35, 0), size.height());
    m_cBrowse.move(size.width() - 30, 0);
    m_cBrowse.setFixedHeight(size.height());
    QWidget::resizeEvent(event);
}

FileSelector::FileSelector(int mode, QWidget *parent) : PathSelector(parent), m_iMode(mode)
{
    connect(&m_cBrowse, &QPushButton::pressed, this, &FileSelector::OnBrowse);
}

QString FileSelector::GetDirectory() const
{
    QString path = m_cEdit.text();
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('/');
    return path;
}

void FileSelector::OnBrowse()
{
    if (m_iMode != 0)
        return;
    const QString path =
        Modals().GetExistingDirectory(window(), tr("Choose a directory for output maps"), QStringLiteral("."));
    if (!path.isEmpty())
        m_cEdit.setText(path);
}

MapSelector::MapSelector(QWidget *parent) : PathSelector(parent) { m_cBrowse.setDefault(false); }

}  // namespace GUI
