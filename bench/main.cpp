#include "bench_common.h"
#include "commands.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

const char* const Usage =
    "usage: pelmora_bench COMMAND ARGS\n"
    "  copyrun SRC_DIR DST_DIR... [--dont-confirm] [--count-paints] [--hide-progress-bars]\n"
    "          [--ui-gaps] [--copy-error-ends-run]\n"
    "                                               the copy run (OkBtn handler) in seconds;\n"
    "                                               --ui-gaps: the UI thread's longest silence,\n"
    "                                               --copy-error-ends-run: a copy-error box is\n"
    "                                               answered Abort and reported, not a failure\n"
    "  floor SRC_DIR DST_DIR... [--named] [--program-lookups]\n"
    "                                               the minimal loop of the same copies\n"
    "  selectall DIR                                \"Select All\" of the files of DIR\n"
    "  startup [RUNS]                               process start to the main window shown\n"
    "  peakmem DIR                                  peak resident memory with DIR's files "
    "selected\n"
    "Figures are printed as name=value lines. QT_QPA_PLATFORM chooses the display.\n";

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const char* command = argv[1];
    // The child of "startup" must reach the window with nothing done before.
    if (std::strcmp(command, "startup-child") == 0)
        return bench::startupChildCommand(argc, argv);

    QStringList args;
    for (int i = 2; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));

    if (std::strcmp(command, "floor") == 0)
        return bench::floorCommand(args);
    if (std::strcmp(command, "startup") == 0)
        return bench::startupCommand(args, argv[0]);

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    if (std::strcmp(command, "copyrun") == 0)
        return bench::copyRunCommand(args);
    if (std::strcmp(command, "selectall") == 0)
        return bench::selectAllCommand(args);
    if (std::strcmp(command, "peakmem") == 0)
        return bench::peakMemoryCommand(args);
    std::fputs(Usage, stderr);
    return 2;
}
