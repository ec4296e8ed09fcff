#include "main_window/pelmora.h"

#include "copy_run/status.h"
#include "main_window/artwork.h"
#include "main_window/pelmora_layout.h"
#include "platform/dialogs/user_interaction.h"
#include "platform/twips.h"
#include "platform/widgets/drive_selector.h"
#include "platform/widgets/file_browser.h"
#include "platform/widgets/folder_browser.h"
#include "platform/widgets/panel_status_bar.h"
#include "selection/file_selection.h"
#include "selection/folder_selection.h"
#include "selection/selection_state.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

namespace {

QPointer<Pelmora> g_instance;

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
    : QMainWindow(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
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

    m_drops = std::make_unique<DropSelection>(*m_files, *m_folders);
    setAcceptDrops(true);

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
