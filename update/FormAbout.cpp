#include "FormAbout.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <cstdint>

#include "ErrorBoundary.h"
#include "Exceptions.h"
#include "OpenUrl.h"
#include "Platform.h"
#include "VersionInfo.h"

// The logo lives in this library's resources; a static library has to load them by hand, and the call
// may not sit inside a namespace.
static void InitAboutResources() {
    Q_INIT_RESOURCE(about);
}

namespace {

constexpr int WindowWidth = 404;
constexpr int LicenseClientHeight = 472;  // the logo with the agreement panel below it
constexpr int FaderInterval = 33;         // milliseconds
constexpr int FaderTicksPerLabel = 3;     // each label joins the fader three ticks after the one above it
constexpr std::uint32_t FaderStep = 0x1A1A1A;
constexpr int FadeOutStep = 15;
constexpr int FadeOutFloor = 20;
constexpr int Opaque = 255;
const QColor Silver(192, 192, 192);

QFont TahomaPoints(int points, bool bold) {
    QFont font(QStringLiteral("Tahoma"), points);
    font.setBold(bold);
    return font;
}

void SetTextColor(QLabel* label, const QColor& colour) {
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, colour);
    label->setPalette(colours);
}

QColor TextColor(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

QLabel* NewLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                       const QRect& geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setGeometry(geometry);
    return button;
}

QString ExecutablePath() {
    return QCoreApplication::applicationFilePath();
}

}  // namespace

