#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>
#include <vector>

#include "CommandLine.h"

// --help, --version and a wrong command line are answered on the terminal before any window or display
// is needed: the exit status to end with, or nothing when the program is to start.
std::optional<int> AnswerWithoutStarting(const TCommandLine& commandLine, const QString& version);

// The command line QApplication gets: the program's path and the toolkit's own options, so that Qt
// never takes a picture's path for one of its options.
class TToolkitArgv {
public:
    TToolkitArgv(const char* program, const QStringList& toolkitArguments);
    TToolkitArgv(const TToolkitArgv&) = delete;
    TToolkitArgv& operator=(const TToolkitArgv&) = delete;

    int& Count() { return Argc; }
    char** Values() { return Pointers.data(); }

private:
    std::vector<QByteArray> Storage;
    std::vector<char*> Pointers;
    int Argc = 0;
};

// The command line as the program received it, without its own path.
QStringList ProgramArguments(int argc, char** argv);
