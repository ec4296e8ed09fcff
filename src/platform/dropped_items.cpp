#include "dropped_items.h"

#include "drive_path.h"

#include <QMimeData>
#include <QUrl>

#include <sys/stat.h>

namespace platform::dropped_items {

namespace {

// The path of a local URL as the bytes the host names it by: toLocalFile()
// would turn bytes that are not UTF-8 into other characters, which could
// name another file.
QByteArray hostBytes(const QUrl& url) {
    if (!url.isLocalFile() || !(url.host().isEmpty() || url.host() == QLatin1String("localhost")))
        return {};
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

} // namespace

QList<Item> of(const QMimeData* data) {
    QList<Item> items;
    if (!data || !data->hasUrls())
        return items;
    for (const QUrl& url : data->urls()) {
        const QByteArray host = hostBytes(url);
        if (host.isEmpty())
            continue;
        const Result<QString> path = drive_path::fromHost(host);
        if (!path)
            continue;
        // Looked at through the drive-letter path, as every later use of it
        // will be: the volume behind the letter is the one checked.
        const Result<QByteArray> resolved = drive_path::toHost(*path);
        struct stat st;
        if (!resolved || ::stat(resolved->constData(), &st) != 0)
            continue;
        if (S_ISREG(st.st_mode))
            items.append({*path, Kind::File});
        else if (S_ISDIR(st.st_mode))
            items.append({*path, Kind::Folder});
    }
    return items;
}

} // namespace platform::dropped_items
