#include "DesktopIdentity.h"

#include <QGuiApplication>

void setApplicationIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("rosette"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROSETTE_VERSION));
    QCoreApplication::setOrganizationDomain(QStringLiteral("rosette-art.github.io"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(applicationId));
}

QIcon applicationIcon() {
    QIcon builtIn;
    for (const int size : {16, 32, 48, 64, 128, 256})
        builtIn.addFile(QStringLiteral(":/icons/%1x%1/apps/%2.png")
                            .arg(size)
                            .arg(QString::fromLatin1(applicationId)),
                        QSize(size, size));
    return QIcon::fromTheme(QString::fromLatin1(applicationId), builtIn);
}
