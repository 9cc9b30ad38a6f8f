#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QTemporaryDir>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

#include "BrowserLibrary.h"
#include "IniFile.h"
#include "OffscreenScreens.h"
#include "Preview.h"
#include "Settings.h"
#include "SpecialFolders.h"
#include "TempHome.h"
#include "UnitMain.h"

// The main window with its shared audience window and a few pictures in the list, on the offscreen
// monitors that CTest configures for the test; the monitors are as configured again afterwards.
class ShowOnScreensTest : public ::testing::Test {
protected:
    static QImage Solid(int width, int height, QColor colour) {
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(colour);
        return picture;
    }

    void MakeWindow(int monitors, const char* configuration,
                    std::initializer_list<std::pair<const char*, QImage>> pictures) {
        ASSERT_EQ(QGuiApplication::screens().size(), monitors)
            << "run through CTest, which starts this test with offscreen monitors (" << configuration << ")";
        Original = testsupport::OffscreenScreens();
        QDir(testsupport::UserDataFolder()).removeRecursively();
        TFormMain::CheckForUpdateAtStartUp = false;
        Window = std::make_unique<TFormMain>(NoBrowser);
        FormPreview = new TFormPreview();
        Window->ConnectPreview(*FormPreview);
        for (const auto& [name, picture] : pictures) {
            const QString path = Pictures.filePath(QLatin1String(name));
            ASSERT_TRUE(picture.save(path));
            Window->AddImageFile(path);
        }
    }
    void TearDown() override {
        delete FormSettings;
        FormSettings = nullptr;
        delete FormPreview;
        FormPreview = nullptr;
        Window.reset();
        testsupport::ResetOffscreenScreens(Original);
    }
    // Writes the settings file and makes the settings dialog again, which reads it as at start-up.
    // `automatic` picks the advance.
    void UseSettings(bool automatic, const std::function<void(TIniFile&)>& more) {
        TIniFile settings(SettingsFilePath());
        settings.WriteBool(QStringLiteral("Settings"), QStringLiteral("RadioButtonSlideshowManualAdvance"),
                           !automatic);
        settings.WriteBool(QStringLiteral("Settings"), QStringLiteral("RadioButtonSlideShowAutomaticAdvance"),
                           automatic);
        more(settings);
        settings.Save();
        delete FormSettings;
        FormSettings = new TFormSettings(Window.get());
    }

    QJsonArray Original;
    TBrowserLibrary NoBrowser;
    QTemporaryDir Pictures;
    std::unique_ptr<TFormMain> Window;
};
