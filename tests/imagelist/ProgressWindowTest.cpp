#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "ProgressWindow.h"

namespace {

TEST(ProgressWindowTest, ShowsStepsAndCancelsWithoutClosing) {
    TFormProgress window(nullptr);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Progress"));
    EXPECT_EQ(window.LabelProgressCurrent->text(), QStringLiteral("..."));
    EXPECT_FALSE(window.isModal());
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    window.Begin(2);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.LabelProgressCurrent->text(), QStringLiteral("Processing..."));
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        window.Step(QLatin1String(name));
    }
    EXPECT_EQ(window.ProgressBar->value(), 2);
    EXPECT_EQ(window.LabelProgressCurrent->text(), QStringLiteral("c.jpg"));

    CancelRequested = false;
    QCloseEvent close;
    QCoreApplication::sendEvent(&window, &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(CancelRequested);

    CancelRequested = false;
    window.ButtonCancel->click();
    EXPECT_TRUE(CancelRequested);
    window.End();
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
