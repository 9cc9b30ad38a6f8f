#include "Presenter.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ElidedLabel.h"
#include "ErrorBoundary.h"
#include "PicturePane.h"
#include "PresenterView.h"

namespace {

template <class T>
T* Named(T* control, const char* name) {
    control->setObjectName(QLatin1String(name));
    return control;
}

constexpr QSize StripThumbnail{96, 72};

}  // namespace

// A tool window of the main window: the desktop keeps it above the main window, however the operator
// works there.
TFormPresenter::TFormPresenter(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("FormPresenter"));
    setWindowTitle(QStringLiteral("Orvalis — presenter"));
    setFocusPolicy(Qt::StrongFocus);
    // Like the audience's window, it never keeps the program running by itself.
    setAttribute(Qt::WA_QuitOnClose, false);
    CreateControls();
}

void TFormPresenter::CreateControls() {
    PaneAudience = Named(new TPicturePane(this), "PaneAudience");
    PaneNext = Named(new TPicturePane(this), "PaneNext");
    LabelPosition = Named(new QLabel(this), "LabelPosition");
    QFont large = LabelPosition->font();
    large.setPointSizeF(large.pointSizeF() * 2);
    large.setBold(true);
    LabelPosition->setFont(large);
    LabelFileName = Named(new TElidedLabel(this), "LabelFileName");
    LabelDetails = Named(new QLabel(this), "LabelDetails");
    LabelCountdown = Named(new QLabel(this), "LabelCountdown");
    LabelCountdown->setFont(large);
    // Texts that change with every step leave the layout as it is: nothing moves, nothing else repaints.
    for (QLabel* label :
         std::initializer_list<QLabel*>{LabelPosition, LabelFileName, LabelDetails, LabelCountdown}) {
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }

    const auto button = [this](const char* name, const QString& caption, TShowKey key) {
        auto* b = Named(new QPushButton(caption, this), name);
        // Keys stay with the window: a remote's Space must step, not press the button that has focus.
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, [this, key] { Command(key); });
        return b;
    };
    ButtonPrevious = button("ButtonPrevious", QStringLiteral("Previous"), TShowKey::Previous);
    ButtonPause = button("ButtonPause", QStringLiteral("Pause"), TShowKey::Pause);
    ButtonNext = button("ButtonNext", QStringLiteral("Next"), TShowKey::Next);
    ButtonBlank = button("ButtonBlank", QStringLiteral("Blank"), TShowKey::Blank);
    ButtonStop = button("ButtonStop", QStringLiteral("Stop"), TShowKey::Escape);

    ListNeighbours = Named(new QListWidget(this), "ListNeighbours");
    ListNeighbours->setFocusPolicy(Qt::NoFocus);
    ListNeighbours->setViewMode(QListView::IconMode);
    ListNeighbours->setFlow(QListView::LeftToRight);
    ListNeighbours->setWrapping(false);
    ListNeighbours->setMovement(QListView::Static);
    ListNeighbours->setIconSize(StripThumbnail);
    // Cells of one size, whatever the names and the shown entry's bold type: a long name is shortened in
    // its middle rather than running over its neighbours'.
    ListNeighbours->setGridSize(QSize(StripThumbnail.width() + 72, StripThumbnail.height() + 30));
    ListNeighbours->setWordWrap(false);
    ListNeighbours->setTextElideMode(Qt::ElideMiddle);
    ListNeighbours->setFixedHeight(StripThumbnail.height() + 48);
    connect(ListNeighbours, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        SwallowErrors([&] {
            if (JumpTo) {
                JumpTo(item->data(Qt::UserRole).toInt());
            }
        });
    });

    auto* captionAudience = new QLabel(QStringLiteral("Audience"), this);
    auto* captionNext = new QLabel(QStringLiteral("Next"), this);
    auto* side = new QVBoxLayout();
    side->addWidget(captionNext);
    side->addWidget(PaneNext, 1);
    side->addWidget(LabelPosition);
    side->addWidget(LabelFileName);
    side->addWidget(LabelDetails);
    side->addWidget(LabelCountdown);

    auto* pictures = new QGridLayout();
    pictures->addWidget(captionAudience, 0, 0);
    pictures->addWidget(PaneAudience, 1, 0);
    pictures->addLayout(side, 0, 1, 2, 1);
    pictures->setColumnStretch(0, 3);
    pictures->setColumnStretch(1, 2);
    pictures->setRowStretch(1, 1);

    auto* buttons = new QHBoxLayout();
    for (QPushButton* b : {ButtonPrevious, ButtonPause, ButtonNext, ButtonBlank, ButtonStop}) {
        buttons->addWidget(b);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pictures, 1);
    layout->addLayout(buttons);
    layout->addWidget(ListNeighbours);

    connect(PaneAudience, &TPicturePane::Resized, this, [this] { SwallowErrors([&] { MirrorAgain(); }); });
}

