#include "PresenterLink.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

#include "ErrorBoundary.h"
#include "FileUtils.h"
#include "ImageList.h"
#include "IniFile.h"
#include "Orientation.h"
#include "Presenter.h"
#include "PresenterView.h"
#include "Preview.h"
#include "Slideshow.h"
#include "SpecialFolders.h"

namespace {

constexpr int NeighboursEachSide = 3;
constexpr int CountdownPeriod = 200;  // ms
constexpr int ActivateAgainMilliseconds = 400;

}  // namespace

TPresenterLink::TPresenterLink(TSlideshow& show, TImageList& images,
                               std::function<TSettingsValues()> settings, QWidget* mainWindow)
    : Show(show), Images(images), Settings(std::move(settings)), Main(mainWindow) {
    UpdateSoon.setSingleShot(true);
    UpdateSoon.setInterval(0);
    connect(&UpdateSoon, &QTimer::timeout, this, [this] { SwallowErrors([&] { Update(); }); });
    CountdownTimer.setInterval(CountdownPeriod);
    connect(&CountdownTimer, &QTimer::timeout, this, [this] { SwallowErrors([&] { UpdateCountdown(); }); });

    // A step of the show changes the status: the window follows it at once, so that it never shows an
    // entry the audience no longer sees (a burst of steps would otherwise leave it behind).
    connect(&Show.Status, &TShowStatus::Changed, this, [this] {
        SwallowErrors([&] {
            const TShowState state = Show.Status.State();
            if (state == TShowState::Stopped || state == TShowState::NoShow) {
                Close();
            }
            Update();
        });
    });
    // A thumbnail that arrives, or entries that move, change what the window shows.
    const QAbstractItemModel* model = &Images.Model();
    const auto listChanged = [this] { SwallowErrors([&] { ScheduleUpdate(); }); };
    connect(model, &QAbstractItemModel::rowsInserted, this, listChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, listChanged);
    connect(model, &QAbstractItemModel::modelReset, this, listChanged);
    // Thumbnails arrive all the time while a long list is being rendered: only those of the entries the
    // window shows matter to it.
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                SwallowErrors([&] {
                    if (first.row() <= ShownRows.second && last.row() >= ShownRows.first) {
                        ScheduleUpdate();
                    }
                });
            });
}

TPresenterLink::~TPresenterLink() = default;