int ColorValue(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

QColor ColorFromValue(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int FadeColorValue(int value, int linksColor) {
    if (value >= linksColor) {
        return value;
    }
    // Unsigned arithmetic: a value near the top of the range wraps instead of overflowing.
    return static_cast<int>(static_cast<std::uint32_t>(value) + FaderStep);
}

// ---------------------------------------------------------------------------------------------------
// TFormAbout

TFormAbout::TFormAbout(QObject* parent)
    : QObject(parent),
      FontProgramName(QStringLiteral("Verdana"), 14, QFont::Bold),
      FontProgramNameColor(Silver),
      FontLinksColor(Silver),
      FontLinksColorHot(QGuiApplication::palette().color(QPalette::Link)),
      FontVersionColor(Qt::white) {
    setObjectName(QStringLiteral("FormAbout"));
}

TFormAbout::~TFormAbout() = default;

void TFormAbout::AssignProgramValues() {
    ProgramName = QStringLiteral("Orvalis");
    Copyright = QStringLiteral("Copyright (c) 2026 Quenmark");
    HomePage = QStringLiteral(ORVALIS_URL_HOME_PAGE);
    Email = QStringLiteral(ORVALIS_EMAIL);
    AdditionalLine1.clear();
    AdditionalLine2 = QStringLiteral("EXIF reader written by Quenmark");
    AdditionalLine3 = QStringLiteral("Brackwell file-browser library by Quenmark");
    AdditionalURL1.clear();
    AdditionalURL2.clear();
    AdditionalURL3 = QStringLiteral(ORVALIS_URL_BROWSER_LIBRARY);
    AlphaBlendedClose = true;
    MonitorNo = 0;
    FontProgramName = QFont(QStringLiteral("Tahoma"));
    FontProgramName.setPixelSize(19);
    FontProgramName.setBold(true);
    FontProgramNameColor = Qt::white;
    FontLinksColor = Silver;
    FontLinksColorHot = QColor(255, 255, 0);
    FontVersionColor = Qt::white;
    InitAboutResources();
    Logo400x150 = QImage(QStringLiteral(":/about/Logo400x150.jpg"));
    LicenseText.clear();
    DisplayProgramName = true;
    DisplayDeclineButton = true;
}

TFormAboutBox& TFormAbout::BoxInMode(bool splash) {
    if (!AboutBox) {
        AboutBox = std::make_unique<TFormAboutBox>(*this);
    }
    splash ? AboutBox->SplashMode() : AboutBox->AboutMode();
    return *AboutBox;
}

int TFormAbout::ShowModalBox(bool splash) {
    int result = ModalResultNone;
    SwallowErrors([&] { result = BoxInMode(splash).ShowModal(); });
    return result;
}

void TFormAbout::ShowBox(bool splash) {
    SwallowErrors([&] { BoxInMode(splash).ShowNonModal(); });
}

void TFormAbout::CloseBox() {
    if (AboutBox) {
        AboutBox->close();
    }
}

// ---------------------------------------------------------------------------------------------------
// TFormAboutBox

TFormAboutBox::TFormAboutBox(TFormAbout& owner)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), Owner(owner) {
    setObjectName(QStringLiteral("FormAboutBox"));
    setWindowTitle(QStringLiteral("About Orvalis"));
    // Closing the box, the splash above all, never ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(TahomaPoints(8, false));
    CreateControls();
    FormCreate();
}

TFormAboutBox::~TFormAboutBox() = default;

void TFormAboutBox::CreateControls() {
    PanelContainer = new QFrame(this);
    PanelContainer->setObjectName(QStringLiteral("PanelContainer"));
    PanelContainer->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PanelContainer->setGeometry(0, 0, WindowWidth, LicenseClientHeight);

    PanelAbout = new QFrame(PanelContainer);
    PanelAbout->setObjectName(QStringLiteral("PanelAbout"));
    PanelAbout->setGeometry(1, 1, 402, 154);
    Panel1 = new QFrame(PanelAbout);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(0, 0, 402, 154);
    QPalette grey = Panel1->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    Panel1->setPalette(grey);
    Panel1->setAutoFillBackground(true);

    ImageLogo = NewLabel(Panel1, "ImageLogo");
    ImageLogo->setGeometry(1, 1, 400, 152);
    ImageLogo->setScaledContents(true);

    // The shadow first, so that the name lies over it.
    LabelProgramNameShadow = NewLabel(Panel1, "LabelProgramNameShadow");
    LabelProgramNameShadow->setGeometry(9, 65, 385, 24);
    LabelProgramName = NewLabel(Panel1, "LabelProgramName");
    LabelProgramName->setGeometry(8, 64, 385, 24);
    for (QLabel* label : {LabelProgramNameShadow, LabelProgramName}) {
        label->setAlignment(Qt::AlignCenter);
    }

    LabelVersion = NewLabel(Panel1, "LabelVersion");
    LabelCopyright = NewLabel(Panel1, "LabelCopyright");
    LabelHomePage = NewLabel(Panel1, "LabelHomePage");
    LabelEmail = NewLabel(Panel1, "LabelEmail");
    LabelAdditional1 = NewLabel(Panel1, "LabelAdditional1");
    LabelAdditional2 = NewLabel(Panel1, "LabelAdditional2");
    LabelAdditional3 = NewLabel(Panel1, "LabelAdditional3");
    for (QLabel* label : {LabelVersion, LabelCopyright, LabelHomePage, LabelEmail}) {
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    LabelVersion->setFont(TahomaPoints(8, true));
    for (QLabel* label : TextLabels()) {
        label->setFont(TahomaPoints(8, true));
        label->installEventFilter(this);
    }
    LabelHomePage->setCursor(Qt::PointingHandCursor);
    LabelEmail->setCursor(Qt::PointingHandCursor);

    ButtonOk2 = NewButton(Panel1, "ButtonOk2", QStringLiteral("OK"), QStringLiteral("Accept"),
                          QRect(324, 127, 72, 21));

    PanelBotom = new QFrame(PanelContainer);
    PanelBotom->setObjectName(QStringLiteral("PanelBotom"));
    PanelBotom->setGeometry(1, 155, 402, 284);
    PanelBotom->hide();
    MemoLicense = new QPlainTextEdit(PanelBotom);
    MemoLicense->setObjectName(QStringLiteral("MemoLicense"));
    MemoLicense->setGeometry(5, 6, 392, 272);
    MemoLicense->setReadOnly(true);
    MemoLicense->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    ButtonDecline = NewButton(PanelContainer, "ButtonDecline", QStringLiteral("Decline"),
                              QStringLiteral("Decline license"), QRect(8, 444, 72, 21));
    ButtonOk = NewButton(PanelContainer, "ButtonOk", QStringLiteral("OK"), QStringLiteral("Accept"),
                         QRect(324, 444, 72, 21));

    TimerFader = new QTimer(this);
    TimerFader->setObjectName(QStringLiteral("TimerFader"));
    TimerFader->setInterval(FaderInterval);

    for (QPushButton* ok : {ButtonOk, ButtonOk2}) {
        connect(ok, &QPushButton::clicked, this, [this] { ReportErrors(this, [&] { LabelOKClick(); }); });
    }
    connect(ButtonDecline, &QPushButton::clicked, this,
            [this] { ReportErrors(this, [&] { ButtonDeclineClick(); }); });
    connect(TimerFader, &QTimer::timeout, this, [this] { ReportErrors(this, [&] { TimerFaderTimer(); }); });
}

std::array<QLabel*, 6> TFormAboutBox::TextLabels() const {
    return {LabelCopyright, LabelHomePage, LabelEmail, LabelAdditional1, LabelAdditional2, LabelAdditional3};
}

void TFormAboutBox::FormCreate() {
    // Qt paints every widget double-buffered already.
    ImageLogo->setPixmap(Owner.Logo400x150.isNull() ? QPixmap() : QPixmap::fromImage(Owner.Logo400x150));
    ImageLogo->repaint();
    SetClientHeight(PanelAbout->height() + 2);
    ButtonOk->hide();
    ButtonDecline->hide();
}

void TFormAboutBox::SetClientHeight(int height) {
    setFixedSize(WindowWidth, height);
    PanelContainer->resize(WindowWidth, height);
}

void TFormAboutBox::SetAlphaBlendValue(int value) {
    AlphaBlend = value;
    // Where the platform cannot make a window translucent the box simply appears and goes.
    if (CurrentPlatformTraits().WindowOpacity) {
        setWindowOpacity(value / double(Opaque));
    }
}

void TFormAboutBox::StartFader() {
    Fade = 0;
    TimerFader->start();
}

void TFormAboutBox::SplashMode() {
    ButtonOk->hide();
    ButtonDecline->hide();
    ButtonOk2->hide();
    PanelBotom->hide();
    SetClientHeight(PanelAbout->height() + 2);
    StartFader();
}

void TFormAboutBox::AboutMode() {
    if (Owner.LicenseText.isEmpty()) {
        SplashMode();
        // ButtonOk lies below the window's edge here; ButtonOk2 on the logo is the one seen.
        ButtonOk->show();
        ButtonOk2->show();
        return;
    }
    ButtonOk->show();
    ButtonDecline->show();
    PanelBotom->show();
    SetClientHeight(LicenseClientHeight);
    ButtonOk2->hide();
    StartFader();
}

int TFormAboutBox::ShowModal() {
    if (isVisible()) {
        throw EAppError(QStringLiteral("Cannot make a visible window modal"));
    }
    ModalResult = ModalResultNone;
    setWindowModality(Qt::ApplicationModal);
    FormShow();
    QEventLoop loop;
    ModalLoop = &loop;
    show();
    raise();
    activateWindow();
    if (isVisible()) {
        loop.exec();
    }
    ModalLoop = nullptr;
    // Closed without a button (the system's close command, CloseBox): the showing was cancelled.
    return ModalResult != ModalResultNone ? ModalResult : ModalResultCancel;
}

void TFormAboutBox::ShowNonModal() {
    if (!isVisible()) {
        setWindowModality(Qt::NonModal);
        FormShow();
        show();
    }
    raise();
}

void TFormAboutBox::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Hiding the box ends a modal showing.
    if (ModalLoop != nullptr) {
        ModalLoop->quit();
    }
}

void TFormAboutBox::FormShow() {
    SetAlphaBlendValue(Opaque);

    const QString executable = ExecutablePath();
    if (Owner.DisplayProgramName) {
        const QString name =
            Owner.ProgramName.isEmpty() ? ReadFileDescription(executable) : Owner.ProgramName;
        for (QLabel* label : {LabelProgramNameShadow, LabelProgramName}) {
            label->setText(name);
            label->setFont(Owner.FontProgramName);
            label->show();
        }
        SetTextColor(LabelProgramName, Owner.FontProgramNameColor);
        SetTextColor(LabelProgramNameShadow, Qt::black);
    } else {
        LabelProgramNameShadow->hide();
        LabelProgramName->hide();
    }

    LabelCopyright->setText(Owner.Copyright);
    LabelHomePage->setText(Owner.HomePage);
    LabelEmail->setText(Owner.Email);
    LabelAdditional1->setText(Owner.AdditionalLine1);
    LabelAdditional2->setText(Owner.AdditionalLine2);
    LabelAdditional3->setText(Owner.AdditionalLine3);
    MemoLicense->setPlainText(Owner.LicenseText.join(QLatin1Char('\n')));

    // A credit line with a URL is a link; without one it is plain text and does not react at all.
    const std::array<QLabel*, 3> credits{LabelAdditional1, LabelAdditional2, LabelAdditional3};
    const std::array<const QString*, 3> urls{&Owner.AdditionalURL1, &Owner.AdditionalURL2,
                                             &Owner.AdditionalURL3};
    for (std::size_t i = 0; i < credits.size(); ++i) {
        CreditLinks[i] = !urls[i]->isEmpty();
        if (CreditLinks[i]) {
            credits[i]->setCursor(Qt::PointingHandCursor);
        } else {
            credits[i]->unsetCursor();
        }
    }

    LabelVersion->setText(ReadFileVersion(executable));
    ButtonDecline->setVisible(Owner.DisplayDeclineButton);

    for (QLabel* label : TextLabels()) {
        SetTextColor(label, Owner.FontLinksColor);
    }
    SetTextColor(LabelVersion, Owner.FontVersionColor);

    PlaceTextLabels();
    Center();
}

void TFormAboutBox::PlaceRight(QLabel* label, int right, int top) {
    label->adjustSize();
    label->move(right - label->width(), top);
}

void TFormAboutBox::PlaceLeft(QLabel* label, int left, int top) {
    label->adjustSize();
    label->move(left, top);
}

// The labels fit their texts, so that a link reacts over its text only.
void TFormAboutBox::PlaceTextLabels() {
    PlaceRight(LabelVersion, 389, 86);
    PlaceRight(LabelCopyright, 396, 4);
    PlaceRight(LabelHomePage, 396, 17);
    PlaceRight(LabelEmail, 396, 30);
    PlaceLeft(LabelAdditional1, 6, 108);
    PlaceLeft(LabelAdditional2, 6, 122);
    PlaceLeft(LabelAdditional3, 6, 136);
}

void TFormAboutBox::Center() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QScreen* screen = Owner.MonitorNo >= 1 && Owner.MonitorNo <= screens.size()
                                ? screens[Owner.MonitorNo - 1]
                                : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void TFormAboutBox::TimerFaderTimer() {
    ++Fade;
    const int links = ColorValue(Owner.FontLinksColor);
    const std::array<QLabel*, 6> labels = TextLabels();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (Fade > FaderTicksPerLabel * static_cast<int>(i)) {
            SetTextColor(labels[i], ColorFromValue(FadeColorValue(ColorValue(TextColor(labels[i])), links)));
        }
    }
}

