#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QEventLoop;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TFormAboutBox;

// The results of a modal showing of the about box; the values are the system's dialog results. 0 means
// that the box was not shown at all.
enum TModalResult : int { ModalResultNone = 0, ModalResultOk = 1, ModalResultCancel = 2, ModalResultNo = 7 };

// Colours as the 32-bit colour value the fader counts in: red in the low byte, green in the second, blue
// in the third.
int ColorValue(const QColor& colour);
QColor ColorFromValue(int value);
// One fader step of a label's colour value: below `linksColor` (compared as signed integers) it rises by
// 1A1A1A hexadecimal, 26 on each byte with the carries running into the next byte; otherwise it stays.
int FadeColorValue(int value, int linksColor);

// The about box component: holds the texts, colours and logo the box shows and creates the box
// (TFormAboutBox) on first use. The box is the start-up splash (no buttons, closed by the main window's
// timer) and the answer to "About..." (modal, with "OK").
class TFormAbout : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString ProgramName MEMBER ProgramName)
    Q_PROPERTY(QString Copyright MEMBER Copyright)
    Q_PROPERTY(QString HomePage MEMBER HomePage)
    Q_PROPERTY(QString Email MEMBER Email)
    Q_PROPERTY(QString AdditionalLine1 MEMBER AdditionalLine1)
    Q_PROPERTY(QString AdditionalLine2 MEMBER AdditionalLine2)
    Q_PROPERTY(QString AdditionalLine3 MEMBER AdditionalLine3)
    Q_PROPERTY(QString AdditionalURL1 MEMBER AdditionalURL1)
    Q_PROPERTY(QString AdditionalURL2 MEMBER AdditionalURL2)
    Q_PROPERTY(QString AdditionalURL3 MEMBER AdditionalURL3)
    Q_PROPERTY(bool AlphaBlendedClose MEMBER AlphaBlendedClose)
    Q_PROPERTY(int MonitorNo MEMBER MonitorNo)
    Q_PROPERTY(QFont FontProgramName MEMBER FontProgramName)
    Q_PROPERTY(QColor FontProgramNameColor MEMBER FontProgramNameColor)
    Q_PROPERTY(QColor FontLinksColor MEMBER FontLinksColor)
    Q_PROPERTY(QColor FontLinksColorHot MEMBER FontLinksColorHot)
    Q_PROPERTY(QColor FontVersionColor MEMBER FontVersionColor)
    Q_PROPERTY(QImage Logo400x150 MEMBER Logo400x150)
    Q_PROPERTY(QStringList LicenseText MEMBER LicenseText)
    Q_PROPERTY(bool DisplayProgramName MEMBER DisplayProgramName)
    Q_PROPERTY(bool DisplayDeclineButton MEMBER DisplayDeclineButton)
    Q_PROPERTY(QString URLVersionFile MEMBER URLVersionFile)
    Q_PROPERTY(QString URLDownload MEMBER URLDownload)
public:
    // With the component's defaults: empty texts, no logo, silver Verdana 14 point bold for the name.
    explicit TFormAbout(QObject* parent = nullptr);
    ~TFormAbout() override;

    // Sets the texts, colours and logo that Orvalis shows.
    void AssignProgramValues();

    // Puts the box into splash mode (splash true) or about mode and shows it modally; returns the modal
    // result (a TModalResult), or 0 when anything fails, for instance when the box is already on
    // screen (it then stays there, in the mode asked for).
    int ShowModalBox(bool splash);
    // The same, without waiting; failures are swallowed.
    void ShowBox(bool splash);
    // Closes the box (fading it out) when there is one.
    void CloseBox();

    // The box, or nullptr before its first showing.
    TFormAboutBox* Box() const { return AboutBox.get(); }

    QString ProgramName;  // empty shows the executable's file description
    QString Copyright;
    QString HomePage;  // text and target of the home-page link
    QString Email;     // text and address of the e-mail link
    QString AdditionalLine1;
    QString AdditionalLine2;
    QString AdditionalLine3;
    QString AdditionalURL1;  // a credit line without a URL is plain text
    QString AdditionalURL2;
    QString AdditionalURL3;
    bool AlphaBlendedClose = true;
    int MonitorNo = 0;  // 1 and up: the screen of that number; 0 (or none such): the primary screen
    QFont FontProgramName;
    QColor FontProgramNameColor;  // a font here carries no colour of its own
    QColor FontLinksColor;
    QColor FontLinksColorHot;
    QColor FontVersionColor;
    QImage Logo400x150;  // none leaves the logo area grey
    QStringList LicenseText;
    bool DisplayProgramName = true;
    bool DisplayDeclineButton = true;
    QString URLVersionFile;  // kept, not used by the box
    QString URLDownload;     // kept, not used by the box

    // Called before a link is opened with the target; false keeps it closed.
    std::function<bool(const QString& target)> OnOpenURL;
    // Called when "Decline" is pressed.
    std::function<void()> OnDecline;
    // Kept for the component's users; the box never calls it.
    std::function<void()> OnOKClick;

