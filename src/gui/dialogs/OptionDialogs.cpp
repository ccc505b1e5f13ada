#include "gui/dialogs/OptionDialogs.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"

#include <QCheckBox>
#include <QDoubleValidator>
#include <QFont>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace GUI {

namespace {

template <class T>
T *Named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

bool IsChecked(const QObject &dialog, const char *name)
{
    const auto *button = dialog.findChild<QAbstractButton *>(QString::fromLatin1(name));
    return button && button->isChecked();
}

QString TextOf(const QObject &dialog, const char *name)
{
    const auto *edit = dialog.findChild<QLineEdit *>(QString::fromLatin1(name));
    return edit ? edit->text() : QString();
}

// A fixed size at least as wide as a window manager's title bar needs for the caption: its
// title font is commonly bold and may be larger than the dialog's, and the window's icon and
// three buttons (with the bar's margins) stand beside it. A fixed window offers no maximise
// button.
void FixSize(QDialog &dialog, const QString &caption, int width, int height)
{
    constexpr int kTitleBarButtons = 130;
    QFont title = dialog.font();
    title.setBold(true);
    if (title.pointSizeF() > 0.0)
        title.setPointSizeF(title.pointSizeF() * 1.25);
    else
        title.setPixelSize(title.pixelSize() * 5 / 4);
    const int captionWidth = QFontMetrics(title).horizontalAdvance(caption) + kTitleBarButtons;
    dialog.setWindowTitle(caption);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog.setFixedSize(std::max(width, captionWidth), height);
}

}  // namespace

// --- the common frame ---------------------------------------------------------------------

OptionDialog::OptionDialog(QWidget *parent, const QString &caption, int width, int height)
    : QDialog(parent), m_pLayout(new QVBoxLayout(this))
{
    FixSize(*this, caption, width, height);
    m_pLayout->setContentsMargins(8, 8, 8, 8);
    m_pLayout->setSizeConstraint(QLayout::SetNoConstraint);
}

void OptionDialog::AddButtons()
{
    auto *row = new QHBoxLayout;
    auto *ok = Named(new QPushButton(tr("OK"), this), "OK");
    ok->setFixedWidth(60);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto *cancel = Named(new QPushButton(tr("Cancel"), this), "Cancel");
    cancel->setFixedWidth(60);
    row->addWidget(ok);
    row->addWidget(cancel);
    m_pLayout->addLayout(row);
    TV_CHECK(connect(ok, &QPushButton::clicked, this, &OptionDialog::OnOK));
    TV_CHECK(connect(cancel, &QPushButton::clicked, this, &QDialog::reject));
}

// --- import -------------------------------------------------------------------------------

ImportOptions::ImportOptions(QWidget *parent, bool positionMatching)
    : OptionDialog(parent, tr("Import Options"), 180, 160), m_bPositionMatching(positionMatching)
{
    m_pLayout->addWidget(Named(new QLabel(tr("Match By"), this), "match_label"));
    auto *byId = Named(new QRadioButton(tr("Vertex ID"), this), "0");
    byId->setChecked(true);
    m_pLayout->addWidget(byId);
    m_pLayout->addWidget(
        Named(new QRadioButton(positionMatching ? tr("Position") : tr("UV Position"), this), "1"));
    m_pLayout->addSpacing(6);
    m_pLayout->addWidget(new QLabel(tr("Tolerance"), this));
    auto *tolerance = Named(new QLineEdit(QStringLiteral("0.001"), this), "tolerance");
    tolerance->setFixedWidth(75);
    tolerance->setValidator(new QDoubleValidator(tolerance));
    m_pLayout->addWidget(tolerance);
    m_pLayout->addSpacing(6);
    auto *base = Named(new QCheckBox(tr("Delta To Base Layer"), this), "base");
    base->setChecked(true);
    m_pLayout->addWidget(base);
    m_pLayout->addSpacing(14);
    AddButtons();
}

