#pragma once

#include <QString>

// The record each image list entry owns.
struct TFileData {
    QString FileName;            // the path exactly as it was added, not normalised
    qint32 SystemIconIndex = 0;  // the file's icon in the system icon list
    qint32 ThumbnailIndex = 0;   // the file's image in ImageListThumbnails
};
