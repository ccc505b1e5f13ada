#include "gui/layers/QLayerListDelegate.h"

#include "foundation/Diagnostics.h"
#include "foundation/images/Pictures.h"
#include "gui/editors/FloatSlider.h"
#include "gui/editors/TextSlider.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QToolButton>

namespace GUI {

namespace {

QToolButton *MakeButton(QWidget *parent, const QString &icon)
{
    auto *button = new QToolButton(parent);
    button->setCheckable(true);
    button->setChecked(false);
    button->setIcon(icon.isEmpty() ? QIcon() : General::Pictures::Icon(icon));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

QLayerListDelegate::QLayerListDelegate(QObject *parent) : QItemDelegate(parent) {}

void QLayerListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // The slider and the label draw their own content: only the row's background shows.
    if (index.column() == 1 || index.column() == 4) {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        return;
    }
    QItemDelegate::paint(painter, option, index);
}

QSize QLayerListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(option.rect.width(), kRowHeight);
}

QWidget *QLayerListDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                          const QModelIndex &index) const
{
    QWidget *editor = MakeEditor(parent, option, index);
    // The tree sizes its rows by the editors: they keep to the row height.
    if (editor)
        editor->setMaximumHeight(kRowHeight);
    return editor;
}

QWidget *QLayerListDelegate::MakeEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    auto *self = const_cast<QLayerListDelegate *>(this);
    switch (index.column()) {
    case 0: {
        auto *edit = new QLineEdit(parent);
        edit->setFixedHeight(sizeHint(option, index).height());
        TV_ASSERT(connect(edit, &QLineEdit::editingFinished, self, &QLayerListDelegate::emitCommitData));
        return edit;
    }
    case 1: {
        auto *slider = new TextSlider(1, parent, "Transparency");
        slider->SetRange(0.0f, 100.0f);
        slider->GetSlider()->setFocusPolicy(Qt::NoFocus);
        slider->setAutoFillBackground(true);
        QPalette palette = slider->palette();
        palette.setColor(QPalette::Window, Qt::white);
        slider->setPalette(palette);
        TV_ASSERT(connect(slider, &TextSlider::valueChanged, self, &QLayerListDelegate::emitCommitData));
        // Return takes the value and leaves the field: the keys that follow are the window's
        // commands again (Ctrl+A, Page Down), not edits of the number.
        TV_ASSERT(connect(slider->GetEdit(), &QLineEdit::returnPressed, slider->GetEdit(), &QWidget::clearFocus));
        TV_ASSERT(connect(slider, &TextSlider::sliderPressed, self, [self] { emit self->sliderDragged(true); }));
        TV_ASSERT(connect(slider, &TextSlider::sliderReleased, self, [self] { emit self->sliderDragged(false); }));
        return slider;
    }
    case 2: {
        QToolButton *button = MakeButton(parent, QString());
        button->setObjectName(QStringLiteral("Visible"));
        TV_ASSERT(connect(button, &QToolButton::toggled, self, &QLayerListDelegate::slotVisibleButtonToggled));
        TV_ASSERT(connect(button, &QToolButton::toggled, self, &QLayerListDelegate::emitCommitData));
        return button;
    }
    case 3: {
        QToolButton *button = MakeButton(parent, QStringLiteral("Icons/unlockGhost.png"));
        button->setObjectName(QStringLiteral("Locked"));
        TV_ASSERT(connect(button, &QToolButton::toggled, self, &QLayerListDelegate::slotLockedButtonToggled));
        TV_ASSERT(connect(button, &QToolButton::toggled, self, &QLayerListDelegate::emitCommitData));
        return button;
    }
    case 4: {
        auto *label = new QLabel(parent);
        label->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
        label->setAlignment(Qt::AlignCenter);
        return label;
    }
    default:
        return nullptr;
    }
}

void QLayerListDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    // Filling an editor is no edit: its change signals stay quiet.
    const QSignalBlocker quiet(editor);
    const QVariant value = index.data(Qt::DisplayRole);
    switch (index.column()) {
    case 0:
        if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
            edit->setText(value.toString());
            edit->setSelection(0, 255);
            edit->setFocus();
        }
        break;
    case 1:
        if (auto *slider = qobject_cast<TextSlider *>(editor)) {
            const QSignalBlocker quietSlider(slider->GetSlider());
            slider->setValue(float(value.toDouble()));
        }
        break;
    case 2:
    case 3:
        if (auto *button = qobject_cast<QToolButton *>(editor)) {
            button->setChecked(value.toBool());
            if (index.column() == 2)
                button->setIcon(value.toBool() ? General::Pictures::Icon(QStringLiteral("Icons/eye.png")) : QIcon());
            else
                button->setIcon(General::Pictures::Icon(value.toBool() ? QStringLiteral("Icons/lock.png")
                                                                       : QStringLiteral("Icons/unlockGhost.png")));
        }
        break;
    case 4:
        if (auto *label = qobject_cast<QLabel *>(editor))
            label->setText(value.toString());
        break;
    default:
        break;
    }
}

void QLayerListDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        model->setData(index, edit->text(), Qt::EditRole);
    else if (auto *slider = qobject_cast<TextSlider *>(editor))
        model->setData(index, double(slider->GetValue()), Qt::EditRole);
    else if (auto *button = qobject_cast<QToolButton *>(editor))
        model->setData(index, button->isChecked(), Qt::EditRole);
    else if (auto *label = qobject_cast<QLabel *>(editor))
        model->setData(index, label->text(), Qt::EditRole);
}

void QLayerListDelegate::emitCommitData()
{
    if (auto *editor = qobject_cast<QWidget *>(sender()))
        emit commitData(editor);
}

void QLayerListDelegate::slotVisibleButtonToggled(bool checked)
{
    if (auto *button = qobject_cast<QToolButton *>(sender()))
        button->setIcon(checked ? General::Pictures::Icon(QStringLiteral("Icons/eye.png")) : QIcon());
}

void QLayerListDelegate::slotLockedButtonToggled(bool checked)
{
    if (auto *button = qobject_cast<QToolButton *>(sender()))
        button->setIcon(General::Pictures::Icon(checked ? QStringLiteral("Icons/lock.png")
                                                        : QStringLiteral("Icons/unlockGhost.png")));
}

}  // namespace GUI
