// The copy run: OkBtn's handler and its steps.
#include "copy_run/status.h"

#include "copy_run/overwrite.h"
#include "platform/dialogs/user_interaction.h"
#include "platform/event_service.h"
#include "platform/files/file_copier.h"
#include "platform/formats.h"
#include "platform/widgets/repaint.h"
#include "selection/selection_messages.h"
#include "selection/selection_state.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace {

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

void Status::setCaption(QLabel* label, const QString& text) {
    platform::repaint::setText(label, text);
}

void Status::OkBtn_Click() {
    SelectionState* sel = SelectionState::shared();
    if (m_running || unloaded() || !sel)
        return;
    m_running = true;
    sel->setRunOn(true);
    // One copier for the run: it knows which volumes were written and
    // syncs them together.
    platform::FileCopier copier;
    copier.setBeforeWait(&platform::repaint::now);

    // The lists cannot change during the run (their handlers wait for its
    // end), so each entry is read once, here; the copier learns the plan.
    QStringList folders, sources, names;
    for (int i = 0; i < sel->selDirCount(); ++i)
        folders.append(sel->selDir(i));
    for (int j = 0; j < sel->selFileCount(); ++j) {
        sources.append(sel->selFile(j));
        names.append(sel->fileName(j));
    }
    copier.planRun(folders, sources, names);
    const int folderCount = int(folders.size());
    QString target;
    for (int i = 0; i < folderCount; ++i) {
        const QString& folder = folders.at(i);
        setCaption(m_label1, folder);
        setCaption(m_label5, foldersComplete(i, folderCount));

        const int fileCount = int(sources.size());
        for (int j = 0; j < fileCount; ++j) {
            const QString& name = names.at(j);
            setCaption(m_label2, name);

            const QString& source = sources.at(j);
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
            if (unloaded()) { // closed meanwhile
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
    const SelectionState* sel = SelectionState::shared();
    for (;;) { // Retry comes back here
        // The existence test, and the copy unless the user is to be asked.
        const bool replace =
            isChecked(m_check1) || isChecked(sel ? sel->controls().dontConfirmOverwrites : nullptr);
        std::optional<platform::Outcome> copied = copier.copyUnlessFound(source, target, replace);
        const bool confirmed = !copied;
        if (!copied) {
            // Never ask whether to overwrite a file with itself.
            if (copier.sameFile(source, target))
                return Next::SameFile;
            m_text1->setText(platform::leadingSpaceDecimal(j));
            m_text2->setText(platform::leadingSpaceDecimal(i));
            platform::repaint::now();
            platform::showModal(Overwrite::instance());
            copier.resolveFoldersAgain(); // the user may have changed them meanwhile
            for (QWidget* w :
                 std::initializer_list<QWidget*>{m_label2, m_label5, m_okBtn, m_cancelBtn})
                platform::repaint::soon(w);
            if (unloaded()) // closed while the question was open
                return Next::EndRun;
            if (m_check2->isChecked())
                return Next::EndRun;
            if (m_check3->isChecked())
                return Next::NextFile;
            // After the question the disk may have changed: the copy checks
            // everything again.
            copied = copier.copy(source, target);
        }
        if (unloaded()) // closed while a large file was being copied
            return Next::EndRun;
        if (*copied)
            return Next::NextFile;
        // A file took the name since the existence test: it is asked about.
        if (copied->error == platform::FsError::Appeared)
            continue;
        // A target the lookup does not see (hidden, say) can still be the
        // source itself.
        if (copied->error == platform::FsError::SameFile)
            return Next::SameFile;

        // The user may now change the disk: nothing written may stay behind
        // in the cache.
        copier.flush();
        platform::repaint::now();
        const platform::Answer answer = selection_messages::copyFailed(confirmed);
        if (unloaded())
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
    selection_messages::cannotReplaceWithItself();
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
    if (unloaded())
        deleteLater(); // closed while the run was on
    else if (close)
        unload();
}
