#pragma once

#include "platform/dialogs/user_interaction.h"

// The warnings of the selection handlers: OK alone, exclamation icon.
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

} // namespace selection_messages
