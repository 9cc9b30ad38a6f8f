#pragma once

#include <QString>

// The shell's number for the user's local, non-roaming application data folder. On this platform it
// is the XDG data home (usually ~/.local/share).
inline constexpr int CSIDL_LOCAL_APPDATA = 28;

// The path of a special folder without a trailing separator; empty when the folder is unknown.
QString SpecialFolderPath(int csidl);

// The per-user data folder: SpecialFolderPath(CSIDL_LOCAL_APPDATA) + "/Quenmark/Orvalis/", with the
// trailing separator. Not created.
QString UserDataFolder();

// The settings file's name for an executable: its file name with the extension replaced by ".ini",
// or ".ini" appended when it has none ("/usr/bin/orvalis" -> "orvalis.ini", "Orvalis.exe" ->
// "Orvalis.ini").
QString SettingsFileNameFor(const QString& executablePath);

// Both create the per-user data folder with all missing parents, then return the file's full path.
// Errors are swallowed: the caller then receives an empty path, and any file operation on it fails.
QString SettingsFilePath();
QString LastImageListPath();
