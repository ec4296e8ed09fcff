#pragma once

#include "platform/fs_error.h"

#include <QByteArray>

#include <optional>
#include <set>

#include <sys/stat.h>

// The safe publish: a copy takes the target's name only once it is whole.
//
// The bytes go to a temporary in the target's own folder: unnamed
// (O_TMPFILE) for a new target where the file system allows, else hidden
// and uniquely named. Only when every byte was written, the mode and time
// kept and nothing reported an error does the temporary take the name
// (linkat for the unnamed one, renameat for the named). A failure never
// leaves anything under the target's name, keeps an old target whole and
// removes the temporary. The temporary is made with the source's mode
// where nothing but this process's umask could change the mode asked (a
// local file system, no default ACL on the folder, no set-id or sticky
// bit), and the mode is not set again.
//
// Before anything is written the name is checked: the source itself (by
// device and inode, through a link too), a folder, special file, hidden or
// (FAT) system file, and a target that is write-protected by its bits
// (checked here: root's writes ignore them) are refused. A symbolic link
// at the name is replaced, never written through.
namespace platform::copier {

// What a lookup of the name saw just before, so it need not be asked again.
struct SeenTarget {
    bool exists = false;
    struct stat st {}; // of the name itself, links not followed
};

struct PublishPlace {
    int dirFd = -1;
    QByteArray name;
    bool fat = false;        // the folder is on FAT, which keeps system attributes
    bool plainModes = false; // a new file there takes the mode asked, less the umask
    dev_t dev = 0;           // the folder's volume
};

// Fills the temporary (given as its descriptor) with the source's bytes:
// a callable borrowed, not held, so it must outlive the publish. Made per
// copy, it costs no allocation, as a std::function holding the copy's state
// would.
class Fill {
public:
    template <typename F>
    Fill(const F& fill)
        : m_fill(&fill)
        , m_call([](const void* f, int out) { return (*static_cast<const F*>(f))(out); }) {}

    Outcome operator()(int out) const { return m_call(m_fill, out); }

private:
    const void* m_fill;
    Outcome (*m_call)(const void*, int);
};

class Publisher {
public:
    Publisher();

    // One attempt. Appeared: the name was free when checked (by `seen`,
    // else a lookup now) and is taken now: nothing was replaced, the user
    // is to be asked. nullopt: the name vanished meanwhile, or the unnamed
    // temporary could not be linked; try again without `seen`, the named
    // way.
    std::optional<Outcome> publish(const struct stat& src, const PublishPlace& place,
                                   bool allowUnnamed, const SeenTarget* seen, const Fill& fill);

    // The two halves of the named way, for a copy written ahead of its
    // turn. writeTemporary() makes a hidden, uniquely named file in dirFd
    // (any folder on the target's volume), fills it, keeps the mode and
    // time and closes it; it leaves nothing on failure. publishWritten()
    // checks the name as publish() does, then renames such a temporary to
    // it; whatever the outcome, the temporary (if still there) is the
    // caller's to remove.
    Outcome writeTemporary(const struct stat& src, int dirFd, bool plainModes, const Fill& fill,
                           QByteArray& name);
    Outcome publishWritten(const struct stat& src, int tempDir, const QByteArray& temporary,
                           const PublishPlace& place, const SeenTarget* seen);

    // Forgets what the volumes refused (after a flush a disk may be changed,
    // and the next one under the same device can do more).
    void forgetVolumes() {
        m_noUnnamed.clear();
        m_noExclusiveRename.clear();
    }

    // Tests: off makes new targets take the named route.
    bool unnamed = true;

private:
    // A refusal of the name, or nullopt with whether it is taken.
    std::optional<Outcome> checkName(const struct stat& src, const PublishPlace& place,
                                     const SeenTarget* seen, bool& exists) const;
    mode_t createMode(const struct stat& src, bool plainModes) const;
    // Whether the file made on fd with mode `asked` has the source's mode.
    static bool madeWithMode(int fd, const struct stat& src, mode_t asked, bool plainModes);
    Outcome rename(int tempDir, const QByteArray& temporary, const PublishPlace& place,
                   bool exists);
    std::optional<Outcome> publishUnnamed(int out, const struct stat& src,
                                          const PublishPlace& place, bool modeSet,
                                          const Fill& fill);
    bool m_linkByDescriptor = true;
    std::set<dev_t> m_noUnnamed;         // volumes without unnamed temporaries
    std::set<dev_t> m_noExclusiveRename; // volumes refusing RENAME_NOREPLACE
    mode_t m_umask; // the process's when the publisher was made (0777: not known)
};

// The DOS attributes of a name in a folder on FAT (0 elsewhere).
unsigned fatAttributes(int dirFd, const char* name);

} // namespace platform::copier
