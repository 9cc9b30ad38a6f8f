#pragma once

#include <QString>

#include <functional>

// Asks the desktop to open `target` (a web address or a "mailto:" link) in the user's browser or mail
// program, as the "open" verb does. The text is passed as it stands (QUrl's tolerant parsing); a failure
// is not reported and gives false. Tests record the targets instead through SetUrlOpener (an empty
// function restores the desktop).
bool OpenUrlWithSystem(const QString& target);
void SetUrlOpener(std::function<bool(const QString&)> opener);
