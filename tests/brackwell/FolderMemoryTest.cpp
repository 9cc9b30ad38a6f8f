#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "FolderMemory.h"
#include "LoadedBrackwell.h"

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
