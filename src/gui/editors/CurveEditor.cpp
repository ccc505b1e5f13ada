#include "gui/editors/CurveEditor.h"

#include "foundation/curves/CurvePointTable.h"
#include "foundation/curves/NURBSCurve.h"
#include "foundation/ShellServices.h"
#include "gui/common/ModalDialogs.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace GUI {

// --- handles ----------------------------------------------------------------------------

CPBox::CPBox(int index, CurveEditor *editor, const QString &name)
    : QWidget(editor), m_iIndex(index), m_rEditor(*editor)
{
    setObjectName(name);
    setFixedSize(6, 6);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CPBox::mousePressEvent(QMouseEvent *event)
{
    // In curve mode the editor's own press picks the point, by distance.
    if (!m_rEditor.IsCurveMode() && (event->buttons() & Qt::LeftButton))
        m_rEditor.SelectPoint(this);
    QWidget::mousePressEvent(event);
}

void CPBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(Qt::white);
    painter.setBrush(m_bSelected ? Qt::white : Qt::gray);
    painter.drawRect(0, 0, 6, 6);
}

void CPBox::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_rEditor.m_bReadOnly)
        return;
    QMenu menu(this);
    QAction *select = menu.addAction(tr("Select Point"));
    QAction *remove = menu.addAction(tr("Delete Point"));
    const QAction *chosen = Modals().ExecMenu(menu, event->globalPos());
    if (chosen != select && chosen != remove)
        return;
    m_rEditor.SelectPoint(this);
    if (chosen == remove)
        m_rEditor.DeleteSelectedPoint();  // deletes this handle unless it is an end point
}

// --- editor -----------------------------------------------------------------------------

CurveEditor::CurveEditor(QWidget *parent, const QString &name, bool curveMode)
    : QFrame(parent), m_bCurveMode(curveMode)
{
    setObjectName(name);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(150, 150, 150, 255));
    setPalette(colours);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void CurveEditor::SetCurve(General::NURBSCurve *curve)
{
    if (curve) {
        m_pCurve = curve;
        if (m_bCurveMode && !curve->IsSampled()) {
            curve->SetSampled(true);
            curve->Precalculate();
        }
        RebuildHandles();
    }
    update();
}

void CurveEditor::SetTable(CurvePointTable *table)
{
    if (table) {
        m_pTable = table;
        RebuildHandles();
    }
    update();
}

void CurveEditor::Clear()
{
    m_pCurve = nullptr;
    m_pTable = nullptr;
    RebuildHandles();
    update();
}

void CurveEditor::RebuildHandles()
{
    for (CPBox *handle : m_aHandles)
        delete handle;
    m_aHandles.clear();
    // Anything else named "cp" is a stale handle too.
    while (CPBox *stale = findChild<CPBox *>(QStringLiteral("cp"), Qt::FindDirectChildrenOnly))
        delete stale;
    m_pSelected = nullptr;
    if (HasCurve())
        for (int i = 0; i < GetPointCount(); ++i)
            m_aHandles.push_back(new CPBox(i, this, QStringLiteral("cp")));
    PlaceHandles();
}

int CurveEditor::GetPointCount() const
{
    if (m_bCurveMode)
        return m_pCurve ? m_pCurve->GetControlPointCount() : 0;
    return m_pTable ? m_pTable->GetCount() : 0;
}

General::Vector CurveEditor::GetPoint(int index) const
{
    if (index < 0 || index >= GetPointCount())
        return General::Vector();
    if (m_bCurveMode)
        return m_pCurve->GetControlPoint(index);
    const float x = m_pTable->GetPoint(index).x;
    return General::Vector(x, m_pTable->Evaluate(x), 0.0f);
}

float CurveEditor::PixelToX(int px) const { return float(px - Offset()) / float(m_iInnerWidth); }

float CurveEditor::PixelToY(int py) const { return 1.0f - float(py - Offset()) / float(m_iInnerHeight); }

QPoint CurveEditor::PointToPixel(float x, float y) const
{
    const int o = Offset();
    return QPoint(int(float(o) + float(m_iInnerWidth) * x),
                  int(float(o + m_iInnerHeight) - float(m_iInnerHeight) * y));
}

void CurveEditor::PlaceHandles()
{
    for (CPBox *handle : m_aHandles) {
        if (m_bReadOnly || handle->m_iIndex >= GetPointCount()) {
            handle->hide();
            continue;
        }
        const General::Vector point = GetPoint(handle->m_iIndex);
        handle->move(PointToPixel(point.x, point.y) - QPoint(3, 3));
        handle->show();
    }
}

