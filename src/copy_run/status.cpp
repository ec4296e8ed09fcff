#include "copy_run/status.h"

#include "copy_run/form_layout.h"
#include "copy_run/overwrite.h"
#include "platform/event_service.h"
#include "platform/files/file_copier.h"
#include "platform/files/file_system.h"
#include "platform/formats.h"
#include "platform/widgets/repaint.h"
#include "platform/dialogs/user_interaction.h"
#include "selection/selection_state.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <array>

using copy_run::ControlPlace;
using copy_run::Kind;

namespace {

QPointer<Status> g_instance;

constexpr platform::TwipsRect ClientArea{0, 0, 4935, 3225};

constexpr std::array<ControlPlace, 16> Layout{{
    {"Frame1", Kind::Frame, nullptr, {120, 120, 4695, 1455}, "This Folder"},
    {"Label3", Kind::Label, "Frame1", {360, 240, 735, 255}, "Copying:"},
    {"Label2", Kind::Label, "Frame1", {1080, 240, 3375, 255}, nullptr},
    {"Label4", Kind::Label, "Frame1", {360, 480, 375, 255}, "To:"},
    {"Label1", Kind::WrapLabel, "Frame1", {720, 480, 3615, 495}, nullptr},
    {"ProgressBar1", Kind::ProgressBar, "Frame1", {360, 960, 3975, 255}, nullptr},
    {"Frame2", Kind::Frame, nullptr, {120, 1680, 4695, 975}, "All Folders"},
    {"Label5", Kind::Label, "Frame2", {360, 240, 3975, 255}, nullptr},
    {"ProgressBar2", Kind::ProgressBar, "Frame2", {360, 480, 3975, 255}, nullptr},
    {"OkBtn", Kind::Button, nullptr, {720, 2760, 1095, 375}, "Finish"},
    {"CancelBtn", Kind::Button, nullptr, {3000, 2760, 1095, 375}, "Cancel"},
    {"Text1", Kind::HiddenText, nullptr, {360, 2880, 255, 285}, "Text1"},
    {"Check1", Kind::HiddenCheck, nullptr, {1920, 2880, 255, 255}, "Check1"},
    {"Check3", Kind::HiddenCheck, nullptr, {2280, 2880, 255, 255}, "Check3"},
    {"Check2", Kind::HiddenCheck, nullptr, {2640, 2880, 255, 255}, "Check2"},
    {"Text2", Kind::HiddenText, nullptr, {4200, 2880, 255, 285}, "Text2"},
}};

const QString CopyErrorTitle = QStringLiteral("Copy Error");

QString foldersComplete(int done, int count) {
    return platform::leadingSpaceDecimal(done) + QStringLiteral(" of ") +
           platform::leadingSpaceDecimal(count) + QStringLiteral(" Folders Complete");
}

// The copy-error box. A copy made without asking spells its lines
// differently from one the user confirmed in the overwrite question.
platform::MessageBox copyErrorBox(bool confirmed) {
    const QStringList lines{
        QStringLiteral("Disk Full Or Write Protected Disk!"),
        confirmed ? QStringLiteral("Abort to Cancel.") : QStringLiteral("Abort To Cancel."),
        QStringLiteral("Retry (Insert New Disk)."),
        confirmed ? QStringLiteral("Ignore to Skip File.") : QStringLiteral("Ignore To Skip File."),
    };
    platform::MessageBox box;
    box.prompt = lines.join(QStringLiteral("\r\n"));
    box.title = CopyErrorTitle;
    box.buttons = platform::Buttons::AbortRetryIgnore;
    box.icon = platform::Icon::Exclamation;
    box.defaultButton = 3;
    return box;
}

// Whether the two paths are equal once both are lower-cased. Lowering the
// whole of both for every copy is a noticeable part of a small copy; paths that
// differ already in their ASCII part are told apart without it.
bool equalLowered(const QString& a, const QString& b) {
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype k = 0; k < common; ++k) {
        const char16_t x = a.at(k).unicode(), y = b.at(k).unicode();
        if (x >= 0x80 || y >= 0x80)
            return a.toLower() == b.toLower(); // may lower to more or fewer units
        const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; };
        if (lower(x) != lower(y))
            return false;
    }
    // One is an ASCII start of the other: every further character lowers
    // to at least one more unit.
    return a.size() == b.size();
}

bool isChecked(const QCheckBox* box) {
    return box && box->isChecked();
}

} // namespace

