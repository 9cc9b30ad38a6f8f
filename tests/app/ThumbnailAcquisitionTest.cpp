#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <vector>

#include "FileMaker.h"
#include "ImageList.h"
#include "ThumbnailAcquisition.h"

namespace {

const QColor Background(10, 20, 30);

QImage Solid(int width, int height, QColor colour) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

// An image list whose entries get their thumbnails from the acquisition under test, with sources that
// answer from tables and a poster that keeps the requests.
class ThumbnailAcquisitionTest : public ::testing::Test, private TImageListHooks {
protected:
    std::map<QString, QImage> ExifThumbnails, DatabaseThumbnails;
    std::vector<std::unique_ptr<TThumbFileInfoData>> Requests;
    TImageList Images{*this};
    std::vector<std::unique_ptr<TThumbPreference>> Preferences;
    TThumbnailAcquisition Acquisition{
        Images, [this](const QString& file, QImage& bitmap) { return Find(ExifThumbnails, file, bitmap); },
        [this](const QString& file, QImage& bitmap) { return Find(DatabaseThumbnails, file, bitmap); },
        [this](std::unique_ptr<TThumbFileInfoData> request) { Requests.push_back(std::move(request)); },
        [this](std::unique_ptr<TThumbPreference> preference) {
            Preferences.push_back(std::move(preference));
        }};
    QTemporaryDir Folder;