void ImportOptions::OnOK()
{
    if (IsChecked(*this, "0"))
        m_iMatchMode = 0;
    if (IsChecked(*this, "1"))
        m_iMatchMode = m_bPositionMatching ? 2 : 1;
    m_fTolerance = TextOf(*this, "tolerance").toFloat();
    m_bDeltaToBase = !m_bPositionMatching && IsChecked(*this, "base");
    accept();
}

// --- subdivision --------------------------------------------------------------------------

SubdivOptions::SubdivOptions(QWidget *parent, ::SubdivisionOptions &options)
    : OptionDialog(parent, tr("Subdivision Options"), 180, 110), m_rOptions(options)
{
    const auto check = [this](const QString &text, const char *name, bool state) {
        auto *box = Named(new QCheckBox(text, this), name);
        box->setChecked(state);
        m_pLayout->addWidget(box);
    };
    check(tr("Smooth Positions"), "SmoothPositions", options.smoothPositions);
    check(tr("Subdivide UVs"), "SubdivideUVs", options.subdivideUVs);
    check(tr("Smooth UVs"), "SmoothUVs", options.smoothUVs);
    m_pLayout->addSpacing(14);
    AddButtons();
}

void SubdivOptions::OnOK()
{
    m_rOptions.smoothPositions = IsChecked(*this, "SmoothPositions");
    m_rOptions.subdivideUVs = IsChecked(*this, "SubdivideUVs");
    m_rOptions.smoothUVs = IsChecked(*this, "SmoothUVs");
    accept();
}

// --- stamps along a curve -----------------------------------------------------------------

DrawOnCurveOptions::DrawOnCurveOptions(QWidget *parent) : OptionDialog(parent, tr("Draw On Curve"), 160, 120)
{
    auto *equal = Named(new QCheckBox(tr("Equal Spacing"), this), "EqualSpacing");
    equal->setChecked(m_bEqualSpacing);
    m_pLayout->addWidget(equal);
    m_pLayout->addSpacing(6);
    m_pLayout->addWidget(Named(new QLabel(tr("Number of Stamps"), this), "NumberOfStamps_label"));
    auto *stamps = Named(new QLineEdit(QStringLiteral("12"), this), "NumberOfStamps");
    stamps->setMaximumWidth(65);
    stamps->setValidator(new QIntValidator(kMinimumStamps, INT_MAX, stamps));
    m_pLayout->addWidget(stamps);
    m_pLayout->addSpacing(14);
    AddButtons();
}

void DrawOnCurveOptions::OnOK()
{
    bool ok = false;
    const int stamps = TextOf(*this, "NumberOfStamps").toInt(&ok, 10);
    if (!ok || stamps < kMinimumStamps) {
        General::Shell().CriticalMessage(tr("The number of stamps must be at least %1.").arg(kMinimumStamps));
        return;
    }
    m_bEqualSpacing = IsChecked(*this, "EqualSpacing");
    m_iStamps = stamps;
    accept();
}

// --- export -------------------------------------------------------------------------------

ExportOptions::ExportOptions(QWidget *parent, bool hasTextureCoordinates, bool canSeparate) : QDialog(parent)
{
    FixSize(*this, tr("Export Options"), 160, 120);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    auto *uvs = Named(new QCheckBox(tr("Export UVs"), this), "uvs");
    uvs->setEnabled(hasTextureCoordinates);
    uvs->setChecked(hasTextureCoordinates);
    layout->addWidget(uvs);
    auto *separate = Named(new QCheckBox(tr("Separate Files"), this), "separate");
    separate->setEnabled(canSeparate);
    layout->addWidget(separate);
    layout->addSpacing(8);
    auto *row = new QHBoxLayout;
    auto *ok = Named(new QPushButton(tr("OK"), this), "OK");
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    TV_CHECK(connect(ok, &QPushButton::clicked, this, &ExportOptions::OnOK));
    TV_CHECK(connect(cancel, &QPushButton::clicked, this, &QDialog::reject));
}

void ExportOptions::OnOK()
{
    m_bExportUVs = IsChecked(*this, "uvs");
    m_bSeparateFiles = IsChecked(*this, "separate");
    accept();
}

}  // namespace GUI
