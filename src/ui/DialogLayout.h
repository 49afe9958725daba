#pragma once

#include "ui/LayoutMath.h"

#include <QPointer>
#include <QWidget>

#include <vector>

// Keeps a resizable dialog's controls in place relative to its edges: registered controls move
// with, or stretch by, the growth of the client area beyond the size it had when attached.
// Below that base size the controls stay where the template put them.
class CDialogLayout {
public:
    CDialogLayout() = default;
    virtual ~CDialogLayout() = default;
    CDialogLayout(const CDialogLayout&) = delete;
    CDialogLayout& operator=(const CDialogLayout&) = delete;

    // Takes the parent's client size as the base. Once, before any registration.
    void Attach(QWidget* parent);
    // 1 when registered; 0 for no control or before Attach.
    int AddControl(QWidget* control, int flags);
    // The same by the control's dialog id.
    int AddControl(int id, int flags);

    // Moves the registered controls by the growth since the last layout. Nothing before Attach.
    virtual void Relayout();
    virtual void SaveClientSize();

private:
    struct LayoutEntry {
        QPointer<QWidget> control;
        int flags = 0;
    };

    QPointer<QWidget> m_parent;
    int m_lastWidth = 0;
    int m_lastHeight = 0;
    int m_baseWidth = 0;
    int m_baseHeight = 0;
    std::vector<LayoutEntry> m_entries;
};
