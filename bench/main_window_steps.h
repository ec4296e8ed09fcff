#pragma once

#include "bench_common.h"

#include "main_window/pelmora.h"

#include <QString>

// The steps of a selection made in the real main window, as a user makes
// it: each goes through the window's own controls and handlers, so that
// what is measured afterwards starts from exactly the state a user leaves.
namespace bench {

// A control of the main window by its design name; fails the benchmark
// when there is none.
template <typename W> W* mainWindowControl(const char* name) {
    W* found = Pelmora::instance().findChild<W*>(QString::fromLatin1(name));
    if (found == nullptr)
        fail(QStringLiteral("the main window has no %1").arg(QLatin1String(name)));
    return found;
}

// Chooses the folder's drive in Drive1 and opens the folder in Dir1; Dir1's
// change handler makes File1 list it.
void showSourceFolder(const QString& folder);
// Chooses the folder's drive in Drive2, opens the folder in Dir2 (which
// highlights it) and presses "Add Folder" through its handler.
void addTargetFolder(const QString& folder);

} // namespace bench
