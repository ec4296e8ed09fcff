#pragma once

#include "platform/fs_error.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <vector>

// Moving one file's bytes from a source descriptor to a fresh, empty target
// descriptor. Works on plain values only, so it may run on any thread.
//
// - Only the source's data regions are copied (SEEK_DATA/SEEK_HOLE) and the
//   length is set at the end, so holes stay holes where the target stores
//   them. A file without holes is copied in one go, without asking where
//   its data lies.
// - A reflink is the first choice where the file systems share extents;
//   then the kernel copies (copy_file_range, else sendfile), and read/write
//   where neither works. Short counts are looped and the total is checked:
//   a source that shrinks under the copy is a ShortCopy.
// - A source that says it is empty is read to its end (files under /proc).
namespace platform::copier {

// The ways to move bytes, in the order they are tried.
enum class Route {
    Range, // copy_file_range (a reflink where the file systems share extents)
    Send,  // sendfile
    Plain, // read and write
};

struct MoveJob {
    int in = -1;
    int out = -1;
    off_t length = 0;           // the source's length when opened
    blkcnt_t blocks = 0;        // its st_blocks: fewer than the length needs means holes
    Route first = Route::Range; // Send where copy_file_range refused these volumes before
    bool keepHoles = true;      // false where the target cannot store holes (FAT)
    // Tests: called once, after the first piece of the bytes has moved.
    const std::function<void()>* afterFirstPiece = nullptr;

    // The whole of a source seen as `src` into out, with the copier's hook
    // for tests.
    static MoveJob whole(int in, int out, const struct stat& src, bool rangeRefused,
                         bool keepHoles) {
        return MoveJob{in,         out,       src.st_size, src.st_blocks,
                       rangeRefused ? Route::Send : Route::Range, keepHoles, &moveHook()};
    }
    // Tests: what FileCopier::setMoveHook() set.
    static std::function<void()>& moveHook();
};

struct MoveResult {
    Outcome outcome;
    // copy_file_range said it cannot work between these two volumes.
    bool rangeRefused = false;
};

// Room for the read/write fallback, owned by the one caller using it.
class MoveBuffer {
public:
    static constexpr size_t Bytes = 256 * 1024;
    char* get() {
        if (m_bytes.empty())
            m_bytes.resize(Bytes);
        return m_bytes.data();
    }

private:
    std::vector<char> m_bytes;
};

MoveResult moveBytes(const MoveJob& job, MoveBuffer& buffer);

} // namespace platform::copier
