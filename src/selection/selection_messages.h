#pragma once

#include "platform/dialogs/user_interaction.h"

#include <QStringList>

// The message boxes of the selection handlers and of the copy run, with
// their texts: OK alone and the exclamation icon unless said otherwise.
namespace selection_messages {

inline void warn(const QString& prompt, const QString& title) {
    platform::MessageBox box;
    box.prompt = prompt;
    box.title = title;
    box.buttons = platform::Buttons::Ok;
    box.icon = platform::Icon::Exclamation;
    box.defaultButton = 1;
    platform::ask(box);
}

inline void fileAlreadySelected() {
    warn(QStringLiteral("File Already Selected!"), QStringLiteral("Repeated Selection"));
}

inline void folderAlreadySelected() {
    warn(QStringLiteral("Folder Already Selected!"), QStringLiteral("Repeated Selection"));
}

inline void driveNotReady() {
    warn(QStringLiteral("Drive Not Ready"), QStringLiteral("Drive Error"));
}

inline void tooManyFiles() {
    warn(QStringLiteral("Cannot Select More Than 32,767 Files."),
         QStringLiteral("Selection Limit"));
}

inline void tooManyFolders() {
    warn(QStringLiteral("Cannot Select More Than 32,767 Folders."),
         QStringLiteral("Selection Limit"));
}

// ---- the copy run's, both titled "Copy Error"

// A copy failed: Abort, Retry (after a disk change) or Ignore, Ignore the
// default. A copy made without asking spells its lines differently from
// one the user confirmed in the overwrite question.
inline platform::Answer copyFailed(bool confirmed) {
    const QStringList lines{
        QStringLiteral("Disk Full Or Write Protected Disk!"),
        confirmed ? QStringLiteral("Abort to Cancel.") : QStringLiteral("Abort To Cancel."),
        QStringLiteral("Retry (Insert New Disk)."),
        confirmed ? QStringLiteral("Ignore to Skip File.") : QStringLiteral("Ignore To Skip File."),
    };
    platform::MessageBox box;
    box.prompt = lines.join(QStringLiteral("\r\n"));
    box.title = QStringLiteral("Copy Error");
    box.buttons = platform::Buttons::AbortRetryIgnore;
    box.icon = platform::Icon::Exclamation;
    box.defaultButton = 3;
    return platform::ask(box);
}

inline void cannotReplaceWithItself() {
    warn(QStringLiteral("Cannot Replace File With Itself"), QStringLiteral("Copy Error"));
}

} // namespace selection_messages
