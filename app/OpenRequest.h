#pragma once

#include <QList>
#include <QString>

// What one path on a command line asks of the image list.
enum class TOpenKind : quint8 {
    Picture = 1,        // joins the list like any added file
    Folder = 2,         // the pictures directly in it join the list, in name order
    ImageListFile = 3,  // the list file is read as "Load Image List..." reads one
};

struct TOpenRequest {
    TOpenKind Kind = TOpenKind::Picture;
    QString Path;  // absolute

    bool operator==(const TOpenRequest&) const = default;
};

using TOpenRequests = QList<TOpenRequest>;
