#include "ProgramIdentity.h"

#include <QCoreApplication>

void SetProgramIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("Orvalis"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quenmark"));
}
