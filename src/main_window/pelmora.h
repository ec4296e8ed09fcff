#pragma once

#include "selection/drop_selection.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class FileSelection;
class FolderSelection;
class SelectionState;

// The main window: the four tabs "Copy File(s)", "To Folder(s)",
// "Options / Help" and "About", the status bar, and the handlers of its
// controls. A QMainWindow, so that a screen reader knows it as a window and
// finds its status bar. The work behind the browsers, lists and their buttons lives in
// FileSelection and FolderSelection, what a drop from a file manager adds in
// DropSelection; this class connects the controls and the drag events to
// them and keeps the window's own handlers: load, Copy, tab and Exit.
//
// Each control is found by its design name (objectName), as tests find
// them: findChild<QPushButton*>("CopyBtn1").
class Pelmora : public QMainWindow {
    Q_OBJECT
public:
    // The one shared instance: created (and loaded) at the first reference,
    // it lives until the program ends.
    static Pelmora& instance();

    ~Pelmora() override;

    // The selection the window owns.
    SelectionState& selection() { return *m_state; }

    // Ends the program. By default it leaves the event loop with status 0,
    // so that nothing further of the program runs; tests put a recorder in.
    void setQuitFunction(std::function<void()> quit);

    // ---- the window's own handlers
    void Form_Load();
    void CopyBtn1_Click();
    void CopyBtn2_Click();
    void SSTab1_Click();
    void ExitBtn1_Click();
    void ExitBtn2_Click();
    void ExitBtn3_Click();
    void ExitBtn4_Click();

    // ---- "Copy File(s)": handed to FileSelection
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void AllFileBtn_Click();
    void SelFileList_Click();
    void RemFileBtn_Click();
    void ClrFileBtn_Click();
    void HidChkBox_Click();
    void SysChkBox_Click();

    // ---- "To Folder(s)": handed to FolderSelection
    void Drive2_Change();
    void Dir2_Click();
    void DirSelBtn_Click();
    void SSChkBox_Click();
    void SelDirList_Click();
    void RemDirBtn_Click();
    void ClrDirBtn_Click();

protected:
    // Closing the window through its frame ends the program, with no question.
    void closeEvent(QCloseEvent* event) override;
    // Files and folders dropped from a file manager (pelmora_drop.cpp).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    Pelmora();
    void askToExit();
    template <typename T> T* control(const char* name) const {
        auto* found = findChild<T*>(QLatin1String(name));
        Q_ASSERT_X(found, "Pelmora::control", name);
        return found;
    }

    // Building the window and connecting its controls (pelmora_controls.cpp).
    void buildControls();
    void startBrowsers();
    void connectHandlers();
    // The keyboard (pelmora_keyboard.cpp).
    void setTabOrderChain();
    DropSelection::Tab dropTab() const;
    bool refusesDrops() const;

    std::unique_ptr<SelectionState> m_state;
    std::unique_ptr<FileSelection> m_files;
    std::unique_ptr<FolderSelection> m_folders;
    std::unique_ptr<DropSelection> m_drops;
    DropSelection::Items m_dragged; // what the drag now over the window would bring
    std::function<void()> m_quit;
};
