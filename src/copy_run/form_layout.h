#pragma once

#include "platform/twips.h"

#include <initializer_list>
#include <span>

class QDialog;
class QPushButton;
class QWidget;

// The controls of the copy run's windows, built from one table per window.
namespace copy_run {

enum class Kind {
    Frame, // titled group box that holds other controls
    Label,
    WrapLabel, // label more than one line high
    ProgressBar,
    Button,
    HiddenText,  // hidden text box: carries a value between windows
    HiddenCheck, // hidden check box: a flag between windows
    Image,
    Line, // horizontal separator; its height in the table is 0
};

struct ControlPlace {
    const char* name; // design name, becomes the objectName
    Kind kind;
    const char* container; // nullptr: the window itself, else a Frame above it in the table
    platform::TwipsRect place;
    // The caption when the window opens; nullptr for a control whose
    // content the program sets (it starts with its own name and carries
    // the name as accessible description).
    const char* text;
};

// Makes the controls of the table, in its order, as children of form or
// of their frames, each at its place. No control takes the keyboard focus
// but the buttons.
void buildForm(QWidget* form, std::span<const ControlPlace> table);

// Names and titles a window of the copy run, fixes it at the size of its
// client area and builds its controls (buildForm).
void buildWindow(QDialog* window, const char* name, const char* title,
                 platform::TwipsRect clientArea, std::span<const ControlPlace> table);

// The buttons take the keyboard focus in the order given, the first at
// once. None is the window's fixed default; with autoDefault, Enter
// presses whichever has the focus.
void orderButtons(std::initializer_list<QPushButton*> buttons, bool autoDefault);

} // namespace copy_run
