#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "monitors/DisplayProfile.h"

// The X server's root window names the first monitor's profile _ICC_PROFILE and each further one's
// _ICC_PROFILE_n; off X11 no monitor has one, and a monitor without one is taken as sRGB.
TEST(DisplayProfileTest, NamesTheRootWindowsPropertiesAndHasNoneOffX11) {
    EXPECT_EQ(X11ProfileAtomName(0), QByteArray("_ICC_PROFILE"));
    EXPECT_EQ(X11ProfileAtomName(1), QByteArray("_ICC_PROFILE_1"));
    EXPECT_EQ(X11ProfileAtomName(12), QByteArray("_ICC_PROFILE_12"));
    for (const QScreen* screen : QGuiApplication::screens()) {
        EXPECT_TRUE(DisplayProfileOf(screen).isEmpty()) << screen->name().toStdString();
    }
    EXPECT_TRUE(DisplayProfileOf(nullptr).isEmpty());
}
