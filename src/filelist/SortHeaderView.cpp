#include "filelist/SortHeaderView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>

namespace {

constexpr int kArrowGap = 4;

} // namespace

SortHeaderView::SortHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSortIndicatorShown(false);
    setSectionsClickable(true);
    setSectionsMovable(true);
    setHighlightSections(false);
    setStretchLastSection(false);
}

void SortHeaderView::SetArrowImages(const CImageList& images) {
    m_arrows = images;
    viewport()->update();
}

void SortHeaderView::SetArrow(int column, bool ascending) {
    m_column = column;
    m_ascending = ascending;
    viewport()->update();
}

void SortHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) {
        return;
    }
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.section = logicalIndex;
    opt.text.clear();
    opt.sortIndicator = QStyleOptionHeader::None;
    const int visual = visualIndex(logicalIndex);
    opt.position = count() == 1            ? QStyleOptionHeader::OnlyOneSection
                   : visual == 0           ? QStyleOptionHeader::Beginning
                   : visual == count() - 1 ? QStyleOptionHeader::End
                                           : QStyleOptionHeader::Middle;
    if (isSortIndicatorShown() || sectionsClickable()) {
        opt.state |= QStyle::State_Raised;
    }
    painter->save();
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);

    const QString title =
        model() != nullptr ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    const auto alignment =
        model() != nullptr
            ? Qt::Alignment(model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole).toInt())
            : Qt::Alignment(Qt::AlignLeft);
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, &opt, this);
    const QRect area = rect.adjusted(margin, 0, -margin, 0);
    const bool arrow = logicalIndex == m_column && m_arrows.GetImageCount() >= 2;
    const QPixmap& image = arrow ? m_arrows.Pixmap(m_ascending ? 0 : 1) : QPixmap();
    const int titleWidth = fontMetrics().horizontalAdvance(title);
    const int blockWidth = titleWidth + (arrow ? kArrowGap + image.width() : 0);
    int x = area.left();
    if ((alignment & Qt::AlignRight) != 0) {
        x = area.right() + 1 - blockWidth;
    } else if ((alignment & Qt::AlignHCenter) != 0) {
        x = area.left() + (area.width() - blockWidth) / 2;
    }
    x = std::max(x, area.left());
    const QRect textRect(x, area.top(), std::min(titleWidth, area.right() + 1 - x), area.height());
    painter->setClipRect(area);
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                      fontMetrics().elidedText(title, Qt::ElideRight, textRect.width()));
    if (arrow) {
        painter->drawPixmap(x + titleWidth + kArrowGap, area.top() + (area.height() - image.height()) / 2,
                            image);
    }
    painter->restore();
}

void SortHeaderView::mouseDoubleClickEvent(QMouseEvent* event) {
    // Two quick clicks on a title are two clicks: the order flips twice. Only on the line
    // between two titles is it a double click (the column fits its contents).
    const int x = event->position().toPoint().x();
    const int column = logicalIndexAt(x);
    const int start = sectionViewportPosition(column);
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    if (column >= 0 && x > start + grip && x < start + sectionSize(column) - grip) {
        mousePressEvent(event);
        return;
    }
    QHeaderView::mouseDoubleClickEvent(event);
}

QSize SortHeaderView::sectionSizeFromContents(int logicalIndex) const {
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (m_arrows.GetImageCount() >= 2) {
        size.rwidth() += kArrowGap + m_arrows.ImageSize().width();
        size.setHeight(std::max(size.height(), m_arrows.ImageSize().height() + 4));
    }
    return size;
}
