#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "OpenRequest.h"

// The program's command line: orvalis [OPTION]... [FILE | FOLDER | LIST.txt]...
struct TCommandLine {
    enum class TAction {
        Open,         // start (or hand the requests to the program that runs)
        ShowHelp,     // print the usage and end
        ShowVersion,  // print the version and end
        Fail,         // print Message and the hint, end with a non-zero status
    };
    TAction Action = TAction::Open;
    // The paths in command-line order, made absolute against the working folder; paths that name
    // nothing are left out.
    TOpenRequests Requests;
    // The toolkit's own options (-style fusion, -session ID, ...) with their values, for QApplication.
    QStringList ToolkitArguments;
    QString Message;  // Fail: what is wrong, one line without the program's name
};

// `arguments` without the program's own path. Options come before "--"; after it every argument is a
// path, also one starting with "-". A lone "-" is a path.
TCommandLine ParseCommandLine(const QStringList& arguments, const QString& workingFolder);

// What an existing path asks for: a folder, an image list file (".txt", any case) or a picture.
// Nothing for a path that names neither a folder nor a file.
std::optional<TOpenRequest> ClassifyPath(const QString& absolutePath);

// The folder the file browser shows for what a command line opens: the first folder named, else the
// folder of the first picture; nothing when only image list files are named (their pictures may lie
// anywhere).
std::optional<QString> BrowserFolderFor(const TOpenRequests& requests);

// The texts printed for --help and --version, and the hint after an error (each ends with a line
// break).
QString CommandLineHelp();
QString CommandLineVersion(const QString& version);
QString CommandLineError(const QString& message);