void CurveEditor::SelectPoint(CPBox *handle)
{
    if (m_bReadOnly)
        return;
    for (CPBox *each : m_aHandles)
        each->m_bSelected = false;
    if (handle)
        handle->m_bSelected = true;
    m_pSelected = handle;
    update();
    for (CPBox *each : m_aHandles)
        each->update();
}

void CurveEditor::InsertPoint(float x, float y)
{
    if (m_bReadOnly || !HasCurve())
        return;
    const int count = GetPointCount();
    int at = 0;
    while (at < count && GetPoint(at).x < x)
        ++at;
    // A point right of every other one (a click in the right border) goes last.
    if (m_bCurveMode) {
        if (!m_pCurve->InsertControlPoint(General::Vector(x, y, 0.0f), at < count ? at : -1))
            return;
        m_pCurve->Precalculate();
    } else {
        CurvePoint point{};
        point.x = x;
        point.Clear();
        point.y = y;
        if (!m_pTable->InsertPoint(point, at))
            return;
    }
    for (CPBox *handle : m_aHandles)
        if (handle->m_iIndex >= at)
            ++handle->m_iIndex;
    m_aHandles.push_back(new CPBox(at, this, QStringLiteral("cp")));
    PlaceHandles();
    update();
}

void CurveEditor::DeleteSelectedPoint()
{
    if (m_bReadOnly || !m_pSelected || !HasCurve())
        return;
    const int k = m_pSelected->m_iIndex, count = GetPointCount();
    if (k <= 0 || k >= count - 1)
        return;
    // A curve with fewer points than its degree needs evaluates to nothing: a falloff would
    // make every stroke do nothing, with no undo to bring it back.
    if (m_bCurveMode && count - 1 <= m_pCurve->GetDegree()) {
        General::Shell().CriticalMessage(
            tr("A curve of degree %1 needs at least %2 points: this point cannot be deleted.")
                .arg(m_pCurve->GetDegree())
                .arg(m_pCurve->GetDegree() + 1));
        return;
    }
    if (m_bCurveMode) {
        m_pCurve->RemoveControlPoint(k);
        m_pCurve->Precalculate();
    } else {
        m_pTable->RemovePoint(k);
    }
    m_aHandles.erase(std::find(m_aHandles.begin(), m_aHandles.end(), m_pSelected));
    for (CPBox *handle : m_aHandles)
        if (handle->m_iIndex >= k)
            --handle->m_iIndex;
    // The handle's own menu may be what asked: it goes once that event is over.
    m_pSelected->hide();
    m_pSelected->deleteLater();
    m_pSelected = nullptr;
    PlaceHandles();
    update();
}

void CurveEditor::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    m_iInnerWidth = std::max(1, width() - 2 * Offset());
    m_iInnerHeight = std::max(1, height() - 2 * Offset());
    PlaceHandles();
}

void CurveEditor::mousePressEvent(QMouseEvent *event)
{
    if (m_bCurveMode && !m_bReadOnly && m_pCurve && (event->buttons() & Qt::LeftButton)) {
        const QPoint at = event->position().toPoint();
        const General::Vector p(PixelToX(at.x()), PixelToY(at.y()), 0.0f);
        const float radius = float(CurveEditorSettings::Get().DragBoxSize()) / float(std::max(1, width()));
        for (CPBox *handle : m_aHandles)
            if ((GetPoint(handle->m_iIndex) - p).Length() < radius) {
                SelectPoint(handle);
                break;
            }
        if (m_pSelected)
            m_vGrab = GetPoint(m_pSelected->m_iIndex) - p;
    }
    QFrame::mousePressEvent(event);
}

int CurveEditor::Snap(int position, int cell) const
{
    if (cell <= 0)
        return position;
    const int past = ((position % cell) + cell) % cell;
    if (past < m_iSnapDistance)
        return position - past;
    if (cell - past < m_iSnapDistance)
        return position + cell - past;
    return position;
}

