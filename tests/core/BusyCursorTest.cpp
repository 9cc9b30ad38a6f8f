#include "BusyCursor.h"

#include <QCursor>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// The busy cursor shows over the program's windows while a guard lives, also nested, and every window
// gets its cursor back on every way out; a window the audience sees never shows it.
TEST(BusyCursorTest, NestedGuardsRestoreOnEveryWayOutAndSpareTheAudience) {
    QWidget main;
    QWidget withOwnCursor;
    withOwnCursor.setCursor(Qt::CrossCursor);
    QWidget audience;
    audience.setProperty(AudienceWindowProperty, true);
    audience.setCursor(Qt::BlankCursor);
    const auto shapes = [&] {
        return std::vector<Qt::CursorShape>{main.cursor().shape(), withOwnCursor.cursor().shape(),
                                            audience.cursor().shape()};
    };
    const std::vector<Qt::CursorShape> before = shapes();
    const std::vector<Qt::CursorShape> busy = {Qt::WaitCursor, Qt::WaitCursor, Qt::BlankCursor};
    {
        TBusyCursor outer;
        EXPECT_EQ(shapes(), busy);
        {
            TBusyCursor inner;
            EXPECT_EQ(shapes(), busy);
        }
        EXPECT_EQ(shapes(), busy);
    }
    EXPECT_EQ(shapes(), before);

    try {
        TBusyCursor guard;
        throw std::runtime_error("failed while busy");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(shapes(), before);
}

}  // namespace
