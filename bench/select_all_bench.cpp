#include "bench_common.h"
#include "commands.h"
#include "main_window_steps.h"
#include "ui_gap_meter.h"

#include "platform/dialogs/scripted_user.h"
#include "platform/drives/drive_path.h"
#include "platform/widgets/file_browser.h"
#include "selection/selection_state.h"

#include <QApplication>
#include <QWindow>

namespace bench {

namespace {

void waitExposed(QWidget& window) {
    window.show();
    const Clock::time_point start = Clock::now();
    while (!(window.windowHandle() && window.windowHandle()->isExposed())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (secondsSince(start) > 10)
            fail(QStringLiteral("the window never appeared"));
    }
    QCoreApplication::processEvents();
}

} // namespace

// "Select All" on a folder, with one target folder already selected (so
// the Copy-button rule runs too) and the lists on the screen: the time of
// the handler, and until the filled lists are painted; the longest silence
// of the UI thread during the handler.
int selectAllCommand(const QStringList& args) {
    if (args.size() != 1)
        fail(QStringLiteral("usage: selectall DIR"));
    const QByteArray folder = canonicalFolder(args.first().toLocal8Bit().constData());
    const QString drivePath = drivePathOf(folder);
    const qsizetype expected = regularFiles(folder).size();

    platform::ScriptedUser user;
    Pelmora& window = Pelmora::instance();
    waitExposed(window);

    addTargetFolder(platform::drive_path::parentOf(drivePath));
    Clock::time_point start = Clock::now();
    showSourceFolder(drivePath);
    const double listSeconds = secondsSince(start);
    QCoreApplication::processEvents();
    const auto* file1 = mainWindowControl<platform::FileBrowser>("File1");
    if (file1->fileCount() != expected)
        fail(QStringLiteral("File1 lists %1 files, expected %2")
                 .arg(file1->fileCount())
                 .arg(expected));

    UiGapMeter uiGaps;
    uiGaps.start();
    start = Clock::now();
    window.AllFileBtn_Click();
    const double handlerSeconds = secondsSince(start);
    uiGaps.stop();
    QCoreApplication::processEvents();
    const double paintedSeconds = secondsSince(start);

    if (!user.failures().isEmpty())
        fail(QStringLiteral("unexpected: ") + user.failures().join(QLatin1String("; ")));
    if (window.selection().fileCount() != expected)
        fail(QStringLiteral("selected %1 files, expected %2")
                 .arg(window.selection().fileCount())
                 .arg(expected));

    report("files", double(expected));
    report("list_seconds", listSeconds);
    report("seconds", handlerSeconds);
    report("painted_seconds", paintedSeconds);
    report("longest_ui_gap", uiGaps.longestGapSeconds());
    return 0;
}

} // namespace bench
