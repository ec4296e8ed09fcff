#pragma once

#include "platform/twips.h"

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QString>

#include <functional>
#include <span>

class QPushButton;
class QWidget;

// A window's controls, made from a table of the window's own: each control
// with its kind, container, place in twips and caption, as the layouts are
// drawn. Every window of the program is built this way.
namespace platform::form {

enum class Kind {
    TabControl, // its tabs: Window::tabCaptions
    StatusBar,  // its panels: Window::statusPanelWidths
    Frame,      // titled group box that holds other controls
    Label,
    Button,
    CheckBox, // starts unchecked
    TextBox,
    ListBox,
    DriveList,
    FolderList,
    FileList,
    ProgressBar, // starts empty
    Image,
    Line, // horizontal separator: its place is the start point and the length
};

enum Flag {
    Hidden = 1,     // never shown: carries program state only
    WordWrap = 2,   // the caption runs over several lines
    Large = 4,      // product and maker names: Window::largeFont
    Centred = 8,    // the caption is centred in its box
    ProgramSet = 16 // the program changes its content while it runs
};

struct Control {
    const char* name; // design name: the objectName
    Kind kind;
    // nullptr: the window's client area; else a control above it in the
    // table (with tab, a page of a tab control)
    const char* container;
    int tab; // the page of the container's tabs for a control placed on one, else -1
    TwipsRect place;
    const char* caption = nullptr; // UTF-8, exactly as shown at start; nullptr: none
    int picture = 0;               // an Image's picture, in the window's own numbering
    int flags = 0;
    const char* accessibleName = nullptr; // what a list or browser holds
};

// What a window adds to its table.
struct Window {
    std::span<const char* const> tabCaptions; // left to right
    std::span<const int> statusPanelWidths;   // in twips, panel 1 first
    QFont largeFont;
    // Every control carries its design name as its accessible description,
    // for assistive technology and for tests of the real program; else
    // only those the program sets (ProgramSet), and a screen reader finds
    // the others by their captions.
    bool describeEvery = false;
    // The window's own kind of button and its pictures; by default a plain
    // QPushButton and no picture.
    std::function<QPushButton*(const QString& caption, QWidget* parent)> button;
    std::function<QPixmap(int picture)> picture;
};

// Makes the controls of the table, in its order, as children of form or of
// their containers, each at its place; returns them by name. Static and
// hidden controls take no keyboard focus.
QHash<QString, QWidget*> build(QWidget* form, std::span<const Control> table,
                               const Window& window = {});

} // namespace platform::form
