#pragma once

#include "platform/files/dropped_items.h"

#include <QList>

class FileSelection;
class FolderSelection;

// Files and folders dropped on the main window from a file manager: each
// goes in by the very step of the tab it is dropped on, so a drop follows
// the browsers' rules (duplicate boxes, counts, totals, buttons, limits).
class DropSelection {
public:
    using Items = QList<platform::dropped_items::Item>;
    enum class Tab { Files, Folders, Other };

    DropSelection(FileSelection& files, FolderSelection& folders);

    // Whether a drop there would add anything: the drag cursor says so.
    static bool takesAny(const Items& items, Tab tab);

    // On "Copy File(s)" each file as a click in File1 adds it, on
    // "To Folder(s)" each folder as "Add Folder" adds it, in the order
    // dragged; what the tab does not take is left out, and another tab
    // takes nothing. Adding stops at the selection's limit.
    void drop(const Items& items, Tab tab);

private:
    FileSelection& m_files;
    FolderSelection& m_folders;
};
