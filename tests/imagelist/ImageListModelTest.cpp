#include <gtest/gtest.h>

#include <QPersistentModelIndex>
#include <QPixmap>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "ImageListModel.h"
#include "SystemIcons.h"
#include "ThumbnailImages.h"

namespace {

// The model alone, with entries named by the caller and thumbnails chosen by the caller, so that
// several entries can share one.
class ImageListModelTest : public ::testing::Test {
protected:
    // Appends an entry showing `thumbnail`, or a thumbnail of its own when none is given.
    void Append(const QString& name, int thumbnail = -1) {
        auto record = std::make_unique<TFileData>();
        record->FileName = QStringLiteral("/pictures/") + name;
        record->SystemIconIndex = 0;
        record->ThumbnailIndex =
            thumbnail >= 0 ? thumbnail : Thumbnails.Add(QPixmap(TThumbnailImages::ImageSize));
        Model.Append(std::move(record));
    }
    void AppendNamed(int count) {
        for (int i = 0; i < count; ++i) {
            Append(QString::number(i));
        }
    }
    QString Name(int row) const { return Model.data(Model.index(row), Qt::DisplayRole).toString(); }
    QStringList Names() const {
        QStringList names;
        for (int row = 0; row < Model.Count(); ++row) {
            names.append(Name(row));
        }
        return names;
    }

    // The rows the model repaints when the thumbnail at `thumbnail` arrives.
    std::vector<int> RepaintedFor(int thumbnail) {
        std::vector<int> rows;
        const auto connection = QObject::connect(&Model, &QAbstractItemModel::dataChanged,
                                                 [&](const QModelIndex& first, const QModelIndex& last) {
                                                     for (int row = first.row(); row <= last.row(); ++row) {
                                                         rows.push_back(row);
                                                     }
                                                 });
        Model.ThumbnailReplaced(thumbnail);
        QObject::disconnect(connection);
        return rows;
    }
    QStringList RepaintedNames(int thumbnail) {
        QStringList names;
        for (const int row : RepaintedFor(thumbnail)) {
            names.append(Name(row));
        }
        return names;
    }

