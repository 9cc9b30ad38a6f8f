#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "ElidedLabel.h"
#include "ProgressWindow.h"

namespace {

TEST(ProgressWindowTest, ShowsStepsAndCancelsWithoutClosing) {
    TFormProgress window(nullptr);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Progress — Orvalis"));
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
    // A name longer than the label is shortened in its middle, and the window keeps its size.
    const QSize size = window.size();
    const QString longName = QStringLiteral("IMG_") + QString(2000, u'1') + QStringLiteral("_end.jpg");
    window.Step(longName);
    const QString shown = window.LabelProgressCurrent->text();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("IMG_1")) && shown.endsWith(QStringLiteral("end.jpg")))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_LE(window.LabelProgressCurrent->fontMetrics().horizontalAdvance(shown),
              window.LabelProgressCurrent->contentsRect().width());
    EXPECT_EQ(window.size(), size);

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
