#include "CLabelEx.h"

#include "res/Resources.h"

#include <QMouseEvent>
#include <QPainter>

namespace ovento {

namespace {
constexpr int kTextIndentWithIcon = 20;
}

CLabelEx::CLabelEx(int id, QWidget* parent) : QLabel(parent), m_id(id)
{
    setObjectName(QString::number(id));
    setAttribute(Qt::WA_TranslucentBackground);
}

void CLabelEx::SetTextColor(const QColor& colour)
{
    m_textColour = colour;
    update();
}

void CLabelEx::SetupStatusIcons()
{
    m_bHasIcons = true;
    update();
}

void CLabelEx::SetIconIndex(int index)
{
    m_iconIndex = index;
    update();
}

void CLabelEx::SetHoverTracking(bool on)
{
    m_bTracking = on;
    if (!on) {
        m_bHovering = false;
        unsetCursor();
    }
    update();
}

void CLabelEx::SetHoverHighlight(bool on)
{
    m_bHighlight = on;
    update();
}

void CLabelEx::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    int textLeft = 0;
    if (m_bHasIcons) {
        painter.drawPixmap(0, (height() - 16) / 2, Resources::StatusIcon(m_iconIndex));
        textLeft = kTextIndentWithIcon;
    }
    const bool lit = m_bTracking && m_bHighlight && m_bHovering;
    painter.setPen(lit ? QColor(0, 0, 255) : m_textColour);
    painter.drawText(rect().adjusted(textLeft, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
}

void CLabelEx::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked(m_id);
    QLabel::mouseReleaseEvent(event);
}

void CLabelEx::enterEvent(QEnterEvent* event)
{
    if (m_bTracking) {
        m_bHovering = true;
        if (m_bHighlight)
            setCursor(Qt::PointingHandCursor);
        update();
    }
    QLabel::enterEvent(event);
}

void CLabelEx::leaveEvent(QEvent* event)
{
    m_bHovering = false;
    unsetCursor();
    update();
    QLabel::leaveEvent(event);
}

} // namespace ovento
