#pragma once

// How much memory a piece of work takes at its peak, from the kernel's account of the process: the
// growth of the peak resident size (VmHWM) over the resident size before the work. Linux 4.0 and later
// can set the peak back to the present size (/proc/self/clear_refs); elsewhere nothing is measured.

#include <QByteArray>
#include <QFile>

#include <malloc.h>

namespace testsupport {

// A field of /proc/self/status in KiB, or -1.
inline qint64 ProcessStatusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').front().toLongLong();
        }
    }
    return -1;
}

// Runs `work` and returns by how many bytes the peak resident size rose above the resident size before
// it; -1, with `work` still run, where the peak cannot be set back.
template <class Work>
qint64 PeakResidentGrowth(Work&& work) {
    malloc_trim(0);  // memory freed before is given back, so that the work's own pages are counted
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    const bool reset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
    clear.close();
    const qint64 before = ProcessStatusKiB("VmRSS:");
    work();
    const qint64 peak = ProcessStatusKiB("VmHWM:");
    return reset && before >= 0 && peak >= 0 ? (peak - before) * 1024 : -1;
}

}  // namespace testsupport
