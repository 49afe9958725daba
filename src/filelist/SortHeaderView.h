#pragma once

#include "res/ImageList.h"

#include <QHeaderView>

// The list's header: draws the sort arrow (an image, not the style's indicator) just right of
// the sort column's title, keeping the title's own alignment, so a right-aligned title stays
// right-aligned beside its arrow.
class SortHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit SortHeaderView(QWidget* parent = nullptr);

    // Images 0 (ascending, pointing up) and 1 (descending).
    void SetArrowImages(const CImageList& images);
    // The arrow on this column (-1: none).
    void SetArrow(int column, bool ascending);
    int ArrowColumn() const { return m_column; }
    bool ArrowAscending() const { return m_ascending; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    CImageList m_arrows;
    int m_column = -1;
    bool m_ascending = true;
};
