#include "main_window_steps.h"

#include "platform/widgets/drive_selector.h"
#include "platform/widgets/file_browser.h"
#include "platform/widgets/folder_browser.h"

namespace bench {

void showSourceFolder(const QString& folder) {
    mainWindowControl<platform::DriveSelector>("Drive1")->setDriveOf(folder);
    if (!mainWindowControl<platform::FolderBrowser>("Dir1")->setPath(folder))
        fail(QStringLiteral("Dir1 cannot open %1").arg(folder));
    const QString listed = mainWindowControl<platform::FileBrowser>("File1")->path();
    if (listed.compare(folder, Qt::CaseInsensitive) != 0)
        fail(QStringLiteral("File1 lists %1, not %2").arg(listed, folder));
}

void addTargetFolder(const QString& folder) {
    mainWindowControl<platform::DriveSelector>("Drive2")->setDriveOf(folder);
    auto* dir2 = mainWindowControl<platform::FolderBrowser>("Dir2");
    if (!dir2->setPath(folder))
        fail(QStringLiteral("Dir2 cannot open %1").arg(folder));
    if (dir2->highlightedPath().compare(folder, Qt::CaseInsensitive) != 0)
        fail(QStringLiteral("Dir2 highlights %1, not %2").arg(dir2->highlightedPath(), folder));
    Pelmora::instance().DirSelBtn_Click();
}

} // namespace bench
