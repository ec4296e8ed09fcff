#include "selection_rig.h"

#include "bench_common.h"

#include "platform/drive_path.h"
#include "platform/drive_selector.h"
#include "platform/file_browser.h"
#include "platform/folder_browser.h"
#include "platform/panel_status_bar.h"
#include "platform/twips.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace bench {

namespace {

template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPushButton* button(QWidget* parent, const char* name) {
    return named(new QPushButton(QString::fromLatin1(name), parent), name);
}

} // namespace

SelectionRig::SelectionRig() {
    setObjectName(QStringLiteral("SelectionRig"));
    setWindowTitle(QStringLiteral("Pelmora benchmark"));

    m_selFileList = named(new QListWidget(this), "SelFileList");
    m_filenameList = named(new QListWidget(this), "FilenameList");
    m_filenameList->hide();
    m_selDirList = named(new QListWidget(this), "SelDirList");
    m_allFileBtn = button(this, "AllFileBtn");
    m_dirSelBtn = button(this, "DirSelBtn");
    m_check1 = named(new QCheckBox(QStringLiteral("Don't Confirm Overwrites"), this), "Check1");

    SelectionState::Controls controls{};
    controls.selFileList = m_selFileList;
    controls.filenameList = m_filenameList;
    controls.selDirList = m_selDirList;
    controls.remFileBtn = button(this, "RemFileBtn");
    controls.clrFileBtn = button(this, "ClrFileBtn");
    controls.remDirBtn = button(this, "RemDirBtn");
    controls.clrDirBtn = button(this, "ClrDirBtn");
    controls.copyBtn1 = button(this, "CopyBtn1");
    controls.copyBtn2 = button(this, "CopyBtn2");
    controls.totalLabel = named(new QLabel(this), "Label2");
    controls.statusBar = named(
        new platform::PanelStatusBar(
            {platform::px(2400), platform::px(2400), platform::px(1200), platform::px(1200)}, this),
        "StatusBar1");
    controls.dontConfirmOverwrites = m_check1;
    m_state = std::make_unique<SelectionState>(controls);
    m_state->load();

    m_drive1 = named(new platform::DriveSelector(this), "Drive1");
    m_dir1 = named(new platform::FolderBrowser(this), "Dir1");
    m_file1 = named(new platform::FileBrowser(this), "File1");
    auto* hidChkBox = named(new QCheckBox(QStringLiteral("Hidden Files"), this), "HidChkBox");
    auto* sysChkBox = named(new QCheckBox(QStringLiteral("System Files"), this), "SysChkBox");
    m_fileSelection = std::make_unique<FileSelection>(
        *m_state, FileSelection::Controls{m_drive1, m_dir1, m_file1, hidChkBox, sysChkBox});

    m_drive2 = named(new platform::DriveSelector(this), "Drive2");
    m_dir2 = named(new platform::FolderBrowser(this), "Dir2");
    auto* ssChkBox = named(new QCheckBox(QStringLiteral("OFF"), this), "SSChkBox");
    m_folderSelection = std::make_unique<FolderSelection>(
        *m_state, FolderSelection::Controls{m_drive2, m_dir2, ssChkBox});

    // Wired as the main window wires them.
    FileSelection* files = m_fileSelection.get();
    FolderSelection* folders = m_folderSelection.get();
    connect(m_drive1, &platform::DriveSelector::changed, this, [files] { files->Drive1_Change(); });
    connect(m_dir1, &platform::FolderBrowser::changed, this, [files] { files->Dir1_Change(); });
    connect(m_file1, &platform::FileBrowser::clicked, this, [files] { files->File1_Click(); });
    connect(m_allFileBtn, &QPushButton::clicked, this, [files] { files->AllFileBtn_Click(); });
    connect(m_drive2, &platform::DriveSelector::changed, this,
            [folders] { folders->Drive2_Change(); });
    connect(m_dir2, &platform::FolderBrowser::clicked, this, [folders] { folders->Dir2_Click(); });
    connect(m_dirSelBtn, &QPushButton::clicked, this, [folders] { folders->DirSelBtn_Click(); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_drive1, 0, 0);
    grid->addWidget(m_dir1, 1, 0);
    grid->addWidget(m_file1, 2, 0);
    grid->addWidget(m_allFileBtn, 3, 0);
    grid->addWidget(m_selFileList, 1, 1, 2, 1);
    grid->addWidget(controls.totalLabel, 3, 1);
    grid->addWidget(m_drive2, 0, 2);
    grid->addWidget(m_dir2, 1, 2);
    grid->addWidget(m_dirSelBtn, 3, 2);
    grid->addWidget(m_selDirList, 1, 3, 2, 1);
    grid->addWidget(m_check1, 3, 3);
    grid->addWidget(controls.statusBar, 4, 0, 1, 4);
    const QList<QWidget*> rest = {controls.remFileBtn, controls.clrFileBtn, controls.remDirBtn,
                                  controls.clrDirBtn,  controls.copyBtn1,   controls.copyBtn2,
                                  hidChkBox,           sysChkBox,           ssChkBox};
    for (qsizetype i = 0; i < rest.size(); ++i)
        grid->addWidget(rest[i], 5 + int(i / 4), int(i % 4));
}

SelectionRig::~SelectionRig() = default;

void SelectionRig::showSourceFolder(const QString& folder) {
    m_drive1->setDriveOf(folder);
    if (!m_dir1->setPath(folder))
        fail(QStringLiteral("Dir1 cannot open %1").arg(folder));
    if (m_file1->path().compare(folder, Qt::CaseInsensitive) != 0)
        fail(QStringLiteral("File1 lists %1, not %2").arg(m_file1->path(), folder));
}

void SelectionRig::selectAllFiles() {
    m_allFileBtn->click();
}

void SelectionRig::addTargetFolder(const QString& folder) {
    m_drive2->setDriveOf(folder);
    if (!m_dir2->setPath(folder))
        fail(QStringLiteral("Dir2 cannot open %1").arg(folder));
    if (m_dir2->highlightedPath().compare(folder, Qt::CaseInsensitive) != 0)
        fail(QStringLiteral("Dir2 highlights %1, not %2").arg(m_dir2->highlightedPath(), folder));
    m_dirSelBtn->click();
}

void SelectionRig::setDontConfirmOverwrites(bool on) {
    m_check1->setChecked(on);
}

} // namespace bench
