#pragma once

#include <QString>

#include <functional>

class QWidget;

// Asks a question with the buttons Yes and No in an information message box; true for Yes. Tests
// answer instead through SetQuestionAnswerer (an empty function restores the message box).
bool AskYesNo(QWidget* parent, const QString& question);
void SetQuestionAnswerer(std::function<bool(const QString&)> answerer);

// The same question under a caption of the caller's choosing instead of the application's name.
bool AskYesNo(QWidget* parent, const QString& question, const QString& caption);

// Tells the operator something in an information message box captioned "Information" with the single
// button OK. Tests receive the text instead through SetInformationSink (an empty function restores the
// message box).
void ShowInformation(QWidget* parent, const QString& text);
void SetInformationSink(std::function<void(const QString&)> sink);
