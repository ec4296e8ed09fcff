#pragma once

#include "acting_user.h"
#include "selection_controls.h"

#include <memory>

// The copy-error box's prompt; "To" is written "to" in two of its lines
// once the overwrite question was asked for the file.
QString copyErrorPrompt(bool asked);

// The end of a copy-run test: the progress window goes if it is still
// there, the windows closed meanwhile are discarded, then the controls and
// the user. Returns the user's problems().
QStringList endCopyRun(std::unique_ptr<SelectionControls>& sel, std::unique_ptr<ActingUser>& user);
