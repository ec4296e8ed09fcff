// Building the main window from its layout table and connecting each
// control's events to the handler named after it.
#include "main_window/pelmora.h"

#include "main_window/application.h"
#include "main_window/artwork.h"
#include "main_window/caption_button.h"
#include "main_window/pelmora_layout.h"
#include "platform/drives/drive_path.h"
#include "platform/widgets/browser_list.h"
#include "platform/widgets/drive_selector.h"
#include "platform/widgets/file_browser.h"
#include "platform/widgets/folder_browser.h"
#include "platform/widgets/panel_status_bar.h"
#include "platform/widgets/tab_control.h"
#include "platform/twips.h"
#include "platform/drives/working_folder.h"
#include "selection/selection_state.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>

using pelmora_layout::Kind;
using pelmora_layout::Picture;

namespace {

QPixmap pictureOf(Picture picture) {
    switch (picture) {
    case Picture::ProgramIcon:
        return artwork::programIcon();
    case Picture::FilesGlyph:
        return artwork::filesGlyph();
    case Picture::FolderGlyph:
        return artwork::folderGlyph();
    case Picture::MakerLogo:
        return artwork::makerLogo();
    case Picture::None:
        break;
    }
    return {};
}

QWidget* makeControl(const pelmora_layout::Control& entry, QWidget* parent) {
    const QString caption = entry.caption ? QString::fromUtf8(entry.caption) : QString();
    switch (entry.kind) {
    case Kind::TabControl: {
        auto* tabs = new platform::TabControl(parent);
        for (const char* tab : pelmora_layout::tabCaptions())
            tabs->addTab(QString::fromUtf8(tab));
        return tabs;
    }
    case Kind::StatusBar: {
        QList<int> widths;
        for (int twips : pelmora_layout::statusPanelWidths())
            widths << platform::px(twips);
        return new platform::PanelStatusBar(widths, parent);
    }
    case Kind::Frame:
        return new QGroupBox(caption, parent);
    case Kind::Label: {
        auto* label = new QLabel(caption, parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(
            (entry.flags & pelmora_layout::Centred ? Qt::AlignHCenter : Qt::AlignLeft) |
            Qt::AlignTop);
        label->setWordWrap(entry.flags & pelmora_layout::WordWrap);
        if (entry.flags & pelmora_layout::Large)
            label->setFont(nameFont());
        return label;
    }
    case Kind::Button:
        return new CaptionButton(caption, parent);
    case Kind::CheckBox:
        return new QCheckBox(caption, parent);
    case Kind::ListBox:
        return new platform::BrowserList(parent);
    case Kind::DriveList:
        return new platform::DriveSelector(parent);
    case Kind::FolderList:
        return new platform::FolderBrowser(parent);
    case Kind::FileList:
        return new platform::FileBrowser(parent);
    case Kind::Image: {
        auto* image = new QLabel(parent);
        image->setPixmap(pictureOf(entry.picture));
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
QRect placeOf(const pelmora_layout::Control& entry, const QWidget* control) {
    QRect rect = platform::toPixels(entry.place);
    if (entry.kind == Kind::Line) {
        const int thickness = control->sizeHint().height();
        rect.setTop(rect.top() - thickness / 2);
        rect.setHeight(thickness);
    }
    return rect;
}

} // namespace

void Pelmora::buildControls() {
    // The tab control sits at its own place in the window, not as the
    // central widget: QMainWindow would size that to the room above the
    // status bar, a pixel wider and a pixel shorter than the tab control is
    // drawn. The status bar goes where QMainWindow keeps it, at its height,
    // over the tab control's last row as it always was.
    QHash<QString, QWidget*> made;
    for (const pelmora_layout::Control& entry : pelmora_layout::controls()) {
        QWidget* parent = this;
        if (entry.container) {
            parent = made.value(QLatin1String(entry.container));
            Q_ASSERT_X(parent, "Pelmora::buildControls", entry.container);
            if (auto* tabs = qobject_cast<platform::TabControl*>(parent); tabs && entry.tab >= 0)
                parent = tabs->page(entry.tab);
        }
        QWidget* widget = makeControl(entry, parent);
        const QString name = QLatin1String(entry.name);
        widget->setObjectName(name);
        widget->setGeometry(placeOf(entry, widget));
        // Every control answers to its design name, for assistive technology
        // and for tests that drive the real program.
        widget->setAccessibleDescription(name);
        if (entry.accessibleName)
            widget->setAccessibleName(QString::fromUtf8(entry.accessibleName));
        if (entry.flags & pelmora_layout::Hidden)
            widget->hide();
        if (auto* bar = qobject_cast<platform::PanelStatusBar*>(widget)) {
            // Its own layout, with spacing between the panels, would ask
            // for more than the window's width.
            bar->setFixedSize(bar->size());
            setStatusBar(bar);
        }
        made.insert(name, widget);
    }
}

void Pelmora::startBrowsers() {
    const QString start = platform::workingFolder();
    const QString rootOfC = platform::drive_path::rootOf(QLatin1Char('C'));
    const std::pair<const char*, const char*> pairs[] = {{"Drive1", "Dir1"}, {"Drive2", "Dir2"}};
    for (const auto& [driveName, dirName] : pairs) {
        auto* dir = control<platform::FolderBrowser>(dirName);
        if (!dir->setPath(start))
            dir->setPath(rootOfC);
        control<platform::DriveSelector>(driveName)->setDriveOf(dir->path());
    }
    control<platform::FileBrowser>("File1")->setPath(
        control<platform::FolderBrowser>("Dir1")->path());
}

void Pelmora::connectHandlers() {
    using platform::DriveSelector;
    using platform::FileBrowser;
    using platform::FolderBrowser;

    // During a copy run a handler waits for its end, as a click waits in
    // the queue: the run serves the windows, and a screen reader's press or
    // toggle still reaches a control then.
    using Handler = void (Pelmora::*)();
    const auto later = [this](Handler handler) {
        return [this, handler] {
            if (m_state->runOn())
                m_state->afterRun([this, handler] { (this->*handler)(); });
            else
                (this->*handler)();
        };
    };

    connect(control<platform::TabControl>("SSTab1"), &platform::TabControl::tabClicked, this,
            later(&Pelmora::SSTab1_Click));
    const std::pair<const char*, Handler> buttons[] = {
        {"CopyBtn1", &Pelmora::CopyBtn1_Click},     {"CopyBtn2", &Pelmora::CopyBtn2_Click},
        {"ExitBtn1", &Pelmora::ExitBtn1_Click},     {"ExitBtn2", &Pelmora::ExitBtn2_Click},
        {"ExitBtn3", &Pelmora::ExitBtn3_Click},     {"ExitBtn4", &Pelmora::ExitBtn4_Click},
        {"AllFileBtn", &Pelmora::AllFileBtn_Click}, {"RemFileBtn", &Pelmora::RemFileBtn_Click},
        {"ClrFileBtn", &Pelmora::ClrFileBtn_Click}, {"DirSelBtn", &Pelmora::DirSelBtn_Click},
        {"RemDirBtn", &Pelmora::RemDirBtn_Click},   {"ClrDirBtn", &Pelmora::ClrDirBtn_Click},
    };
    for (const auto& [name, handler] : buttons)
        connect(control<QPushButton>(name), &QPushButton::clicked, this, later(handler));

    // A check box's handler follows its value, once per change, however it
    // changed: a click, Space, or a screen reader's toggle (which emits no
    // clicked). The boxes start unchecked and nothing before this sets them.
    const std::pair<const char*, Handler> checkBoxes[] = {
        {"HidChkBox", &Pelmora::HidChkBox_Click},
        {"SysChkBox", &Pelmora::SysChkBox_Click},
        {"SSChkBox", &Pelmora::SSChkBox_Click},
    };
    for (const auto& [name, handler] : checkBoxes)
        connect(control<QCheckBox>(name), &QCheckBox::toggled, this, later(handler));

    using platform::BrowserList;
    connect(control<BrowserList>("SelFileList"), &BrowserList::clicked, this,
            later(&Pelmora::SelFileList_Click));
    connect(control<BrowserList>("SelDirList"), &BrowserList::clicked, this,
            later(&Pelmora::SelDirList_Click));

    connect(control<DriveSelector>("Drive1"), &DriveSelector::changed, this,
            later(&Pelmora::Drive1_Change));
    connect(control<FolderBrowser>("Dir1"), &FolderBrowser::changed, this,
            later(&Pelmora::Dir1_Change));
    connect(control<FileBrowser>("File1"), &FileBrowser::clicked, this,
            later(&Pelmora::File1_Click));
    connect(control<DriveSelector>("Drive2"), &DriveSelector::changed, this,
            later(&Pelmora::Drive2_Change));
    connect(control<FolderBrowser>("Dir2"), &FolderBrowser::clicked, this,
            later(&Pelmora::Dir2_Click));
}
