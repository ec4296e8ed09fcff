#include "main_window/pelmora.h"

#include "copy_run/status.h"
#include "main_window/application.h"
#include "main_window/artwork.h"
#include "main_window/caption_button.h"
#include "main_window/pelmora_layout.h"
#include "main_window/selection_list.h"
#include "platform/drive_path.h"
#include "platform/drive_selector.h"
#include "platform/file_browser.h"
#include "platform/folder_browser.h"
#include "platform/panel_status_bar.h"
#include "platform/tab_control.h"
#include "platform/twips.h"
#include "platform/user_interaction.h"
#include "platform/working_folder.h"
#include "selection/file_selection.h"
#include "selection/folder_selection.h"
#include "selection/selection_state.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QTabBar>

using pelmora_layout::Kind;
using pelmora_layout::Picture;

namespace {

QPointer<Pelmora> g_instance;

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
        return new SelectionList(parent);
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

Pelmora& Pelmora::instance() {
    if (!g_instance) {
        g_instance = new Pelmora;
        // Torn down as the event loop ends, while the application still
        // stands; without a running loop (tests) it lives as long as the process.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_instance.data(),
                         [] { delete g_instance.data(); });
    }
    return *g_instance;
}

Pelmora::Pelmora()
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint)
    , m_quit([] { QCoreApplication::exit(0); }) {
    setObjectName(QStringLiteral("Pelmora"));
    setWindowTitle(QString::fromUtf8(pelmora_layout::WindowCaption));
    setWindowIcon(artwork::windowIcon());
    setFixedSize(platform::toPixels(platform::TwipsRect{0, 0, pelmora_layout::ClientWidth,
                                                        pelmora_layout::ClientHeight})
                     .size());

    buildControls();

    m_state = std::make_unique<SelectionState>(SelectionState::Controls{
        control<QListWidget>("SelFileList"),
        control<QListWidget>("FilenameList"),
        control<QListWidget>("SelDirList"),
        control<QPushButton>("RemFileBtn"),
        control<QPushButton>("ClrFileBtn"),
        control<QPushButton>("RemDirBtn"),
        control<QPushButton>("ClrDirBtn"),
        control<QPushButton>("CopyBtn1"),
        control<QPushButton>("CopyBtn2"),
        control<QLabel>("Label2"),
        control<platform::PanelStatusBar>("StatusBar1"),
        control<QCheckBox>("Check1"),
    });
    m_files =
        std::make_unique<FileSelection>(*m_state, FileSelection::Controls{
                                                      control<platform::DriveSelector>("Drive1"),
                                                      control<platform::FolderBrowser>("Dir1"),
                                                      control<platform::FileBrowser>("File1"),
                                                      control<QCheckBox>("HidChkBox"),
                                                      control<QCheckBox>("SysChkBox"),
                                                  });
    m_folders =
        std::make_unique<FolderSelection>(*m_state, FolderSelection::Controls{
                                                        control<platform::DriveSelector>("Drive2"),
                                                        control<platform::FolderBrowser>("Dir2"),
                                                        control<QCheckBox>("SSChkBox"),
                                                    });

    // The browsers are pointed at the start folder before their events are
    // connected: starting up is not a change the user made.
    startBrowsers();
    connectHandlers();
    setTabOrderChain();
    Form_Load();
}

Pelmora::~Pelmora() = default;

void Pelmora::setQuitFunction(std::function<void()> quit) {
    m_quit = std::move(quit);
}

template <typename T> T* Pelmora::control(const char* name) const {
    auto* found = findChild<T*>(QLatin1String(name));
    Q_ASSERT_X(found, "Pelmora::control", name);
    return found;
}

