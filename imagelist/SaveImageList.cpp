#include "SaveImageList.h"

#include "ImageListFile.h"
#include "Question.h"

namespace {

constexpr qsizetype MaxNamesShown = 20;

// A name on one line of the message, its line breaks made visible.
QString Shown(QString name) {
    name.replace(QStringLiteral("\r\n"), QStringLiteral("\u21B5"));
    name.replace(u'\r', QChar(0x21B5));
    name.replace(u'\n', QChar(0x21B5));
    name.replace(QChar(u'\0'), QChar(0x2400));
    return name;
}

}  // namespace

QString LeftOutEntriesMessage(const QStringList& leftOut) {
    QString text = leftOut.size() == 1
                       ? QStringLiteral(
                             "This entry was left out of the image list file, because a name "
                             "with a line break cannot be stored in it:\n")
                       : QStringLiteral(
                             "These %1 entries were left out of the image list file, because a "
                             "name with a line break cannot be stored in it:\n")
                             .arg(leftOut.size());
    for (qsizetype i = 0; i < leftOut.size() && i < MaxNamesShown; ++i) {
        text += u'\n' + Shown(leftOut[i]);
    }
    if (leftOut.size() > MaxNamesShown) {
        text += QStringLiteral("\n... and %1 more.").arg(leftOut.size() - MaxNamesShown);
    }
    return text;
}

void SaveImageList(QWidget* parent, const QString& path, const QStringList& fileNames) {
    const QStringList leftOut = WriteImageListFile(path, fileNames);
    if (!leftOut.isEmpty()) {
        ShowInformation(parent, LeftOutEntriesMessage(leftOut));
    }
}
