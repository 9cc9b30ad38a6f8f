#include "SpecialFolders.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "CoreTestFiles.h"
#include "TempHome.h"

namespace {

TEST(SpecialFoldersTest, LocalAppDataIsTheDataHomeWithoutTrailingSeparator) {
    EXPECT_EQ(SpecialFolderPath(CSIDL_LOCAL_APPDATA), testsupport::TempHome() + QStringLiteral("/data"));
    EXPECT_EQ(SpecialFolderPath(0), QString());
    EXPECT_EQ(SpecialFolderPath(26), QString());
    EXPECT_EQ(UserDataFolder(), testsupport::UserDataFolder());
}

struct TNameCase {
    const char* Executable;
    const char* Settings;
};

class SettingsFileNameTest : public ::testing::TestWithParam<TNameCase> {};

TEST_P(SettingsFileNameTest, ReplacesOrAddsTheExtension) {
    EXPECT_EQ(SettingsFileNameFor(GetParam().Executable), GetParam().Settings);
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsFileNameTest,
                         ::testing::Values(TNameCase{"/usr/bin/orvalis", "orvalis.ini"},
                                           TNameCase{"/opt/Orvalis/Orvalis.exe", "Orvalis.ini"},
                                           TNameCase{"/opt/my.apps/viewer", "viewer.ini"},
                                           TNameCase{"/opt/show.tar.gz", "show.tar.ini"},
                                           TNameCase{"renamed.bin", "renamed.ini"}));

TEST(SpecialFoldersTest, PathHelpersCreateTheUserFolder) {
    const QString folder = testsupport::UserDataFolder();
    QDir(testsupport::TempHome() + QStringLiteral("/data")).removeRecursively();

    const QString settings = SettingsFilePath();
    EXPECT_EQ(settings, folder + QStringLiteral("core_tests.ini"));
    EXPECT_TRUE(QFileInfo(folder).isDir());

    QDir(folder).removeRecursively();
    EXPECT_EQ(LastImageListPath(), folder + QStringLiteral("Last image list.txt"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST(SpecialFoldersTest, PathHelpersGiveAnEmptyPathWhenTheFolderCannotBeMade) {
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    const QString blocker = testsupport::TempHome() + QStringLiteral("/blocker");
    ASSERT_TRUE(coretest::WriteFileBytes(blocker, "a file where a folder should be"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocker + QStringLiteral("/data")));

    EXPECT_EQ(SettingsFilePath(), QString());
    EXPECT_EQ(LastImageListPath(), QString());

    qputenv("XDG_DATA_HOME", savedDataHome);
    QFile::remove(blocker);
}

}  // namespace
