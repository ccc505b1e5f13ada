// The status bar's polygon counts.
#include "viewport/view/StatusText.h"

#include <gtest/gtest.h>

TEST(StatusText, ShowsTheChosenCountsInTheirFixedTexts)
{
    const FaceTotals totals{1234567, 42};
    struct Case {
        bool visible, selected;
        const char *text;
    };
    const Case cases[] = {
        {true, true, "Visible polys: 1234567  Selected polys: 42"},
        {true, false, "Visible polys: 1234567"},
        {false, true, "  Selected polys: 42"},
        {false, false, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(StatusText(totals, c.visible, c.selected), QString::fromLatin1(c.text));
}