private:
    // The box (created on first use) put into splash mode or about mode.
    TFormAboutBox& BoxInMode(bool splash);

    std::unique_ptr<TFormAboutBox> AboutBox;
};

// The about window: the logo with the program's name, version, copyright, links and credit lines drawn
// over it, an "OK" button in about mode, and the agreement panel below when there is agreement text.
// Borderless, always on top and translucent; closing it fades it out.
class TFormAboutBox : public QWidget {
    Q_OBJECT
public:
    explicit TFormAboutBox(TFormAbout& owner);
    ~TFormAboutBox() override;

    // The two modes of a showing; both restart the fader.
    void SplashMode();
    void AboutMode();
    // Shows the window modally and returns the modal result; throws when it is already visible.
    int ShowModal();
    // Shows the window, or brings it to the front when it is already visible.
    void ShowNonModal();

    // The opacity in steps of 0 to 255 (alpha blending value); the window's opacity follows it.
    int AlphaBlendValue() const { return AlphaBlend; }
    int FadeCounter() const { return Fade; }

    void FormCreate();
    void FormShow();
    void FormCloseQuery(bool& canClose);
    void FormClose();
    void TimerFaderTimer();
    void LabelHomePageClick();
    void LabelEmailClick();
    void LabelAdditional1Click();
    void LabelAdditional2Click();
    void LabelAdditional3Click();
    // Shared by the home-page, e-mail and credit labels.
    void LabelAdditional1MouseEnter(QLabel* sender);
    void LabelAdditional1MouseLeave(QLabel* sender);
    // Both "OK" buttons.
    void LabelOKClick();
    void ButtonDeclineClick();

    QFrame* PanelContainer = nullptr;
    QFrame* PanelAbout = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* ImageLogo = nullptr;
    QLabel* LabelProgramNameShadow = nullptr;
    QLabel* LabelProgramName = nullptr;
    QLabel* LabelVersion = nullptr;
    QLabel* LabelCopyright = nullptr;
    QLabel* LabelHomePage = nullptr;
    QLabel* LabelEmail = nullptr;
    QLabel* LabelAdditional1 = nullptr;
    QLabel* LabelAdditional2 = nullptr;
    QLabel* LabelAdditional3 = nullptr;
    QPushButton* ButtonOk2 = nullptr;
    QFrame* PanelBotom = nullptr;
    QPlainTextEdit* MemoLicense = nullptr;
    QPushButton* ButtonDecline = nullptr;
    QPushButton* ButtonOk = nullptr;
    QTimer* TimerFader = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CreateControls();
    void SetAlphaBlendValue(int value);
    void SetClientHeight(int height);
    void StartFader();
    // Places a label's text with its right edge or its left edge at `x`.
    void PlaceRight(QLabel* label, int right, int top);
    void PlaceLeft(QLabel* label, int left, int top);
    void PlaceTextLabels();
    void Center();
    // The six labels the fader and the link colours work on, top to bottom.
    std::array<QLabel*, 6> TextLabels() const;
    // Whether a label currently reacts as a link (the home page and e-mail always do, a credit line only
    // with a URL).
    bool IsLink(QObject* label) const;
    void LinkClick(QObject* label);
    void OpenTarget(const QString& target);

    TFormAbout& Owner;
    std::array<bool, 3> CreditLinks{};  // credit lines 1 to 3 with a URL at the last showing
    int Fade = 0;
    int AlphaBlend = 255;
    int ModalResult = ModalResultNone;
    QEventLoop* ModalLoop = nullptr;
};
