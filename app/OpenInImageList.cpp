#include "OpenInImageList.h"

#include <algorithm>

#include "AddingLoops.h"
#include "FolderPictures.h"
#include "ImageList.h"

void OpenInImageList(const TOpenRequests& requests, TImageList& list, TProgressDisplay& progress,
                     const std::function<void()>& askToClear,
                     const std::function<void(const QString&)>& readListFile) {
    const bool namesListFile = std::any_of(requests.begin(), requests.end(), [](const TOpenRequest& request) {
        return request.Kind == TOpenKind::ImageListFile;
    });
    if (namesListFile && list.Count() > 0) {
        askToClear();
    }
    // Pictures and folders in a row make one batch, so that one progress window covers them.
    QStringList batch;
    const auto addBatch = [&] {
        if (!batch.isEmpty()) {
            AddChosenFiles(batch, list, progress);
            batch.clear();
        }
    };
    for (const TOpenRequest& request : requests) {
        switch (request.Kind) {
            case TOpenKind::Picture:
                batch.append(request.Path);
                break;
            case TOpenKind::Folder:
                batch.append(PicturesInFolder(request.Path));
                break;
            case TOpenKind::ImageListFile:
                addBatch();
                if (readListFile) {
                    readListFile(request.Path);
                } else {
                    ReadImageListFile(request.Path, list, progress);
                }
                break;
        }
    }
    addBatch();
}
