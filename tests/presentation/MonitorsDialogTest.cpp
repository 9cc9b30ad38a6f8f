// The settings dialog's display list and "Identify" on a desktop of two monitors (the offscreen platform
// configured by TwoMonitors.json, which CTest passes in QT_QPA_PLATFORM), with monitors plugged in and
// out while the dialog exists.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "ErrorBoundary.h"
#include "IniFile.h"
#include "OffscreenScreens.h"
#include "Settings.h"
#include "SpecialFolders.h"
#include "TempHome.h"
#include "monitors/IdentifyMonitors.h"

namespace {

using testsupport::OffscreenScreen;
using testsupport::SetOffscreenScreens;
using testsupport::WithoutScreen;

class MonitorsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        Original = testsupport::OffscreenScreens();
        ASSERT_EQ(QGuiApplication::screens().size(), 2)
            << "run through CTest, which starts this test with two offscreen monitors (TwoMonitors.json)";
        QDir(testsupport::UserDataFolder()).removeRecursively();
        SetErrorReportSink([this](const QString& message) { Reports.append(message); });
    }
    void TearDown() override {
        SetErrorReportSink({});
        testsupport::ResetOffscreenScreens(Original);
    }

    void Store(const QString& lines) {
        TIniFile settings(SettingsFilePath());
        for (const QString& line : lines.split(u'\n', Qt::SkipEmptyParts)) {
            settings.WriteString(QStringLiteral("Display"), line.section(u'=', 0, 0), line.section(u'=', 1));
        }
        settings.Save();
    }
    QString Stored(const QString& key) {
        return TIniFile(SettingsFilePath())
            .ReadString(QStringLiteral("Display"), key, QStringLiteral("<none>"));
    }
    static QStringList Entries(const TFormSettings& dialog) {
        QStringList entries;
        for (int i = 0; i < dialog.ComboBoxDisplay->count(); ++i) {
            entries.append(dialog.ComboBoxDisplay->itemText(i));
        }
        return entries;
    }

    QJsonArray Original;
    QStringList Reports;
};

TEST_F(MonitorsDialogTest, TheListNamesEachMonitorWithItsSize) {
    Store(QString());
    TFormSettings dialog(nullptr);
    EXPECT_EQ(Entries(dialog),
              (QStringList{QStringLiteral("Auto detect"), QStringLiteral("1 \u2014 DP-1, 1920 x 1080"),
                           QStringLiteral("2 \u2014 HDMI-1, 1280 x 720")}));
    EXPECT_EQ(dialog.ComboBoxDisplay->currentIndex(), 0);
}

// The operator picks the projector; it is unplugged, another one is plugged in after start-up, and the
// first comes back, now last in the system's order.
TEST_F(MonitorsDialogTest, TheSelectionStaysWithTheMonitorAsMonitorsComeAndGo) {
    Store(QString());
    TFormSettings dialog(nullptr);
    dialog.show();
    dialog.ComboBoxDisplay->setCurrentIndex(2);
    EXPECT_EQ(dialog.Values().DisplayMonitor.Name, QStringLiteral("HDMI-1"));

    SetOffscreenScreens(WithoutScreen(Original, QStringLiteral("HDMI-1")));
    EXPECT_EQ(Entries(dialog),
              (QStringList{QStringLiteral("Auto detect"), QStringLiteral("1 \u2014 DP-1, 1920 x 1080")}));
    EXPECT_EQ(dialog.ComboBoxDisplay->currentIndex(), -1);

    QJsonArray screens = WithoutScreen(Original, QStringLiteral("HDMI-1"));
    screens.append(OffscreenScreen(QStringLiteral("DP-2"), 1920, 0, 1024, 768));
    SetOffscreenScreens(screens);
    EXPECT_EQ(dialog.ComboBoxDisplay->itemText(2), QStringLiteral("2 \u2014 DP-2, 1024 x 768"));
    EXPECT_EQ(dialog.ComboBoxDisplay->currentIndex(), -1);

    screens.append(OffscreenScreen(QStringLiteral("HDMI-1"), 2944, 0, 1280, 720));
    SetOffscreenScreens(screens);
    EXPECT_EQ(dialog.ComboBoxDisplay->currentIndex(), 3);
    EXPECT_EQ(dialog.ComboBoxDisplay->currentText(), QStringLiteral("3 \u2014 HDMI-1, 1280 x 720"));

    dialog.ButtonOK->click();
    EXPECT_EQ(Stored(QStringLiteral("Use")), QStringLiteral("3"));
    EXPECT_EQ(Stored(QStringLiteral("Monitor")), QStringLiteral("HDMI-1;;;"));
    EXPECT_TRUE(Reports.isEmpty());
}

