#pragma once

#include <QString>
#include <QStringList>

// The pictures directly in `folder` (no subfolders, no hidden files) that the embedded browser's file
// list would offer, in name order as a file manager sorts them (ignoring case, numbers by value:
// IMG_2 before IMG_10). Paths are `folder` joined with each file name; empty for a missing folder.
QStringList PicturesInFolder(const QString& folder);
