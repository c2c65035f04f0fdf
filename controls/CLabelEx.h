#pragma once

#include <QColor>
#include <QLabel>

namespace ovento {

// A transparent label with coloured text and an optional status icon at its left; it reports
// clicks as its command, and can light up blue with a hand cursor while the pointer is over it.
class CLabelEx : public QLabel
{
    Q_OBJECT
public:
    explicit CLabelEx(int id, QWidget* parent);

    int Id() const { return m_id; }
    void SetTextColor(const QColor& colour);
    QColor TextColor() const { return m_textColour; }
    void SetupStatusIcons();
    void SetIconIndex(int index);
    int IconIndex() const { return m_iconIndex; }
    void SetHoverTracking(bool on);
    void SetHoverHighlight(bool on);
    bool HoverTracking() const { return m_bTracking; }

signals:
    void clicked(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int m_id;
    QColor m_textColour = Qt::black;
    bool m_bHasIcons = false;
    int m_iconIndex = 0;
    bool m_bTracking = false;
    bool m_bHighlight = false;
    bool m_bHovering = false;
};

} // namespace ovento
