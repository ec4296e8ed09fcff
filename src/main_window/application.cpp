#include "main_window/application.h"

#include "main_window/artwork.h"

#include <QApplication>
#include <QEvent>

namespace {

// Liberation Sans has the proportions of the usual Windows sans-serif and
// ships with Debian (fonts-liberation). The layouts were drawn for a
// narrower bitmap dialog font; at 92 % width the long help texts wrap into
// the lines their boxes have room for, at the same height per line.
constexpr const char* DialogFamily = "Liberation Sans";
constexpr int DialogPixelSize = 11;
constexpr int NamePixelSize = 13; // 9.75 points at 96 dpi
constexpr int DialogStretch = 92;

// Focus marks follow the keyboard, as on other desktops: a mouse user sees
// the windows unmarked, and from the first key pressed anywhere in the
// program every window marks its focus. The style marks it only in a
// window where Tab moved the focus, so a person who opened the question
// with Enter, or turned to a tab with an arrow key, would not see where
// the focus is; this marks such a window too.
class FocusCues : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Every key, not the first alone: the toolkit may take the marks
        // away again when the mouse moves the focus.
        if (event->type() == QEvent::KeyPress) {
            m_keyboardUsed = true;
            for (QWidget* window : QApplication::topLevelWidgets())
                mark(window);
        } else if (event->type() == QEvent::Show && m_keyboardUsed && watched->isWidgetType()) {
            mark(static_cast<QWidget*>(watched));
        }
        return false;
    }

private:
    static void mark(QWidget* widget) {
        if (!widget->isWindow() || widget->testAttribute(Qt::WA_KeyboardFocusChange))
            return;
        widget->setAttribute(Qt::WA_KeyboardFocusChange);
        widget->update();
    }

    bool m_keyboardUsed = false;
};

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
    // The id of the installed desktop entry: a Wayland desktop finds the
    // window's name and icon through it.
    QGuiApplication::setDesktopFileName(QStringLiteral(PELMORA_APP_ID));
    app.setWindowIcon(artwork::windowIcon());
    app.setFont(dialogFont());
    app.installEventFilter(new FocusCues(&app));
}
