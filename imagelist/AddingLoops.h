#pragma once

#include <QString>
#include <QStringList>

class TImageList;
class TProgressDisplay;

// The lines of an image list file: empty when no file exists at `path` (a folder, a FIFO or a device
// in its place included: those are never opened). Raises EFileError when the file is larger than
// MaxImageListFileSize or cannot be read.
QStringList ReadImageListLines(const QString& path);

// Appends the pictures an image list file names, with progress: each line is first shown, then
// added, so Cancel stops before the file whose name is shown. Lines naming nothing are skipped
// silently; an error while reading the file or adding ends the loop. The progress window is hidden on
// every way out.
void ReadImageListFile(const QString& path, TImageList& list, TProgressDisplay& progress);

// Appends the files chosen in the browser: each file is first added, then shown, so the file whose
// name is shown has been added. A single file shows no progress; an error with one name is swallowed
// and the walk goes on. The busy cursor shows throughout.
void AddChosenFiles(const QStringList& fileNames, TImageList& list, TProgressDisplay& progress);
