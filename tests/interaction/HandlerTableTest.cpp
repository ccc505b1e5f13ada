#include "InteractionFixtures.h"

#include <QSet>

#include <cstring>

using HandlerTable = InteractionTest;

TEST_F(HandlerTable, RegisteredTableIsSortedByNameWithDefaultsAndStickySlots)
{
    EventHandler &handlers = Handlers();
    ASSERT_EQ(handlers.GetHandlerCount(), 151u);
    EXPECT_STREQ(handlers.GetHandler(0).m_sID, "Bulge brush");
    EXPECT_STREQ(handlers.GetHandler(150).m_sID, "Zoom 2");
    unsigned withCode = 0;
    unsigned sticky = 0;
    QSet<uint32_t> codes;
    for (unsigned i = 0; i < handlers.GetHandlerCount(); ++i) {
        const Handler &handler = handlers.GetHandler(i);
        if (i > 0)
            EXPECT_LT(std::strcmp(handlers.GetHandler(i - 1).m_sID, handler.m_sID), 0) << handler.m_sID;
        if (handler.m_iKey) {
            ++withCode;
            EXPECT_FALSE(codes.contains(handler.m_iKey)) << "default code given twice: " << handler.m_sID;
            codes.insert(handler.m_iKey);
        }
        sticky += handler.m_bSticky;
    }
    EXPECT_EQ(withCode, 112u);
    EXPECT_EQ(sticky, 31u);
    // Byte order, not a natural one: "Pan" sorts before "Rotate".
    EXPECT_LT(handlers.FindHandlerByName("Camera 2D Pan"), handlers.FindHandlerByName("Camera 2D Rotate"));
}

TEST_F(HandlerTable, KeyCodesFindTheirHandlers)
{
    const struct {
        uint32_t code;
        const char *name;
        bool sticky;
    } cases[] = {
        {0x20, "Speed review mode", false},      {0x100, "Draw", false},
        {0x20100, "Temporary smooth", false},    {0x10100, "Rotate around", false},
        {0x10300, "Zoom", false},                {0x10400, "Zoom 2", false},
        {0x142, "Change brush size", false},     {0x1000007, "Delete faces", false},
        {0x1000016, "Level up faces", false},    {0x4005c, "Last falloff", true},
        {0x6005c, "Rebuild octree", false},      {0x27, "Higher brush strength", false},
        {0x31, "Tool slot 1", true},             {0x40039, "Falloff slot 9", true},
        {0x20258, "Manipulate pivot", false},    {0x60300, "Rectangular toggle", false},
    };
    for (const auto &c : cases) {
        const Handler *handler = Handlers().FindHandlerByKey(c.code);
        ASSERT_NE(handler, nullptr) << std::hex << c.code;
        EXPECT_STREQ(handler->m_sID, c.name) << std::hex << c.code;
        EXPECT_EQ(handler->m_bSticky, c.sticky) << c.name;
    }
    EXPECT_EQ(Handlers().FindHandlerByKey(0x10000), nullptr);  // a modifier alone is no chord
    EXPECT_EQ(Handlers().FindHandlerByName("draw"), nullptr);   // names are exact
    EXPECT_EQ(Handlers().FindHandlerByName("Draw "), nullptr);
}
