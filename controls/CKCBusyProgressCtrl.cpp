#include "CKCBusyProgressCtrl.h"

#include <QPainter>
#include <algorithm>

namespace ovento {

CKCBusyProgressCtrl::CKCBusyProgressCtrl(int id, QWidget* parent) : QWidget(parent)
{
    setObjectName(QString::number(id));
}

void CKCBusyProgressCtrl::SetNumSteps(int blocks)
{
    m_blocks = std::max(1, blocks);
    update();
}

void CKCBusyProgressCtrl::SetRange(int lower, int upper)
{
    m_lower = lower;
    m_upper = std::max(lower + 1, upper);
    SetPos(m_value);
}

void CKCBusyProgressCtrl::SetPos(int value)
{
    m_value = std::clamp(value, m_lower, m_upper);
    update();
}

void CKCBusyProgressCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int lit = (m_value - m_lower) * m_blocks / (m_upper - m_lower);
    const double blockWidth = double(width()) / m_blocks;
    for (int i = 0; i < m_blocks; ++i) {
        const QRectF block(i * blockWidth + 1, 0, blockWidth - 2, height());
        painter.fillRect(block, i < lit ? QColor(0, 170, 0) : QColor(190, 196, 202));
    }
}

} // namespace ovento
