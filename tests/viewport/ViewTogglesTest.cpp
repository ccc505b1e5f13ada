// The view's toggles: their defaults, the byte layout they are stored in at each stream
// version, and the context menu that shows them.
#include "viewport/view/ViewToggles.h"

#include "foundation/Stream.h"
#include "support/TempDir.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace {

QByteArray Int(int value) { return QByteArray(reinterpret_cast<const char *>(&value), 4); }

// Reads toggles from a file of the version's header and `body`; `next` gets the byte after them.
bool ReadToggles(int version, const QByteArray &body, ViewToggles &toggles, int &next)
{
    TempDir dir;
    const QString path = dir.File("toggles");
    TempDir::Write(path, Int(version) + body + QByteArray(1, '\x5a'));
    Stream stream(path, false);
    const bool ok = toggles.Serialize(stream);
    unsigned char after = 0;
    next = stream.Transfer(&after, 1) ? after : -1;
    return ok;
}

}  // namespace

TEST(ViewToggles, ANewViewHasTheDocumentedDefaults)
{
    const ViewToggles t;
    EXPECT_TRUE(t.m_bGrid && t.m_bGradientBackground && t.m_bShowMeshes && t.m_bShowCurves && t.m_bLighting &&
                t.m_bSmoothShade && t.m_bCulling && t.m_bTextures && t.m_bImagePlane);
    EXPECT_FALSE(t.m_bWireframe || t.m_bPoints || t.m_bTwoSidedLight || t.m_bWireOverlay || t.m_bShowOctree);
    EXPECT_EQ(t.m_iWireOverlayLevel, -1);
}

TEST(ViewToggles, EachVersionReadsOnlyTheBytesItHas)
{
    // Grid, gradient, wireframe, unused, culling, lighting, smooth, meshes, octree, two-sided.
    const QByteArray base("\x00\x00\x01\x01\x00\x00\x00\x00\x01\x01", 10);
    struct Case {
        int version;
        QByteArray body;
        bool points, highlight, overlay, curves;
        int overlayLevel;
    };
    const Case cases[] = {
        {22, base.left(9), false, true, false, true, -1},
        {58, base, false, true, false, true, -1},
        {121, base + QByteArray("\x01\x00", 2), true, false, false, true, -1},
        {153, base + QByteArray("\x01\x00\x01", 3) + Int(3), true, false, true, true, 3},
        {228, base + QByteArray("\x01\x00\x01", 3) + Int(3) + QByteArray(1, '\0'), true, false, true, false, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.version);
        ViewToggles toggles;
        int next = 0;
        ASSERT_TRUE(ReadToggles(c.version, c.body, toggles, next));
        EXPECT_EQ(next, 0x5a);  // nothing past the version's fields was taken
        EXPECT_FALSE(toggles.m_bGrid);
        EXPECT_TRUE(toggles.m_bWireframe);
        EXPECT_FALSE(toggles.m_bCulling);
        EXPECT_EQ(toggles.m_bShowOctree, true);
        EXPECT_EQ(toggles.m_bTwoSidedLight, c.version >= 23);
        EXPECT_EQ(toggles.m_bPoints, c.points);
        EXPECT_EQ(toggles.m_bSelectionHighlight, c.highlight);
        EXPECT_EQ(toggles.m_bWireOverlay, c.overlay);
        EXPECT_EQ(toggles.m_iWireOverlayLevel, c.overlayLevel);
        EXPECT_EQ(toggles.m_bShowCurves, c.curves);
        EXPECT_TRUE(toggles.m_bTextures);  // never stored
    }
}

TEST(ViewToggles, StoringWritesTheFieldsInOrderAndATruncatedReadChangesNothing)
{
    TempDir dir;
    const QString path = dir.File("stored");
    ViewToggles stored;
    stored.m_bGrid = false;
    stored.m_bPoints = true;
    stored.m_iWireOverlayLevel = 0x01020304;
    stored.m_bShowCurves = false;
    {
        Stream stream(path, true);
        ASSERT_TRUE(stored.Serialize(stream));
    }
    const QByteArray expected = Int(Stream::kCurrentVersion) + QByteArray("\x00\x01\x00\x00\x01\x01\x01\x01\x00\x00", 10) +
                                QByteArray("\x01\x01\x00\x04\x03\x02\x01\x00", 8);
    EXPECT_EQ(TempDir::Read(path), expected);

    TempDir::Write(path, expected.left(expected.size() - 3));
    ViewToggles toggles;
    Stream stream(path, false);
    EXPECT_FALSE(toggles.Serialize(stream));
    EXPECT_EQ(toggles, ViewToggles());
}

TEST(ViewToggles, MenuEntriesRunTheirCommandsAndShowBothSidesIsTheInverseOfCulling)
{
    int count = 0;
    const ViewMenuEntry *entries = ViewMenuEntries(count);
    ASSERT_EQ(count, 14);
    const ViewMenuEntry *showBothSides = nullptr;
    int separators = 0;
    for (int i = 0; i < count; ++i) {
        if (!entries[i].m_pLabel)
            ++separators;
        else if (QLatin1String(entries[i].m_pLabel) == QLatin1String("Show Both Sides"))
            showBothSides = &entries[i];
    }
    EXPECT_EQ(separators, 3);
    ASSERT_NE(showBothSides, nullptr);
    EXPECT_STREQ(showBothSides->m_pCommand, "Toggle culling");
    ViewToggles toggles;
    EXPECT_FALSE(showBothSides->m_pChecked(toggles));
    toggles.m_bCulling = false;
    EXPECT_TRUE(showBothSides->m_pChecked(toggles));
    EXPECT_STREQ(entries[0].m_pLabel, "Smooth Shade");
    EXPECT_STREQ(entries[0].m_pCommand, "Toggle shading");
    EXPECT_STREQ(entries[count - 1].m_pCommand, "Toggle gradient background");
}
