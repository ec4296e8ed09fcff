// A file manager's drag, for the real-display drop test: a small window
// that, pressed, drags the paths named on its command line as local
// file:// URLs (text/uri-list), offering copy, move and link as file
// managers do. It prints the action the drop target chose.
#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <cstdio>

namespace {

class DragSource : public QLabel {
public:
    explicit DragSource(QList<QUrl> urls)
        : QLabel(QStringLiteral("drag me"))
        , m_urls(std::move(urls)) {}

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        data->setUrls(m_urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        const Qt::DropAction action =
            drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
        std::printf("dropped: %s\n", action == Qt::CopyAction   ? "copy"
                                     : action == Qt::MoveAction ? "move"
                                     : action == Qt::LinkAction ? "link"
                                                                : "none");
        std::fflush(stdout);
    }

private:
    QList<QUrl> m_urls;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (int i = 1; i < argc; ++i)
        urls << QUrl::fromLocalFile(QFile::decodeName(argv[i]));
    DragSource source(urls);
    source.setWindowTitle(QStringLiteral("Drag source"));
    source.setAlignment(Qt::AlignCenter);
    source.setGeometry(900, 100, 160, 120); // beside the main window, which opens at the left
    source.show();
    return app.exec();
}
