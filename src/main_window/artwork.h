#pragma once

#include <QIcon>
#include <QPixmap>

// The program's own pictures, painted in code so that nothing is loaded
// from disk: the program icon, the two small glyphs of the help text and
// the maker's logo.
namespace artwork {

// 32 x 32: one document fanning out into three folders, in the plain
// sixteen-colour look of the rest of the program.
QPixmap programIcon();
// The program icon as the icon of every window.
QIcon windowIcon();

// 16 x 16: a small stack of files, shown beside the "Copy File(s)" tab's name.
QPixmap filesGlyph();
// 16 x 16: a small folder, shown beside the "To Folder(s)" tab's name.
QPixmap folderGlyph();

// 108 x 36: the "Orvane" wordmark.
QPixmap makerLogo();

} // namespace artwork
