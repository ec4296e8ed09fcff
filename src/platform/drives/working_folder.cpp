#include "platform/drives/working_folder.h"

#include "platform/drives/drive_path.h"

#include <QDir>
#include <QFile>

namespace platform {

QString workingFolder() {
    const auto folder = drive_path::fromHost(QFile::encodeName(QDir::currentPath()));
    return folder ? *folder : drive_path::rootOf(QLatin1Char('C'));
}

} // namespace platform