bool TFormAboutBox::IsLink(QObject* label) const {
    return label == LabelHomePage || label == LabelEmail || (label == LabelAdditional1 && CreditLinks[0]) ||
           (label == LabelAdditional2 && CreditLinks[1]) || (label == LabelAdditional3 && CreditLinks[2]);
}

bool TFormAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (!IsLink(watched)) {
        return QWidget::eventFilter(watched, event);
    }
    auto* label = static_cast<QLabel*>(watched);
    switch (event->type()) {
        case QEvent::Enter:
            ReportErrors(this, [&] { LabelAdditional1MouseEnter(label); });
            break;
        case QEvent::Leave:
            ReportErrors(this, [&] { LabelAdditional1MouseLeave(label); });
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // Taken, so that the release comes back to the link.
            return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) {
                break;
            }
            // A click counts only when the button comes up over the link.
            if (label->rect().contains(mouse->position().toPoint())) {
                ReportErrors(this, [&] { LinkClick(label); });
            }
            return true;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void TFormAboutBox::LinkClick(QObject* label) {
    if (label == LabelHomePage) {
        LabelHomePageClick();
    } else if (label == LabelEmail) {
        LabelEmailClick();
    } else if (label == LabelAdditional1) {
        LabelAdditional1Click();
    } else if (label == LabelAdditional2) {
        LabelAdditional2Click();
    } else if (label == LabelAdditional3) {
        LabelAdditional3Click();
    }
}

