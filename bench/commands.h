#pragma once

#include <QStringList>

// The sub-commands of pelmora_bench. Each takes its arguments (without the
// command name), prints its figures and returns the exit code.
namespace bench {

int copyRunCommand(const QStringList& args);
int floorCommand(const QStringList& args);
int selectAllCommand(const QStringList& args);
int startupCommand(const QStringList& args, const char* self);
int startupChildCommand(int argc, char** argv);
int peakMemoryCommand(const QStringList& args);

} // namespace bench
