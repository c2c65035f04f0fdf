#pragma once

#include <QWidget>

namespace ovento {

// A level meter of lit blocks: the value, within the range, lights that share of the blocks.
class CKCBusyProgressCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit CKCBusyProgressCtrl(int id, QWidget* parent);

    void SetNumSteps(int blocks);
    void SetRange(int lower, int upper);
    void SetPos(int value);
    int GetPos() const { return m_value; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_blocks = 20;
    int m_lower = 0;
    int m_upper = 100;
    int m_value = 0;
};

} // namespace ovento
