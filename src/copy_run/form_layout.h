#pragma once

#include "platform/widgets/form.h"

#include <initializer_list>
#include <span>

class QDialog;
class QPushButton;

// The frame of the copy run's windows around their controls' tables.
namespace copy_run {

// Names and titles a window of the copy run, fixes it at the size of its
// client area and builds its controls from its table (platform::form).
void buildWindow(QDialog* window, const char* name, const char* title,
                 platform::TwipsRect clientArea, std::span<const platform::form::Control> table);

// The buttons take the keyboard focus in the order given, the first at
// once. None is the window's fixed default; with autoDefault, Enter
// presses whichever has the focus.
void orderButtons(std::initializer_list<QPushButton*> buttons, bool autoDefault);

} // namespace copy_run
