#pragma once

#include "res/DialogTemplate.h"

#include <QFont>
#include <QLabel>

#include <functional>

// A text that opens a link: drawn underlined in the parent's font, blue while the pointer is
// away and red while it is over the text, with a hand cursor over the text only. A press on the
// text (not a release) opens the target with the desktop's default handler, a web or "mailto:"
// URL. The text's own extent from (0, 0) is the link; the rest of the control does nothing.
class CLinkStatic : public QLabel {
    Q_OBJECT
public:
    // Takes the control's text as its first text.
    explicit CLinkStatic(const QString& text, QWidget* parent = nullptr);
    // Makes one in place of a template's static text.
    static QWidget* FromTemplate(const ControlTemplate& control, QWidget* parent);

    // Shown from the next repaint on; the link's area follows from the next move or press.
    void SetText(const QString& text);
    void SetURL(const QString& url);
    QString GetText() const { return m_strText; }
    QString GetURL() const { return m_strURL; }

    // Whether a point (control coordinates) is on the text.
    bool IsInside(const QPoint& point);
    bool IsNormalColor() const { return m_bNormalColor; }

    // Opens URLs; the desktop's handler unless a test puts in its own.
    using UrlOpener = std::function<void(const QString& url)>;
    static void SetUrlOpener(UrlOpener opener);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void CreateUnderlineFont();
    void MeasureText();

    QString m_strText;
    QString m_strURL;
    QFont m_font;
    int m_cxText = 0;
    int m_cyText = 0;
    bool m_bFontReady = false;
    bool m_bTracking = false;
    bool m_bSized = false;
    bool m_bNormalColor = true;
};
