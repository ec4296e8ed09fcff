#pragma once

#include <QFont>

class QApplication;

// Program-wide settings made once at start: the application's name, the
// icon of every window, the dialog font, and focus marks in every window
// once the keyboard has been used.
void setUpApplication(QApplication& app);

// The text of every control: a plain sans-serif at the small dialog size the
// layouts are measured in (11 pixels, 8 points at 96 dpi), set a touch
// narrower than its natural width so that every caption fits its box.
QFont dialogFont();

// The product and maker names: the same type, larger and bold.
QFont nameFont();