    TSystemIcons Icons;
    TThumbnailImages Thumbnails;
    TImageListModel Model{Icons, Thumbnails};
};

TEST_F(ImageListModelTest, AnArrivingThumbnailRepaintsTheEntriesShowingItWhereverTheyWent) {
    Append(QStringLiteral("a"));     // thumbnail 0
    Append(QStringLiteral("b"));     // 1
    Append(QStringLiteral("c"));     // 2
    Append(QStringLiteral("d"), 1);  // shares b's
    EXPECT_EQ(RepaintedNames(1), (QStringList{QStringLiteral("b"), QStringLiteral("d")}));
    EXPECT_EQ(RepaintedNames(2), QStringList{QStringLiteral("c")});

    // Entries added after a thumbnail arrived are found as well.
    Append(QStringLiteral("e"));  // 3
    Append(QStringLiteral("f"), 1);
    EXPECT_EQ(RepaintedFor(1), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(RepaintedFor(3), std::vector<int>{4});

    Model.SwapEntries(0, 5);  // f b c d e a
    Model.SwapEntries(2, 4);  // f b e d c a
    Model.EntriesChanged(0, 5);
    EXPECT_EQ(Names().join(QString()), QStringLiteral("fbedca"));
    EXPECT_EQ(RepaintedFor(1), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(RepaintedNames(0), QStringList{QStringLiteral("a")});

    Model.RemoveRows({1, 4});  // f e d a
    EXPECT_EQ(RepaintedNames(1), (QStringList{QStringLiteral("f"), QStringLiteral("d")}));
    EXPECT_EQ(RepaintedFor(2), std::vector<int>{});  // c is gone
    EXPECT_EQ(RepaintedNames(3), QStringList{QStringLiteral("e")});

    // List view shows the system icons: nothing repaints until thumbnail view comes back.
    Model.SetViewMode(TListViewMode::List);
    Model.ApplyListImages();
    EXPECT_EQ(RepaintedFor(1), std::vector<int>{});
    Model.SetViewMode(TListViewMode::Thumbnails);
    Model.ApplyThumbnailImages();
    EXPECT_EQ(RepaintedFor(1), (std::vector<int>{0, 2}));

    EXPECT_EQ(RepaintedFor(-1), std::vector<int>{});
    EXPECT_EQ(RepaintedFor(Thumbnails.Count()), std::vector<int>{});
    Model.Clear();
    EXPECT_EQ(RepaintedFor(1), std::vector<int>{});
}

// Whatever happens to the entries, they stay those of a plain list that went through the same changes,
// and an arriving thumbnail repaints exactly the rows that show it.
TEST_F(ImageListModelTest, EntriesAndRepaintsStayTrueThroughAnySequenceOfChanges) {
    std::mt19937 random(20240611);
    const auto draw = [&](int last) { return std::uniform_int_distribution<int>(0, last)(random); };
    QStringList plain;  // the same changes made to a list of names
    const auto check = [&](int step) {
        ASSERT_EQ(Names(), plain) << "step " << step;
        for (int row = 0; row < Model.Count(); ++row) {
            ASSERT_EQ(Model.FileName(row), QStringLiteral("/pictures/") + plain[row]) << "step " << step;
        }
        for (int thumbnail = -1; thumbnail <= Thumbnails.Count(); ++thumbnail) {
            std::vector<int> expected;
            for (int row = 0; Model.ViewMode() == TListViewMode::Thumbnails && row < Model.Count(); ++row) {
                if (Model.ImageIndex(row) == thumbnail) {
                    expected.push_back(row);
                }
            }
            ASSERT_EQ(RepaintedFor(thumbnail), expected) << "step " << step << ", thumbnail " << thumbnail;
        }
    };
    for (int step = 0; step < 400; ++step) {
        const int action = draw(99);
        if (action < 45 || Model.Count() < 2) {
            // Now and then an entry shares the thumbnail of another.
            Append(QString::number(step),
                   draw(9) == 0 && Thumbnails.Count() > 0 ? draw(Thumbnails.Count() - 1) : -1);
            plain.append(QString::number(step));
        } else if (action < 70) {
            const int a = draw(Model.Count() - 1);
            const int b = draw(Model.Count() - 1);
            Model.SwapEntries(a, b);
            Model.EntriesChanged(std::min(a, b), std::max(a, b));
            plain.swapItemsAt(a, b);
        } else if (action < 90) {
            // Rows given in any order, some twice, and one past the end, which are ignored.
            std::vector<int> rows{Model.Count()};
            for (int row = Model.Count() - 1; row >= 0; --row) {
                if (draw(3) == 0) {
                    rows.insert(rows.end(), draw(4) == 0 ? 2 : 1, row);
                    plain.removeAt(row);
                }
            }
            std::shuffle(rows.begin(), rows.end(), random);
            Model.RemoveRows(rows);
        } else if (action < 98) {
            const bool list = Model.ViewMode() == TListViewMode::Thumbnails;
            Model.SetViewMode(list ? TListViewMode::List : TListViewMode::Thumbnails);
            if (list) {
                Model.ApplyListImages();
            } else {
                Model.ApplyThumbnailImages();
            }
        } else {
            Model.Clear();
            plain.clear();
        }
        check(step);
        if (HasFatalFailure()) {
            return;
        }
    }
}

// Removing rows in any order: each run of neighbouring rows goes in one notification, from the bottom
// up, the model holding exactly what the notifications said at every step, and persistent indexes
// follow their entries.
TEST_F(ImageListModelTest, RemovedRowsGoRunByRunWithTheModelTrueToEachNotification) {
    AppendNamed(20);
    QStringList expected = Names();
    std::vector<QPersistentModelIndex> persistent;
    for (int row = 0; row < Model.Count(); ++row) {
        persistent.emplace_back(Model.index(row));
    }
    std::vector<std::pair<int, int>> runs;
    QStringList mismatches;
    QObject watcher;  // ends the checks below before the list changes on
    QObject::connect(&Model, &QAbstractItemModel::rowsAboutToBeRemoved, &watcher,
                     [&](const QModelIndex&, int first, int last) {
                         runs.emplace_back(first, last);
                         if (Names() != expected) {
                             mismatches.append(QStringLiteral("before %1-%2").arg(first).arg(last));
                         }
                     });
    QObject::connect(&Model, &QAbstractItemModel::rowsRemoved, &watcher,
                     [&](const QModelIndex&, int first, int last) {
                         expected.remove(first, last - first + 1);
                         if (Names() != expected || Model.rowCount() != expected.size()) {
                             mismatches.append(QStringLiteral("after %1-%2").arg(first).arg(last));
                         }
                     });

    Model.RemoveRows({10, 0, 19, 5, 1, 11, 9});
    QObject::disconnect(&Model, nullptr, &watcher, nullptr);
    EXPECT_EQ(runs, (std::vector<std::pair<int, int>>{{19, 19}, {9, 11}, {5, 5}, {0, 1}}));
    EXPECT_TRUE(mismatches.isEmpty()) << mismatches.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(Names().join(QLatin1Char(' ')), QStringLiteral("2 3 4 6 7 8 12 13 14 15 16 17 18"));
    for (int row = 0; row < 20; ++row) {
        SCOPED_TRACE(row);
        const bool removed = QList<int>{0, 1, 5, 9, 10, 11, 19}.contains(row);
        ASSERT_EQ(persistent[row].isValid(), !removed);
        if (!removed) {
            EXPECT_EQ(Name(persistent[row].row()), QString::number(row));
            EXPECT_EQ(Model.Record(persistent[row].row()).FileName, QStringLiteral("/pictures/%1").arg(row));
        }
    }

    // The list keeps working as a list afterwards.
    Append(QStringLiteral("x"));
    Model.SwapEntries(0, Model.Count() - 1);
    EXPECT_EQ(Names().join(QLatin1Char(' ')), QStringLiteral("x 3 4 6 7 8 12 13 14 15 16 17 18 2"));
    Model.RemoveRows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
    EXPECT_EQ(Model.Count(), 0);
}

TEST_F(ImageListModelTest, TheShownMarkFollowsItsEntryThroughRemovals) {
    AppendNamed(10);
    Model.MarkShownFile(QStringLiteral("/pictures/7"));
    EXPECT_EQ(Model.ShownRow(), 7);
    Model.RemoveRows({0, 2, 8, 9});
    EXPECT_EQ(Model.ShownRow(), 5);
    EXPECT_EQ(Name(Model.ShownRow()), QStringLiteral("7"));
    Model.RemoveRows({5});
    EXPECT_EQ(Model.ShownRow(), -1);
}

}  // namespace