Status& Status::instance() {
    if (!g_instance) {
        g_instance = new Status;
        g_instance->Form_Load();
    }
    return *g_instance;
}

bool Status::exists() {
    return !g_instance.isNull();
}

Status::Status() {
    copy_run::buildWindow(this, "Status", "Pelmora Status", ClientArea, Layout);
    m_label1 = findChild<QLabel*>(QStringLiteral("Label1"));
    m_label2 = findChild<QLabel*>(QStringLiteral("Label2"));
    m_label5 = findChild<QLabel*>(QStringLiteral("Label5"));
    m_progressBar1 = findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    m_progressBar2 = findChild<QProgressBar*>(QStringLiteral("ProgressBar2"));
    m_okBtn = findChild<QPushButton*>(QStringLiteral("OkBtn"));
    m_cancelBtn = findChild<QPushButton*>(QStringLiteral("CancelBtn"));
    m_text1 = findChild<QLineEdit*>(QStringLiteral("Text1"));
    m_text2 = findChild<QLineEdit*>(QStringLiteral("Text2"));
    m_check1 = findChild<QCheckBox*>(QStringLiteral("Check1"));
    m_check2 = findChild<QCheckBox*>(QStringLiteral("Check2"));
    m_check3 = findChild<QCheckBox*>(QStringLiteral("Check3"));

    // Neither button is the window's default: Enter presses the focused
    // one (keyPressEvent); Escape, with no cancel button, does nothing.
    copy_run::orderButtons({m_okBtn, m_cancelBtn}, false);

    connect(m_okBtn, &QPushButton::clicked, this, &Status::OkBtn_Click);
    connect(m_cancelBtn, &QPushButton::clicked, this, &Status::CancelBtn_Click);
}

Status::~Status() {
    for (QWidget* w : std::initializer_list<QWidget*>{m_label1, m_label2, m_label5, m_progressBar1,
                                                      m_progressBar2, m_okBtn, m_cancelBtn})
        platform::repaint::forget(w);
    if (g_instance == this)
        g_instance = nullptr;
}

void Status::Form_Load() {
    const SelectionState* sel = SelectionState::shared();
    const int files = sel ? sel->selFileCount() : 0;
    const int folders = sel ? sel->selDirCount() : 0;
    m_progressBar1->setMinimum(0);
    m_progressBar2->setMinimum(0);
    m_progressBar1->setMaximum(files);
    m_progressBar2->setMaximum(folders);
    m_progressBar1->setValue(0);
    m_progressBar2->setValue(0);
    m_label1->setText(sel ? sel->selDir(0) : QString());
    m_label2->setText(sel ? sel->fileName(0) : QString());
    m_label5->setText(foldersComplete(0, folders));
}

void Status::CancelBtn_Click() {
    // Without effect while the run goes on: a large file's copy lets events
    // in (a screen reader's press of the button, say).
    if (m_running)
        return;
    unload();
}

void Status::Form_Unload() {
    if (SelectionState* sel = SelectionState::shared())
        sel->resetSelection();
}

void Status::unload() {
    done(QDialog::Rejected);
}

void Status::done(int result) {
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
        // Discarded, not deleted: a handler of this very window may be
        // what closed it, and a run in progress still needs it until it
        // has ended (endRun). The next reference makes a fresh window.
        if (g_instance == this)
            g_instance = nullptr;
        if (!m_running)
            deleteLater();
    }
    QDialog::done(result);
}

void Status::closeEvent(QCloseEvent* event) {
    // Closing through the frame is CancelBtn; also when the window was
    // never shown, so the selection is reset whatever closed it.
    unload();
    event->accept();
}

