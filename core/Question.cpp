#include "Question.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <utility>

namespace {

std::function<bool(const QString&)>& Answerer() {
    static std::function<bool(const QString&)> answerer;
    return answerer;
}

std::function<void(const QString&)>& InformationSink() {
    static std::function<void(const QString&)> sink;
    return sink;
}

}  // namespace

bool AskYesNo(QWidget* parent, const QString& question) {
    return AskYesNo(parent, question, QGuiApplication::applicationDisplayName());
}

bool AskYesNo(QWidget* parent, const QString& question, const QString& caption) {
    if (const auto& answerer = Answerer()) {
        return answerer(question);
    }
    return QMessageBox::information(parent, caption, question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void SetQuestionAnswerer(std::function<bool(const QString&)> answerer) {
    Answerer() = std::move(answerer);
}

void ShowInformation(QWidget* parent, const QString& text) {
    if (const auto& sink = InformationSink()) {
        sink(text);
        return;
    }
    QMessageBox::information(parent, QStringLiteral("Information"), text, QMessageBox::Ok);
}

void SetInformationSink(std::function<void(const QString&)> sink) {
    InformationSink() = std::move(sink);
}
