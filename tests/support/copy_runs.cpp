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

const QString CopyRunFixture::A = QStringLiteral("C:\\src\\a.txt");
const QString CopyRunFixture::B = QStringLiteral("C:\\src\\b.txt");
const QByteArray CopyRunFixture::NewA("alpha, the new one");
const QByteArray CopyRunFixture::NewB("bravo, the new one");
const QByteArray CopyRunFixture::Old("old");

void CopyRunFixture::startCopyRun() {
    m_drives = std::make_unique<TempDrives>();
    m_drives->makeFile(A, NewA);
    m_drives->makeFile(B, NewB);
    m_user = std::make_unique<ActingUser>();
    m_sel = std::make_unique<SelectionControls>();
}

QStringList CopyRunFixture::finishCopyRun() {
    const QStringList problems = endCopyRun(m_sel, m_user);
    m_drives.reset();
    return problems;
}

void CopyRunFixture::run() {
    Status::instance().OkBtn_Click();
}

bool CopyRunFixture::ended() const {
    return !Status::exists() && m_sel->resets == 1 && m_sel->isEmpty();
}
