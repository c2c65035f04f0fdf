#pragma once

#include <QColor>
#include <QPixmap>
#include <QPushButton>

namespace ovento {

// A push button that shows a picture per state (hover, normal, pressed); the given colour of
// each picture is transparent. A disabled button shows its normal picture in grey.
class CMyButtonST : public QPushButton
{
    Q_OBJECT
public:
    explicit CMyButtonST(int id, QWidget* parent);

    int Id() const { return m_id; }
    // Bitmap resource ids; 0 leaves that state without a picture of its own.
    void SetStateImages(int hover, int normal, int pressed, const QColor& transparent);
    void SetTooltip(const QString& text);
    int HoverImage() const { return m_hoverId; }
    int NormalImage() const { return m_normalId; }
    int PressedImage() const { return m_pressedId; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    const QPixmap& CurrentPicture() const;

    int m_id;
    int m_hoverId = 0;
    int m_normalId = 0;
    int m_pressedId = 0;
    QPixmap m_hover;
    QPixmap m_normal;
    QPixmap m_pressed;
    bool m_bHovering = false;
};

} // namespace ovento
