#pragma once

// libtiff, which Qt's TIFF reader uses, writes its warnings and errors to standard error itself: a file
// with tags it does not know (EXIF tags in the main directory, a maker's private tags) gets a line per
// tag, again on every read. Nothing in them is for the user, and a file that cannot be read already
// reaches the caller as a picture that failed, so they go to the debug logging category
// "orvalis.decoders.tiff" instead, which is off unless QT_LOGGING_RULES turns it on.

// Routes libtiff's warnings and errors of the whole process there; the first call does it, later calls
// do nothing. Safe to call from any thread.
void RouteTiffMessagesToDebugLog();
