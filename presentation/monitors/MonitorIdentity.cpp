#include "MonitorIdentity.h"

#include <QStringList>

namespace {

constexpr QChar Separator = u';';
constexpr QChar Escape = u'\\';
constexpr QChar Dash = u'\u2014';

}  // namespace

TMonitorIdentity::TMonitorIdentity(const QString& name, const QString& manufacturer, const QString& model,
                                   const QString& serialNumber)
    : Name(name.trimmed()),
      Manufacturer(manufacturer.trimmed()),
      Model(model.trimmed()),
      SerialNumber(serialNumber.trimmed()) {}

bool TMonitorIdentity::IsEmpty() const {
    return Name.isEmpty() && Manufacturer.isEmpty() && Model.isEmpty() && SerialNumber.isEmpty();
}

bool TMonitorIdentity::SameDevice(const TMonitorIdentity& other) const {
    return Manufacturer == other.Manufacturer && Model == other.Model && SerialNumber == other.SerialNumber;
}

int FindMonitor(const QList<TMonitorInfo>& monitors, const TMonitorIdentity& remembered) {
    if (remembered.IsEmpty()) {
        return -1;
    }
    if (remembered.Name.isEmpty()) {
        // Nothing but the device to go by, and nothing at all when the device is unknown too.
        for (int i = 0; i < monitors.size(); ++i) {
            if (monitors[i].Identity.Name.isEmpty() && monitors[i].Identity.SameDevice(remembered)) {
                return i;
            }
        }
        return -1;
    }
    int sameName = -1;
    for (int i = 0; i < monitors.size(); ++i) {
        const TMonitorIdentity& monitor = monitors[i].Identity;
        if (monitor.Name != remembered.Name) {
            continue;
        }
        if (monitor.SameDevice(remembered)) {
            return i;
        }
        if (sameName < 0) {
            sameName = i;
        }
    }
    return sameName;
}

QString MonitorName(int number, const TMonitorIdentity& monitor) {
    const QString text = QString::number(number);
    return monitor.Name.isEmpty() ? text : text + u' ' + Dash + u' ' + monitor.Name;
}

QString MonitorLabel(int number, const TMonitorInfo& monitor) {
    const QString size = QStringLiteral("%1 x %2").arg(monitor.Pixels.width()).arg(monitor.Pixels.height());
    return monitor.Identity.Name.isEmpty()
               ? QString::number(number) + u' ' + Dash + u' ' + size
               : MonitorName(number, monitor.Identity) + QStringLiteral(", ") + size;
}

QString MonitorIdentityText(const TMonitorIdentity& monitor) {
    if (monitor.IsEmpty()) {
        return QString();
    }
    QStringList fields;
    for (const QString* field :
         {&monitor.Name, &monitor.Manufacturer, &monitor.Model, &monitor.SerialNumber}) {
        QString escaped;
        for (const QChar c : *field) {
            if (c == Escape || c == Separator) {
                escaped += Escape;
            }
            escaped += c;
        }
        fields.append(escaped);
    }
    return fields.join(Separator);
}

TMonitorIdentity ParseMonitorIdentity(const QString& text) {
    QStringList fields(1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == Escape && i + 1 < text.size()) {
            fields.last() += text[++i];
        } else if (c == Separator) {
            fields.append(QString());
        } else {
            fields.last() += c;
        }
    }
    fields.resize(4);
    return TMonitorIdentity(fields[0], fields[1], fields[2], fields[3]);
}