// The first monitor goes away: the projector, now monitor 1, stays selected.
TEST_F(MonitorsDialogTest, ARememberedMonitorIsSelectedWhereverItIs) {
    Store(QStringLiteral("Use=1\nMonitor=HDMI-1"));
    TFormSettings dialog(nullptr);
    EXPECT_EQ(dialog.ComboBoxDisplay->currentIndex(), 2);
    SetOffscreenScreens(WithoutScreen(Original, QStringLiteral("DP-1")));
    EXPECT_EQ(dialog.ComboBoxDisplay->currentText(), QStringLiteral("1 \u2014 HDMI-1, 1280 x 720"));
    EXPECT_EQ(dialog.Values().Display, 1);
}

TEST_F(MonitorsDialogTest, IdentifyShowsEachMonitorItsNumberAndNameUntilAClick) {
    Store(QString());
    TFormSettings dialog(nullptr);
    QTimer::singleShot(0, &dialog, [&] {
        dialog.ButtonIdentify->click();
        const QList<TFormIdentifyMonitor*> windows = dialog.Identification->Windows();
        ASSERT_EQ(windows.size(), 2);
        const QList<QScreen*> screens = QGuiApplication::screens();
        for (int i = 0; i < 2; ++i) {
            SCOPED_TRACE(i);
            EXPECT_TRUE(windows[i]->isVisible());
            EXPECT_EQ(windows[i]->geometry().center(), screens[i]->geometry().center());
            EXPECT_TRUE(screens[i]->geometry().contains(windows[i]->geometry()));
            EXPECT_EQ(windows[i]->LabelNumber->text(), QString::number(i + 1));
            EXPECT_EQ(windows[i]->LabelName->text(), screens[i]->name());
        }
        // The dialog is modal; the windows answer the mouse all the same (a click through the window
        // system, which a modal dialog can block).
        QTest::mouseClick(windows[1]->windowHandle(), Qt::LeftButton, {}, QPoint(10, 10));
        EXPECT_TRUE(dialog.Identification->Windows().isEmpty());
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.findChildren<TFormIdentifyMonitor*>().isEmpty(); }));
        dialog.ButtonCancel->click();
    });
    dialog.exec();
    EXPECT_TRUE(Reports.isEmpty());
}

TEST_F(MonitorsDialogTest, IdentifyEndsByItselfAndWhenTheMonitorsChange) {
    Store(QString());
    TFormSettings dialog(nullptr);
    dialog.Identification->TimerIdentify.setInterval(20);
    dialog.ButtonIdentify->click();
    EXPECT_EQ(dialog.Identification->Windows().size(), 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.findChildren<TFormIdentifyMonitor*>().isEmpty(); }));

    dialog.Identification->TimerIdentify.setInterval(60000);
    dialog.ButtonIdentify->click();
    SetOffscreenScreens(WithoutScreen(Original, QStringLiteral("HDMI-1")));
    EXPECT_TRUE(dialog.Identification->Windows().isEmpty());
    EXPECT_FALSE(dialog.Identification->TimerIdentify.isActive());
}

}  // namespace
