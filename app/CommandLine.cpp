#include "CommandLine.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// Qt's own options, which go to QApplication unchanged: those that take a value and those that do
// not. Qt takes them with one dash or two, and "-style=fusion" as well as "-style fusion".
const QStringList ToolkitOptionsWithValue = {
    QStringLiteral("platform"),
    QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),
    QStringLiteral("qwindowgeometry"),
    QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"),
    QStringLiteral("session"),
    QStringLiteral("style"),
    QStringLiteral("stylesheet"),
    QStringLiteral("display"),
    QStringLiteral("geometry"),
    QStringLiteral("name"),
    QStringLiteral("qmljsdebugger"),
};
const QStringList ToolkitFlags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                  QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("sync")};

// The option's name without its dashes and without "=value".
QString OptionName(const QString& argument) {
    QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(u'=');
    return equals >= 0 ? name.left(equals) : name;
}

TCommandLine Failed(const QString& message) {
    TCommandLine result;
    result.Action = TCommandLine::TAction::Fail;
    result.Message = message;
    return result;
}

}  // namespace

std::optional<TOpenRequest> ClassifyPath(const QString& absolutePath) {
    const QFileInfo file(absolutePath);
    if (file.isDir()) {
        return TOpenRequest{TOpenKind::Folder, absolutePath};
    }
    if (!file.isFile()) {
        return std::nullopt;
    }
    const bool listFile = file.suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0;
    return TOpenRequest{listFile ? TOpenKind::ImageListFile : TOpenKind::Picture, absolutePath};
}

TCommandLine ParseCommandLine(const QStringList& arguments, const QString& workingFolder) {
    TCommandLine result;
    const QDir working(workingFolder);
    bool options = true;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (options && argument == u"--") {
            options = false;
            continue;
        }
        if (options && argument.size() > 1 && argument.startsWith(u'-')) {
            // --help and --version win over everything else on the line, as in other programs; an
            // unknown option before them is still an error.
            if (argument == u"-h" || argument == u"--help") {
                return {TCommandLine::TAction::ShowHelp, {}, {}, {}};
            }
            if (argument == u"--version") {
                return {TCommandLine::TAction::ShowVersion, {}, {}, {}};
            }
            const QString name = OptionName(argument);
            if (ToolkitFlags.contains(name) && !argument.contains(u'=')) {
                result.ToolkitArguments.append(argument);
            } else if (ToolkitOptionsWithValue.contains(name)) {
                result.ToolkitArguments.append(argument);
                if (!argument.contains(u'=')) {
                    if (i + 1 >= arguments.size()) {
                        return Failed(QStringLiteral("option '%1' needs a value").arg(argument));
                    }
                    result.ToolkitArguments.append(arguments.at(++i));
                }
            } else {
                return Failed(QStringLiteral("unknown option '%1'").arg(argument));
            }
            continue;
        }
        if (argument.isEmpty()) {
            continue;
        }
        if (const auto request = ClassifyPath(QDir::cleanPath(working.absoluteFilePath(argument)))) {
            result.Requests.append(*request);
        }
    }
    return result;
}

std::optional<QString> BrowserFolderFor(const TOpenRequests& requests) {
    const auto first = [&](TOpenKind kind) {
        return std::find_if(requests.begin(), requests.end(),
                            [kind](const TOpenRequest& request) { return request.Kind == kind; });
    };
    if (const auto folder = first(TOpenKind::Folder); folder != requests.end()) {
        return folder->Path;
    }
    if (const auto picture = first(TOpenKind::Picture); picture != requests.end()) {
        return QFileInfo(picture->Path).absolutePath();
    }
    return std::nullopt;
}

QString CommandLineHelp() {
    return QStringLiteral(
        "Usage: orvalis [OPTION]... [FILE | FOLDER | LIST.txt]...\n"
        "Present pictures to an audience on a second monitor.\n"
        "\n"
        "Pictures join the image list in the order given; a folder adds the pictures\n"
        "directly in it, in name order; an image list file (.txt) is loaded as\n"
        "\"File > Load Image List...\" loads one. Paths that name nothing are skipped.\n"
        "The file browser opens at the first folder given, else at the folder of the\n"
        "first picture.\n"
        "When Orvalis already runs for this user and display, the paths go to it and\n"
        "this start ends.\n"
        "\n"
        "  -h, --help     show this help and end\n"
        "      --version  show the version and end\n"
        "      --         end of the options: every argument after it is a path\n"
        "\n"
        "Qt's own options (-style, -platform, -session, ...) go to Qt.\n");
}

QString CommandLineVersion(const QString& version) {
    return QStringLiteral("orvalis %1\n").arg(version);
}

QString CommandLineError(const QString& message) {
    return QStringLiteral("orvalis: %1\nTry 'orvalis --help' for more information.\n").arg(message);
}
