#pragma once

#include "platform/fs_error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <sys/stat.h>

// Copies written ahead of their turn. On a network volume every call waits
// for its round trips, so while the run stands at one copy, workers already
// make the following ones, in the run's order (folder by folder, file by
// file), each into an unpublished temporary. Nothing here gives a copy its
// name: the copier publishes each temporary at its copy's turn, in order,
// or discards it.
//
// - The temporaries lie in hidden folders of the run's inside the target's
//   folder (two per worker, used in turn), so that publishing is a rename
//   on the same volume, and the folder being written into is another than
//   the one the rename takes a temporary from: on a network file system,
//   every call that names an entry of one folder waits for the others in it.
// - At most Window copies ahead of the cursor, and per volume at most
//   VolumeCopies temporaries and VolumeBytes bytes written and not yet
//   published.
// - A failed write-ahead is never reported: at its copy's turn every later
//   temporary on that volume is discarded and the copy is to be made again,
//   alone (take() says nothing was written ahead); nothing more is written
//   there until the run has moved past that copy.
// - discardAll() leaves nothing of the run's on any volume it can reach. A
//   share whose connection was lost meanwhile keeps its temporaries until
//   it is mounted again and a later discardAll() comes.
namespace platform::copier {

// The copies of a run: every file into every folder, folder by folder.
struct RunPlan {
    QStringList folders; // drive-letter folders, as targets begin ("D:\OUT\")
    QStringList sources; // drive-letter paths of the files
    QStringList names;   // their bare names
    std::vector<bool> ahead; // per folder: its copies are written ahead

    int count() const { return int(folders.size() * sources.size()); }
    int folderOf(int k) const { return k / int(sources.size()); }
    const QString& source(int k) const { return sources.at(k % sources.size()); }
    QString target(int k) const { return folders.at(folderOf(k)) + names.at(k % sources.size()); }
};

class WriteAhead {
public:
    // Nothing is written until start().
    explicit WriteAhead(RunPlan plan);
    // Stops the workers; discardAll() must have left nothing behind before.
    ~WriteAhead();
    WriteAhead(const WriteAhead&) = delete;
    WriteAhead& operator=(const WriteAhead&) = delete;

    struct Written {
        int tempDir = -1;     // the folder it lies in, held here until discardAll()
        QByteArray temporary; // its name there
        struct stat source {}; // the source as it was copied
        dev_t volume = 0;     // the target's volume it was written to
    };

    // The plan's copy of source to target, searched from `from` on; -1: none.
    int find(const QString& source, const QString& target, int from) const;

    // The run stands at copy k: every earlier temporary is discarded. Waits
    // until k's write-ahead has ended (wouldWait()). nullopt: nothing written
    // ahead; copy k now, alone: nothing more is written on its volume until
    // the run has moved past k, and no later temporary is left there.
    std::optional<Written> take(int k);
    bool wouldWait(int k) const;
    // k's temporary was given its name.
    void published(int k);
    // k's temporary is removed, to make the copy now, alone, as take() prepares it.
    void discard(int k);
    // Writing ahead begins (into the plan's folders marked for it).
    void start();
    bool started() const;
    // Removes every temporary and the run's folders, after the copies being
    // written have ended. Writing ahead resumes at the next take().
    void discardAll();

    // Measured with sshfs at a 10 ms round trip (bench/run, case H): four
    // workers keep ahead of the publications; a temporary made more than
    // about a second before its rename costs the rename one more round
    // trip (the kernel asks again for a name it has known that long), and
    // so do more writers on the share; 12 copies ahead stay within that.
    static constexpr int Workers = 4;
    static constexpr int Window = 12;
    static constexpr int VolumeCopies = 12;
    static constexpr qint64 VolumeBytes = qint64(64) << 20;

private:
    struct Slot {
        enum State { Writing, Written, Failed, Cursor } state = Writing;
        bool dropped = false; // passed while being written: removed when done
        WriteAhead::Written written;
        dev_t volume = 0; // 0: not known (the folder could not be reached)
    };
    using Slots = std::map<int, Slot>;
    struct Made { // a folder of the run's, for removal
        int parent = -1;
        QByteArray name;
        int fd = -1;
        QString folder; // the target folder it is in, by drive-letter path
    };
    class Worker;

    void work(int index);
    // With the lock held.
    int nextToWrite() const;
    Slots::iterator drop(Slots::iterator it);
    // Copy k is to be made alone on the volume: its writers done, every
    // later temporary there removed, nothing more written there till after k.
    void makeAlone(int k, dev_t volume, std::unique_lock<std::mutex>& lock);
    bool writingOn(dev_t volume) const;

    const RunPlan m_plan;
    const QByteArray m_runName;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    Slots m_slots;
    int m_cursor = 0;
    std::map<dev_t, int> m_heldBack; // volume -> the copy whose write-ahead failed
    std::vector<dev_t> m_folderVolume; // per folder, once a worker has reached it
    bool m_paused = false;
    bool m_started = false;
    bool m_stopping = false;
    int m_busy = 0;     // workers writing or removing
    int m_removing = 0; // workers removing
    quint64 m_generation = 0; // counts discardAll(): the run's folders made again after it
    std::vector<std::pair<int, QByteArray>> m_removals;
    std::vector<Made> m_made;
    // Folders of the run's that could not be removed through the descriptor
    // they were made with (the connection to their share was lost): tried
    // again by their paths at each discardAll().
    std::vector<std::pair<QString, QByteArray>> m_leftovers;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::vector<std::thread> m_threads;
};

} // namespace platform::copier
