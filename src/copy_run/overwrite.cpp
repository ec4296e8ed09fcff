#include "copy_run/overwrite.h"

#include "copy_run/form_layout.h"
#include "copy_run/status.h"
#include "platform/files/file_system.h"
#include "platform/formats.h"
#include "selection/selection_state.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

using namespace platform::form; // the table's kinds and flags

namespace {

constexpr platform::TwipsRect ClientArea{0, 0, 5535, 3930};

// clang-format off
constexpr Control Layout[] = {
    {"Image1", Kind::Image, nullptr, -1, {240, 120, 480, 480}},
    {"Label1", Kind::Label, nullptr, -1, {840, 240, 2895, 255}, "File Already Exists"},
    {"Line2", Kind::Line, nullptr, -1, {240, 720, 5040, 0}},
    {"Label2", Kind::Label, nullptr, -1, {360, 840, 1695, 255}, "Okay to Overwrite File"},
    {"Label3", Kind::Label, nullptr, -1, {360, 1080, 5055, 255}, "Label3", 0, ProgramSet},
    {"Label6", Kind::Label, nullptr, -1, {360, 1320, 735, 255}, "File Size:"},
    {"Label7", Kind::Label, nullptr, -1, {1200, 1320, 4215, 255}, "Label7", 0, ProgramSet},
    {"Label10", Kind::Label, nullptr, -1, {360, 1560, 1215, 255}, "File Date/Time:"},
    {"Label11", Kind::Label, nullptr, -1, {1680, 1560, 3735, 255}, "Label11", 0, ProgramSet},
    {"Label4", Kind::Label, nullptr, -1, {360, 2040, 735, 255}, "With File"},
    {"Label5", Kind::Label, nullptr, -1, {360, 2280, 5055, 255}, "Label5", 0, ProgramSet},
    {"Label8", Kind::Label, nullptr, -1, {360, 2520, 735, 255}, "File Size:"},
    {"Label9", Kind::Label, nullptr, -1, {1200, 2520, 4215, 255}, "Label9", 0, ProgramSet},
    {"Label12", Kind::Label, nullptr, -1, {360, 2760, 1215, 255}, "File Date/Time:"},
    {"Label13", Kind::Label, nullptr, -1, {1680, 2760, 3735, 255}, "Label13", 0, ProgramSet},
    {"Line1", Kind::Line, nullptr, -1, {240, 3120, 5040, 0}},
    {"Command2", Kind::Button, nullptr, -1, {240, 3240, 1215, 495}, "Overwrite All"},
    {"Command3", Kind::Button, nullptr, -1, {1560, 3240, 1215, 495}, "Overwrite File"},
    {"Command4", Kind::Button, nullptr, -1, {2880, 3240, 1215, 495}, "Skip File"},
    {"Command1", Kind::Button, nullptr, -1, {4200, 3240, 1095, 495}, "Cancel"},
};
// clang-format on

// Either file may have gone (its disk taken out) since the copy run
// found it; the question is still asked, with what can be shown.
const QString NotAvailable = QStringLiteral("(not available)");

QString sizeText(const QString& path) {
    const auto length = platform::file_system::length(path);
    return length.ok() ? platform::bytePattern(length.value()) + QStringLiteral(" Bytes")
                       : NotAvailable;
}

QString dateText(const QString& path) {
    const auto modified = platform::file_system::modified(path);
    return modified.ok() ? platform::shortDateLongTime(modified.value()) : NotAvailable;
}

// An index text of the copy run, read as the 16-bit number it was written as.
int indexFrom(const QLineEdit* text) {
    return text->text().trimmed().toShort();
}

// The flags live on the copy-progress window; when it is gone there is
// no run left to tell.
void setStatusFlag(QCheckBox* (Status::*flag)() const, bool value) {
    if (Status::exists())
        (Status::instance().*flag)()->setChecked(value);
}

} // namespace

Overwrite::Overwrite() {
    copy_run::buildWindow(this, "Overwrite", "Confirm Overwrite", ClientArea, Layout);
    if (auto* image = findChild<QLabel*>(QStringLiteral("Image1"))) {
        const int side = platform::px(480);
        image->setPixmap(
            style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(side, side));
    }

    auto* command1 = findChild<QPushButton*>(QStringLiteral("Command1"));
    auto* command2 = findChild<QPushButton*>(QStringLiteral("Command2"));
    auto* command3 = findChild<QPushButton*>(QStringLiteral("Command3"));
    auto* command4 = findChild<QPushButton*>(QStringLiteral("Command4"));
    // No fixed default: Enter presses whichever button has the focus.
    copy_run::orderButtons({command1, command2, command3, command4}, true);

    connect(command1, &QPushButton::clicked, this, &Overwrite::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &Overwrite::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &Overwrite::Command3_Click);
    connect(command4, &QPushButton::clicked, this, &Overwrite::Command4_Click);
}

QLabel* Overwrite::label(const char* name) const {
    return findChild<QLabel*>(QString::fromLatin1(name));
}

void Overwrite::Form_Load() {
    int j = 0;
    int i = 0;
    if (Status::exists()) {
        j = indexFrom(Status::instance().Text1());
        i = indexFrom(Status::instance().Text2());
    }
    const SelectionState* sel = SelectionState::shared();
    const QString target = sel ? sel->selDir(i) + sel->fileName(j) : QString();
    const QString source = sel ? sel->selFile(j) : QString();

    label("Label3")->setText(target);
    label("Label5")->setText(source);
    label("Label7")->setText(sizeText(target));
    label("Label9")->setText(sizeText(source));
    label("Label11")->setText(dateText(target));
    label("Label13")->setText(dateText(source));

    setStatusFlag(&Status::Check2, false);
    setStatusFlag(&Status::Check3, false);
}

void Overwrite::Command1_Click() {
    setStatusFlag(&Status::Check2, true);
    unload();
}

void Overwrite::Command2_Click() {
    setStatusFlag(&Status::Check1, true);
    unload();
}

void Overwrite::Command3_Click() {
    unload();
}

void Overwrite::Command4_Click() {
    setStatusFlag(&Status::Check3, true);
    unload();
}

void Overwrite::unload() {
    done(QDialog::Rejected);
}

void Overwrite::done(int result) {
    // Deleted later: the button handler that closed the window is still
    // running.
    if (discard())
        deleteLater();
    QDialog::done(result);
}

void Overwrite::closeEvent(QCloseEvent* event) {
    unload(); // no flag: the copy run goes on as after "Overwrite File"
    event->accept();
}

void Overwrite::keyPressEvent(QKeyEvent* event) {
    // No button is the Escape button. Closing the question without an
    // answer replaces the file, so Escape (meant as "no" by most people)
    // must not do it: the question stays until a button is pressed.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
