#pragma once

#include "copy_run/single_window.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The question asked before an existing target is replaced.
//
// The copy run names the file and folder in question through Status's
// Text1 (file index) and Text2 (folder index) before it first references
// this window; the window shows both files and records the answer in
// Status's flags before it closes: "Overwrite All" sets Check1, "Skip
// File" Check3, "Cancel" Check2; "Overwrite File" and closing the window
// any other way set none. Every showing is a fresh instance, discarded
// when it closes.
class Overwrite : public QDialog, public SingleWindow<Overwrite> {
    Q_OBJECT
public:
    // Handlers.
    void Form_Load();
    void Command1_Click(); // Cancel
    void Command2_Click(); // Overwrite All
    void Command3_Click(); // Overwrite File
    void Command4_Click(); // Skip File

    // Every way of closing ends here; discards the window once.
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class SingleWindow<Overwrite>;
    Overwrite();
    void unload();
    QLabel* label(const char* name) const;
};
