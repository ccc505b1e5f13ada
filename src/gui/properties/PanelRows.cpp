#include "gui/properties/PanelRows.h"

#include "gui/common/ModalDialogs.h"
#include "gui/layouts/CollapsableFrame.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace GUI {

QVBoxLayout *MakePanelLayout(QWidget *panel)
{
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setAlignment(Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setSpacing(4);
    return layout;
}

CollapsableFrame *AddGroup(QWidget *panel, QVBoxLayout *layout, const QString &title)
{
    auto *frame = new CollapsableFrame(title, panel);
    if (title.isEmpty())
        frame->SetCollapsible(false);
    layout->addWidget(frame, 0);
    return frame;
}

QLabel *AddCaptionRow(CollapsableFrame *frame, const QString &caption, QWidget *editor)
{
    if (caption.isEmpty()) {
        frame->AddRow(new QWidget(frame), editor);
        return nullptr;
    }
    auto *label = new QLabel(caption, frame);
    label->setObjectName(editor->objectName() + QStringLiteral("_label"));
    frame->AlignLabel(label);
    frame->AddRow(label, editor);
    return label;
}

QFrame *MakeColorSwatch(QWidget *parent, const QString &name, QObject *filter)
{
    auto *swatch = new QFrame(parent);
    swatch->setObjectName(name);
    swatch->setAutoFillBackground(true);
    swatch->setFixedSize(60, 16);
    swatch->setFrameShape(QFrame::Box);
    swatch->installEventFilter(filter);
    return swatch;
}

void PaintSwatch(QFrame *swatch, const General::Color &color)
{
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, color.ToQColor());
    swatch->setPalette(palette);
}

bool AskSwatchColor(QFrame *swatch, QWidget *parent, General::Color &picked)
{
    const QColor chosen = Modals().GetColor(swatch->palette().color(QPalette::Window), parent);
    if (!chosen.isValid())
        return false;
    picked.FromQColor(chosen);
    return true;
}

}  // namespace GUI
