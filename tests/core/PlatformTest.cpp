#include <gtest/gtest.h>

#include "Platform.h"

namespace {

TEST(PlatformTest, WaylandNeitherPlacesWindowsNorSetsTheirOpacity) {
    const struct {
        const char* Name;
        TPlatformTraits Traits;
    } cases[] = {
        {"xcb", {true, true}},
        {"offscreen", {true, true}},
        {"wayland", {false, false}},
        {"wayland-egl", {false, false}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlatformTraits(QString::fromLatin1(c.Name)), c.Traits) << c.Name;
    }
}

}  // namespace