void Pelmora::buildControls() {
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

    connect(control<platform::TabControl>("SSTab1"), &platform::TabControl::tabClicked, this,
            &Pelmora::SSTab1_Click);
    const std::pair<const char*, void (Pelmora::*)()> buttons[] = {
        {"CopyBtn1", &Pelmora::CopyBtn1_Click},     {"CopyBtn2", &Pelmora::CopyBtn2_Click},
        {"ExitBtn1", &Pelmora::ExitBtn1_Click},     {"ExitBtn2", &Pelmora::ExitBtn2_Click},
        {"ExitBtn3", &Pelmora::ExitBtn3_Click},     {"ExitBtn4", &Pelmora::ExitBtn4_Click},
        {"AllFileBtn", &Pelmora::AllFileBtn_Click}, {"RemFileBtn", &Pelmora::RemFileBtn_Click},
        {"ClrFileBtn", &Pelmora::ClrFileBtn_Click}, {"DirSelBtn", &Pelmora::DirSelBtn_Click},
        {"RemDirBtn", &Pelmora::RemDirBtn_Click},   {"ClrDirBtn", &Pelmora::ClrDirBtn_Click},
    };
    for (const auto& [name, handler] : buttons)
        connect(control<QPushButton>(name), &QPushButton::clicked, this, handler);

    // A check box's click comes after it has taken its new value.
    const std::pair<const char*, void (Pelmora::*)()> checkBoxes[] = {
        {"HidChkBox", &Pelmora::HidChkBox_Click},
        {"SysChkBox", &Pelmora::SysChkBox_Click},
        {"SSChkBox", &Pelmora::SSChkBox_Click},
    };
    for (const auto& [name, handler] : checkBoxes)
        connect(control<QCheckBox>(name), &QCheckBox::clicked, this, handler);

    connect(control<SelectionList>("SelFileList"), &SelectionList::entryClicked, this,
            &Pelmora::SelFileList_Click);
    connect(control<SelectionList>("SelDirList"), &SelectionList::entryClicked, this,
            &Pelmora::SelDirList_Click);

    connect(control<DriveSelector>("Drive1"), &DriveSelector::changed, this,
            &Pelmora::Drive1_Change);
    connect(control<FolderBrowser>("Dir1"), &FolderBrowser::changed, this, &Pelmora::Dir1_Change);
    connect(control<FileBrowser>("File1"), &FileBrowser::clicked, this, &Pelmora::File1_Click);
    connect(control<DriveSelector>("Drive2"), &DriveSelector::changed, this,
            &Pelmora::Drive2_Change);
    connect(control<FolderBrowser>("Dir2"), &FolderBrowser::clicked, this, &Pelmora::Dir2_Click);
}

void Pelmora::setTabOrderChain() {
    auto* tabs = control<platform::TabControl>("SSTab1");
    QWidget* previous = nullptr;
    for (const char* name : pelmora_layout::tabOrder()) {
        QWidget* next = qstrcmp(name, "SSTab1") == 0 ? tabs->tabBar() : control<QWidget>(name);
        if (previous)
            QWidget::setTabOrder(previous, next);
        previous = next;
    }
    // The tab row holds the focus when the window first shows.
    tabs->tabBar()->setFocus(Qt::OtherFocusReason);
}

// ---- the window's own handlers

void Pelmora::Form_Load() {
    m_state->load();
}

void Pelmora::CopyBtn1_Click() {
    platform::showModal(Status::instance());
}

void Pelmora::CopyBtn2_Click() {
    CopyBtn1_Click();
}

void Pelmora::SSTab1_Click() {
    m_state->applyCopyButtonRule();
}

void Pelmora::ExitBtn1_Click() {
    askToExit();
}

void Pelmora::ExitBtn2_Click() {
    askToExit();
}

void Pelmora::ExitBtn3_Click() {
    askToExit();
}

void Pelmora::ExitBtn4_Click() {
    askToExit();
}

void Pelmora::askToExit() {
    const platform::MessageBox question{
        QStringLiteral("Are You Sure You Want To Exit Pelmora?"),
        QStringLiteral("Quit Pelmora?"),
        platform::Buttons::OkCancel,
        platform::Icon::Question,
        1,
    };
    if (platform::ask(question) == platform::Answer::Ok)
        m_quit();
}

void Pelmora::closeEvent(QCloseEvent* event) {
    event->accept();
    m_quit();
}

// ---- "Copy File(s)"

void Pelmora::Drive1_Change() {
    m_files->Drive1_Change();
}

void Pelmora::Dir1_Change() {
    m_files->Dir1_Change();
}

void Pelmora::File1_Click() {
    m_files->File1_Click();
}

void Pelmora::AllFileBtn_Click() {
    m_files->AllFileBtn_Click();
}

void Pelmora::SelFileList_Click() {
    m_files->SelFileList_Click();
}

void Pelmora::RemFileBtn_Click() {
    m_files->RemFileBtn_Click();
}

void Pelmora::ClrFileBtn_Click() {
    m_files->ClrFileBtn_Click();
}

void Pelmora::HidChkBox_Click() {
    m_files->HidChkBox_Click();
}

void Pelmora::SysChkBox_Click() {
    m_files->SysChkBox_Click();
}

// ---- "To Folder(s)"

void Pelmora::Drive2_Change() {
    m_folders->Drive2_Change();
}

void Pelmora::Dir2_Click() {
    m_folders->Dir2_Click();
}

void Pelmora::DirSelBtn_Click() {
    m_folders->DirSelBtn_Click();
}

void Pelmora::SSChkBox_Click() {
    m_folders->SSChkBox_Click();
}

void Pelmora::SelDirList_Click() {
    m_folders->SelDirList_Click();
}

void Pelmora::RemDirBtn_Click() {
    m_folders->RemDirBtn_Click();
}

void Pelmora::ClrDirBtn_Click() {
    m_folders->ClrDirBtn_Click();
}
