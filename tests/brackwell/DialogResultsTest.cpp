#include <gtest/gtest.h>

#include <vector>

#include "DialogResults.h"
#include "LoadedBrackwell.h"

using brackwell::ReleaseResults;
using brackwell::StoreResults;

TEST(DialogResults, LaysTheNamesOutOneAfterAnotherEndedByAnEmptyName) {
    // Non-ASCII names, one of them outside the Basic Multilingual Plane (two UTF-16 units).
    const QStringList paths{QStringLiteral("/p/\u00e4.jpg"), QStringLiteral("/q/\U0001F600 b.JPG")};
    TOpenDialogResults results{};
    StoreResults(results, paths);

    EXPECT_EQ(results.Accepted, 1u);
    EXPECT_EQ(results.Count, 2u);
    EXPECT_EQ(QString::fromUtf16(results.FileName), paths.at(0));
    std::vector<char16_t> expected;
    for (const QString& path : paths) {
        expected.insert(expected.end(), path.utf16(), path.utf16() + path.size());
        expected.push_back(u'\0');
    }
    expected.push_back(u'\0');
    EXPECT_EQ(std::vector<char16_t>(results.FileNames, results.FileNames + expected.size()), expected);

    ReleaseResults(results);
}

TEST(DialogResults, StoringReplacesTheNamesAndReleasingTwiceIsHarmless) {
    TOpenDialogResults results{};
    brackwell::InitResults(results, 1000, 0);
    StoreResults(results, {QStringLiteral("/a.jpg"), QStringLiteral("/b.jpg")});
    StoreResults(results, {QStringLiteral("/c.jpg")});
    EXPECT_EQ(ChosenNames(results), QStringList{"/c.jpg"});
    EXPECT_EQ(results.Count, 1u);

    StoreResults(results, {});
    EXPECT_EQ(results.Accepted, 0u);
    EXPECT_EQ(results.FileName, nullptr);
    ReleaseResults(results);
    ReleaseResults(results);
    EXPECT_EQ(results.Count, 0u);
    EXPECT_EQ(results.FileNames, nullptr);
    EXPECT_EQ(results.Capacity, 1000u);
}
