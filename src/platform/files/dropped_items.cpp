#include "platform/files/dropped_items.h"

#include "platform/drives/drive_path.h"

#include <QHash>
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
    QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

// Drive-letter paths of the dragged files, by folder: a drag from a file
// manager holds the files of one or a few folders, and naming each file on
// its own would read the mount table once per file.
class Namer {
public:
    std::optional<QString> file(const QByteArray& host) {
        const qsizetype slash = host.lastIndexOf('/');
        const QByteArray name = host.mid(slash + 1);
        if (slash < 0 || !drive_path::isListableName(name))
            return std::nullopt;
        const QByteArray parent = slash == 0 ? QByteArray("/") : host.left(slash);
        auto known = m_folders.constFind(parent);
        if (known == m_folders.constEnd())
            known = m_folders.insert(parent, drive_path::fromHost(parent));
        if (!*known)
            return std::nullopt;
        return drive_path::join(known->value(), QString::fromUtf8(name));
    }
    // A folder may be a volume's mount point, and so a drive's root.
    static std::optional<QString> folder(const QByteArray& host) {
        const Result<QString> path = drive_path::fromHost(host);
        return path ? std::optional<QString>(*path) : std::nullopt;
    }

private:
    QHash<QByteArray, Result<QString>> m_folders;
};

} // namespace

QList<Item> of(const QMimeData* data) {
    QList<Item> items;
    if (!data || !data->hasUrls())
        return items;
    Namer namer;
    for (const QUrl& url : data->urls()) {
        const QByteArray host = hostBytes(url);
        struct stat st;
        if (host.isEmpty() || ::stat(host.constData(), &st) != 0)
            continue;
        if (S_ISREG(st.st_mode)) {
            if (const auto path = namer.file(host))
                items.append({*path, Kind::File});
        } else if (S_ISDIR(st.st_mode)) {
            if (const auto path = Namer::folder(host))
                items.append({*path, Kind::Folder});
        }
    }
    return items;
}

} // namespace platform::dropped_items
