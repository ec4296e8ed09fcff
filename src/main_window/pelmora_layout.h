#pragma once

#include "platform/twips.h"

#include <span>

// The main window's controls: one table with each control's kind,
// container, place, size and caption, from which the window is built.
namespace pelmora_layout {

enum class Kind {
    TabControl,
    StatusBar,
    Frame, // titled group box that holds other controls
    Label,
    Button,
    CheckBox, // starts unchecked
    ListBox,
    DriveList,
    FolderList,
    FileList,
    Image,
    Line, // horizontal separator: its place is the start point and the length
};

enum class Picture { None, ProgramIcon, FilesGlyph, FolderGlyph, MakerLogo };

enum Flag {
    Hidden = 1,     // never shown: carries program state only
    WordWrap = 2,   // the caption runs over several lines
    Large = 4,      // product and maker names: larger, bold type
    Centred = 8,    // the caption is centred in its box
    ProgramSet = 16 // the program changes its content while it runs
};

// The tab pages of SSTab1, left to right.
enum Tab { CopyFilesTab = 0, ToFoldersTab = 1, OptionsHelpTab = 2, AboutTab = 3 };

struct Control {
    const char* name; // design name: the objectName
    Kind kind;
    const char* container; // nullptr: the client area; "SSTab1" (with tab) or a frame above it
    int tab;               // the page of SSTab1 for controls placed on it, else -1
    platform::TwipsRect place;
    const char* caption = nullptr; // UTF-8, exactly as shown at start; nullptr: none
    Picture picture = Picture::None;
    int flags = 0;
    const char* accessibleName = nullptr; // what a list or browser holds
};

inline constexpr const char* WindowCaption = "Pelmora By Orvane";
inline constexpr int ClientWidth = 6510;
inline constexpr int ClientHeight = 5595;

// Every control, each container before what it holds.
std::span<const Control> controls();

// The captions of SSTab1's tabs, left to right.
std::span<const char* const> tabCaptions();

// StatusBar1's panel widths in twips, panel 1 first.
std::span<const int> statusPanelWidths();

// The controls that take the keyboard focus, in the order Tab visits them.
std::span<const char* const> tabOrder();

} // namespace pelmora_layout
