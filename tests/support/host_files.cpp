#include "host_files.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QStringList entriesOf(const QByteArray& folder) {
    return QDir(QFile::decodeName(folder))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                   QDir::Name);
}

QByteArray readHost(const QByteArray& path) {
    QFile f(QFile::decodeName(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeHost(const QByteArray& path, const QByteArray& data) {
    QFile f(QFile::decodeName(path));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

bool writeHost(const QByteArray& path, const QByteArray& data, unsigned mode, timespec time) {
    const timespec times[2] = {time, time};
    return writeHost(path, data) && ::chmod(path.constData(), mode_t(mode)) == 0 &&
           ::utimensat(AT_FDCWD, path.constData(), times, 0) == 0;
}

QByteArray randomBytes(qsizetype size) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator gen(quint32(size) * 2654435761u);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(gen.bounded(256));
    return data;
}

void setOldTime(const QByteArray& path) {
    const timespec times[2] = {OldTime, OldTime};
    ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
}

QStringList snapshot(const QByteArray& folder) {
    QStringList lines;
    for (const QString& name : entriesOf(folder)) {
        const QByteArray path = folder + '/' + QFile::encodeName(name);
        struct stat st {};
        ::lstat(path.constData(), &st);
        lines << name +
                     QString::asprintf(" %o %lld %lld.%ld %zx ", st.st_mode, qint64(st.st_size),
                                       qint64(st.st_mtim.tv_sec), st.st_mtim.tv_nsec,
                                       S_ISREG(st.st_mode) ? qHash(readHost(path)) : 0) +
                     QFile::symLinkTarget(QFile::decodeName(path));
    }
    lines.sort();
    return lines;
}

bool makeSparse(const QByteArray& path, const Layout& layout) {
    QFile f(QFile::decodeName(path));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || !f.resize(layout.at(0)))
        return false;
    for (qsizetype k = 1; k + 1 < layout.size(); k += 2)
        if (!f.seek(layout.at(k)) || f.write(randomBytes(layout.at(k + 1))) != layout.at(k + 1))
            return false;
    return true;
}

QList<qint64> dataRegions(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    ::fstat(fd, &st);
    QList<qint64> regions{qint64(st.st_size)};
    for (off_t at = 0; fd >= 0 && at < st.st_size;) {
        const off_t data = ::lseek(fd, at, SEEK_DATA);
        if (data < 0)
            break;
        at = ::lseek(fd, data, SEEK_HOLE);
        regions << qint64(data) << qint64(at);
    }
    ::close(fd);
    return regions;
}

QString outcomeName(const platform::Outcome& outcome) {
    static const char* const names[] = {
        "NotReady", "NotFound", "AccessDenied", "NotAFolder", "NotAFile",  "Unlistable",
        "NoSpace",  "ReadOnly", "UnsafeTarget", "SameFile",   "ShortCopy", "SourceChanged",
        "Appeared", "Io"};
    return QString::fromLatin1(outcome.ok() ? "success" : names[int(outcome.error)]);
}