void TFormPresenter::ShowAudience(const QImage& fitted, const QRect& fittedAt, QSize screen, bool blank) {
    AudienceFitted = fitted;
    AudienceAt = fittedAt;
    AudienceScreen = screen;
    AudienceBlank = blank;
    MirrorAgain();
}

void TFormPresenter::MirrorAgain() {
    PaneAudience->SetImage(
        MirrorPicture(AudienceFitted, AudienceAt, AudienceScreen, PaneAudience->DeviceSize(), AudienceBlank));
}

const QImage& TFormPresenter::Mirror() const {
    return PaneAudience->Image();
}

void TFormPresenter::ShowNext(const QImage& picture) {
    PaneNext->SetImage(picture);
}

void TFormPresenter::ShowTexts(const QString& position, const QString& fileName, const QString& details) {
    LabelPosition->setText(position);
    LabelFileName->SetFullText(fileName);
    LabelDetails->setText(details);
}

void TFormPresenter::ShowCountdown(const QString& text) {
    LabelCountdown->setText(text);
}

void TFormPresenter::ShowStates(bool canHold, bool held, bool blank) {
    ButtonPause->setEnabled(canHold || held);
    ButtonPause->setText(held ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    ButtonBlank->setText(blank ? QStringLiteral("Unblank") : QStringLiteral("Blank"));
}

void TFormPresenter::ShowNeighbours(const std::vector<TNeighbourEntry>& entries) {
    // The same entries as before: only the mark moves.
    if (int(entries.size()) == ListNeighbours->count()) {
        bool same = true;
        for (int i = 0; same && i < ListNeighbours->count(); ++i) {
            const QListWidgetItem* item = ListNeighbours->item(i);
            same = item->data(Qt::UserRole).toInt() == entries[i].Index &&
                   item->text() == entries[i].Caption &&
                   item->data(Qt::UserRole + 1).toLongLong() == entries[i].Thumbnail.cacheKey();
        }
        if (same) {
            for (int i = 0; i < ListNeighbours->count(); ++i) {
                MarkNeighbour(ListNeighbours->item(i), entries[i].Shown);
            }
            return;
        }
    }
    ListNeighbours->clear();
    for (const TNeighbourEntry& entry : entries) {
        auto* item = new QListWidgetItem(QIcon(entry.Thumbnail), entry.Caption, ListNeighbours);
        item->setData(Qt::UserRole, entry.Index);
        item->setData(Qt::UserRole + 1, entry.Thumbnail.cacheKey());
        MarkNeighbour(item, entry.Shown);
    }
}

void TFormPresenter::MarkNeighbour(QListWidgetItem* item, bool shown) {
    QFont font = item->font();
    font.setBold(shown);
    item->setFont(font);
    item->setBackground(shown ? QBrush(palette().highlight().color().lighter(160)) : QBrush());
    // The bold name may widen the cell's contents: the whole strip is painted again, not only the item.
    ListNeighbours->viewport()->update();
    if (shown) {
        ListNeighbours->scrollToItem(item);
    }
}

void TFormPresenter::Command(TShowKey key) {
    SwallowErrors([&] {
        if (key == TShowKey::Escape) {
            if (StopShow) {
                StopShow();
            }
        } else if (key != TShowKey::None && ShowKey) {
            ShowKey(key);
        }
    });
}

void TFormPresenter::FormKeyDown(int key) {
    Command(ShowKeyAction(key));
}

void TFormPresenter::keyPressEvent(QKeyEvent* event) {
    if (ShowKeyAction(event->key()) == TShowKey::None) {
        QWidget::keyPressEvent(event);
        return;
    }
    FormKeyDown(event->key());
}

void TFormPresenter::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    SwallowErrors([&] {
        if (WindowClosed) {
            WindowClosed(*this);
        }
    });
}
