#include "app/settings/LayoutFile.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDockWidget>
#include <QMainWindow>
#include <QSet>
#include <QToolBar>

namespace LayoutFile {

namespace {

const QByteArray kMark = QByteArrayLiteral("TvL1");
constexpr qsizetype kHashSize = 20;

QByteArray Hash(const QByteArray &state) { return QCryptographicHash::hash(state, QCryptographicHash::Sha1); }

// The markers and flags of the state's sections.
constexpr int kVersionMarker = 0xff;
constexpr uchar kDockState = 0xfd;
constexpr uchar kToolBarState = 0xfc;
constexpr uchar kSequence = 0xfc;
constexpr uchar kTabbed = 0xfa;
constexpr uchar kWidget = 0xfb;
constexpr uchar kFloating = 0x2;
constexpr uchar kKnownFlags = 0x3;  // visible, floating
constexpr int kDockCount = 4;
// Far beyond any screen, well inside what sums of sizes can hold.
constexpr int kMaxCoordinate = 1 << 16;
// Qt's largest widget size, plus what a tab bar or title adds to it.
constexpr int kMaxWidgetSize = 1 << 25;
constexpr int kMaxItems = 64;
constexpr int kMaxDepth = 8;

class StateReader {
public:
    StateReader(const QByteArray &state, const QStringList &docks, const QStringList &toolBars)
        : m_cStream(state), m_lDocks(docks), m_lToolBars(toolBars)
    {
        m_cStream.setVersion(QDataStream::Qt_6_0);
    }

    bool Read()
    {
        int marker = 0, version = 0;
        m_cStream >> marker >> version;
        if (!Ok() || marker != kVersionMarker || version != 0)
            return false;
        return DockState() && ToolBarState() && Ok() && m_cStream.atEnd();
    }

private:
    bool Ok() const { return m_cStream.status() == QDataStream::Ok; }

    bool Int(int low, int high, int *value = nullptr)
    {
        int read = 0;
        m_cStream >> read;
        if (value)
            *value = read;
        return Ok() && read >= low && read <= high;
    }
    bool Coordinate() { return Int(-kMaxCoordinate, kMaxCoordinate); }
    bool Size() { return Int(-1, kMaxCoordinate) && Int(-1, kMaxCoordinate); }
    // A docked item's place in its area: position, size, and its smallest and largest size.
    bool Placement() { return Coordinate() && Coordinate() && Coordinate() && Int(-1, kMaxWidgetSize); }

    // A name of `known` that has not been met yet.
    bool Name(const QStringList &known)
    {
        QString name;
        m_cStream >> name;
        if (!Ok() || !known.contains(name) || m_cNames.contains(name))
            return false;
        m_cNames.insert(name);
        return true;
    }

    bool DockState()
    {
        uchar marker = 0;
        int count = 0;
        m_cStream >> marker;
        if (!Ok() || marker != kDockState || !Int(0, kDockCount, &count))
            return false;
        QSet<int> positions;
        for (int i = 0; i < count; ++i) {
            int position = 0;
            if (!Int(0, kDockCount - 1, &position) || positions.contains(position) || !Size() || !Area(0))
                return false;
            positions.insert(position);
        }
        if (!Size())
            return false;
        for (int corner = 0; corner < 4; ++corner) {
            int area = 0;
            if (!Int(1, 8, &area) || (area & (area - 1)) != 0)
                return false;
        }
        return true;
    }

    // One dock area's sequence or tab group, and what it holds.
    bool Area(int depth)
    {
        uchar marker = 0, orientation = 0;
        int current = -1, count = 0;
        m_cStream >> marker;
        if (!Ok() || depth >= kMaxDepth || (marker != kSequence && marker != kTabbed))
            return false;
        if (marker == kTabbed && !Int(-1, kMaxItems, &current))
            return false;
        m_cStream >> orientation;
        if (!Ok() || (orientation != Qt::Horizontal && orientation != Qt::Vertical) || !Int(1, kMaxItems, &count) ||
            current >= count)
            return false;
        for (int i = 0; i < count; ++i) {
            uchar item = 0;
            m_cStream >> item;
            if (!Ok())
                return false;
            if (item == kWidget) {
                uchar flags = 0;
                if (!Name(m_lDocks))
                    return false;
                m_cStream >> flags;
                if (!Ok() || (flags & ~kKnownFlags) != 0)
                    return false;
                // Floating: x, y, width, height.
                if (flags & kFloating) {
                    if (!Coordinate() || !Coordinate() || !Coordinate() || !Coordinate())
                        return false;
                } else if (!Placement()) {
                    return false;
                }
            } else if (item == kSequence) {
                if (!Placement() || !Area(depth + 1))
                    return false;
            } else {
                return false;
            }
        }
        return true;
    }

    bool ToolBarState()
    {
        uchar marker = 0;
        int lines = 0;
        m_cStream >> marker;
        if (!Ok() || marker != kToolBarState || !Int(0, int(m_lToolBars.size()), &lines))
            return false;
        for (int line = 0; line < lines; ++line) {
            int count = 0;
            if (!Int(0, kDockCount - 1) || !Int(1, int(m_lToolBars.size()), &count))
                return false;
            for (int i = 0; i < count; ++i) {
                uchar shown = 0;
                quint32 geometry[2];
                if (!Name(m_lToolBars))
                    return false;
                m_cStream >> shown;
                if (!Ok() || shown > 3 || !Coordinate() || !Coordinate())
                    return false;
                m_cStream >> geometry[0] >> geometry[1];
                if (!Ok())
                    return false;
            }
        }
        return true;
    }

    QDataStream m_cStream;
    const QStringList &m_lDocks;
    const QStringList &m_lToolBars;
    QSet<QString> m_cNames;
};

QStringList NamesOf(const QList<QWidget *> &widgets)
{
    QStringList names;
    for (QWidget *widget : widgets)
        names << widget->objectName();
    return names;
}

}  // namespace

QByteArray Compose(const QByteArray &state) { return state + kMark + Hash(state); }

bool Parse(const QByteArray &file, QByteArray &state)
{
    const qsizetype trailer = kMark.size() + kHashSize;
    if (file.size() < trailer)
        return false;
    const qsizetype size = file.size() - trailer;
    const QByteArray body = file.left(size);
    if (file.mid(size, kMark.size()) != kMark || file.right(kHashSize) != Hash(body))
        return false;
    state = body;
    return true;
}

bool IsPlausible(const QByteArray &state, const QStringList &docks, const QStringList &toolBars)
{
    return StateReader(state, docks, toolBars).Read();
}

bool Restore(QMainWindow &window, const QByteArray &file)
{
    QByteArray state;
    if (!Parse(file, state))
        return false;
    QList<QWidget *> docks, toolBars;
    for (QDockWidget *dock : window.findChildren<QDockWidget *>())
        docks << dock;
    for (QToolBar *bar : window.findChildren<QToolBar *>())
        toolBars << bar;
    if (!IsPlausible(state, NamesOf(docks), NamesOf(toolBars)))
        return false;
    return window.restoreState(state);
}

}  // namespace LayoutFile
