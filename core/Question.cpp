#include "Question.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <utility>

namespace {

std::function<bool(const QString&)>& Answerer() {
    static std::function<bool(const QString&)> answerer;
    return answerer;
}

}  // namespace

bool AskYesNo(QWidget* parent, const QString& question) {
    if (const auto& answerer = Answerer()) {
        return answerer(question);
    }
    return QMessageBox::information(parent, QGuiApplication::applicationDisplayName(), question,
                                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void SetQuestionAnswerer(std::function<bool(const QString&)> answerer) {
    Answerer() = std::move(answerer);
}
