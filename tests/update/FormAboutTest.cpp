#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

#include "ErrorBoundary.h"
#include "FormAbout.h"
#include "OpenUrl.h"
#include "VersionInfo.h"

namespace {

const QColor Silver(192, 192, 192);
const QColor Yellow(255, 255, 0);

QColor TextColor(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

void SetTextColor(QLabel* label, const QColor& colour) {
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, colour);
    label->setPalette(colours);
}

void MouseEnter(QWidget* widget) {
    const QPointF inside(1, 1);
    QEnterEvent enter(inside, inside, widget->mapToGlobal(inside));
    QCoreApplication::sendEvent(widget, &enter);
}

void MouseLeave(QWidget* widget) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

// A left click in the middle of the widget, delivered as the window system would.
void Click(QWidget* widget) {
    const QPointF centre = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

// The offscreen platform keeps the window's opacity but says so at every fade step; the rest of Qt's
// messages pass.
QtMessageHandler PassedMessages = nullptr;

void DropPlatformLimits(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.startsWith(QStringLiteral("This plugin does not support"))) {
        PassedMessages(type, context, message);
    }
}

// Every test starts with this program's values, known version strings, and the links and error reports
// recorded instead of reaching the desktop.
class FormAboutTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetVersionStrings(
            TVersionStrings{{QStringLiteral("FileVersion"), QStringLiteral("1.2.3.40")},
                            {QStringLiteral("FileDescription"), QStringLiteral("Orvalis Viewer")},
                            {QStringLiteral("CompanyName"), QStringLiteral("Quenmark")}});
        SetUrlOpener([this](const QString& target) {
            Opened.push_back(target);
            return true;
        });
        SetErrorReportSink([this](const QString& message) { Reports.push_back(message); });
        PassedMessages = qInstallMessageHandler(DropPlatformLimits);
        About.AssignProgramValues();
    }
    void TearDown() override {
        if (About.Box() != nullptr) {
            About.Box()->hide();
        }
        SetVersionStrings(std::nullopt);
        SetUrlOpener({});
        SetErrorReportSink({});
        qInstallMessageHandler(PassedMessages);
        EXPECT_TRUE(Reports.empty()) << Reports.front().toStdString();
    }

    // Shows the box without waiting, with the fader held still so that the test makes the ticks.
    TFormAboutBox& Show(bool splash) {
        About.ShowBox(splash);
        TFormAboutBox* box = About.Box();
        EXPECT_NE(box, nullptr);
        EXPECT_TRUE(box->isVisible());
        box->TimerFader->stop();
        return *box;
    }

    // Runs a modal showing; `whileShown` runs once the box is on screen, from inside the modal run.
    int ShowModal(bool splash, std::function<void(TFormAboutBox&)> whileShown) {
        QTimer::singleShot(0, &About, [this, whileShown] {
            TFormAboutBox* box = About.Box();
            if (box != nullptr && box->isVisible()) {
                whileShown(*box);
            }
        });
        return About.ShowModalBox(splash);
    }

    TFormAbout About;
    std::vector<QString> Opened;
    std::vector<QString> Reports;
};

// ---------------------------------------------------------------------------------------------------
// The fader's arithmetic

struct TFadeCase {
    int Value;
    int Links;
    int Expected;
};

class FadeColorValueTest : public ::testing::TestWithParam<TFadeCase> {};

