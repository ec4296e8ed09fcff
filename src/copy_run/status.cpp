// The copy-progress window: its layout, load, unload and CancelBtn. The
// copy run, OkBtn's handler, is in status_run.cpp.
#include "copy_run/status.h"

#include "copy_run/form_layout.h"
#include "platform/formats.h"
#include "platform/widgets/repaint.h"
#include "selection/selection_state.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

using namespace platform::form; // the table's kinds and flags

namespace {

constexpr platform::TwipsRect ClientArea{0, 0, 4935, 3225};

// clang-format off
constexpr Control Layout[] = {
    {"Frame1", Kind::Frame, nullptr, -1, {120, 120, 4695, 1455}, "This Folder"},
    {"Label3", Kind::Label, "Frame1", -1, {360, 240, 735, 255}, "Copying:"},
    {"Label2", Kind::Label, "Frame1", -1, {1080, 240, 3375, 255}, "Label2", 0, ProgramSet},
    {"Label4", Kind::Label, "Frame1", -1, {360, 480, 375, 255}, "To:"},
    {"Label1", Kind::Label, "Frame1", -1, {720, 480, 3615, 495}, "Label1", 0,
     WordWrap | ProgramSet},
    {"ProgressBar1", Kind::ProgressBar, "Frame1", -1, {360, 960, 3975, 255}, nullptr, 0,
     ProgramSet},
    {"Frame2", Kind::Frame, nullptr, -1, {120, 1680, 4695, 975}, "All Folders"},
    {"Label5", Kind::Label, "Frame2", -1, {360, 240, 3975, 255}, "Label5", 0, ProgramSet},
    {"ProgressBar2", Kind::ProgressBar, "Frame2", -1, {360, 480, 3975, 255}, nullptr, 0,
     ProgramSet},
    {"OkBtn", Kind::Button, nullptr, -1, {720, 2760, 1095, 375}, "Finish"},
    {"CancelBtn", Kind::Button, nullptr, -1, {3000, 2760, 1095, 375}, "Cancel"},
    {"Text1", Kind::TextBox, nullptr, -1, {360, 2880, 255, 285}, "Text1", 0, Hidden},
    {"Check1", Kind::CheckBox, nullptr, -1, {1920, 2880, 255, 255}, "Check1", 0, Hidden},
    {"Check3", Kind::CheckBox, nullptr, -1, {2280, 2880, 255, 255}, "Check3", 0, Hidden},
    {"Check2", Kind::CheckBox, nullptr, -1, {2640, 2880, 255, 255}, "Check2", 0, Hidden},
    {"Text2", Kind::TextBox, nullptr, -1, {4200, 2880, 255, 285}, "Text2", 0, Hidden},
};
// clang-format on

} // namespace

QString Status::foldersComplete(int done, int count) {
    return platform::leadingSpaceDecimal(done) + QStringLiteral(" of ") +
           platform::leadingSpaceDecimal(count) + QStringLiteral(" Folders Complete");
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
    if (discard()) {
        Form_Unload();
        // Deleted later: a handler of this very window may be what closed
        // it, and a run in progress still needs it until it has ended
        // (endRun).
        if (!m_running)
            deleteLater();
    }
    QDialog::done(result);
}

void Status::closeEvent(QCloseEvent* event) {
    // Closing through the frame is CancelBtn: without effect while the run
    // goes on, else it closes the window, also when it was never shown, so
    // the selection is reset whatever closed it.
    if (m_running) {
        event->ignore();
        return;
    }
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
