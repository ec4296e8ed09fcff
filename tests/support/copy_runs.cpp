#include "copy_runs.h"

#include "copy_run/status.h"

QString copyErrorPrompt(bool asked) {
    return QStringLiteral("Disk Full Or Write Protected Disk!\r\nAbort %1 Cancel.\r\n"
                          "Retry (Insert New Disk).\r\nIgnore %1 Skip File.")
        .arg(asked ? QStringLiteral("to") : QStringLiteral("To"));
}

QStringList endCopyRun(std::unique_ptr<SelectionControls>& sel, std::unique_ptr<ActingUser>& user) {
    if (Status::exists())
        delete &Status::instance();
    discardClosedWindows();
    const QStringList problems = user ? user->problems() : QStringList();
    sel.reset();
    user.reset();
    return problems;
}
