#pragma once

#include <QAbstractListModel>

#include <memory>
#include <unordered_map>
#include <vector>

#include "FileData.h"

class TSystemIcons;
class TThumbnailImages;

// Which image source the list's entries show: the small system icons (list view) or the thumbnails
// (thumbnail view).
enum class TListViewMode { List, Thumbnails };

// The entries of the image list: caption, shown image index and the owned record, in presentation
// order. The one model behind both views of the list.
class TImageListModel : public QAbstractListModel {
    Q_OBJECT
public:
    TImageListModel(const TSystemIcons& systemIcons, const TThumbnailImages& thumbnails,
                    QObject* parent = nullptr);
    ~TImageListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int Count() const { return static_cast<int>(Entries.size()) - GapLength; }
    const TFileData& Record(int row) const { return *Entry(row).Data; }
    const QString& FileName(int row) const { return Entry(row).Data->FileName; }
    qint32 ImageIndex(int row) const { return Entry(row).ImageIndex; }

    void Append(std::unique_ptr<TFileData> record);
    // Swaps the contents (caption, shown image, record) of two positions without telling the views;
    // EntriesChanged then announces a batch of swaps in one change over rows first..last.
    void SwapEntries(int a, int b);
    void EntriesChanged(int first, int last);
    // Removes the rows (any order; repeated rows and rows out of range are ignored); their records are
    // freed. Each run of neighbouring rows goes in one notification, from the bottom up; the whole removal
    // moves each remaining entry at most twice, however many runs there are.
    void RemoveRows(std::vector<int> rows);
    void Clear();

    TListViewMode ViewMode() const { return Mode; }
    void SetViewMode(TListViewMode mode);
    // Points every entry's shown image at its system icon or at its thumbnail.
    void ApplyListImages();
    void ApplyThumbnailImages();
    // Thumbnails were replaced: views repaint what they show.
    void ImagesChanged();
    // The thumbnail at `thumbnailIndex` was replaced: in thumbnail view, the entries that show it repaint
    // (a change of their images alone: the decoration role).
    // Called for every thumbnail that arrives, so it looks the entries up instead of visiting them all.
    void ThumbnailReplaced(int thumbnailIndex);

    // The entry the audience sees is marked (bold, on a tinted background), not selected: the first entry
    // holding `path`; none for an empty path. The mark follows the entry when entries move.
    void MarkShownFile(const QString& path);
    // The marked row, -1 for none.
    int ShownRow() const;

private:
    void ImageChanged(int row);
    struct TEntry {
        QString Caption;
        qint32 ImageIndex = 0;
        std::unique_ptr<TFileData> Data;
    };

    // While RemoveRows runs, the entries hold a gap of removed ones: rows from GapStart on are stored
    // GapLength places further on. Outside RemoveRows the gap is empty.
    const TEntry& Entry(int row) const { return Entries[row < GapStart ? row : row + GapLength]; }
    TEntry& Entry(int row) { return Entries[row < GapStart ? row : row + GapLength]; }
    void CloseGap();

    // The rows showing each image index in thumbnail view. Made on first use; Append keeps it up to date,
    // anything else that moves entries or changes what they show drops it.
    void DropRowsByImage() { RowsByImageValid = false; }
    void NoteRowByImage(int row, qint32 image);
    void MakeRowsByImage();

    const TSystemIcons& SystemIcons;
    const TThumbnailImages& Thumbnails;
    std::vector<TEntry> Entries;
    int GapStart = 0;
    int GapLength = 0;
    TListViewMode Mode = TListViewMode::Thumbnails;
    QString ShownFile;
    mutable int ShownRowCache = -2;  // -2 until looked up again after a change of the entries
    bool RowsByImageValid = false;
    std::vector<int> RowByImage;  // the first row showing each index below its size, -1 for none
    // Further rows sharing an index (entries may share a thumbnail), and the rows of indices beyond
    // RowByImage.
    std::unordered_multimap<qint32, int> MoreRowsByImage;
};
