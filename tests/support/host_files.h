#pragma once

#include "platform/fs_error.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <ctime>

// Files on the host, by host path, for checking what a copy left behind
// without going through the code under test.

// Every name in a folder, hidden ones and temporaries included, sorted.
QStringList entriesOf(const QByteArray& folder);
QByteArray readHost(const QByteArray& path);
// Writes the file anew; with a mode and a time, sets them too (to nanoseconds).
bool writeHost(const QByteArray& path, const QByteArray& data = {});
bool writeHost(const QByteArray& path, const QByteArray& data, unsigned mode, timespec time);
// Random-looking bytes, the same for the same size on every run.
QByteArray randomBytes(qsizetype size);

// A past modification time with nanoseconds, to see it kept exactly.
constexpr timespec OldTime{981'173'106, 123'456'789};
void setOldTime(const QByteArray& path);

// All a copy could touch in a folder: each entry's name, mode, size, time
// and content (or link text), sorted.
QStringList snapshot(const QByteArray& folder);

// A file's length followed by (offset, size) of each of its data extents.
using Layout = QList<qint64>;
// Makes a file of that layout: random data in the extents, holes between.
bool makeSparse(const QByteArray& path, const Layout& layout);
// A file's length, then where each of its data regions starts and ends, as
// SEEK_DATA and SEEK_HOLE tell it.
QList<qint64> dataRegions(const QByteArray& path);

// "success" or the error's name ("NoSpace"), to compare readably.
QString outcomeName(const platform::Outcome& outcome);
