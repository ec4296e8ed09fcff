#include "platform/fs_error.h"

namespace platform {

QString userText(FsError error) {
    switch (error) {
    case FsError::NotReady:
        return QStringLiteral("The drive is not ready.");
    case FsError::NotFound:
        return QStringLiteral("The file or folder was not found.");
    case FsError::AccessDenied:
        return QStringLiteral("Access was denied.");
    case FsError::NotAFolder:
        return QStringLiteral("This is not a folder.");
    case FsError::NotAFile:
        return QStringLiteral("This is not an ordinary file.");
    case FsError::Unlistable:
        return QStringLiteral("The name cannot be shown as a path.");
    case FsError::NoSpace:
        return QStringLiteral("The disk is full.");
    case FsError::ReadOnly:
        return QStringLiteral("The disk or file is write-protected.");
    case FsError::UnsafeTarget:
        return QStringLiteral("The target is a folder, a special, hidden or system file.");
    case FsError::SameFile:
        return QStringLiteral("The source and the target are the same file.");
    case FsError::ShortCopy:
        return QStringLiteral("The copy is incomplete.");
    case FsError::SourceChanged:
        return QStringLiteral("The file changed while it was copied.");
    case FsError::Appeared:
        return QStringLiteral("A file of that name has appeared in the folder.");
    case FsError::Io:
        break;
    }
    return QStringLiteral("The system reported an error.");
}

} // namespace platform
