#pragma once

#include "platform/files/file_copier_ahead_p.h"
#include "platform/files/file_copier_bytes_p.h"
#include "platform/files/file_copier_publish_p.h"
#include "platform/files/file_copier_source_p.h"
#include "platform/files/file_copier_target_p.h"

#include <map>
#include <set>
#include <utility>

namespace platform::copier {

// What one worker holds from one copy to the next.
class WriteAhead::Worker {
public:
    Worker(WriteAhead& owner, int index)
        : m_owner(owner)
        , m_index(index) {}

    // Writes copy k ahead into a temporary; its slot as it is to stand.
    Slot write(int k, quint64 generation);
    // Lets go of every folder held, so that a disk can be taken out.
    void drop() {
        m_targets.drop();
        m_sources.drop();
        m_areaFolder = -1;
    }

private:
    // The two folders of the run's this worker writes into, in folder's
    // parent; made once per target folder (and again after discardAll()).
    Outcome area(const HeldFolder& folder, int folderIndex, quint64 generation);

    WriteAhead& m_owner;
    const int m_index;
    TargetFolders m_targets;
    SourceFolder m_sources;
    Publisher m_publisher;
    MoveBuffer m_buffer;
    std::map<dev_t, bool> m_kernelClock;
    std::set<std::pair<dev_t, dev_t>> m_noRange;
    int m_areaFolder = -1;
    quint64 m_areaGeneration = 0;
    int m_dirs[2] = {-1, -1}; // owned by m_owner.m_made
    int m_turn = 0;
};

} // namespace platform::copier
