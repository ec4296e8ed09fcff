#include "temp_drives.h"

#include "host_files.h"

#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

TempDrives::TempDrives(const QString& letters)
    : m_letters(letters) {
    if (!m_letters.contains(QLatin1Char('C')))
        m_letters.prepend(QLatin1Char('C'));
    QMap<QChar, QByteArray> map;
    for (QChar l : m_letters) {
        const QString folder = m_dir.path() + QLatin1Char('/') + l;
        QDir().mkpath(folder);
        map.insert(l, QFile::encodeName(folder));
    }
    platform::DriveTable::instance().useFixedMap(map);
}

TempDrives::~TempDrives() {
    platform::DriveTable::instance().useHost();
}

QByteArray TempDrives::hostRoot(QChar letter) const {
    return QFile::encodeName(m_dir.path() + QLatin1Char('/') + letter.toUpper());
}

QByteArray TempDrives::host(const QString& drivePath) const {
    QString rest = drivePath.mid(3);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QByteArray root = hostRoot(drivePath.at(0));
    return rest.isEmpty() ? root : root + '/' + QFile::encodeName(rest);
}

QString TempDrives::mkdir(const QString& drivePath) const {
    QDir().mkpath(QFile::decodeName(host(drivePath)));
    return drivePath;
}

QString TempDrives::makeFile(const QString& drivePath, const QByteArray& content) const {
    QFile f(QFile::decodeName(host(drivePath)));
    if (QDir().mkpath(QFileInfo(f).path()) && f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
    return drivePath;
}

QString TempDrives::makeFile(const QString& drivePath, qint64 size) const {
    QFile f(QFile::decodeName(host(makeFile(drivePath))));
    f.resize(size);
    return drivePath;
}

QByteArray TempDrives::read(const QString& drivePath) const {
    return readHost(host(drivePath));
}

QString readyDriveRoot(const QByteArray& hostRoot) {
    for (const platform::Drive& d : platform::DriveTable::instance().drives())
        if (d.hostRoot == hostRoot && d.ready)
            return platform::drive_path::rootOf(d.letter);
    return {};
}
