#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "FolderMemory.h"
#include "LoadedBrackwell.h"
#include "TempHome.h"

using brackwell::StartFolder;

TEST(FolderMemory, KeysAreTheIdentifiersInTheirUsualText) {
    EXPECT_EQ(brackwell::DialogKey(BrowserId), "1421B16D-DC34-4B24-B32D-6F95D0F0BF56");
    EXPECT_EQ(brackwell::DialogKey(OpenListId), "54F52A9D-F2ED-4BF7-B90E-0831BABA3089");
}

TEST(FolderMemory, EachIdentifierStartsWhereItWasLeftWhileThatFolderExists) {
    QTemporaryDir first;
    QTemporaryDir second;
    brackwell::RememberFolder(BrowserId, first.path());
    brackwell::RememberFolder(OpenListId, second.path());
    brackwell::RememberFolder(OpenListId, QString());  // an empty folder keeps the last one
    EXPECT_EQ(StartFolder(BrowserId), first.path());
    EXPECT_EQ(StartFolder(OpenListId), second.path());

    first.remove();
    EXPECT_EQ(StartFolder(BrowserId), QDir::homePath());
}

// The README tells the user where the remembered folders are kept: it must name the file the library
// really writes, in the user's configuration folder.
TEST(FolderMemory, IsKeptInTheFileTheReadmeNames) {
    QTemporaryDir folder;
    brackwell::RememberFolder(BrowserId, folder.path());
    EXPECT_TRUE(
        QFileInfo::exists(testsupport::TempHome() + QStringLiteral("/config/Quenmark/Brackwell.ini")));

    QFile readme(QStringLiteral(ORVALIS_TEST_DATA_DIR "/../../README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        readme.readAll().contains("`~/.config/Quenmark/Brackwell.ini`: the folders the file browser"));
}
