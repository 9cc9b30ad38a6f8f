#include <gtest/gtest.h>

#include "LoadedBrackwell.h"

TEST(BrackwellLibrary, LoadsByNameWithEveryEntryPoint) {
    EXPECT_NE(Brackwell(), nullptr);
}

TEST(BrackwellLibrary, InitStoresCapacityAndFreeIsSafeOnAnyRecord) {
    const TBrackwellLibrary* library = Brackwell();
    ASSERT_NE(library, nullptr);
    TOpenDialogResults results{};
    library->Brackwell_InitTOpenDialogResults(&results, 1000, 0);
    EXPECT_EQ(results.Capacity, 1000u);
    EXPECT_EQ(results.InitFlags, 0u);
    EXPECT_EQ(results.Accepted, 0u);
    EXPECT_EQ(results.FileName, nullptr);
    EXPECT_EQ(results.FileNames, nullptr);

    library->Brackwell_FreeTOpenDialogResults(&results);
    library->Brackwell_FreeTOpenDialogResults(&results);
    library->Brackwell_FreeTOpenDialogResults(nullptr);
    EXPECT_EQ(results.Capacity, 1000u);
    EXPECT_EQ(results.FileNames, nullptr);
}
