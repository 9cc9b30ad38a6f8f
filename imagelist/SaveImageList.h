#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The "Save Image List" command's work once the file is chosen: writes the list file and, when some
// entries could not be stored in it, tells the operator which (in an information message box over
// `parent`). Raises EFileError when the file cannot be written.
void SaveImageList(QWidget* parent, const QString& path, const QStringList& fileNames);

// The message that names the entries left out of a list file. Line breaks in a name are shown as "↵";
// a long list is cut after its first entries.
QString LeftOutEntriesMessage(const QStringList& leftOut);
