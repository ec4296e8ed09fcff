#include "selection/drop_selection.h"

#include "selection/file_selection.h"
#include "selection/folder_selection.h"

#include <algorithm>

using platform::dropped_items::Item;
using platform::dropped_items::Kind;

namespace {

bool takes(DropSelection::Tab tab, const Item& item) {
    return (tab == DropSelection::Tab::Files && item.kind == Kind::File) ||
           (tab == DropSelection::Tab::Folders && item.kind == Kind::Folder);
}

} // namespace

DropSelection::DropSelection(FileSelection& files, FolderSelection& folders)
    : m_files(files)
    , m_folders(folders) {}

bool DropSelection::takesAny(const Items& items, Tab tab) {
    return std::any_of(items.begin(), items.end(),
                       [tab](const Item& item) { return takes(tab, item); });
}

void DropSelection::drop(const Items& items, Tab tab) {
    for (const Item& item : items) {
        if (!takes(tab, item))
            continue;
        // The limit's box once: every further item would meet it again.
        if (tab == Tab::Files ? m_files.pickFile(item.path) == FileSelection::Pick::Full
                              : m_folders.pickFolder(item.path) == FolderSelection::Pick::Full)
            return;
    }
}