void TFormAboutBox::LabelAdditional1MouseEnter(QLabel* sender) {
    SetTextColor(sender, Owner.FontLinksColorHot);
}

void TFormAboutBox::LabelAdditional1MouseLeave(QLabel* sender) {
    SetTextColor(sender, Owner.FontLinksColor);
}

void TFormAboutBox::OpenTarget(const QString& target) {
    if (Owner.OnOpenURL && !Owner.OnOpenURL(target)) {
        return;
    }
    // A target that cannot be opened fails silently.
    OpenUrlWithSystem(target);
}

void TFormAboutBox::LabelHomePageClick() {
    OpenTarget(Owner.HomePage);
}

// The subject names the program and its version; nothing is escaped, the mail program takes it as it is.
void TFormAboutBox::LabelEmailClick() {
    const QString executable = ExecutablePath();
    OpenTarget(QStringLiteral("mailto:") + Owner.Email + QStringLiteral("?subject=") +
               ReadFileDescription(executable) + QLatin1Char(' ') + ReadFileVersion(executable) +
               QStringLiteral("&body="));
}

void TFormAboutBox::LabelAdditional1Click() {
    OpenTarget(Owner.AdditionalURL1);
}

void TFormAboutBox::LabelAdditional2Click() {
    OpenTarget(Owner.AdditionalURL2);
}

