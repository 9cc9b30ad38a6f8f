#include "BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

bool BusyShown() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

TEST(BusyCursorTest, NestedGuardsRestoreOnEveryWayOut) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        TBusyCursor outer;
        EXPECT_TRUE(BusyShown());
        {
            TBusyCursor inner;
            EXPECT_TRUE(BusyShown());
        }
        EXPECT_TRUE(BusyShown());
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    try {
        TBusyCursor busy;
        throw std::runtime_error("failed while busy");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
