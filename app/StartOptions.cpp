#include "StartOptions.h"

#include <QFile>

#include <cstdio>

namespace {

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

}  // namespace

std::optional<int> AnswerWithoutStarting(const TCommandLine& commandLine, const QString& version) {
    switch (commandLine.Action) {
        case TCommandLine::TAction::ShowHelp:
            Print(stdout, CommandLineHelp());
            return 0;
        case TCommandLine::TAction::ShowVersion:
            Print(stdout, CommandLineVersion(version));
            return 0;
        case TCommandLine::TAction::Fail:
            Print(stderr, CommandLineError(commandLine.Message));
            return 2;
        case TCommandLine::TAction::Open:
            break;
    }
    return std::nullopt;
}

TToolkitArgv::TToolkitArgv(const char* program, const QStringList& toolkitArguments) {
    Storage.emplace_back(program);
    for (const QString& argument : toolkitArguments) {
        Storage.push_back(QFile::encodeName(argument));
    }
    for (QByteArray& value : Storage) {
        Pointers.push_back(value.data());
    }
    Argc = static_cast<int>(Storage.size());
    Pointers.push_back(nullptr);
}

QStringList ProgramArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QFile::decodeName(argv[i]));
    }
    return arguments;
}
