// The splash picture is for a person watching the start: where nothing can be seen (the
// offscreen platform of these tests, as of a run without a display) it is never made.
#include "app/startup/Splash.h"

#include <gtest/gtest.h>

TEST(Splash, NothingIsShownWhereNothingCanBeSeen)
{
    Splash::Show();
    EXPECT_FALSE(Splash::IsShown());
    Splash::Message(QStringLiteral("Loading application..."));  // harmless without a splash
    Splash::Finish(nullptr);
}
