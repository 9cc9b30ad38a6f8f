#include "Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ErrorBoundary.h"
#include "FileUtils.h"
#include "IniFile.h"
#include "SettingsControls.h"
#include "SpecialFolders.h"
#include "monitors/IdentifyMonitors.h"
#include "monitors/MonitorWatch.h"

TFormSettings* FormSettings = nullptr;

namespace {

template <class T>
T* Named(T* control, const char* name) {
    control->setObjectName(QLatin1String(name));
    return control;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption) {
    return Named(new QLabel(caption, parent), name);
}

TSpinEdit* NewSpinEdit(QWidget* parent, const char* name, const TSpinRange& range) {
    return Named(new TSpinEdit(range.Minimum, range.Maximum, parent), name);
}

// Neither button answers Enter.
QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = Named(new QPushButton(caption, parent), name);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

TFormSettings::TFormSettings(QWidget* mainWindow) : QDialog(mainWindow) {
    CreateControls();
    ConnectControls();
    // Start-up order: the main window's icon, the display list, the settings, the enabled states.
    if (mainWindow != nullptr) {
        setWindowIcon(mainWindow->windowIcon());
    }
    FillDisplayList();
    LoadSettings();
    UpdateSlideshowControls();
    UpdateWatermarkControls();
}

void TFormSettings::CreateControls() {
    setObjectName(QStringLiteral("FormSettings"));
    setWindowTitle(QStringLiteral("Settings — Orvalis"));

    GroupBoxSettings = Named(new QGroupBox(QStringLiteral(" Settings: "), this), "GroupBoxSettings");

    GroupBoxJPEGCompression =
        Named(new QGroupBox(QStringLiteral(" Slide show: "), GroupBoxSettings), "GroupBoxJPEGCompression");
    QWidget* show = GroupBoxJPEGCompression;
    RadioButtonSlideShowAutomaticAdvance = Named(new TRadioButton(QStringLiteral("Automatic advance"), show),
                                                 "RadioButtonSlideShowAutomaticAdvance");
    LabelSlideshowInterval = NewLabel(show, "LabelSlideshowInterval", QStringLiteral("Slide show interval:"));
    SpinEditSlideshowInterval = NewSpinEdit(show, "SpinEditSlideshowInterval", SlideshowIntervalRange);
    LabelSeconds = NewLabel(show, "LabelSeconds", QStringLiteral("seconds"));
    RadioButtonSlideshowManualAdvance =
        Named(new TRadioButton(
                  QStringLiteral("Manual advance (use the navigation buttons on the main window)"), show),
              "RadioButtonSlideshowManualAdvance");
    LabelUseDisplay = NewLabel(show, "LabelUseDisplay",
                               QStringLiteral("Select a display to use for secondary display slide show:"));
    LabelUseDisplay->setWordWrap(true);
    ComboBoxDisplay = Named(new QComboBox(show), "ComboBoxDisplay");
    ComboBoxDisplay->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ButtonIdentify = NewButton(show, "ButtonIdentify", QStringLiteral("Identify"));
    ButtonIdentify->setToolTip(QStringLiteral("Show each monitor's number and name on it."));
    Identification = new TMonitorIdentification(this);
    Monitors = new TMonitorWatch(this);
    CheckBoxShowPresenterView =
        Named(new QCheckBox(QStringLiteral("Show the presenter view"), show), "CheckBoxShowPresenterView");
    CheckBoxShowPresenterView->setToolTip(QStringLiteral(
        "During a show on another monitor, show what the audience sees, what comes next and the "
        "show's controls on the operator's monitor."));

    auto* showGrid = new QGridLayout(show);
    showGrid->addWidget(RadioButtonSlideShowAutomaticAdvance, 0, 0);
    showGrid->addWidget(LabelSlideshowInterval, 0, 1);
    showGrid->addWidget(SpinEditSlideshowInterval, 0, 2);
    showGrid->addWidget(LabelSeconds, 0, 3);
    showGrid->addWidget(RadioButtonSlideshowManualAdvance, 1, 0, 1, 4);
    showGrid->addWidget(LabelUseDisplay, 2, 0);
    showGrid->addWidget(ComboBoxDisplay, 2, 1, 1, 2);
    showGrid->addWidget(ButtonIdentify, 2, 3);
    showGrid->addWidget(CheckBoxShowPresenterView, 3, 0, 1, 4);
    showGrid->setColumnStretch(4, 1);

    GroupBoxWatermarking =
        Named(new QGroupBox(QStringLiteral(" Watermarking: "), GroupBoxSettings), "GroupBoxWatermarking");
    QWidget* mark = GroupBoxWatermarking;
    CheckBoxUseWatermarking =
        Named(new QCheckBox(QStringLiteral("Use watermarking"), mark), "CheckBoxUseWatermarking");
    LabelFontSelect = NewLabel(mark, "LabelFontSelect", QStringLiteral("Select:"));
    LabelFontSelect->setToolTip(QStringLiteral("Specify font for the watermark."));
    ButtonWatermarkFont = NewButton(mark, "ButtonWatermarkFont", QStringLiteral("Font..."));
    ButtonWatermarkFont->setToolTip(QStringLiteral("Select a font used for text watermarking the images."));
    CheckBoxWatermarkShadow = Named(new QCheckBox(QStringLiteral("Shadow"), mark), "CheckBoxWatermarkShadow");
    CheckBoxWatermarkShadow->setToolTip(QStringLiteral("Apply shadow below the watermark text."));
    LabelXOffset = NewLabel(mark, "LabelXOffset", QStringLiteral("X Offset:"));
    SpinEditWatermarkXOffset = NewSpinEdit(mark, "SpinEditWatermarkXOffset", WatermarkOffsetRange);
    LabelMultiplier = NewLabel(mark, "LabelMultiplier", QStringLiteral("Size multiplier:"));
    SpinEditFontSizeMultiplier = NewSpinEdit(mark, "SpinEditFontSizeMultiplier", FontSizeMultiplierRange);
    LabelYOffset = NewLabel(mark, "LabelYOffset", QStringLiteral("Y Offset:"));
    SpinEditWatermarkYOffset = NewSpinEdit(mark, "SpinEditWatermarkYOffset", WatermarkOffsetRange);
    const QString positionHint = QStringLiteral("Specify the position where to put the watermark.");
    LabelWatermarkPosition = NewLabel(mark, "LabelWatermarkPosition", QStringLiteral("Position:"));
    LabelWatermarkPosition->setToolTip(positionHint);
    ComboBoxWatermarkPosition = Named(new QComboBox(mark), "ComboBoxWatermarkPosition");
    ComboBoxWatermarkPosition->addItems({QStringLiteral("Top Left"), QStringLiteral("Top Right"),
                                         QStringLiteral("Bottom Left"), QStringLiteral("Bottom Right")});
    ComboBoxWatermarkPosition->setToolTip(positionHint);
    LabelFileNameIDStart = NewLabel(mark, "LabelFileNameIDStart", QStringLiteral("File name ID start:"));
    SpinEditTextOffsetStart = NewSpinEdit(mark, "SpinEditTextOffsetStart", TextOffsetStartRange);
    LabelFileNameIDLength = NewLabel(mark, "LabelFileNameIDLength", QStringLiteral("Length:"));
    SpinEditTextLength = NewSpinEdit(mark, "SpinEditTextLength", TextLengthRange);
    LabelCharacters = NewLabel(mark, "LabelCharacters", QStringLiteral("characters"));

    auto* markGrid = new QGridLayout(mark);
    markGrid->addWidget(CheckBoxUseWatermarking, 0, 0, 1, 3);
    markGrid->addWidget(LabelFontSelect, 1, 0);
    markGrid->addWidget(ButtonWatermarkFont, 1, 1);
    markGrid->addWidget(CheckBoxWatermarkShadow, 1, 2);
    markGrid->addWidget(LabelXOffset, 1, 4);
    markGrid->addWidget(SpinEditWatermarkXOffset, 1, 5);
    markGrid->addWidget(LabelMultiplier, 2, 0);
    markGrid->addWidget(SpinEditFontSizeMultiplier, 2, 1);
    markGrid->addWidget(LabelYOffset, 2, 4);
    markGrid->addWidget(SpinEditWatermarkYOffset, 2, 5);
    markGrid->addWidget(LabelWatermarkPosition, 3, 0);
    markGrid->addWidget(ComboBoxWatermarkPosition, 3, 1, 1, 2);
    markGrid->addWidget(LabelFileNameIDStart, 4, 0);
    markGrid->addWidget(SpinEditTextOffsetStart, 4, 1);
    markGrid->addWidget(LabelFileNameIDLength, 4, 2, Qt::AlignRight);
    markGrid->addWidget(SpinEditTextLength, 4, 3);
    markGrid->addWidget(LabelCharacters, 4, 4);
    markGrid->setColumnStretch(3, 1);

    auto* settingsColumn = new QVBoxLayout(GroupBoxSettings);
    settingsColumn->addWidget(GroupBoxJPEGCompression);
    settingsColumn->addWidget(GroupBoxWatermarking);

    ButtonOK = NewButton(this, "ButtonOK", QStringLiteral("OK"));
    ButtonCancel = NewButton(this, "ButtonCancel", QStringLiteral("Cancel"));
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(ButtonOK);
    buttonRow->addWidget(ButtonCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBoxSettings);
    layout->addLayout(buttonRow);
    // A fixed-size dialog, sized by its contents at whatever font size.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormSettings::ConnectControls() {
    // The controls write every change straight into the values in force.
    const auto spin = [this](TSpinEdit* field, int TSettingsValues::*value) {
        connect(field, &QSpinBox::valueChanged, this, [this, value](int v) { Current.*value = v; });
    };
    spin(SpinEditSlideshowInterval, &TSettingsValues::SlideshowInterval);
    spin(SpinEditWatermarkXOffset, &TSettingsValues::WatermarkXOffset);
    spin(SpinEditWatermarkYOffset, &TSettingsValues::WatermarkYOffset);
    spin(SpinEditTextOffsetStart, &TSettingsValues::TextOffsetStart);
    spin(SpinEditTextLength, &TSettingsValues::TextLength);
    spin(SpinEditFontSizeMultiplier, &TSettingsValues::FontSizeMultiplier);
    connect(ComboBoxDisplay, &QComboBox::currentIndexChanged, this,
            [this](int index) { PickDisplayEntry(Current, index, DisplayMonitors); });
    // Windows of the identification would be moved by the system from a monitor that goes away.
    connect(Monitors, &TMonitorWatch::MonitorsChanged, this, [this](const QList<TMonitorInfo>& monitors) {
        SwallowErrors([&] {
            Identification->Close();
            FillDisplayList(monitors);
        });
    });
    connect(ComboBoxWatermarkPosition, &QComboBox::currentIndexChanged, this,
            [this](int index) { Current.WatermarkPosition = index; });
    connect(CheckBoxWatermarkShadow, &QCheckBox::toggled, this,
            [this](bool on) { Current.WatermarkShadow = on; });
    connect(CheckBoxShowPresenterView, &QCheckBox::toggled, this,
            [this](bool on) { Current.ShowPresenterView = on; });
    connect(CheckBoxUseWatermarking, &QCheckBox::toggled, this, [this](bool on) {
        Current.UseWatermarking = on;
        UpdateWatermarkControls();
    });

    // The advance pair: checking one clears the other.
    const auto advance = [this](TRadioButton* button, TRadioButton* partner, bool TSettingsValues::*value) {
        connect(button, &QRadioButton::toggled, this, [this, partner, value](bool on) {
            Current.*value = on;
            if (on) {
                partner->setChecked(false);
            }
            UpdateSlideshowControls();
        });
    };
    advance(RadioButtonSlideShowAutomaticAdvance, RadioButtonSlideshowManualAdvance,
            &TSettingsValues::AutomaticAdvance);
    advance(RadioButtonSlideshowManualAdvance, RadioButtonSlideShowAutomaticAdvance,
            &TSettingsValues::ManualAdvance);

    connect(ButtonOK, &QPushButton::clicked, this, [this] { ReportErrors(this, [&] { ButtonOKClick(); }); });
    connect(ButtonCancel, &QPushButton::clicked, this,
            [this] { ReportErrors(this, [&] { ButtonCancelClick(); }); });
    connect(ButtonWatermarkFont, &QPushButton::clicked, this,
            [this] { ReportErrors(this, [&] { ButtonWatermarkFontClick(); }); });
    connect(ButtonIdentify, &QPushButton::clicked, this,
            [this] { ReportErrors(this, [&] { ButtonIdentifyClick(); }); });
}

void TFormSettings::FillDisplayList() {
    FillDisplayList(TMonitorWatch::Monitors());
}

void TFormSettings::FillDisplayList(const QList<TMonitorInfo>& monitors) {
    DisplayMonitors = monitors;
    const QSignalBlocker quiet(ComboBoxDisplay);
    ComboBoxDisplay->clear();
    ComboBoxDisplay->addItem(QStringLiteral("Auto detect"));
    for (int i = 0; i < DisplayMonitors.size(); ++i) {
        ComboBoxDisplay->addItem(MonitorLabel(i + 1, DisplayMonitors[i]));
    }
    FollowDisplayChoice(Current, DisplayMonitors);
    ComboBoxDisplay->setCurrentIndex(Current.Display);
}

void TFormSettings::LoadSettings() {
    const TIniFile file(SettingsFilePath());
    LoadSettingsValues(file, Current, DisplayMonitors);
    ShowValues();
}

void TFormSettings::SaveSettings() {
    const QString path = SettingsFilePath();
    CreateEmptyUnicodeFile(path);
    TIniFile file(path);
    SaveSettingsValues(file, Current);
    file.Save();
}

void TFormSettings::ShowValues() {
    const auto show = [](auto* control, auto&& set) {
        const QSignalBlocker quiet(control);
        set(control);
    };
    show(SpinEditSlideshowInterval, [&](TSpinEdit* c) { c->setValue(Current.SlideshowInterval); });
    show(ComboBoxDisplay, [&](QComboBox* c) { c->setCurrentIndex(Current.Display); });
    show(ComboBoxWatermarkPosition, [&](QComboBox* c) { c->setCurrentIndex(Current.WatermarkPosition); });
    show(CheckBoxWatermarkShadow, [&](QCheckBox* c) { c->setChecked(Current.WatermarkShadow); });
    show(SpinEditWatermarkXOffset, [&](TSpinEdit* c) { c->setValue(Current.WatermarkXOffset); });
    show(SpinEditWatermarkYOffset, [&](TSpinEdit* c) { c->setValue(Current.WatermarkYOffset); });
    show(SpinEditTextOffsetStart, [&](TSpinEdit* c) { c->setValue(Current.TextOffsetStart); });
    show(SpinEditTextLength, [&](TSpinEdit* c) { c->setValue(Current.TextLength); });
    show(SpinEditFontSizeMultiplier, [&](TSpinEdit* c) { c->setValue(Current.FontSizeMultiplier); });
    show(CheckBoxUseWatermarking, [&](QCheckBox* c) { c->setChecked(Current.UseWatermarking); });
    show(RadioButtonSlideShowAutomaticAdvance,
         [&](TRadioButton* c) { c->setChecked(Current.AutomaticAdvance); });
    show(RadioButtonSlideshowManualAdvance, [&](TRadioButton* c) { c->setChecked(Current.ManualAdvance); });
    show(CheckBoxShowPresenterView, [&](QCheckBox* c) { c->setChecked(Current.ShowPresenterView); });
    // Reloaded values may change what is enabled.
    UpdateSlideshowControls();
    UpdateWatermarkControls();
}

void TFormSettings::UpdateSlideshowControls() {
    const bool automatic = RadioButtonSlideShowAutomaticAdvance->isChecked();
    for (QWidget* control :
         {static_cast<QWidget*>(LabelSlideshowInterval), static_cast<QWidget*>(SpinEditSlideshowInterval),
          static_cast<QWidget*>(LabelSeconds)}) {
        control->setEnabled(automatic);
    }
}

void TFormSettings::UpdateWatermarkControls() {
    const bool on = CheckBoxUseWatermarking->isChecked();
    const QList<QWidget*> controls = {
        LabelFontSelect,          ButtonWatermarkFont,    CheckBoxWatermarkShadow,    LabelXOffset,
        SpinEditWatermarkXOffset, LabelMultiplier,        SpinEditFontSizeMultiplier, LabelYOffset,
        SpinEditWatermarkYOffset, LabelWatermarkPosition, ComboBoxWatermarkPosition,  LabelFileNameIDStart,
        SpinEditTextOffsetStart,  LabelFileNameIDLength,  SpinEditTextLength};
    for (QWidget* control : controls) {
        control->setEnabled(on);
    }
}

void TFormSettings::ButtonOKClick() {
    // A failed save raises before the dialog closes, so it stays open with the edits.
    SaveSettings();
    accept();
}

void TFormSettings::ButtonCancelClick() {
    LoadSettings();
    reject();
}

void TFormSettings::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        ReportErrors(this, [&] { ButtonCancelClick(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormSettings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    SwallowErrors([&] { FillDisplayList(); });
}

// The identification ends with the dialog.
void TFormSettings::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    SwallowErrors([&] { Identification->Close(); });
}

void TFormSettings::ButtonIdentifyClick() {
    Identification->Show();
}

void TFormSettings::ButtonWatermarkFontClick() {
    if (const std::optional<TWatermarkFont> chosen = FontDialogWatermark(this, Current.WatermarkFont)) {
        Current.WatermarkFont = *chosen;
    }
}
