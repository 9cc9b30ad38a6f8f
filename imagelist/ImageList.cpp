#include "ImageList.h"

#include <chrono>
#include <memory>
#include <random>

#include "BusyCursor.h"
#include "FileUtils.h"
#include "ListOperations.h"

TImageList::TImageList(TImageListHooks& hooks)
    : Hooks(hooks), ListModel(Icons, Thumbnails), SelectionModel(&ListModel) {}

QStringList TImageList::FileNames() const {
    QStringList names;
    names.reserve(Count());
    for (int row = 0; row < Count(); ++row) {
        names.append(FileName(row));
    }
    return names;
}

void TImageList::AddImageFile(const QString& path) {
    if (!FileExists(path)) {
        return;
    }
    // A run of files from one folder opens that folder's database once; the folder keeps the letter
    // case of the first file of the run.
    const QString folder = FolderOf(path);
    if (folder.toUpper() != LastFolder.toUpper()) {
        LastFolder = folder;
        const QString database = folder + QLatin1String(ThumbDatabaseFileName);
        if (FileExists(database)) {
            Hooks.OpenThumbDatabase(database);
        }
    }
    auto record = std::make_unique<TFileData>();
    record->FileName = path;
    record->SystemIconIndex = Icons.IndexOf(path);
    record->ThumbnailIndex = Hooks.AcquireThumbnail(path);
    ListModel.Append(std::move(record));
}

void TImageList::Clear() {
    ListModel.Clear();
    Thumbnails.Clear();
    ++ListGeneration;
}

void TImageList::ReplaceThumbnail(int index, const QPixmap& image) {
    if (index >= 0 && index < Thumbnails.Count()) {
        Thumbnails.Replace(index, image);
        ListModel.ThumbnailReplaced(index);
    }
}

void TImageList::DeleteSelected() {
    std::vector<int> rows;
    for (const QModelIndex& index : SelectionModel.selectedRows()) {
        rows.push_back(index.row());
    }
    ListModel.RemoveRows(std::move(rows));
}

std::vector<bool> TImageList::SelectionFlags() const {
    std::vector<bool> selected(Count(), false);
    for (const QModelIndex& index : SelectionModel.selectedRows()) {
        selected[index.row()] = true;
    }
    return selected;
}

void TImageList::SetSelectionFlags(const std::vector<bool>& selected) {
    QItemSelection selection;
    const int count = static_cast<int>(selected.size());
    for (int row = 0; row < count;) {
        if (!selected[row]) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < count && selected[row]) {
            ++row;
        }
        selection.select(ListModel.index(first), ListModel.index(row - 1));
    }
    SelectionModel.select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int TImageList::FirstSelected() const {
    int first = -1;
    for (const QModelIndex& index : SelectionModel.selectedRows()) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

namespace {

// Applies the swaps to the entries in one change notification over the rows they touch.
void ApplySwaps(TImageListModel& model, const TSwapList& swaps) {
    if (swaps.empty()) {
        return;
    }
    int first = model.Count();
    int last = -1;
    for (const auto& [a, b] : swaps) {
        model.SwapEntries(a, b);
        first = std::min({first, a, b});
        last = std::max({last, a, b});
    }
    model.EntriesChanged(first, last);
}

int MoveSelected(TImageList& list, TSwapList (*swapsFor)(std::vector<bool>&), bool scrollToFirst) {
    std::vector<bool> selected = list.SelectionFlags();
    const TSwapList swaps = swapsFor(selected);
    if (swaps.empty()) {
        return -1;
    }
    ApplySwaps(list.Model(), swaps);
    list.SetSelectionFlags(selected);
    const auto it = scrollToFirst ? std::find(selected.begin(), selected.end(), true)
                                  : std::find(selected.rbegin(), selected.rend(), true).base() - 1;
    return static_cast<int>(it - selected.begin());
}

}  // namespace

int TImageList::MoveSelectedUp() {
    return MoveSelected(*this, MoveSelectedUpSwaps, true);
}

int TImageList::MoveSelectedDown() {
    return MoveSelected(*this, MoveSelectedDownSwaps, false);
}

void TImageList::RandomizeImageList() {
    if (Count() == 0) {
        return;
    }
    TBusyCursor busy;
    std::mt19937 random(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    ApplySwaps(ListModel, ShuffleSwaps(Count(), random));
}

int TImageList::LocateCurrentImage() {
    SelectionModel.clearSelection();
    if (CurrentImage.isEmpty()) {
        return -1;
    }
    for (int row = 0; row < Count(); ++row) {
        if (FileName(row) == CurrentImage) {
            SelectionModel.select(ListModel.index(row),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            return row;
        }
    }
    return -1;
}
