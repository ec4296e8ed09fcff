#include "bench_common.h"
#include "commands.h"
#include "floor_copy.h"
#include "main_window_steps.h"
#include "ui_gap_meter.h"

#include "copy_run/status.h"
#include "platform/dialogs/scripted_user.h"
#include "selection/selection_state.h"

#include <QApplication>
#include <QCheckBox>
#include <QMap>
#include <QProgressBar>
#include <QWindow>

namespace bench {

namespace {

struct CopyArgs {
    QByteArray source;
    QList<QByteArray> targets;
    bool dontConfirm = false;
    bool namedTemporaries = false;
    bool countPaints = false;
    bool programLookups = false;
    bool hideProgressBars = false;
    bool uiGaps = false;
    bool copyErrorEndsRun = false;
};

// Counts the paint events each widget receives (by objectName, else class):
// what the run spends on keeping the window current.
class PaintCounter : public QObject {
public:
    QMap<QString, int> paints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const QString name = watched->objectName();
            ++paints[name.isEmpty() ? QString::fromLatin1(watched->metaObject()->className())
                                    : name];
        }
        return QObject::eventFilter(watched, event);
    }
};

CopyArgs parseCopyArgs(const QStringList& args, const char* usage) {
    CopyArgs parsed;
    QStringList folders;
    for (const QString& arg : args) {
        if (arg == QLatin1String("--dont-confirm"))
            parsed.dontConfirm = true;
        else if (arg == QLatin1String("--named"))
            parsed.namedTemporaries = true;
        else if (arg == QLatin1String("--program-lookups"))
            parsed.programLookups = true;
        else if (arg == QLatin1String("--hide-progress-bars"))
            parsed.hideProgressBars = true;
        else if (arg == QLatin1String("--count-paints"))
            parsed.countPaints = true;
        else if (arg == QLatin1String("--ui-gaps"))
            parsed.uiGaps = true;
        else if (arg == QLatin1String("--copy-error-ends-run"))
            parsed.copyErrorEndsRun = true;
        else if (arg.startsWith(QLatin1String("--")))
            fail(QStringLiteral("unknown option %1; usage: %2").arg(arg, QLatin1String(usage)));
        else
            folders.append(arg);
    }
    if (folders.size() < 2)
        fail(QStringLiteral("usage: %1").arg(QLatin1String(usage)));
    parsed.source = canonicalFolder(folders.takeFirst().toLocal8Bit().constData());
    for (const QString& folder : folders)
        parsed.targets.append(canonicalFolder(folder.toLocal8Bit().constData()));
    return parsed;
}

// Waits until the window is on the screen and painted, as a user sees it
// before pressing "Finish".
void showAndSettle(QWidget& window) {
    window.show();
    const Clock::time_point start = Clock::now();
    while (!(window.windowHandle() && window.windowHandle()->isExposed())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (secondsSince(start) > 10)
            fail(QStringLiteral("the %1 window never appeared").arg(window.objectName()));
    }
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

} // namespace

int copyRunCommand(const QStringList& args) {
    const CopyArgs a = parseCopyArgs(
        args, "copyrun SRC_DIR DST_DIR... [--dont-confirm] [--count-paints] [--hide-progress-bars] "
              "[--ui-gaps] [--copy-error-ends-run]");
    const QStringList names = regularFiles(a.source);

    // Answers nothing: no question may arise in these workloads, except,
    // where asked for, a copy error (a target too small for what the
    // program writes), answered Abort and reported as a figure.
    platform::ScriptedUser user;
    if (a.copyErrorEndsRun)
        user.expectBox(platform::Answer::Abort);

    Pelmora& window = Pelmora::instance();
    showAndSettle(window);
    showSourceFolder(drivePathOf(a.source));
    window.AllFileBtn_Click();
    for (const QByteArray& target : a.targets)
        addTargetFolder(drivePathOf(target));
    mainWindowControl<QCheckBox>("Check1")->setChecked(a.dontConfirm);
    const SelectionState& selection = window.selection();
    if (selection.fileCount() != names.size() || selection.folderCount() != a.targets.size())
        fail(QStringLiteral("selection holds %1 files and %2 folders, expected %3 and %4")
                 .arg(selection.fileCount())
                 .arg(selection.folderCount())
                 .arg(names.size())
                 .arg(a.targets.size()));
    if (!user.failures().isEmpty())
        fail(QStringLiteral("unexpected while selecting: ") +
             user.failures().join(QLatin1String("; ")));

    Status& status = Status::instance();
    status.setWindowModality(Qt::ApplicationModal);
    showAndSettle(status);

    // Diagnosis only: a hidden bar is never painted, so this shows what
    // painting the bars costs the run.
    if (a.hideProgressBars) {
        status.ProgressBar1()->hide();
        status.ProgressBar2()->hide();
    }
    PaintCounter counter;
    if (a.countPaints)
        qApp->installEventFilter(&counter);
    UiGapMeter uiGaps;
    if (a.uiGaps)
        uiGaps.start();
    const Clock::time_point start = Clock::now();
    status.OkBtn_Click();
    const double seconds = secondsSince(start);
    if (a.uiGaps)
        uiGaps.stop();
    qApp->removeEventFilter(&counter);

    QCoreApplication::processEvents();
    if (!user.failures().isEmpty())
        fail(QStringLiteral("unexpected during the run: ") +
             user.failures().join(QLatin1String("; ")));
    if (selection.fileCount() != 0)
        fail(QStringLiteral("the run did not end by closing Status (selection not reset)"));
    const bool copyError = !user.boxes().isEmpty();
    if (copyError) {
        const platform::MessageBox& box = user.boxes().first();
        if (box.buttons != platform::Buttons::AbortRetryIgnore)
            fail(QStringLiteral("a box other than the copy error: ") + box.prompt);
        report("copy_error", 1.0);
        report("copy_error_prompt", box.prompt);
    } else {
        verifyCopies(a.source, names, a.targets);
    }

    report("copies", double(names.size()) * double(a.targets.size()));
    report("seconds", seconds);
    if (a.uiGaps) {
        report("longest_ui_gap", uiGaps.longestGapSeconds());
        report("ui_ticks", double(uiGaps.ticks()));
    }
    for (auto it = counter.paints.cbegin(); it != counter.paints.cend(); ++it)
        report(QByteArray("paints_" + it.key().toUtf8()).constData(), double(it.value()));
    return 0;
}

int floorCommand(const QStringList& args) {
    const CopyArgs a =
        parseCopyArgs(args, "floor SRC_DIR DST_DIR... [--named] [--program-lookups]");
    const QStringList names = regularFiles(a.source);
    floor_copy::Options options;
    options.namedTemporaries = a.namedTemporaries;
    options.programLookups = a.programLookups;

    const Clock::time_point start = Clock::now();
    floor_copy::run(a.source, names, a.targets, options);
    const double seconds = secondsSince(start);

    verifyCopies(a.source, names, a.targets);
    report("copies", double(names.size()) * double(a.targets.size()));
    report("seconds", seconds);
    return 0;
}

} // namespace bench
