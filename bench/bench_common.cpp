#include "bench_common.h"

#include "platform/drives/drive_path.h"

#include <QCollator>
#include <QDir>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace bench {

void report(const char* name, double value) {
    std::printf("%s=%.6f\n", name, value);
    std::fflush(stdout);
}

void report(const char* name, const QString& value) {
    std::printf("%s=%s\n", name, value.toUtf8().constData());
    std::fflush(stdout);
}

void fail(const QString& why) {
    std::fprintf(stderr, "pelmora_bench: %s\n", why.toLocal8Bit().constData());
    std::exit(1);
}

QByteArray canonicalFolder(const char* path) {
    char* resolved = ::realpath(path, nullptr);
    if (resolved == nullptr)
        fail(QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(path),
                                          QString::fromLocal8Bit(std::strerror(errno))));
    QByteArray result(resolved);
    std::free(resolved);
    struct stat st {};
    if (::stat(result.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        fail(QStringLiteral("%1 is not a folder").arg(QString::fromLocal8Bit(result)));
    return result;
}

QString drivePathOf(const QByteArray& hostFolder) {
    const platform::Result<QString> path = platform::drive_path::fromHost(hostFolder);
    if (!path)
        fail(QStringLiteral("no drive-letter path for %1").arg(QString::fromLocal8Bit(hostFolder)));
    return path.value();
}

QStringList regularFiles(const QByteArray& hostFolder) {
    DIR* dir = ::opendir(hostFolder.constData());
    if (dir == nullptr)
        fail(QStringLiteral("cannot list %1").arg(QString::fromLocal8Bit(hostFolder)));
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat st {};
        const QByteArray path = hostFolder + '/' + entry->d_name;
        if (::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode))
            names.append(QString::fromUtf8(entry->d_name));
    }
    ::closedir(dir);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), collator);
    return names;
}

void verifyCopies(const QByteArray& sourceFolder, const QStringList& names,
                  const QList<QByteArray>& targetFolders) {
    for (const QString& name : names) {
        const QByteArray encoded = name.toUtf8();
        struct stat src {};
        if (::stat(QByteArray(sourceFolder + '/' + encoded).constData(), &src) != 0)
            fail(QStringLiteral("source %1 vanished").arg(name));
        for (const QByteArray& folder : targetFolders) {
            const QByteArray target = folder + '/' + encoded;
            struct stat dst {};
            const QString where = QString::fromLocal8Bit(target);
            if (::lstat(target.constData(), &dst) != 0)
                fail(QStringLiteral("copy missing: %1").arg(where));
            if (!S_ISREG(dst.st_mode) || dst.st_size != src.st_size)
                fail(QStringLiteral("copy of the wrong length: %1").arg(where));
            if (dst.st_mtim.tv_sec != src.st_mtim.tv_sec ||
                dst.st_mtim.tv_nsec != src.st_mtim.tv_nsec)
                fail(QStringLiteral("copy without the source's time: %1").arg(where));
            if ((dst.st_mode & 07777) != (src.st_mode & 07777))
                fail(QStringLiteral("copy without the source's permissions: %1").arg(where));
        }
    }
}

double peakResidentMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}

} // namespace bench
