#include "CMyButtonST.h"

#include "res/Resources.h"

#include <QPainter>

namespace ovento {
namespace {

QPixmap Transparent(int id, const QColor& transparent)
{
    QPixmap picture = Resources::Bitmap(id);
    if (!picture.isNull())
        picture.setMask(picture.createMaskFromColor(transparent, Qt::MaskInColor));
    return picture;
}

} // namespace

CMyButtonST::CMyButtonST(int id, QWidget* parent) : QPushButton(parent), m_id(id)
{
    setObjectName(QString::number(id));
    setAutoDefault(false);
    setFlat(true);
}

void CMyButtonST::SetStateImages(int hover, int normal, int pressed, const QColor& transparent)
{
    m_hoverId = hover;
    m_normalId = normal;
    m_pressedId = pressed;
    m_hover = Transparent(hover, transparent);
    m_normal = Transparent(normal, transparent);
    m_pressed = Transparent(pressed, transparent);
    update();
}

void CMyButtonST::SetTooltip(const QString& text)
{
    setToolTip(text);
}

const QPixmap& CMyButtonST::CurrentPicture() const
{
    if (isDown() && !m_pressed.isNull())
        return m_pressed;
    if ((m_bHovering || m_normal.isNull()) && !m_hover.isNull())
        return m_hover;
    return m_normal;
}

void CMyButtonST::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPixmap& picture = CurrentPicture();
    if (picture.isNull())
        return;
    const QPoint origin((width() - picture.width()) / 2, (height() - picture.height()) / 2);
    if (isEnabled()) {
        painter.drawPixmap(origin, picture);
        return;
    }
    QImage grey = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int g = qGray(line[x]);
            line[x] = qRgba(g, g, g, qAlpha(line[x]));
        }
    }
    painter.drawImage(origin, grey);
}

void CMyButtonST::enterEvent(QEnterEvent* event)
{
    m_bHovering = true;
    update();
    QPushButton::enterEvent(event);
}

void CMyButtonST::leaveEvent(QEvent* event)
{
    m_bHovering = false;
    update();
    QPushButton::leaveEvent(event);
}

} // namespace ovento
