#pragma once

// Pillow, the Python imaging library, is the reference that pictures are compared with. Debian's Pillow
// (python3-pil) belongs to the system's Python, which another Python earlier on PATH may hide.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

// The Python that imports PIL, or an empty text when there is none.
inline QString PythonWithPillow() {
    for (const QString& python : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess probe;
        probe.start(python, {QStringLiteral("-c"), QStringLiteral("import PIL.Image")});
        if (probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0) {
            return python;
        }
    }
    return QString();
}

}  // namespace testsupport
