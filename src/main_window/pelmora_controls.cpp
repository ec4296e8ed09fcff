// Building the main window from its layout table and connecting each
// control's events to the handler named after it.
#include "main_window/pelmora.h"

#include "main_window/application.h"
#include "main_window/artwork.h"
#include "main_window/caption_button.h"
#include "main_window/pelmora_layout.h"
#include "platform/drives/drive_path.h"
#include "platform/drives/working_folder.h"
#include "platform/widgets/browser_list.h"
#include "platform/widgets/drive_selector.h"
#include "platform/widgets/file_browser.h"
#include "platform/widgets/folder_browser.h"
#include "platform/widgets/form.h"
#include "platform/widgets/panel_status_bar.h"
#include "platform/widgets/tab_control.h"
#include "selection/selection_state.h"

#include <QApplication>
#include <QCheckBox>
#include <QSignalBlocker>

#include <functional>

namespace {

QPixmap pictureOf(int picture) {
    switch (picture) {
    case pelmora_layout::ProgramIcon:
        return artwork::programIcon();
    case pelmora_layout::FilesGlyph:
        return artwork::filesGlyph();
    case pelmora_layout::FolderGlyph:
        return artwork::folderGlyph();
    case pelmora_layout::MakerLogo:
        return artwork::makerLogo();
    default:
        return {};
    }
}

} // namespace

void Pelmora::buildControls() {
    platform::form::Window window;
    window.tabCaptions = pelmora_layout::tabCaptions();
    window.statusPanelWidths = pelmora_layout::statusPanelWidths();
    window.largeFont = nameFont();
    window.describeEvery = true;
    window.button = [](const QString& caption, QWidget* parent) {
        return new CaptionButton(caption, parent);
    };
    window.picture = &pictureOf;
    // The tab control sits at its own place in the window, not as the
    // central widget: QMainWindow would size that to the room above the
    // status bar, a pixel wider and a pixel shorter than the tab control is
    // drawn. The status bar goes where QMainWindow keeps it, at its height,
    // over the tab control's last row as it always was.
    platform::form::build(this, pelmora_layout::controls(), window);
    auto* bar = control<platform::PanelStatusBar>("StatusBar1");
    // Its own layout, with spacing between the panels, would ask for more
    // than the window's width.
    bar->setFixedSize(bar->size());
    setStatusBar(bar);
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

    // A modal window above this one (the progress window, the overwrite
    // question, a message box) takes all input, also what comes around the
    // window system: a screen reader's press (a click 0.1 s later) or toggle,
    // a queued press, a timer. The handler does not run then; a check box
    // or tab the input changed goes back (refuse). During a copy run or
    // Select All, which serve the windows, a handler waits for the end
    // instead, as a click waits in the queue, and is refused then if a
    // modal window is still open (the progress window after the same-file
    // stop).
    using Handler = void (Pelmora::*)();
    const auto later = [this](Handler handler, std::function<void()> refuse = {}) {
        return [this, handler, refuse] {
            const auto act = [this, handler, refuse] {
                if (QApplication::activeModalWidget()) {
                    if (refuse)
                        refuse();
                } else if (handler) {
                    (this->*handler)();
                }
            };
            if (m_state->runOn())
                m_state->afterRun(act);
            else
                act();
        };
    };

    auto* tabs = control<platform::TabControl>("SSTab1");
    connect(tabs, &platform::TabControl::tabClicked, this,
            later(&Pelmora::SSTab1_Click, [tabs] { tabs->refuseClick(); }));
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
    for (const auto& [name, handler] : checkBoxes) {
        auto* box = control<QCheckBox>(name);
        connect(box, &QCheckBox::toggled, this, later(handler, [box] {
                    const QSignalBlocker quiet(box);
                    box->toggle();
                }));
    }

    // "Don't Confirm Overwrites" has no handler: the copy run reads its
    // value before every copy, so the value itself waits. A change goes
    // back at once and is made again at the end, unless refused then.
    auto* check1 = control<QCheckBox>("Check1");
    connect(check1, &QCheckBox::toggled, this, [this, check1] {
        if (!m_state->runOn() && !QApplication::activeModalWidget())
            return;
        const QSignalBlocker quiet(check1);
        check1->toggle();
        if (m_state->runOn())
            m_state->afterRun([check1] {
                if (!QApplication::activeModalWidget())
                    check1->toggle();
            });
    });

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