void TFormAboutBox::LabelAdditional3Click() {
    OpenTarget(Owner.AdditionalURL3);
}

void TFormAboutBox::LabelOKClick() {
    ModalResult = ModalResultOk;
    close();
}

void TFormAboutBox::ButtonDeclineClick() {
    ModalResult = ModalResultNo;
    if (Owner.OnDecline) {
        Owner.OnDecline();
    }
    // The result ends a modal showing; a box shown without waiting stays.
    if (ModalLoop != nullptr) {
        close();
    }
}

void TFormAboutBox::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    ReportErrors(this, [&] { FormCloseQuery(canClose); });
    if (!canClose) {
        event->ignore();
        return;
    }
    ReportErrors(this, [&] { FormClose(); });
    event->accept();
}

// Fades the box out, without pause between the steps, and hides it; the close is never refused.
void TFormAboutBox::FormCloseQuery(bool& canClose) {
    if (Owner.AlphaBlendedClose) {
        while (AlphaBlend >= FadeOutFloor) {
            SetAlphaBlendValue(AlphaBlend - FadeOutStep);
            repaint();
        }
        repaint();
    }
    hide();
    canClose = true;
}

void TFormAboutBox::FormClose() {
    TimerFader->stop();
    for (QLabel* label : TextLabels()) {
        SetTextColor(label, Owner.FontLinksColor);
    }
    repaint();
}