void Status::keyPressEvent(QKeyEvent* event) {
    // The window has no cancel button: a stray Escape must not throw the
    // selection away.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget());
            button && button->isEnabled()) {
            button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void Status::setCaption(QLabel* label, const QString& text) {
    platform::repaint::setText(label, text);
}

void Status::OkBtn_Click() {
    SelectionState* sel = SelectionState::shared();
    if (m_running || m_unloaded || !sel)
        return;
    m_running = true;
    sel->setRunOn(true);
    // One copier for the run: it knows which volumes were written and
    // syncs them together.
    platform::FileCopier copier;
    copier.setBeforeWait(&platform::repaint::now);

    // The lists cannot change during the run (their handlers wait for its
    // end), so each entry is read once where it is needed.
    const int folderCount = sel->selDirCount();
    QString target;
    for (int i = 0; i < folderCount; ++i) {
        const QString folder = sel->selDir(i);
        setCaption(m_label1, folder);
        setCaption(m_label5, foldersComplete(i, sel->selDirCount()));

        const int fileCount = sel->selFileCount();
        for (int j = 0; j < fileCount; ++j) {
            const QString name = sel->fileName(j);
            setCaption(m_label2, name);

            const QString source = sel->selFile(j);
            target.resize(0); // keeps its room: no allocation per copy
            target.append(folder).append(name);
            // The same path in another letter case is taken for the same
            // file; an alias by link or bind mount is found by the file's
            // identity once the target is seen to exist (copyOrAsk).
            const Next next = equalLowered(source, target)
                                  ? Next::SameFile
                                  : copyOrAsk(copier, i, j, source, target);
            if (next == Next::SameFile) {
                stopOnSameFile(copier);
                return;
            }
            if (next == Next::EndRun) {
                endRun(copier, true);
                return;
            }
            platform::repaint::setValue(m_progressBar1, j + 1);
            // Many small files take long too: the windows stay answered.
            platform::events::serveSoon();
            if (m_unloaded) { // closed meanwhile
                endRun(copier, true);
                return;
            }
        }
        platform::repaint::setValue(m_progressBar2, i + 1);
    }
    endRun(copier, true);
}

Status::Next Status::copyOrAsk(platform::FileCopier& copier, int i, int j, const QString& source,
                               const QString& target) {
    namespace fs = platform::file_system;
    const SelectionState* sel = SelectionState::shared();
    for (;;) { // Retry comes back here
        const bool exists = copier.lookUp(target);
        bool confirmed = false;
        if (exists && !isChecked(m_check1) &&
            !isChecked(sel ? sel->controls().dontConfirmOverwrites : nullptr)) {
            // Never ask whether to overwrite a file with itself.
            if (fs::sameFile(source, target))
                return Next::SameFile;
            m_text1->setText(platform::leadingSpaceDecimal(j));
            m_text2->setText(platform::leadingSpaceDecimal(i));
            platform::repaint::now();
            platform::showModal(Overwrite::instance());
            copier.resolveFoldersAgain(); // the user may have changed them meanwhile
            for (QWidget* w :
                 std::initializer_list<QWidget*>{m_label2, m_label5, m_okBtn, m_cancelBtn})
                platform::repaint::soon(w);
            if (m_unloaded) // closed while the question was open
                return Next::EndRun;
            if (m_check2->isChecked())
                return Next::EndRun;
            if (m_check3->isChecked())
                return Next::NextFile;
            confirmed = true;
        }

        // After the question the disk may have changed: the copy checks
        // everything again.
        const platform::Outcome copied =
            confirmed ? copier.copy(source, target) : copier.copyAfterLookUp(source, target);
        if (m_unloaded) // closed while a large file was being copied
            return Next::EndRun;
        if (copied)
            return Next::NextFile;
        // A target the lookup does not see (hidden, say) can still be the
        // source itself.
        if (copied.error == platform::FsError::SameFile)
            return Next::SameFile;

        // The user may now change the disk: nothing written may stay behind
        // in the cache.
        copier.flush();
        platform::repaint::now();
        const platform::Answer answer = platform::ask(copyErrorBox(confirmed));
        if (m_unloaded)
            return Next::EndRun;
        switch (answer) {
        case platform::Answer::Retry:
            continue;
        case platform::Answer::Ignore:
            return Next::NextFile;
        default: // Abort, or the box was closed some other way
            return Next::EndRun;
        }
    }
}

void Status::stopOnSameFile(platform::FileCopier& copier) {
    // Whatever was written so far must survive the user taking the disk
    // out while the window waits.
    copier.flush();
    platform::repaint::now();
    platform::MessageBox box;
    box.prompt = QStringLiteral("Cannot Replace File With Itself");
    box.title = CopyErrorTitle;
    box.buttons = platform::Buttons::Ok;
    box.icon = platform::Icon::Exclamation;
    platform::ask(box);
    m_okBtn->setEnabled(false);
    platform::repaint::soon(m_okBtn);
    endRun(copier, false);
}

void Status::endRun(platform::FileCopier& copier, bool close) {
    copier.flush();
    platform::repaint::now();
    m_running = false;
    if (SelectionState* sel = SelectionState::shared())
        sel->setRunOn(false);
    if (m_unloaded)
        deleteLater(); // closed while the run was on
    else if (close)
        unload();
}