TEST_P(FadeColorValueTest, RisesBelowTheLinksColourOnly) {
    EXPECT_EQ(FadeColorValue(GetParam().Value, GetParam().Links), GetParam().Expected)
        << std::hex << GetParam().Value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, FadeColorValueTest,
    ::testing::Values(
        // Yellow (00FFFF) under the mouse, towards silver (C0C0C0): eight steps through the greys.
        TFadeCase{0x00FFFF, 0xC0C0C0, 0x1B1A19}, TFadeCase{0x1B1A19, 0xC0C0C0, 0x353433},
        TFadeCase{0x353433, 0xC0C0C0, 0x4F4E4D}, TFadeCase{0x4F4E4D, 0xC0C0C0, 0x696867},
        TFadeCase{0x696867, 0xC0C0C0, 0x838281}, TFadeCase{0x838281, 0xC0C0C0, 0x9D9C9B},
        TFadeCase{0x9D9C9B, 0xC0C0C0, 0xB7B6B5}, TFadeCase{0xB7B6B5, 0xC0C0C0, 0xD1D0CF},
        // At or above the links colour nothing moves.
        TFadeCase{0xD1D0CF, 0xC0C0C0, 0xD1D0CF}, TFadeCase{0xC0C0C0, 0xC0C0C0, 0xC0C0C0},
        // A carry runs into the next byte.
        TFadeCase{0x0000FF, 0xC0C0C0, 0x1A1B19},
        // Signed comparison: a value with the top bit set is below any ordinary colour.
        TFadeCase{static_cast<int>(0x80000000u), 0xC0C0C0, static_cast<int>(0x801A1A1Au)},
        TFadeCase{0x00FFFF, static_cast<int>(0x80000000u), 0x00FFFF}));

TEST(ColorValueTest, HoldsRedInTheLowByte) {
    EXPECT_EQ(ColorValue(Yellow), 0x00FFFF);
    EXPECT_EQ(ColorValue(QColor(0x12, 0x34, 0x56)), 0x563412);
    EXPECT_EQ(ColorFromValue(0xD1D0CF), QColor(0xCF, 0xD0, 0xD1));
}

// ---------------------------------------------------------------------------------------------------
// The fader on the labels

TEST_F(FormAboutTest, ALinkUnderTheMouseTurnsYellowThenFadesTickByTickToLightGrey) {
    TFormAboutBox& box = Show(false);
    MouseEnter(box.LabelHomePage);
    ASSERT_EQ(TextColor(box.LabelHomePage), Yellow);

    // The home page joins the fader after the third tick.
    for (int tick = 1; tick <= 3; ++tick) {
        box.TimerFaderTimer();
        EXPECT_EQ(TextColor(box.LabelHomePage), Yellow) << "tick " << tick;
    }
    const std::vector<int> steps{0x1B1A19, 0x353433, 0x4F4E4D, 0x696867, 0x838281,
                                 0x9D9C9B, 0xB7B6B5, 0xD1D0CF, 0xD1D0CF};
    for (const int expected : steps) {
        box.TimerFaderTimer();
        EXPECT_EQ(ColorValue(TextColor(box.LabelHomePage)), expected) << std::hex << expected;
    }
    // The labels left at the links colour stay there.
    EXPECT_EQ(TextColor(box.LabelCopyright), Silver);
    EXPECT_EQ(TextColor(box.LabelEmail), Silver);

    MouseLeave(box.LabelHomePage);
    EXPECT_EQ(TextColor(box.LabelHomePage), Silver);
}

TEST_F(FormAboutTest, EachLabelJoinsTheFaderThreeTicksAfterTheOneAboveIt) {
    TFormAboutBox& box = Show(true);
    const std::vector<QLabel*> labels{box.LabelCopyright,   box.LabelHomePage,    box.LabelEmail,
                                      box.LabelAdditional1, box.LabelAdditional2, box.LabelAdditional3};
    for (QLabel* label : labels) {
        SetTextColor(label, Yellow);
    }
    // The label at position i changes first on tick 3 i + 1.
    for (int tick = 1; tick <= 16; ++tick) {
        box.TimerFaderTimer();
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const bool moved = tick > 3 * static_cast<int>(i);
            EXPECT_EQ(TextColor(labels[i]) != Yellow, moved)
                << labels[i]->objectName().toStdString() << " at tick " << tick;
        }
    }
    EXPECT_EQ(box.FadeCounter(), 16);
}

TEST_F(FormAboutTest, TheFaderTicksEvery33MillisecondsAndEachShowingRestartsItsCount) {
    TFormAboutBox& box = Show(true);
    EXPECT_EQ(box.TimerFader->interval(), 33);
    box.TimerFaderTimer();
    box.TimerFaderTimer();
    About.CloseBox();
    EXPECT_FALSE(box.TimerFader->isActive());
    About.ShowBox(false);
    EXPECT_TRUE(box.TimerFader->isActive());
    EXPECT_EQ(box.FadeCounter(), 0);
}

