#include "main_window/application.h"

#include "main_window/artwork.h"

#include <QApplication>

namespace {

// Liberation Sans has the proportions of the usual Windows sans-serif and
// ships with Debian (fonts-liberation). The layouts were drawn for a
// narrower bitmap dialog font; at 92 % width the long help texts wrap into
// the lines their boxes have room for, at the same height per line.
constexpr const char* DialogFamily = "Liberation Sans";
constexpr int DialogPixelSize = 11;
constexpr int NamePixelSize = 13; // 9.75 points at 96 dpi
constexpr int DialogStretch = 92;

} // namespace

QFont dialogFont() {
    QFont font(QString::fromLatin1(DialogFamily));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(DialogPixelSize);
    font.setStretch(DialogStretch);
    return font;
}

QFont nameFont() {
    QFont font = dialogFont();
    font.setPixelSize(NamePixelSize);
    font.setBold(true);
    return font;
}

void setUpApplication(QApplication& app) {
    QCoreApplication::setApplicationName(QStringLiteral("Pelmora"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.02"));
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane"));
    app.setWindowIcon(artwork::windowIcon());
    app.setFont(dialogFont());
}
