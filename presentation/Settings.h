#pragma once

#include <QDialog>

#include "SettingsValues.h"
#include "WatermarkFontDialog.h"
#include "monitors/MonitorIdentity.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class TMonitorIdentification;
class TMonitorWatch;
class TRadioButton;
class TSpinEdit;

// The settings dialog: the editor and the live store of every presentation setting. Its values are
// the ones in force from start-up to exit; the rest of the program reads them through Values().
// OK saves and closes, Cancel (and Escape) reloads from the settings file and closes, closing it any
// other way keeps the edits in force without saving them. The display list follows the monitors there
// now: it is made again whenever they change and whenever the dialog is shown, and its selection stays
// with the monitor it named.
class TFormSettings : public QDialog {
    Q_OBJECT
public:
    // Takes the main window's icon, builds the display list and loads the settings.
    explicit TFormSettings(QWidget* mainWindow);

    const TSettingsValues& Values() const { return Current; }

    void LoadSettings();
    void SaveSettings();
    // Makes the display list from the monitors there now and selects the entry the display choice names.
    void FillDisplayList();
    void UpdateSlideshowControls();
    void UpdateWatermarkControls();

    void ButtonOKClick();
    void ButtonCancelClick();
    void ButtonWatermarkFontClick();
    // Shows every monitor its number and name for a few seconds.
    void ButtonIdentifyClick();

    // How "Font..." asks for a font (the font dialog unless replaced).
    TWatermarkFontChooser FontDialogWatermark = &TWatermarkFontDialog::Choose;

    QGroupBox* GroupBoxSettings = nullptr;
    QGroupBox* GroupBoxJPEGCompression = nullptr;
    TRadioButton* RadioButtonSlideShowAutomaticAdvance = nullptr;
    QLabel* LabelSlideshowInterval = nullptr;
    TSpinEdit* SpinEditSlideshowInterval = nullptr;
    QLabel* LabelSeconds = nullptr;
    TRadioButton* RadioButtonSlideshowManualAdvance = nullptr;
    QLabel* LabelUseDisplay = nullptr;
    QComboBox* ComboBoxDisplay = nullptr;
    QPushButton* ButtonIdentify = nullptr;
    QCheckBox* CheckBoxShowPresenterView = nullptr;
    TMonitorIdentification* Identification = nullptr;
    QGroupBox* GroupBoxWatermarking = nullptr;
    QCheckBox* CheckBoxUseWatermarking = nullptr;
    QLabel* LabelFontSelect = nullptr;
    QPushButton* ButtonWatermarkFont = nullptr;
    QCheckBox* CheckBoxWatermarkShadow = nullptr;
    QLabel* LabelXOffset = nullptr;
    TSpinEdit* SpinEditWatermarkXOffset = nullptr;
    QLabel* LabelMultiplier = nullptr;
    TSpinEdit* SpinEditFontSizeMultiplier = nullptr;
    QLabel* LabelYOffset = nullptr;
    TSpinEdit* SpinEditWatermarkYOffset = nullptr;
    QLabel* LabelWatermarkPosition = nullptr;
    QComboBox* ComboBoxWatermarkPosition = nullptr;
    QLabel* LabelFileNameIDStart = nullptr;
    TSpinEdit* SpinEditTextOffsetStart = nullptr;
    QLabel* LabelFileNameIDLength = nullptr;
    TSpinEdit* SpinEditTextLength = nullptr;
    QLabel* LabelCharacters = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;

protected:
    // Escape abandons the edits as Cancel does.
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CreateControls();
    void ConnectControls();
    // Puts the values into the controls without echoing them back.
    void ShowValues();

    void FillDisplayList(const QList<TMonitorInfo>& monitors);

    TSettingsValues Current;
    QList<TMonitorInfo> DisplayMonitors;  // the monitors of the display list's entries, in its order
    TMonitorWatch* Monitors = nullptr;
};

extern TFormSettings* FormSettings;