void CurveEditor::Drag(const QPoint &position)
{
    const int o = Offset();
    int px = position.x() - o, py = position.y() - o;
    if (m_bSnap) {
        px = Snap(px, int(float(m_iInnerWidth) * m_fGridX));
        py = Snap(py, int(float(m_iInnerHeight) * m_fGridY));
    }
    float x = PixelToX(px + o), y = PixelToY(py + o);
    const int j = m_pSelected->m_iIndex, count = GetPointCount();
    const bool inner = j > 0 && j < count - 1;
    if (m_bCurveMode) {
        x = std::clamp(x + m_vGrab.x, 0.0f, 1.0f);
        y = std::clamp(y + m_vGrab.y, 0.0f, 1.0f);
        const General::Vector old = m_pCurve->GetControlPoint(j);
        m_pCurve->SetControlPoint(j, General::Vector(inner ? x : old.x, y, old.z));
    } else {
        y = std::clamp(y, 0.0f, 1.0f);
        // An inner point stays 0.01 clear of its neighbours.
        if (j > 0 && !(x > m_pTable->GetPoint(j - 1).x))
            x = m_pTable->GetPoint(j - 1).x + 0.01f;
        if (j < count - 1 && !(x < m_pTable->GetPoint(j + 1).x))
            x = m_pTable->GetPoint(j + 1).x - 0.01f;
        m_pTable->SetPosition(j, inner ? x : m_pTable->GetPoint(j).x, y);
        m_pTable->UpdateCoefficients();
    }
    PlaceHandles();
    update();
}

void CurveEditor::mouseMoveEvent(QMouseEvent *event)
{
    if (m_bReadOnly || !HasCurve() || !m_pSelected || !(event->buttons() & Qt::LeftButton))
        return;
    // A press that hit no point leaves a grab offset too long to be a point's.
    if (m_bCurveMode && m_vGrab.Length() > float(CurveEditorSettings::Get().DragBoxSize()) / float(std::max(1, width())))
        return;
    Drag(event->position().toPoint());
}

void CurveEditor::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_bReadOnly && event->button() == Qt::LeftButton && m_bCurveMode && m_pCurve && m_pSelected)
        m_pCurve->Precalculate();
    QFrame::mouseReleaseEvent(event);
}

void CurveEditor::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_bReadOnly || !HasCurve())
        return;
    QMenu menu(this);
    QAction *insert = menu.addAction(tr("Insert Point"));
    insert->setEnabled(m_bCurveMode || GetPointCount() < CurvePointTable::kCapacity);
    if (Modals().ExecMenu(menu, event->globalPos()) == insert)
        InsertPoint(PixelToX(event->pos().x()), PixelToY(event->pos().y()));
}

void CurveEditor::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (!HasCurve())
        return;
    QPainter painter(this);
    const int o = Offset(), W = m_iInnerWidth, H = m_iInnerHeight;
    if (!m_bReadOnly) {
        painter.setPen(QPen(QBrush(QColor(200, 200, 200, 255)), 0, Qt::DotLine, Qt::SquareCap, Qt::BevelJoin));
        if (m_fGridX > 0.0f)
            for (float f = 0.0f; f <= 1.0f; f += m_fGridX) {
                const int column = std::min(int(float(o) + float(W) * f), W - 1);
                painter.drawLine(column, o + H, column, o);
            }
        if (m_fGridY > 0.0f)
            for (float f = 0.0f; f <= 1.0f; f += m_fGridY) {
                const int row = std::min(int(float(o + H) - float(H) * f), H - 1);
                painter.drawLine(o, row, o + W, row);
            }
    }
    const CurveEditorSettings &settings = CurveEditorSettings::Get();
    if (m_bCurveMode) {
        if (m_pCurve->GetControlPointCount() <= m_pCurve->GetDegree())
            return;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(settings.CurveColor(), 2));
        auto pixel = [&](const General::Vector &p) { return QPointF(PointToPixel(p.x, p.y)); };
        QPainterPath path(QPointF(0, 0));
        const float last = m_pCurve->GetLastKnot();
        for (float t = 0.0f; t < last - 0.05f; t += 0.1f) {
            const General::Vector p0 = m_pCurve->Evaluate(t), p1 = m_pCurve->Evaluate(t + 0.1f);
            painter.drawLine(pixel(p0), pixel(p1));
            path.lineTo(pixel(p0));
        }
        path.lineTo(pixel(m_pCurve->Evaluate(last)));
        path.lineTo(width(), height());
        path.lineTo(0, height());
        path.closeSubpath();
        painter.fillPath(path, settings.FillColor());
        painter.setPen(settings.HullColor());
        for (int k = 1; k < m_pCurve->GetControlPointCount(); ++k)
            painter.drawLine(pixel(m_pCurve->GetControlPoint(k - 1)), pixel(m_pCurve->GetControlPoint(k)));
        return;
    }
    painter.setPen(Qt::black);
    for (int c = o + 1; c <= o + W - 1; ++c) {
        const float x0 = float(c - 1 - o) / float(W), x1 = float(c - o) / float(W);
        const int y0 = PointToPixel(x0, m_pTable->Evaluate(x0)).y(), y1 = PointToPixel(x1, m_pTable->Evaluate(x1)).y();
        painter.drawLine(c - 1, y0, c, y1);
    }
}

}  // namespace GUI
