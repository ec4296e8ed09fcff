#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>

// Helpers shared by the benchmark commands. Every command prints its
// figures as "name=value" lines on standard output (bench/run reads them)
// and fails with a message on standard error and exit code 1.
namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Prints "name=value" with enough digits for microsecond timings.
void report(const char* name, double value);
void report(const char* name, const QString& value);

// Stops the benchmark: a figure from a run that went wrong means nothing.
[[noreturn]] void fail(const QString& why);

// The canonical absolute host path of an existing folder (symbolic links
// resolved), so that the drive table can place it.
QByteArray canonicalFolder(const char* path);

// The drive-letter path the program shows for a host folder.
QString drivePathOf(const QByteArray& hostFolder);

// Names of the regular, not hidden files of a host folder, sorted: what
// the file browser lists there.
QStringList regularFiles(const QByteArray& hostFolder);

// Checks that every folder holds a copy of every named file of the source
// folder with the source's length, modification time and permission bits.
// Fails the benchmark otherwise.
void verifyCopies(const QByteArray& sourceFolder, const QStringList& names,
                  const QList<QByteArray>& targetFolders);

// Peak resident set of this process so far, in MiB.
double peakResidentMiB();

} // namespace bench
