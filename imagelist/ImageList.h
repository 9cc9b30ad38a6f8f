#pragma once

#include <QItemSelectionModel>
#include <QString>
#include <QStringList>

#include <vector>

#include "ImageListModel.h"
#include "SystemIcons.h"
#include "ThumbnailImages.h"

// What adding an entry asks of the thumbnail side of the program.
class TImageListHooks {
public:
    virtual ~TImageListHooks() = default;
    // A file from another folder is being added and that folder holds a thumbnail database file.
    virtual void OpenThumbDatabase(const QString& databasePath) = 0;
    // Returns the index in ImageListThumbnails of the image the new entry shows.
    virtual qint32 AcquireThumbnail(const QString& path) = 0;
};

// The image list: the ordered pictures about to be presented, with one selection shared by both
// views, the thumbnails they show, the current image, the last folder and the list generation.
class TImageList {
public:
    static constexpr const char* ThumbDatabaseFileName = "Thumbs Brackwell.db";

    explicit TImageList(TImageListHooks& hooks);

    TImageListModel& Model() { return ListModel; }
    const TImageListModel& Model() const { return ListModel; }
    QItemSelectionModel& Selection() { return SelectionModel; }
    TThumbnailImages& ImageListThumbnails() { return Thumbnails; }
    TSystemIcons& SystemIcons() { return Icons; }

    int Count() const { return ListModel.Count(); }
    const QString& FileName(int row) const { return ListModel.FileName(row); }
    QStringList FileNames() const;

    // Appends one entry for an existing file; a path that names no file (a folder included) is
    // skipped without a word.
    void AddImageFile(const QString& path);

    // Empties the list and its thumbnails and starts a new list generation. The current image and the
    // last folder stay.
    void Clear();
    // Deletes the selected entries; their thumbnails stay, so other entries' indices remain valid.
    void DeleteSelected();

    // Each returns the row to scroll into view, or -1 when nothing moved.
    int MoveSelectedUp();
    int MoveSelectedDown();
    // Shuffles uniformly; selection states stay with the positions.
    void RandomizeImageList();
    // Selects only the first entry holding the current image and returns its row, or clears the
    // selection and returns -1.
    int LocateCurrentImage();

    // Puts a rendered thumbnail in place of the image at `index` (an index no longer valid is ignored);
    // the entries showing it repaint.
    void ReplaceThumbnail(int index, const QPixmap& image);

    int FirstSelected() const;  // -1 when nothing is selected
    std::vector<bool> SelectionFlags() const;
    void SetSelectionFlags(const std::vector<bool>& selected);

    void SetViewMode(TListViewMode mode) { ListModel.SetViewMode(mode); }
    void ApplyListImages() { ListModel.ApplyListImages(); }
    void ApplyThumbnailImages() { ListModel.ApplyThumbnailImages(); }

    QString CurrentImage;
    QString LastFolder;
    qint32 ListGeneration = 0;

private:
    TImageListHooks& Hooks;
    TSystemIcons Icons;
    TThumbnailImages Thumbnails;
    TImageListModel ListModel;
    QItemSelectionModel SelectionModel;
};
