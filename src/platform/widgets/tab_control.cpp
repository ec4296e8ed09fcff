#include "platform/widgets/tab_control.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace platform {

TabControl::TabControl(QWidget* parent)
    : QWidget(parent)
    , m_bar(new QTabBar(this)) {
    m_bar->setDrawBase(false); // the page frame below draws the edge
    m_bar->setExpanding(true);
    setFocusProxy(m_bar);
    setFocusPolicy(m_bar->focusPolicy());

    // A click on another tab is announced after its page is shown (through
    // currentChanged); a click on the tab already shown changes nothing,
    // so it is announced here.
    connect(m_bar, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index == m_bar->currentIndex()) {
            m_before = index;
            Q_EMIT tabClicked(index);
        }
    });
    connect(m_bar, &QTabBar::currentChanged, this, [this](int index) {
        showPage(index);
        if (!m_switching && index >= 0)
            Q_EMIT tabClicked(index);
    });
}

QWidget* TabControl::addTab(const QString& caption) {
    auto* page = new QWidget(this);
    page->setGeometry(rect());
    m_pages << page;
    m_switching = true;
    m_bar->addTab(caption); // the first tab becomes current here
    m_switching = false;
    showPage(m_bar->currentIndex());
    m_bar->resize(width(), m_bar->sizeHint().height());
    m_bar->raise();
    return page;
}

int TabControl::currentIndex() const {
    return m_bar->currentIndex();
}

void TabControl::setCurrentIndex(int index) {
    m_switching = true;
    m_bar->setCurrentIndex(index);
    m_switching = false;
}

QWidget* TabControl::page(int index) const {
    return m_pages.value(index, nullptr);
}

void TabControl::refuseClick() {
    setCurrentIndex(m_before);
}

void TabControl::showPage(int index) {
    if (index != m_shown) {
        m_before = m_shown;
        m_shown = index;
    }
    // Hide first so that no two pages show at once, even for a moment.
    for (int i = 0; i < m_pages.size(); ++i) {
        if (i != index)
            m_pages.at(i)->hide();
    }
    if (QWidget* shown = page(index))
        shown->show();
    m_bar->raise();
}

void TabControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_bar->setGeometry(0, 0, width(), m_bar->sizeHint().height());
    for (QWidget* page : std::as_const(m_pages))
        page->setGeometry(rect());
}

void TabControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    const int top = qMax(0, m_bar->height() - overlap);
    frame.rect = QRect(0, top, width(), height() - top);
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    frame.shape = QTabBar::RoundedNorth;
    frame.tabBarSize = m_bar->size();
    frame.tabBarRect = m_bar->geometry();
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

} // namespace platform
