#pragma once

// The program's names as the desktop and the per-user files know them: "Orvalis", made by "Quenmark".
//
// No application display name is set. Qt appends one to every title it hands the desktop unless the
// title already ends with it, so "Orvalis — audience" would reach the window switcher as "Orvalis —
// audience — Orvalis". Every window carries its whole title instead, as the desktop is to show it:
// "Orvalis" for the main window, "Orvalis — audience" and "Orvalis — presenter" for the show's windows,
// "Settings — Orvalis" and the like for the dialogs. Message boxes without a title of their own take
// the application name.
void SetProgramIdentity();