    void SetUp() override {
        Acquisition.Background = Background;
        Acquisition.Placeholder = QPixmap::fromImage(Solid(160, 120, Qt::gray));
        Images.SetViewMode(TListViewMode::Thumbnails);
    }
    QString Add(const QString& name) {
        const QString path = testsupport::MakeFile(Folder.filePath(name));
        Images.AddImageFile(path);
        return path;
    }
    QImage ThumbnailOf(int row) {
        return Images.ImageListThumbnails().At(Images.Model().Record(row).ThumbnailIndex).toImage();
    }
    std::unique_ptr<TThumbPacket> Result(const TThumbFileInfoData& request, QColor colour) const {
        auto packet = std::make_unique<TThumbPacket>();
        packet->FileName = request.FileName;
        packet->ImageIndex = request.ImageIndex;
        packet->Generation = request.Generation;
        packet->Bitmap = Solid(160, 120, colour);
        return packet;
    }

private:
    static bool Find(const std::map<QString, QImage>& table, const QString& file, QImage& bitmap) {
        const auto found = table.find(QFileInfo(file).fileName());
        if (found == table.end()) {
            return false;
        }
        bitmap = found->second;
        return true;
    }
    void OpenThumbDatabase(const QString&) override {}
    qint32 AcquireThumbnail(const QString& path) override { return Acquisition.AcquireThumbnail(path); }
};

TEST_F(ThumbnailAcquisitionTest, FoundThumbnailsAreFittedOnTheBackgroundAndNeedNoRequest) {
    ExifThumbnails[QStringLiteral("exact.jpg")] = Solid(160, 120, Qt::red);
    ExifThumbnails[QStringLiteral("wide.jpg")] = Solid(160, 107, Qt::green);
    DatabaseThumbnails[QStringLiteral("small.png")] = Solid(120, 90, Qt::blue);
    DatabaseThumbnails[QStringLiteral("wide.jpg")] = Solid(160, 120, Qt::yellow);  // EXIF comes first
    Add(QStringLiteral("exact.jpg"));
    Add(QStringLiteral("wide.jpg"));
    Add(QStringLiteral("small.png"));
    EXPECT_TRUE(Requests.empty());

    EXPECT_EQ(ThumbnailOf(0), Solid(160, 120, Qt::red).convertToFormat(ThumbnailOf(0).format()));
    const QImage wide = ThumbnailOf(1);
    EXPECT_EQ(wide.size(), QSize(160, 120));
    EXPECT_EQ(wide.pixelColor(80, 1), Background);  // bands above and below
    EXPECT_EQ(wide.pixelColor(80, 60), QColor(Qt::green));
    EXPECT_EQ(wide.pixelColor(80, 118), Background);
    const QImage small = ThumbnailOf(2);  // centred, not enlarged
    EXPECT_EQ(small.pixelColor(19, 60), Background);
    EXPECT_EQ(small.pixelColor(20, 15), QColor(Qt::blue));
    EXPECT_EQ(small.pixelColor(139, 104), QColor(Qt::blue));
    EXPECT_EQ(small.pixelColor(140, 60), Background);
}

TEST_F(ThumbnailAcquisitionTest, APlaceholderIsReplacedInPlaceByItsResult) {
    const QString tiff = Add(QStringLiteral("a.tif"));
    Add(QStringLiteral("a.tif"));  // the same file twice: two images, two requests
    ASSERT_EQ(Requests.size(), 2u);
    EXPECT_EQ(Requests[0]->FileName, tiff);
    EXPECT_EQ(Requests[0]->ImageIndex, 0);
    EXPECT_EQ(Requests[1]->ImageIndex, 1);
    EXPECT_EQ(Requests[0]->Generation, 0);
    EXPECT_EQ(Requests[0]->BackgroundColour, Background);
    EXPECT_EQ(ThumbnailOf(0).pixelColor(0, 0), QColor(Qt::gray));

    // Moving entries does not disturb results: a result names an image, not a position.
    Images.SetSelectionFlags({false, true});
    Images.MoveSelectedUp();
    QSignalSpy repainted(&Images.Model(), &QAbstractItemModel::dataChanged);
    Acquisition.ThumbnailResultReceived(Result(*Requests[0], Qt::red));
    ASSERT_EQ(repainted.size(), 1);
    EXPECT_EQ(repainted[0][0].toModelIndex().row(), 1);  // the entry of request 0 is now at row 1
    EXPECT_EQ(ThumbnailOf(1).pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(ThumbnailOf(0).pixelColor(0, 0), QColor(Qt::gray));
    EXPECT_EQ(Images.Model().Record(1).ThumbnailIndex, 0);

    // In list view the image changes without a repaint; it shows when thumbnail view comes back.
    Images.SetViewMode(TListViewMode::List);
    Images.ApplyListImages();
    repainted.clear();
    Acquisition.ThumbnailResultReceived(Result(*Requests[1], Qt::blue));
    EXPECT_EQ(repainted.size(), 0);
    EXPECT_EQ(ThumbnailOf(0).pixelColor(0, 0), QColor(Qt::blue));
}

TEST_F(ThumbnailAcquisitionTest, LateResultsOfAClearedListChangeNothing) {
    Add(QStringLiteral("old.tif"));
    Images.Clear();
    Add(QStringLiteral("new.tif"));
    ASSERT_EQ(Requests.size(), 2u);
    EXPECT_EQ(Requests[1]->ImageIndex, 0);  // the images start again at 0
    EXPECT_EQ(Requests[1]->Generation, 1);
    Acquisition.ThumbnailResultReceived(Result(*Requests[0], Qt::red));
    EXPECT_EQ(ThumbnailOf(0).pixelColor(0, 0), QColor(Qt::gray));
    Acquisition.ThumbnailResultReceived(Result(*Requests[1], Qt::green));
    EXPECT_EQ(ThumbnailOf(0).pixelColor(0, 0), QColor(Qt::green));
    Acquisition.ThumbnailResultReceived(nullptr);  // nothing to apply
}

TEST_F(ThumbnailAcquisitionTest, AThumbnailGivenUpIsMadeAgainFromItsSourceWhenItIsAskedFor) {
    // Room for one ready thumbnail and nothing packed: every other one is given up at once.
    constexpr qint64 one = 160 * 120 * 4;
    Images.ImageListThumbnails().SetBudget(one, one);
    ExifThumbnails[QStringLiteral("a.jpg")] = Solid(160, 120, Qt::red);
    ExifThumbnails[QStringLiteral("b.jpg")] = Solid(160, 120, Qt::green);
    Add(QStringLiteral("a.jpg"));
    const QString tiff = Add(QStringLiteral("c.tif"));
    Acquisition.ThumbnailResultReceived(Result(*Requests[0], Qt::blue));
    Add(QStringLiteral("b.jpg"));
    ASSERT_EQ(Requests.size(), 1u);

    // The given-up thumbnails show the placeholder until the event loop serves them.
    EXPECT_EQ(ThumbnailOf(0).pixelColor(0, 0), QColor(Qt::gray));
    EXPECT_EQ(ThumbnailOf(1).pixelColor(0, 0), QColor(Qt::gray));
    QSignalSpy repainted(&Images.Model(), &QAbstractItemModel::dataChanged);
    Acquisition.ServeWanted();
    // The EXIF thumbnail is read again at once; the rendered one is asked of the threads again, first.
    EXPECT_EQ(ThumbnailOf(0).pixelColor(0, 0), QColor(Qt::red));
    ASSERT_EQ(repainted.size(), 1);
    EXPECT_EQ(repainted[0][0].toModelIndex().row(), 0);
    ASSERT_EQ(Requests.size(), 2u);
    EXPECT_EQ(Requests[1]->FileName, tiff);
    EXPECT_EQ(Requests[1]->ImageIndex, 1);
    ASSERT_EQ(Preferences.size(), 1u);
    EXPECT_EQ(Preferences[0]->ImageIndices, (std::vector<qint32>{1}));

    // Asked for again before it is back, it is not requested twice.
    ThumbnailOf(1);
    Acquisition.ServeWanted();
    EXPECT_EQ(Requests.size(), 2u);
    Acquisition.ThumbnailResultReceived(Result(*Requests[1], Qt::blue));
    EXPECT_EQ(ThumbnailOf(1).pixelColor(0, 0), QColor(Qt::blue));
}

TEST_F(ThumbnailAcquisitionTest, WaitingRenderingsInViewArePreferredOncePerChange) {
    for (const char* name : {"0.tif", "1.tif", "2.tif"}) {
        Add(QLatin1String(name));
    }
    const auto preferred = [&] {
        Acquisition.ServeWanted();
        return Preferences.empty() ? std::vector<qint32>() : Preferences.back()->ImageIndices;
    };
    ThumbnailOf(2);
    ThumbnailOf(0);
    EXPECT_EQ(preferred(), (std::vector<qint32>{0, 2}));
    EXPECT_EQ(Preferences.back()->Generation, 0);
    ThumbnailOf(2);  // a view standing still asks for the same ones again
    ThumbnailOf(0);
    preferred();
    EXPECT_EQ(Preferences.size(), 1u);
    ThumbnailOf(1);
    EXPECT_EQ(preferred(), (std::vector<qint32>{1}));
    EXPECT_EQ(Requests.size(), 3u);
}

TEST_F(ThumbnailAcquisitionTest, AFailingSourceEndsWithTheIndexSoFar) {
    TThumbnailAcquisition throwing{
        Images, [](const QString&, QImage&) -> bool { throw std::runtime_error("x"); },
        [](const QString&, QImage&) { return false; }, [](std::unique_ptr<TThumbFileInfoData>) {}};
    EXPECT_EQ(throwing.AcquireThumbnail(QStringLiteral("/nowhere.jpg")), 0);
    EXPECT_EQ(Images.ImageListThumbnails().Count(), 0);
}

}  // namespace
