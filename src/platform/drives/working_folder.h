#pragma once

#include <QString>

namespace platform {

// The folder the program was started in, as a drive-letter path; the root
// of C: when it has none (a folder outside every drive, or a name that
// cannot be shown).
QString workingFolder();

} // namespace platform
