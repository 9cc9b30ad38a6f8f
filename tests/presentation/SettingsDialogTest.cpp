#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ErrorBoundary.h"
#include "FileMaker.h"
#include "IniFile.h"
#include "Settings.h"
#include "SettingsControls.h"
#include "SpecialFolders.h"
#include "TempHome.h"

namespace {

QByteArray Utf16Le(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(testsupport::UserDataFolder()).removeRecursively();
        SetErrorReportSink([this](const QString& message) { Reports.append(message); });
    }
    void TearDown() override { SetErrorReportSink({}); }

    void Store(const QString& lines) { testsupport::MakeFile(SettingsFilePath(), Utf16Le(lines)); }
    QString Stored(const QString& section, const QString& key) {
        return TIniFile(SettingsFilePath()).ReadString(section, key, QStringLiteral("<none>"));
    }

    QStringList Reports;
};

TEST_F(SettingsDialogTest, FirstRunShowsTheDefaultsAndTheirEnabledStates) {
    Store(QString());
    TFormSettings dialog(nullptr);
    EXPECT_EQ(dialog.SpinEditSlideshowInterval->value(), 10);
    EXPECT_EQ(dialog.ComboBoxDisplay->currentText(), QStringLiteral("Auto detect"));
    EXPECT_EQ(dialog.ComboBoxDisplay->count(), 2);  // "Auto detect" and the one offscreen monitor
    EXPECT_EQ(dialog.ComboBoxWatermarkPosition->currentText(), QStringLiteral("Bottom Right"));
    EXPECT_TRUE(dialog.CheckBoxWatermarkShadow->isChecked());
    EXPECT_EQ(dialog.SpinEditTextOffsetStart->value(), 5);
    EXPECT_EQ(dialog.SpinEditTextLength->value(), 4);
    EXPECT_EQ(dialog.SpinEditFontSizeMultiplier->value(), 3);
    EXPECT_FALSE(dialog.CheckBoxUseWatermarking->isChecked());
    EXPECT_TRUE(dialog.RadioButtonSlideShowAutomaticAdvance->isChecked());
    EXPECT_FALSE(dialog.RadioButtonSlideshowManualAdvance->isChecked());
    EXPECT_EQ(dialog.Values(), TSettingsValues{});

    EXPECT_TRUE(dialog.SpinEditSlideshowInterval->isEnabled());
    EXPECT_TRUE(dialog.LabelSeconds->isEnabled());
    EXPECT_FALSE(dialog.ButtonWatermarkFont->isEnabled());
    EXPECT_FALSE(dialog.SpinEditTextLength->isEnabled());
    EXPECT_TRUE(dialog.CheckBoxUseWatermarking->isEnabled());
    EXPECT_TRUE(dialog.LabelCharacters->isEnabled());
}

TEST_F(SettingsDialogTest, TogglesEnableTheirControlsTogether) {
    Store(QString());
    TFormSettings dialog(nullptr);
    const QList<QWidget*> watermark = {dialog.LabelFontSelect,
                                       dialog.ButtonWatermarkFont,
                                       dialog.CheckBoxWatermarkShadow,
                                       dialog.LabelXOffset,
                                       dialog.SpinEditWatermarkXOffset,
                                       dialog.LabelMultiplier,
                                       dialog.SpinEditFontSizeMultiplier,
                                       dialog.LabelYOffset,
                                       dialog.SpinEditWatermarkYOffset,
                                       dialog.LabelWatermarkPosition,
                                       dialog.ComboBoxWatermarkPosition,
                                       dialog.LabelFileNameIDStart,
                                       dialog.SpinEditTextOffsetStart,
                                       dialog.LabelFileNameIDLength,
                                       dialog.SpinEditTextLength};
    for (const bool on : {true, false}) {
        dialog.CheckBoxUseWatermarking->click();
        EXPECT_EQ(dialog.Values().UseWatermarking, on);
        for (QWidget* control : watermark) {
            EXPECT_EQ(control->isEnabled(), on) << control->objectName().toStdString();
        }
    }

    dialog.RadioButtonSlideshowManualAdvance->click();
    EXPECT_FALSE(dialog.RadioButtonSlideShowAutomaticAdvance->isChecked());
    EXPECT_FALSE(dialog.SpinEditSlideshowInterval->isEnabled());
    EXPECT_FALSE(dialog.LabelSlideshowInterval->isEnabled());
    EXPECT_FALSE(dialog.LabelSeconds->isEnabled());
    dialog.RadioButtonSlideshowManualAdvance->click();  // clicking the checked button keeps it checked
    EXPECT_TRUE(dialog.Values().ManualAdvance);
    dialog.RadioButtonSlideShowAutomaticAdvance->click();
    EXPECT_TRUE(dialog.SpinEditSlideshowInterval->isEnabled());
    EXPECT_FALSE(dialog.Values().ManualAdvance);
}

