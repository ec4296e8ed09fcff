#pragma once

#include <QList>
#include <QString>

class QMimeData;

// What a drag from a file manager carries, as the program can name it.
namespace platform::dropped_items {

enum class Kind { File, Folder };

struct Item {
    QString path; // drive-letter path: "C:\DATA\a.txt", a folder "C:\DATA", a root "C:\"
    Kind kind;
};

// The local files and folders of a drag (its text/uri-list), in the order
// dragged. An item is left out when it is not a local file:// URL, not on
// a drive the program shows, has a name the program never lists, or is
// neither a regular file nor a folder (symbolic links followed, as the
// browsers follow them).
QList<Item> of(const QMimeData* data);

} // namespace platform::dropped_items
