#include "SaveFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <unistd.h>

SaveFolder chooseSaveFolder() {
    if (!qEnvironmentVariableIsEmpty("HOME")) {
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        return {pictures.isEmpty() ? QDir::homePath() : pictures, {}};
    }
    const QString current = QDir::currentPath();
    const QString shown = QDir::toNativeSeparators(current);
    if (::access(QFile::encodeName(current).constData(), W_OK | X_OK) == 0)
        return {current, QStringLiteral("HOME is not set: images are saved in %1").arg(shown)};
    return {{},
            QStringLiteral("HOME is not set and the current folder %1 cannot be written: "
                           "images cannot be saved")
                .arg(shown)};
}
