#pragma once

#include <QByteArray>

class QScreen;

// The ICC profile a colour-managed desktop holds for a monitor, to which the pictures shown there are
// converted. On X11 a colour manager (colord, a calibration tool) puts a monitor's profile on the output
// itself (its "_ICC_PROFILE" property) and on the root window, as "_ICC_PROFILE" for the first monitor
// and "_ICC_PROFILE_n" for the n-th after it, in the X server's order of monitors. Empty when the
// desktop names none (and on Wayland, whose compositors keep the profiles to themselves): the monitor
// is taken as sRGB. Never raises.
QByteArray DisplayProfileOf(const QScreen* screen);

// The root window property that holds the profile of the X server's monitor number `index` (from 0).
QByteArray X11ProfileAtomName(int index);