TEST_F(SettingsDialogTest, CancelRestoresTheFileAndOkWritesTheEdits) {
    Store(QStringLiteral("[Settings]\r\nSlideshowInterval=30\r\nWatermarkFontName=Serif\r\n"));
    TFormSettings dialog(nullptr);
    dialog.FontDialogWatermark = [](QWidget*, const TWatermarkFont& font) {
        TWatermarkFont chosen = font;
        chosen.Name = QStringLiteral("Chosen");
        chosen.Size = 20;
        return std::optional<TWatermarkFont>(chosen);
    };
    dialog.show();
    dialog.SpinEditSlideshowInterval->setValue(99);
    dialog.CheckBoxUseWatermarking->click();
    dialog.ButtonWatermarkFont->click();
    EXPECT_EQ(dialog.Values().WatermarkFont.Name, QStringLiteral("Chosen"));

    dialog.ButtonCancel->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.SpinEditSlideshowInterval->value(), 30);
    EXPECT_EQ(dialog.Values().WatermarkFont.Name, QStringLiteral("Serif"));
    EXPECT_EQ(dialog.Values().WatermarkFont.Size, 8);

    dialog.show();
    dialog.SpinEditSlideshowInterval->setValue(45);
    dialog.ButtonOK->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Stored(QStringLiteral("Settings"), QStringLiteral("SlideshowInterval")), QStringLiteral("45"));
    EXPECT_TRUE(Reports.isEmpty());
}

// Escape from the dialog, wherever the focus is, abandons the edits: the file's values are in force
// again and nothing is written.
TEST_F(SettingsDialogTest, EscapeDoesWhatCancelDoes) {
    const QString stored =
        QStringLiteral("[Settings]\r\nSlideshowInterval=30\r\nCheckBoxUseWatermarking=0\r\n");
    Store(stored);
    TFormSettings dialog(nullptr);
    QTimer::singleShot(0, &dialog, [&] {
        dialog.SpinEditSlideshowInterval->setValue(99);
        dialog.CheckBoxUseWatermarking->click();
        dialog.SpinEditSlideshowInterval->setFocus();
        QTest::keyClick(dialog.SpinEditSlideshowInterval, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.SpinEditSlideshowInterval->value(), 30);
    EXPECT_EQ(dialog.Values().SlideshowInterval, 30);
    EXPECT_FALSE(dialog.Values().UseWatermarking);
    EXPECT_FALSE(dialog.ButtonWatermarkFont->isEnabled());
    EXPECT_EQ(testsupport::ReadBytes(SettingsFilePath()), Utf16Le(stored));
    EXPECT_TRUE(Reports.isEmpty());
}

TEST_F(SettingsDialogTest, ADisplayThatIsGoneIsWrittenBackAsNoEntry) {
    Store(QStringLiteral("[Display]\r\nUse=2\r\n"));
    TFormSettings dialog(nullptr);
    EXPECT_EQ(dialog.ComboBoxDisplay->currentIndex(), -1);
    dialog.ButtonOK->click();
    EXPECT_EQ(Stored(QStringLiteral("Display"), QStringLiteral("Use")), QStringLiteral("-1"));
}

TEST_F(SettingsDialogTest, AFailedSaveIsReportedAndTheDialogStaysOpen) {
    Store(QString());
    TFormSettings dialog(nullptr);
    dialog.show();
    QFile::remove(SettingsFilePath());
    QDir().mkpath(SettingsFilePath());  // a folder where the file should be
    dialog.ButtonOK->click();
    EXPECT_EQ(Reports.size(), 1);
    EXPECT_TRUE(dialog.isVisible());
    QDir(SettingsFilePath()).removeRecursively();
}

TEST_F(SettingsDialogTest, ClosingOtherwiseKeepsTheEditsInForce) {
    Store(QString());
    TFormSettings dialog(nullptr);
    dialog.show();
    dialog.SpinEditTextLength->setValue(7);
    dialog.close();
    EXPECT_EQ(dialog.Values().TextLength, 7);
    EXPECT_EQ(Stored(QStringLiteral("Settings"), QStringLiteral("SpinEditTextLength")),
              QStringLiteral("<none>"));
}

TEST_F(SettingsDialogTest, TypedValuesAreClampedAndNonNumbersReadAsTheMinimum) {
    Store(QString());
    TFormSettings dialog(nullptr);
    TSpinEdit& field = *dialog.SpinEditFontSizeMultiplier;
    QString text = QStringLiteral("abc");
    field.fixup(text);
    EXPECT_EQ(text, QStringLiteral("1"));
    text = QStringLiteral("25");
    field.fixup(text);
    EXPECT_EQ(text, QStringLiteral("10"));
}

}  // namespace
