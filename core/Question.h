#pragma once

#include <QString>

#include <functional>

class QWidget;

// Asks a question with the buttons Yes and No in an information message box; true for Yes. Tests
// answer instead through SetQuestionAnswerer (an empty function restores the message box).
bool AskYesNo(QWidget* parent, const QString& question);
void SetQuestionAnswerer(std::function<bool(const QString&)> answerer);