// ---------------------------------------------------------------------------------------------------
// Modes and layout

struct TModeCase {
    const char* Name;
    bool Splash;
    bool License;
    bool DisplayDecline;
    int Height;
    bool Ok2;
    bool Decline;
    bool Agreement;  // the agreement panel and the "OK" below it
};

class FormAboutModeTest : public FormAboutTest, public ::testing::WithParamInterface<TModeCase> {};

// Shown and inside the window, where the operator can see it.
bool Seen(const QWidget& window, const QWidget* widget) {
    return widget->isVisible() &&
           window.rect().contains(QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size()));
}

TEST_P(FormAboutModeTest, ShowsTheButtonsAndHeightOfTheMode) {
    const TModeCase& mode = GetParam();
    if (mode.License) {
        About.LicenseText = QStringList{QStringLiteral("First term"), QStringLiteral("Second term")};
    }
    About.DisplayDeclineButton = mode.DisplayDecline;
    TFormAboutBox& box = Show(mode.Splash);
    EXPECT_EQ(box.size(), QSize(404, mode.Height));
    EXPECT_EQ(Seen(box, box.ButtonOk2), mode.Ok2);
    EXPECT_EQ(Seen(box, box.ButtonDecline), mode.Decline);
    EXPECT_EQ(Seen(box, box.ButtonOk), mode.Agreement);
    EXPECT_EQ(Seen(box, box.PanelBotom), mode.Agreement);
    EXPECT_EQ(box.MemoLicense->toPlainText(), About.LicenseText.join(QLatin1Char('\n')));
    EXPECT_TRUE(box.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

INSTANTIATE_TEST_SUITE_P(Modes, FormAboutModeTest,
                         ::testing::Values(TModeCase{"Splash", true, false, true, 156, false, false, false},
                                           TModeCase{"About", false, false, true, 156, true, false, false},
                                           TModeCase{"Agreement", false, true, true, 472, false, true, true},
                                           TModeCase{"AgreementWithoutDecline", false, true, false, 472,
                                                     false, false, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FormAboutTest, ShowsTheLogoOfThisProgramStretchedOverTheLogoArea) {
    EXPECT_EQ(About.Logo400x150.size(), QSize(400, 150));
    TFormAboutBox& box = Show(true);
    EXPECT_FALSE(box.ImageLogo->pixmap().isNull());
    EXPECT_TRUE(box.ImageLogo->hasScaledContents());
    EXPECT_EQ(box.ImageLogo->size(), QSize(400, 152));
}

TEST_F(FormAboutTest, FillsTheLabelsAndCentresTheBoxOnThePrimaryScreen) {
    TFormAboutBox& box = Show(true);
    EXPECT_EQ(box.LabelProgramName->text(), QStringLiteral("Orvalis"));
    EXPECT_EQ(TextColor(box.LabelProgramName), QColor(Qt::white));
    EXPECT_EQ(box.LabelProgramName->font().pixelSize(), 19);
    EXPECT_TRUE(box.LabelProgramName->font().bold());
    EXPECT_EQ(box.LabelProgramNameShadow->text(), QStringLiteral("Orvalis"));
    EXPECT_EQ(box.LabelProgramNameShadow->font(), box.LabelProgramName->font());
    EXPECT_EQ(TextColor(box.LabelProgramNameShadow), QColor(Qt::black));
    EXPECT_EQ(box.LabelProgramNameShadow->geometry(), box.LabelProgramName->geometry().translated(1, 1));
    EXPECT_TRUE(box.LabelProgramNameShadow->isVisible());

    EXPECT_EQ(box.LabelVersion->text(), QStringLiteral("1.2.3.40"));
    EXPECT_EQ(TextColor(box.LabelVersion), QColor(Qt::white));
    EXPECT_EQ(box.LabelVersion->geometry().right() + 1, 389);
    EXPECT_EQ(box.LabelCopyright->text(), QStringLiteral("Copyright (c) 2026 Quenmark"));
    EXPECT_EQ(box.LabelHomePage->text(), About.HomePage);
    EXPECT_EQ(box.LabelEmail->text(), About.Email);
    EXPECT_EQ(box.LabelEmail->geometry().right() + 1, 396);
    EXPECT_EQ(box.LabelAdditional1->text(), QString());
    EXPECT_EQ(box.LabelAdditional2->text(), QStringLiteral("EXIF reader written by Quenmark"));
    EXPECT_EQ(box.LabelAdditional3->text(), QStringLiteral("Brackwell file-browser library by Quenmark"));
    EXPECT_EQ(box.LabelAdditional3->pos(), QPoint(6, 136));
    for (QLabel* label : {box.LabelCopyright, box.LabelHomePage, box.LabelEmail, box.LabelAdditional1,
                          box.LabelAdditional2, box.LabelAdditional3}) {
        EXPECT_EQ(TextColor(label), Silver) << label->objectName().toStdString();
    }

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(box.pos(),
              QPoint(screen.x() + (screen.width() - 404) / 2, screen.y() + (screen.height() - 156) / 2));
}

struct TNameCase {
    const char* Name;
    QString ProgramName;
    bool Display;
    QString Shown;  // empty: neither the name nor its shadow is shown
};

class FormAboutNameTest : public FormAboutTest, public ::testing::WithParamInterface<TNameCase> {};

TEST_P(FormAboutNameTest, ShowsTheProgramNameOrTheFileDescriptionWithItsShadow) {
    About.ProgramName = GetParam().ProgramName;
    About.DisplayProgramName = GetParam().Display;
    TFormAboutBox& box = Show(false);
    const bool shown = !GetParam().Shown.isEmpty();
    EXPECT_EQ(box.LabelProgramName->isVisible(), shown);
    EXPECT_EQ(box.LabelProgramNameShadow->isVisible(), shown);
    if (shown) {
        EXPECT_EQ(box.LabelProgramName->text(), GetParam().Shown);
        EXPECT_EQ(box.LabelProgramNameShadow->text(), GetParam().Shown);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, FormAboutNameTest,
    ::testing::Values(TNameCase{"Set", QStringLiteral("Orvalis"), true, QStringLiteral("Orvalis")},
                      TNameCase{"Empty", QString(), true, QStringLiteral("Orvalis Viewer")},
                      TNameCase{"NotDisplayed", QStringLiteral("Orvalis"), false, QString()}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FormAboutTest, TheNextShowingTakesTheChangedTexts) {
    TFormAboutBox& box = Show(true);
    About.CloseBox();
    About.DisplayProgramName = false;
    About.Copyright = QStringLiteral("Copyright (c) 2027 Quenmark");
    About.ShowBox(true);
    EXPECT_EQ(box.LabelCopyright->text(), QStringLiteral("Copyright (c) 2027 Quenmark"));
    EXPECT_FALSE(box.LabelProgramName->isVisible());
}

// ---------------------------------------------------------------------------------------------------
// Links

struct TLinkCase {
    const char* Name;
    QLabel* TFormAboutBox::*Label;
    QString (*Target)(const TFormAbout& about);  // nullptr: the label is plain text
};

class FormAboutLinkTest : public FormAboutTest, public ::testing::WithParamInterface<TLinkCase> {};

TEST_P(FormAboutLinkTest, OpensItsTargetAndLightsUpUnderTheMouse) {
    TFormAboutBox& box = Show(false);
    QLabel* label = box.*GetParam().Label;
    const bool link = GetParam().Target != nullptr;
    EXPECT_EQ(label->cursor().shape(), link ? Qt::PointingHandCursor : Qt::ArrowCursor);

    const QColor before = TextColor(label);
    MouseEnter(label);
    EXPECT_EQ(TextColor(label), link ? Yellow : before);
    MouseLeave(label);
    EXPECT_EQ(TextColor(label), before);

    Click(label);
    EXPECT_EQ(Opened, link ? std::vector<QString>{GetParam().Target(About)} : std::vector<QString>{});
}

INSTANTIATE_TEST_SUITE_P(
    Labels, FormAboutLinkTest,
    ::testing::Values(TLinkCase{"HomePage", &TFormAboutBox::LabelHomePage,
                                [](const TFormAbout& about) { return about.HomePage; }},
                      TLinkCase{"Email", &TFormAboutBox::LabelEmail,
                                [](const TFormAbout& about) {
                                    return QStringLiteral("mailto:") + about.Email +
                                           QStringLiteral("?subject=Orvalis Viewer 1.2.3.40&body=");
                                }},
                      TLinkCase{"CreditLine1", &TFormAboutBox::LabelAdditional1, nullptr},
                      TLinkCase{"CreditLine2", &TFormAboutBox::LabelAdditional2, nullptr},
                      TLinkCase{"CreditLine3", &TFormAboutBox::LabelAdditional3,
                                [](const TFormAbout& about) { return about.AdditionalURL3; }},
                      TLinkCase{"Version", &TFormAboutBox::LabelVersion, nullptr}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FormAboutTest, ThisProgramLinksItsHomePageMailAndTheBrowserLibrarysPage) {
    EXPECT_TRUE(About.HomePage.startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(About.AdditionalURL3.startsWith(QStringLiteral("https://")));
    EXPECT_NE(About.AdditionalURL3, About.HomePage);
    EXPECT_TRUE(About.Email.contains(QLatin1Char('@')));
    EXPECT_TRUE(About.AdditionalURL1.isEmpty());
    EXPECT_TRUE(About.AdditionalURL2.isEmpty());
}

TEST_F(FormAboutTest, ACreditLineIsALinkOnlyWhileItHasAURL) {
    About.AdditionalURL1 = QStringLiteral("https://www.quenmark.com/credits");
    TFormAboutBox& box = Show(false);
    Click(box.LabelAdditional1);
    EXPECT_EQ(box.LabelAdditional1->cursor().shape(), Qt::PointingHandCursor);

    // Taken away again: the next showing leaves the line without cursor and handlers.
    About.CloseBox();
    About.AdditionalURL1.clear();
    About.ShowBox(false);
    Click(box.LabelAdditional1);
    MouseEnter(box.LabelAdditional1);
    EXPECT_EQ(TextColor(box.LabelAdditional1), Silver);
    EXPECT_EQ(box.LabelAdditional1->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(Opened, std::vector<QString>{QStringLiteral("https://www.quenmark.com/credits")});
}

TEST_F(FormAboutTest, AClickOnlyCountsWhenTheButtonComesUpOverTheLink) {
    TFormAboutBox& box = Show(false);
    const QPointF inside(2, 2);
    const QPointF outside(box.LabelHomePage->width() + 5, 2);
    QMouseEvent press(QEvent::MouseButtonPress, inside, box.LabelHomePage->mapToGlobal(inside),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box.LabelHomePage, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, outside, box.LabelHomePage->mapToGlobal(outside),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box.LabelHomePage, &release);
    EXPECT_TRUE(Opened.empty());
}

TEST_F(FormAboutTest, OnOpenURLSeesTheTargetAndCanKeepItClosed) {
    std::vector<QString> asked;
    About.OnOpenURL = [&](const QString& target) {
        asked.push_back(target);
        return target != About.HomePage;
    };
    TFormAboutBox& box = Show(false);
    Click(box.LabelHomePage);
    Click(box.LabelAdditional3);
    EXPECT_EQ(asked, (std::vector<QString>{About.HomePage, About.AdditionalURL3}));
    EXPECT_EQ(Opened, std::vector<QString>{About.AdditionalURL3});
}

TEST_F(FormAboutTest, ALinkThatCannotBeOpenedFailsSilently) {
    SetUrlOpener([](const QString&) { return false; });
    TFormAboutBox& box = Show(false);
    Click(box.LabelHomePage);
    EXPECT_TRUE(box.isVisible());
}

// ---------------------------------------------------------------------------------------------------
// Showing and closing

struct TCloseCase {
    const char* Name;
    bool AlphaBlendedClose;
    std::function<void(TFormAboutBox&)> Closer;
    int Result;
    int FinalAlpha;
};

class FormAboutCloseTest : public FormAboutTest, public ::testing::WithParamInterface<TCloseCase> {};

TEST_P(FormAboutCloseTest, ClosingEndsTheModalShowingWithItsResult) {
    About.AlphaBlendedClose = GetParam().AlphaBlendedClose;
    int alphaWhileShown = 0;
    const int result = ShowModal(false, [&](TFormAboutBox& box) {
        alphaWhileShown = box.AlphaBlendValue();
        MouseEnter(box.LabelEmail);
        GetParam().Closer(box);
    });
    EXPECT_EQ(result, GetParam().Result);
    EXPECT_EQ(alphaWhileShown, 255);

    TFormAboutBox& box = *About.Box();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.AlphaBlendValue(), GetParam().FinalAlpha);
    EXPECT_NEAR(box.windowOpacity(), GetParam().FinalAlpha / 255.0, 0.01);
    EXPECT_FALSE(box.TimerFader->isActive());
    EXPECT_EQ(TextColor(box.LabelEmail), Silver);
}

INSTANTIATE_TEST_SUITE_P(
    Closers, FormAboutCloseTest,
    ::testing::Values(
        TCloseCase{"OkFadesOut", true, [](TFormAboutBox& box) { box.ButtonOk2->click(); }, ModalResultOk, 15},
        TCloseCase{"OkWithoutFading", false, [](TFormAboutBox& box) { box.ButtonOk2->click(); },
                   ModalResultOk, 255},
        TCloseCase{"SystemClose", true, [](TFormAboutBox& box) { box.close(); }, ModalResultCancel, 15}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FormAboutTest, DeclineEndsTheModalShowingWithNoAndTellsTheOwner) {
    About.LicenseText = QStringList{QStringLiteral("Terms")};
    int declined = 0;
    About.OnDecline = [&] { ++declined; };
    const int result = ShowModal(false, [](TFormAboutBox& box) { box.ButtonDecline->click(); });
    EXPECT_EQ(result, ModalResultNo);
    EXPECT_EQ(declined, 1);
}

TEST_F(FormAboutTest, ASecondModalShowingFailsQuietlyWhileTheFirstGoesOn) {
    int inner = -1;
    bool stillShown = false;
    const int outer = ShowModal(false, [&](TFormAboutBox& box) {
        inner = About.ShowModalBox(false);
        stillShown = box.isVisible();
        box.ButtonOk2->click();
    });
    EXPECT_EQ(inner, 0);
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(outer, ModalResultOk);
}

TEST_F(FormAboutTest, AboutWhileTheSplashIsShownFailsAndTurnsTheSplashIntoTheAboutBox) {
    TFormAboutBox& splash = Show(true);
    EXPECT_FALSE(splash.ButtonOk2->isVisible());

    EXPECT_EQ(About.ShowModalBox(false), 0);
    EXPECT_TRUE(splash.isVisible());
    EXPECT_TRUE(splash.ButtonOk2->isVisible());
    EXPECT_EQ(splash.windowModality(), Qt::NonModal);

    // The splash timer still closes it.
    About.CloseBox();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(splash.AlphaBlendValue(), 15);
}

TEST_F(FormAboutTest, TheSplashTurnedAboutBoxClosesWithItsOkButton) {
    TFormAboutBox& box = Show(true);
    About.ShowModalBox(false);
    box.ButtonOk2->click();
    EXPECT_FALSE(box.isVisible());
}

TEST_F(FormAboutTest, TheBoxIsReusedAndEachShowingStartsOpaque) {
    EXPECT_EQ(About.Box(), nullptr);
    About.CloseBox();  // nothing to close yet
    TFormAboutBox& box = Show(true);
    About.CloseBox();
    ASSERT_EQ(box.AlphaBlendValue(), 15);

    const int result = ShowModal(false, [&](TFormAboutBox& shown) {
        EXPECT_EQ(&shown, &box);
        EXPECT_EQ(shown.AlphaBlendValue(), 255);
        EXPECT_DOUBLE_EQ(shown.windowOpacity(), 1.0);
        EXPECT_EQ(shown.windowModality(), Qt::ApplicationModal);
        shown.ButtonOk2->click();
    });
    EXPECT_EQ(result, ModalResultOk);
}

TEST_F(FormAboutTest, ClosingTheBoxNeverEndsTheProgram) {
    TFormAboutBox& box = Show(true);
    EXPECT_FALSE(box.testAttribute(Qt::WA_QuitOnClose));
}

}  // namespace
