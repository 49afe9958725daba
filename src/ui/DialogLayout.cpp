#include "ui/DialogLayout.h"

#include <QVariant>

void CDialogLayout::Attach(QWidget* parent) {
    m_parent = parent;
    if (parent != nullptr) {
        m_baseWidth = parent->width();
        m_baseHeight = parent->height();
    }
    SaveClientSize();
}

int CDialogLayout::AddControl(QWidget* control, int flags) {
    if (control == nullptr || m_parent == nullptr) {
        return 0;
    }
    m_entries.push_back({control, flags});
    return 1;
}

int CDialogLayout::AddControl(int id, int flags) {
    if (m_parent == nullptr) {
        return 0;
    }
    for (QWidget* child : m_parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->property("dialogId").toInt() == id && child->property("dialogId").isValid()) {
            return AddControl(child, flags);
        }
    }
    return 0;
}

void CDialogLayout::Relayout() {
    if (m_parent == nullptr) {
        return;
    }
    const int dW = LayoutGrowth(m_parent->width(), m_lastWidth, m_baseWidth);
    const int dH = LayoutGrowth(m_parent->height(), m_lastHeight, m_baseHeight);
    for (const LayoutEntry& entry : m_entries) {
        if (entry.control == nullptr) {
            continue;
        }
        const QRect g = entry.control->geometry();
        const LayoutRect r = ApplyLayoutFlags({g.left(), g.top(), g.left() + g.width(), g.top() + g.height()},
                                              entry.flags, dW, dH);
        entry.control->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
        entry.control->update();
    }
    SaveClientSize();
}

void CDialogLayout::SaveClientSize() {
    if (m_parent == nullptr) {
        return;
    }
    m_lastWidth = m_parent->width();
    m_lastHeight = m_parent->height();
}
