#pragma once

#include <QComboBox>

namespace platform {

// A drop-down of the drives ("c:", "d: [label]"). The drive list is read
// (and the drive table refreshed) each time the drop-down opens.
class DriveSelector : public QComboBox {
    Q_OBJECT
public:
    explicit DriveSelector(QWidget* parent = nullptr);

    // The chosen drive letter, upper case.
    QChar drive() const;
    // Chooses the drive of a drive-letter path; emits changed() when the
    // choice differs.
    void setDriveOf(const QString& path);

    // Reads the drive list again before the drop-down opens, keeping the
    // chosen drive without a changed().
    void showPopup() override;

Q_SIGNALS:
    // The chosen drive changed, by the user or by the program.
    void changed();

private:
    void reload();
    bool m_loading = false;
};

} // namespace platform
