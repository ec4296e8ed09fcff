#pragma once

#include "platform/widgets/form.h"

#include <span>

// The main window's controls: one table with each control's kind,
// container, place, size and caption, from which the window is built.
namespace pelmora_layout {

using Control = platform::form::Control;
using Kind = platform::form::Kind;

// The pictures the window's images show.
enum Picture { NoPicture, ProgramIcon, FilesGlyph, FolderGlyph, MakerLogo };

// The tab pages of SSTab1, left to right.
enum Tab { CopyFilesTab = 0, ToFoldersTab = 1, OptionsHelpTab = 2, AboutTab = 3 };

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
