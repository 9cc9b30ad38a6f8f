#include "FileFilter.h"

namespace brackwell {

TFileFilter ParseFileFilter(const char16_t* text) {
    TFileFilter filter;
    if (text == nullptr) {
        return filter;
    }
    const QString all = QString::fromUtf16(text);
    const QStringList parts = all.split(u'|');
    const QString patterns = parts.size() > 1 ? parts.at(1) : parts.at(0);
    if (parts.size() > 1) {
        filter.Description = parts.at(0).trimmed();
    }
    for (const QString& part : patterns.split(u';')) {
        QString pattern = part.trimmed();
        // "*.*" means every file where the filter format comes from; here it would demand a dot.
        if (pattern == u"*.*") {
            pattern = QStringLiteral("*");
        }
        if (!pattern.isEmpty() && !filter.Patterns.contains(pattern, Qt::CaseInsensitive)) {
            filter.Patterns.append(pattern);
        }
    }
    return filter;
}

QString QtNameFilter(const TFileFilter& filter) {
    if (filter.Patterns.isEmpty()) {
        return {};
    }
    const QString patterns = filter.Patterns.join(u' ');
    if (filter.Description.isEmpty()) {
        return patterns;
    }
    return filter.Description + QStringLiteral(" (") + patterns + u')';
}

}  // namespace brackwell
