#include "platform/widgets/drive_selector.h"

#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"

namespace platform {

namespace {

QString driveCaption(const Drive& drive) {
    QString text = drive.letter.toLower() + QLatin1Char(':');
    if (!drive.label.isEmpty())
        text += QStringLiteral(" [") + drive.label + QLatin1Char(']');
    return text;
}

} // namespace

DriveSelector::DriveSelector(QWidget* parent)
    : QComboBox(parent) {
    setAccessibleName(QStringLiteral("Drives"));
    reload();
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_loading)
            Q_EMIT changed();
    });
}

QChar DriveSelector::drive() const {
    const QVariant letter = currentData();
    return letter.isValid() ? letter.toChar() : QChar();
}

void DriveSelector::setDriveOf(const QString& path) {
    const std::optional<QChar> letter = drive_path::driveOf(path);
    if (!letter)
        return;
    int index = findData(*letter);
    if (index < 0) {
        reload(); // a drive that came after the list was read
        index = findData(*letter);
    }
    // Emits changed() through currentIndexChanged when the choice differs.
    if (index >= 0)
        setCurrentIndex(index);
}

void DriveSelector::showPopup() {
    reload();
    QComboBox::showPopup();
}

void DriveSelector::reload() {
    const QChar chosen = drive();
    m_loading = true;
    clear();
    for (const Drive& d : DriveTable::instance().drives())
        addItem(driveCaption(d), d.letter.toUpper());
    // The choice stays on the drive it was on; the first time, C: (the
    // drive of the root folder) is the natural one.
    int index = findData(chosen.isNull() ? QChar(u'C') : chosen);
    if (index < 0)
        index = count() > 0 ? 0 : -1;
    setCurrentIndex(index);
    m_loading = false;
    // Should the chosen drive itself have gone from the table, the choice
    // moved: say so, as for any other change of the drive.
    if (!chosen.isNull() && drive() != chosen)
        Q_EMIT changed();
}

} // namespace platform