QRect TPresenterLink::OperatorArea() const {
    const QScreen* screen = Main != nullptr ? Main->screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

bool TPresenterLink::AudienceElsewhere(const QRect& audience) const {
    const QScreen* screen = Main != nullptr ? Main->screen() : nullptr;
    const QList<QScreen*> screens = QGuiApplication::screens();
    const int operatorMonitor = screen != nullptr ? int(screens.indexOf(screen)) : -1;
    int audienceIndex = -1;
    for (int i = 0; i < screens.size(); ++i) {
        if (screens[i]->geometry() == audience) {
            audienceIndex = i;
            break;
        }
    }
    return PresenterOpens(true, int(screens.size()), audienceIndex, operatorMonitor);
}

bool TPresenterLink::OpensWithShowOver(const QRect& audience) const {
    return Settings().ShowPresenterView && AudienceElsewhere(audience);
}

void TPresenterLink::ShowStarted() {
    if (Show.Status.State() != TShowState::Showing) {
        return;
    }
    if (OpensWithShowOver(Show.Status.Monitor().Geometry)) {
        Open();
    }
}

bool TPresenterLink::CanOpen() const {
    const TShowState state = Show.Status.State();
    return (state == TShowState::Showing || state == TShowState::Paused) &&
           AudienceElsewhere(Show.Status.Monitor().Geometry);
}

void TPresenterLink::Open() {
    if (!CanOpen()) {
        return;
    }
    if (Presenter == nullptr) {
        Presenter = new TFormPresenter(Main);
        Presenter->ShowKey = [this](TShowKey key) { Show.Key(key); };
        Presenter->StopShow = [this] {
            if (StopShow) {
                StopShow();
            }
        };
        Presenter->JumpTo = [this](int index) { Show.ShowEntry(index); };
        Presenter->WindowClosed = [this](TFormPresenter&) {
            SavePlace();
            CountdownTimer.stop();
            Show.Status.PresenterShown(false);
            // The keyboard goes back to the operator's main window, never to the audience's.
            if (Main != nullptr && Main->isVisible()) {
                Main->activateWindow();
            }
        };
    }
    const TIniFile settings(SettingsFilePath());
    Presenter->setGeometry(PresenterPlacement(LoadPresenterPlace(settings), OperatorArea()));
    Presenter->show();
    Presenter->raise();
    if (FormPreview != nullptr) {
        FormPreview->HandKeyboardTo(Presenter);
    }
    Presenter->activateWindow();
    Presenter->setFocus(Qt::ActiveWindowFocusReason);
    // A desktop that was still busy with the audience window's full screen may have let the request go
    // by: asked once more, a moment later.
    QTimer::singleShot(ActivateAgainMilliseconds, Presenter, [presenter = Presenter] {
        SwallowErrors([&] {
            if (presenter != nullptr && presenter->isVisible() && !presenter->isActiveWindow()) {
                presenter->activateWindow();
            }
        });
    });
    Show.Status.PresenterShown(true);
    CountdownTimer.start();
    Update();
}

void TPresenterLink::Close() {
    if (Presenter != nullptr && Presenter->isVisible()) {
        Presenter->close();
    }
}

void TPresenterLink::SavePlace() {
    const QString path = SettingsFilePath();
    CreateEmptyUnicodeFile(path);
    TIniFile settings(path);
    SavePresenterPlace(settings, Presenter->geometry());
    settings.Save();
}

void TPresenterLink::AudienceChanged() {
    ScheduleUpdate();
}

void TPresenterLink::ScheduleUpdate() {
    UpdateSoon.start();
}

void TPresenterLink::Update() {
    const TShowStatus& status = Show.Status;
    const QString current = Images.CurrentImage;
    Images.Model().MarkShownFile(status.State() != TShowState::NoShow ? current : QString());
    if (Presenter == nullptr || !Presenter->isVisible()) {
        ShownRows = {0, std::numeric_limits<int>::max()};
        return;
    }
    // The mirror is made from the copy the audience window fitted, never from the picture itself. The
    // details are those of the picture the audience sees, or would see while its monitor is away: the
    // audience window keeps the picture of every step.
    if (FormPreview != nullptr) {
        TPictureSurface* surface = FormPreview->ImgView32Preview;
        if (FormPreview->isVisible()) {
            Presenter->ShowAudience(surface->FittedPicture(), surface->FittedRect(), surface->DeviceSize(),
                                    surface->IsBlank());
        } else {
            Presenter->ShowAudience({}, {}, {}, true);
        }
        if (current != DetailsFor) {
            DetailsFor = current;
            const QString size =
                PictureSizeText(UprightSize(surface->Picture().size(), surface->PictureOrientation()));
            const QString taken = DateTakenText(current);
            Details = taken.isEmpty() ? size : QStringLiteral("%1, taken %2").arg(size, taken);
        }
    } else {
        Presenter->ShowAudience({}, {}, {}, true);
    }

    const QStringList names = Images.FileNames();
    const int count = int(names.size());
    ShownRows = {count, -1};
    const auto shows = [&](int row) {
        ShownRows = {std::min(ShownRows.first, row), std::max(ShownRows.second, row)};
    };
    const auto thumbnail = [&](int row) {
        shows(row);
        return Images.ImageListThumbnails().At(Images.Model().Record(row).ThumbnailIndex);
    };
    const int next = NextShownEntry(names, current, [&](int row) { return FileExists(names[row]); });
    // The list draws its thumbnails on its base colour.
    const QColor listColour = QGuiApplication::palette().color(QPalette::Base);
    Presenter->ShowNext(next >= 0 ? ThumbnailPicture(thumbnail(next).toImage(), listColour) : QImage());
    Presenter->ShowTexts(PositionText(status.Position(), count), FileNameOf(current), Details);
    Presenter->ShowStates(status.State() == TShowState::Showing && status.Advancing(), status.Held(),
                          status.Blank());
    std::vector<TNeighbourEntry> strip;
    for (int row : NeighbourEntries(status.Position() - 1, count, NeighboursEachSide)) {
        strip.push_back({row, thumbnail(row), FileNameOf(names[row]), row == status.Position() - 1});
    }
    Presenter->ShowNeighbours(strip);
    UpdateCountdown();
}

void TPresenterLink::UpdateCountdown() {
    if (Presenter == nullptr || !Presenter->isVisible()) {
        return;
    }
    const TAdvanceCountdown& countdown = Show.Countdown;
    const bool counting = Show.Status.Advancing() && (countdown.Running() || countdown.Paused());
    Presenter->ShowCountdown(counting ? CountdownText(countdown.Remaining(), countdown.Paused()) : QString());
}
