#pragma once

#include <QDialog>

// The copy-progress window. Placeholder until the copy run lands: the real
// class keeps this interface.
class Status : public QDialog {
    Q_OBJECT
public:
    // The one shared instance, created (and loaded) on first reference.
    static Status& instance();
    // Whether an instance exists now.
    static bool exists();

private:
    Status();
};
