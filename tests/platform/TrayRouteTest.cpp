#include "platform/TrayRoute.h"

#include <gtest/gtest.h>

// Which way the icon goes as trays come and go.
TEST(TrayRoute, AnXEmbedTrayFirstThenTheBusThenTheWindow) {
    const struct {
        bool qtOnBus, xembed, bus;
        TrayRoute route;
    } cases[] = {
        {false, false, false, TrayRoute::None},
        {false, true, false, TrayRoute::Qt},
        // A bus tray after the start: the program's own item.
        {false, false, true, TrayRoute::Own},
        // Both (a proxy shows XEmbed icons on the bus): once, Qt's.
        {false, true, true, TrayRoute::Qt},
        // Qt went to the bus at start: its icon follows that tray only.
        {true, false, true, TrayRoute::Qt},
        {true, false, false, TrayRoute::None},
        {true, true, false, TrayRoute::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseTrayRoute(c.qtOnBus, c.xembed, c.bus), c.route)
            << c.qtOnBus << c.xembed << c.bus;
}
