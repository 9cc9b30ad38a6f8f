#pragma once

#include <QStringList>

#include "BrackwellApi.h"

// The entry points of libBrackwell.so as the program resolves them.
struct TBrackwellLibrary {
#define BRACKWELL_ENTRY_POINT_FIELD(name) T##name name = nullptr;
    BRACKWELL_ENTRY_POINTS(BRACKWELL_ENTRY_POINT_FIELD)
#undef BRACKWELL_ENTRY_POINT_FIELD
};

// Loads the library by name from the build's bin folder once, as the program does, and resolves every
// entry point; null (with a failed assertion) when that does not work.
const TBrackwellLibrary* Brackwell();

// The identifiers the program gives its embedded browser and its image list dialogs.
inline constexpr TBrackwellGuid BrowserId{
    0x1421B16D, 0xDC34, 0x4B24, {0xB3, 0x2D, 0x6F, 0x95, 0xD0, 0xF0, 0xBF, 0x56}};
inline constexpr TBrackwellGuid OpenListId{
    0x54F52A9D, 0xF2ED, 0x4BF7, {0xB9, 0x0E, 0x08, 0x31, 0xBA, 0xBA, 0x30, 0x89}};
inline constexpr TBrackwellGuid SaveListId{
    0x54F52A9D, 0xF2ED, 0x4BF7, {0xB9, 0x0E, 0x08, 0x31, 0xBA, 0xBA, 0x30, 0x90}};

// The names of a result record's FileNames, up to the empty name that ends them.
QStringList ChosenNames(const TOpenDialogResults& results);
