#pragma once

#include "copy_run/single_window.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace platform {
class FileCopier;
}

// The copy-progress window, in which a copy run takes place.
//
// One instance exists at a time. It is created and loaded when first
// referenced and discarded when it closes: every way of closing it (the
// end of a run, Abort, Cancel in the overwrite question, CancelBtn, the
// frame's close control) unloads it, which resets the selection once.
// The next reference creates a fresh window with its initial captions.
//
// Besides what the user sees it carries the values handed to and from the
// overwrite question: Text1/Text2 hold the file and folder index of the
// file in question (" 0", " 1", ...), Check1 is the overwrite-all flag,
// Check2 the cancel flag and Check3 the skip flag.
class Status : public QDialog, public SingleWindow<Status> {
    Q_OBJECT
public:
    ~Status() override;

    // Handlers.
    void Form_Load();
    void OkBtn_Click(); // the copy run
    void CancelBtn_Click();
    void Form_Unload();

    // Controls the copy run and the overwrite question share.
    QLabel* Label1() const { return m_label1; }
    QLabel* Label2() const { return m_label2; }
    QLabel* Label5() const { return m_label5; }
    QProgressBar* ProgressBar1() const { return m_progressBar1; }
    QProgressBar* ProgressBar2() const { return m_progressBar2; }
    QPushButton* OkBtn() const { return m_okBtn; }
    QPushButton* CancelBtn() const { return m_cancelBtn; }
    QLineEdit* Text1() const { return m_text1; }
    QLineEdit* Text2() const { return m_text2; }
    QCheckBox* Check1() const { return m_check1; }
    QCheckBox* Check2() const { return m_check2; }
    QCheckBox* Check3() const { return m_check3; }

    // Every way of closing ends here; unloads once.
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class SingleWindow<Status>;
    Status();

    enum class Next { NextFile, EndRun, SameFile };
    // Steps from the existence test on, for file j and folder i.
    Next copyOrAsk(platform::FileCopier& copier, int i, int j, const QString& source,
                   const QString& target);
    // The target is the source file itself: the run stops and the window
    // stays open with only CancelBtn left.
    void stopOnSameFile(platform::FileCopier& copier);
    // The run is over: what was written reaches the disk, the window is
    // painted, and (unless it stays open) the window closes.
    void endRun(platform::FileCopier& copier, bool close);
    void setCaption(QLabel* label, const QString& text);
    void unload();
    // Label5's text: " 0 of  3 Folders Complete".
    static QString foldersComplete(int done, int count);

    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label5 = nullptr;
    QProgressBar* m_progressBar1 = nullptr;
    QProgressBar* m_progressBar2 = nullptr;
    QPushButton* m_okBtn = nullptr;
    QPushButton* m_cancelBtn = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QCheckBox* m_check1 = nullptr;
    QCheckBox* m_check2 = nullptr;
    QCheckBox* m_check3 = nullptr;

    bool m_running = false;
};
