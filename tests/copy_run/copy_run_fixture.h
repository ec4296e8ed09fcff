#pragma once

#include "copy_run/overwrite.h"
#include "copy_run/status.h"
#include "platform/panel_status_bar.h"
#include "platform/scripted_user.h"
#include "selection/selection_state.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <optional>

// The main window's selection controls, without the main window: what the
// copy run reads and what closing the progress window resets.
struct SelectionControls {
    QWidget window;
    QListWidget* selFileList = new QListWidget(&window);
    QListWidget* filenameList = new QListWidget(&window);
    QListWidget* selDirList = new QListWidget(&window);
    QPushButton* remFileBtn = new QPushButton(&window);
    QPushButton* clrFileBtn = new QPushButton(&window);
    QPushButton* remDirBtn = new QPushButton(&window);
    QPushButton* clrDirBtn = new QPushButton(&window);
    QPushButton* copyBtn1 = new QPushButton(&window);
    QPushButton* copyBtn2 = new QPushButton(&window);
    QLabel* label2 = new QLabel(&window);
    platform::PanelStatusBar* statusBar = new platform::PanelStatusBar({100, 100, 60, 60}, &window);
    QCheckBox* check1 = new QCheckBox(&window); // "Don't Confirm Overwrites"

    SelectionState state{{selFileList, filenameList, selDirList, remFileBtn, clrFileBtn, remDirBtn,
                          clrDirBtn, copyBtn1, copyBtn2, label2, statusBar, check1}};
    // How often the selection was reset (each reset empties SelFileList).
    int resets = 0;

    SelectionControls() {
        state.load();
        QObject::connect(selFileList->model(), &QAbstractItemModel::modelReset, &window,
                         [this] { ++resets; });
    }

    // Selects files by source path ("C:\src\a.txt") and folder entries ("D:\f1\").
    void select(const QStringList& files, const QStringList& folders) {
        for (const QString& f : files)
            state.appendFile(f, f.mid(f.lastIndexOf(QLatin1Char('\\')) + 1), 0);
        for (const QString& d : folders)
            state.appendFolder(d);
        state.applyCopyButtonRule();
    }
    bool isEmpty() const {
        return selFileList->count() == 0 && filenameList->count() == 0 &&
               selDirList->count() == 0 && state.fileCount() == 0 && state.folderCount() == 0 &&
               !copyBtn1->isEnabled() && !copyBtn2->isEnabled() &&
               statusBar->panelText(1) == QLatin1String(" 0 File(s) Selected") &&
               statusBar->panelText(2) == QLatin1String(" 0 Folder(s) Selected") &&
               label2->text() == QLatin1String("0");
    }
};

// A scripted user that can also act while a message box is open (take a
// disk out, put another in) before giving its answer. In a test that uses
// it, expect every box through expectBoxActing.
class ActingUser : public platform::ScriptedUser {
public:
    void expectBoxActing(std::function<void()> act, platform::Answer answer,
                         std::optional<QString> prompt = std::nullopt) {
        m_acts.append(std::move(act));
        expectBox(answer, std::move(prompt));
    }

    platform::Answer ask(const platform::MessageBox& box) override {
        if (!m_acts.isEmpty())
            if (const std::function<void()> act = m_acts.takeFirst())
                act();
        return ScriptedUser::ask(box);
    }

private:
    QList<std::function<void()>> m_acts;
};

template <typename T> T* control(const QWidget& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

inline void click(const QWidget& window, const char* name) {
    if (auto* b = control<QPushButton>(window, name))
        b->click();
}

// Windows closed by the copy run are deleted once control is back in an
// event loop; the tests have none, so they let it happen here.
inline void discardClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
