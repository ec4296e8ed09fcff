#include "platform/widgets/folder_browser.h"

#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"
#include "platform/files/file_system.h"

#include <QKeyEvent>
#include <QStyledItemDelegate>

namespace platform {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int DepthRole = Qt::UserRole + 1;

// Shifts each entry right by its depth in the tree.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shifted(option);
        shifted.rect.adjust(indent(option, index), 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += indent(option, index);
        return size;
    }

private:
    static int indent(const QStyleOptionViewItem& option, const QModelIndex& index) {
        // About one icon's width per level, as a tree is usually drawn.
        const int step =
            option.decorationSize.width() > 0 ? option.decorationSize.width() / 2 + 4 : 12;
        return index.data(DepthRole).toInt() * step;
    }
};

// The folders from the root of a path's drive down to the path itself.
QStringList chainOf(const QString& folder) {
    QStringList chain;
    const QString root = folder.left(3);
    chain << root;
    QString current = root;
    const QStringList names = folder.mid(3).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        current = drive_path::join(current, name);
        chain << current;
    }
    return chain;
}

// "C:\" for a root, "C:\DATA" below it: one trailing "\" of a folder entry
// and the case of the drive letter do not make another folder.
QString normalised(const QString& folder) {
    QString out = folder;
    if (out.size() > 3 && out.endsWith(QLatin1Char('\\')))
        out.chop(1);
    if (out.size() >= 1)
        out[0] = out.at(0).toUpper();
    return out;
}

} // namespace

FolderBrowser::FolderBrowser(QWidget* parent)
    : BrowserList(parent) {
    setAccessibleName(QStringLiteral("Folders"));
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { open(row(item)); });
}

QString FolderBrowser::path() const {
    return m_path;
}

QString FolderBrowser::highlightedPath() const {
    const QListWidgetItem* item = currentItem();
    return item != nullptr ? item->data(PathRole).toString() : m_path;
}

Outcome FolderBrowser::setDrive(QChar letter) {
    letter = letter.toUpper();
    if (!DriveTable::instance().hostRoot(letter))
        return FsError::NotReady;
    const QString root = drive_path::rootOf(letter);
    const QString last = m_lastFolder.value(letter, root);
    Outcome outcome = setPath(last);
    // The folder last shown there may have gone: the drive is still shown.
    if (!outcome && last != root)
        outcome = setPath(root);
    return outcome;
}

Outcome FolderBrowser::setPath(const QString& folder) {
    const QString target = normalised(folder);
    if (!drive_path::driveOf(target))
        return FsError::Unlistable;
    const Result<QStringList> subFolders = file_system::folders(target);
    if (!subFolders)
        return subFolders.error();

    const bool moved = target != m_path;
    rebuild(target, subFolders.value());
    m_path = target;
    m_lastFolder.insert(target.at(0), target);
    if (moved)
        Q_EMIT changed();
    return Outcome::success();
}

void FolderBrowser::open(int row) {
    const QListWidgetItem* entry = item(row);
    if (entry == nullptr)
        return;
    // A folder that cannot be listed (gone, no permission) is not opened;
    // the tree stays as it is.
    setPath(entry->data(PathRole).toString());
}

void FolderBrowser::rebuild(const QString& folder, const QStringList& subFolders) {
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon, nullptr, this);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon, nullptr, this);

    clear();
    const QStringList chain = chainOf(folder);
    m_chainLength = int(chain.size());
    for (int depth = 0; depth < chain.size(); ++depth) {
        const QString& path = chain.at(depth);
        const QString name = depth == 0 ? path : drive_path::nameOf(path);
        auto* entry = new QListWidgetItem(openIcon, name, this);
        entry->setData(PathRole, path);
        entry->setData(DepthRole, depth);
        entry->setData(Qt::AccessibleTextRole, name);
    }
    for (const QString& name : subFolders) {
        auto* entry = new QListWidgetItem(closedIcon, name, this);
        entry->setData(PathRole, drive_path::join(folder, name));
        entry->setData(DepthRole, m_chainLength);
        entry->setData(Qt::AccessibleTextRole, name);
    }
    setCurrentRow(m_chainLength - 1);
}

void FolderBrowser::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        open(currentRow());
        event->accept();
        return;
    }
    BrowserList::keyPressEvent(event);
}

} // namespace platform
