#include "platform/widgets/form.h"

#include "platform/widgets/browser_list.h"
#include "platform/widgets/drive_selector.h"
#include "platform/widgets/file_browser.h"
#include "platform/widgets/folder_browser.h"
#include "platform/widgets/panel_status_bar.h"
#include "platform/widgets/tab_control.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace platform::form {

namespace {

QWidget* makeControl(const Control& entry, QWidget* parent, const Window& window) {
    const QString caption = entry.caption ? QString::fromUtf8(entry.caption) : QString();
    switch (entry.kind) {
    case Kind::TabControl: {
        auto* tabs = new TabControl(parent);
        for (const char* tab : window.tabCaptions)
            tabs->addTab(QString::fromUtf8(tab));
        return tabs;
    }
    case Kind::StatusBar: {
        QList<int> widths;
        for (int twips : window.statusPanelWidths)
            widths << px(twips);
        return new PanelStatusBar(widths, parent);
    }
    case Kind::Frame:
        return new QGroupBox(caption, parent);
    case Kind::Label: {
        auto* label = new QLabel(caption, parent);
        // File names are shown as they are: never read as markup.
        label->setTextFormat(Qt::PlainText);
        label->setAlignment((entry.flags & Centred ? Qt::AlignHCenter : Qt::AlignLeft) |
                            Qt::AlignTop);
        label->setWordWrap(entry.flags & WordWrap);
        if (entry.flags & Large)
            label->setFont(window.largeFont);
        return label;
    }
    case Kind::Button:
        return window.button ? window.button(caption, parent) : new QPushButton(caption, parent);
    case Kind::CheckBox:
        return new QCheckBox(caption, parent);
    case Kind::TextBox:
        return new QLineEdit(caption, parent);
    case Kind::ListBox:
        return new BrowserList(parent);
    case Kind::DriveList:
        return new DriveSelector(parent);
    case Kind::FolderList:
        return new FolderBrowser(parent);
    case Kind::FileList:
        return new FileBrowser(parent);
    case Kind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }
    case Kind::Image: {
        auto* image = new QLabel(parent);
        if (window.picture)
            image->setPixmap(window.picture(entry.picture));
        image->setAlignment(Qt::AlignCenter);
        return image;
    }
    case Kind::Line: {
        auto* line = new QFrame(parent);
        line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
        return line;
    }
    }
    return nullptr;
}

// A line's place is its start and its length; it is drawn centred on it,
// as thick as the style draws a sunken line.
QRect placeOf(const Control& entry, const QWidget* control) {
    QRect rect = toPixels(entry.place);
    if (entry.kind == Kind::Line) {
        const int thickness = control->sizeHint().height();
        rect.setTop(rect.top() - thickness / 2);
        rect.setHeight(thickness);
    }
    return rect;
}

bool isStatic(Kind kind) {
    return kind == Kind::Frame || kind == Kind::Label || kind == Kind::Image ||
           kind == Kind::Line || kind == Kind::ProgressBar;
}

} // namespace

QHash<QString, QWidget*> build(QWidget* form, std::span<const Control> table,
                               const Window& window) {
    QHash<QString, QWidget*> made;
    for (const Control& entry : table) {
        QWidget* parent = form;
        if (entry.container) {
            parent = made.value(QLatin1String(entry.container));
            Q_ASSERT_X(parent, "platform::form::build", entry.container);
            if (auto* tabs = qobject_cast<TabControl*>(parent); tabs && entry.tab >= 0)
                parent = tabs->page(entry.tab);
        }
        QWidget* widget = makeControl(entry, parent, window);
        const QString name = QLatin1String(entry.name);
        widget->setObjectName(name);
        widget->setGeometry(placeOf(entry, widget));
        if (window.describeEvery || entry.flags & ProgramSet)
            widget->setAccessibleDescription(name);
        if (entry.accessibleName)
            widget->setAccessibleName(QString::fromUtf8(entry.accessibleName));
        if (entry.flags & Hidden)
            widget->hide();
        if (entry.flags & Hidden || isStatic(entry.kind))
            widget->setFocusPolicy(Qt::NoFocus);
        made.insert(name, widget);
    }
    return made;
}

} // namespace platform::form
