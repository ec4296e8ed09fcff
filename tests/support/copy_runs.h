#pragma once

#include "acting_user.h"
#include "selection_controls.h"
#include "temp_drives.h"

#include <memory>

// The copy-error box's prompt; "To" is written "to" in two of its lines
// once the overwrite question was asked for the file.
QString copyErrorPrompt(bool asked);

// The end of a copy-run test: the progress window goes if it is still
// there, the windows closed meanwhile are discarded, then the controls and
// the user. Returns the user's problems().
QStringList endCopyRun(std::unique_ptr<SelectionControls>& sel, std::unique_ptr<ActingUser>& user);

// What a copy-run test starts from, before each test function: drives with
// two sources (A and B in C:\src), a user answering the boxes and windows
// as scripted, and the selection's controls. A test class derives from it
// after QObject.
class CopyRunFixture {
protected:
    static const QString A, B;
    static const QByteArray NewA, NewB, Old;

    void startCopyRun();
    // The problems the user met; the drives are gone afterwards.
    QStringList finishCopyRun();
    static void run();
    // The run is over: its window gone, the selection reset once.
    bool ended() const;

    std::unique_ptr<TempDrives> m_drives;
    std::unique_ptr<ActingUser> m_user;
    std::unique_ptr<SelectionControls> m_sel;
};
