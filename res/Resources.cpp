#include "Resources.h"

#include <QPainter>
#include <QPainterPath>

namespace ovento {
namespace {

const QColor kRed(226, 0, 0);
const QColor kTitleBand(232, 236, 240);
const QColor kBody(210, 216, 222);

QPixmap Canvas(int width, int height, const QColor& background = Qt::white)
{
    QPixmap pixmap(width, height);
    pixmap.fill(background);
    return pixmap;
}

// Record/stop/pause faces: a round plate whose shade tells normal, hover and pressed apart.
QPixmap ButtonFace(int shade, const std::function<void(QPainter&)>& symbol)
{
    QPixmap pixmap = Canvas(32, 32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(shade, shade, shade));
    p.setPen(QColor(120, 120, 120));
    p.drawEllipse(1, 1, 29, 29);
    symbol(p);
    return pixmap;
}

QPixmap RecordFace(int shade)
{
    return ButtonFace(shade, [](QPainter& p) {
        p.setBrush(kRed);
        p.setPen(Qt::NoPen);
        p.drawEllipse(9, 9, 14, 14);
    });
}

QPixmap StopFace(int shade)
{
    return ButtonFace(shade, [](QPainter& p) {
        p.setBrush(QColor(40, 40, 40));
        p.setPen(Qt::NoPen);
        p.drawRect(10, 10, 12, 12);
    });
}

QPixmap PauseFace(int shade)
{
    return ButtonFace(shade, [](QPainter& p) {
        p.setBrush(QColor(40, 40, 40));
        p.setPen(Qt::NoPen);
        p.drawRect(10, 9, 4, 14);
        p.drawRect(18, 9, 4, 14);
    });
}

QPixmap LetterFace(const QString& letter, int shade)
{
    return ButtonFace(shade, [letter](QPainter& p) {
        p.setPen(QColor(40, 40, 40));
        QFont font(QStringLiteral("Sans"));
        font.setPixelSize(16);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, letter);
    });
}

QPixmap HideFace(int shade)
{
    QPixmap pixmap = Canvas(16, 16, Qt::black);
    QPainter p(&pixmap);
    p.fillRect(2, 2, 12, 12, QColor(shade, shade, shade));
    p.fillRect(4, 10, 8, 2, QColor(40, 40, 40));
    return pixmap;
}

QPixmap Background()
{
    QPixmap pixmap = Canvas(398, 98, kBody);
    QPainter p(&pixmap);
    p.fillRect(0, 0, 398, 20, kTitleBand);
    p.drawPixmap(2, 2, Resources::Icon(Resources::IDR_MAINFRAME).pixmap(16, 16));
    p.setPen(QColor(150, 156, 162));
    p.drawRect(0, 0, 397, 97);
    return pixmap;
}

QPixmap AppIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0, 120, 215));
    p.setPen(Qt::NoPen);
    p.drawEllipse(0, 0, size, size);
    p.setBrush(kRed);
    p.drawEllipse(size / 4, size / 4, size / 2, size / 2);
    return pixmap;
}

QPixmap Microphone(int size)
{
    QPixmap pixmap = Canvas(size, size);
    QPainter p(&pixmap);
    p.setBrush(QColor(60, 60, 60));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(size / 3, 0, size / 3, size * 2 / 3, 2, 2);
    p.fillRect(size / 2 - 1, size * 2 / 3, 2, size / 3, QColor(60, 60, 60));
    return pixmap;
}

} // namespace

QString Resources::String(int id)
{
    switch (id) {
    case IDS_ABOUTBOX:
        return QStringLiteral("&About Ovento Recorder...");
    case IDS_SOCKETS_INIT_FAILED:
        return QStringLiteral("Windows sockets initialization failed.");
    default:
        return {};
    }
}

QPixmap Resources::Bitmap(int id)
{
    switch (id) {
    case IDB_BACKGROUND:
        return Background();
    case IDB_HIDE_NORMAL:
        return HideFace(200);
    case IDB_HIDE_HOVER:
        return HideFace(235);
    case IDB_HIDE_PRESSED:
        return HideFace(160);
    case IDB_START_NORMAL:
        return RecordFace(215);
    case IDB_START_HOVER:
        return RecordFace(240);
    case IDB_START_PRESSED:
        return RecordFace(180);
    case IDB_STOP_NORMAL:
        return StopFace(215);
    case IDB_STOP_HOVER:
        return StopFace(240);
    case IDB_STOP_PRESSED:
        return StopFace(180);
    case IDB_PAUSE_NORMAL:
        return PauseFace(215);
    case IDB_PAUSE_HOVER:
        return PauseFace(240);
    case IDB_PAUSE_PRESSED:
        return PauseFace(180);
    case IDB_MICROPHONE:
        return Microphone(12);
    case IDB_REMOTE:
        return Microphone(10);
    case IDB_BUTTON1010_NORMAL:
        return LetterFace(QStringLiteral("?"), 215);
    case IDB_BUTTON1010_HOVER:
        return LetterFace(QStringLiteral("?"), 240);
    case IDB_HISTORY_NORMAL:
        return LetterFace(QStringLiteral("H"), 215);
    case IDB_HISTORY_HOVER:
        return LetterFace(QStringLiteral("H"), 240);
    case IDB_OPTIONS_NORMAL:
        return LetterFace(QStringLiteral("O"), 215);
    case IDB_OPTIONS_HOVER:
        return LetterFace(QStringLiteral("O"), 240);
    case IDB_HELP_NORMAL:
        return LetterFace(QStringLiteral("i"), 215);
    case IDB_HELP_HOVER:
        return LetterFace(QStringLiteral("i"), 240);
    default:
        return {};
    }
}

QIcon Resources::Icon(int id)
{
    if (id != IDR_MAINFRAME)
        return {};
    QIcon icon;
    icon.addPixmap(AppIcon(16));
    icon.addPixmap(AppIcon(32));
    return icon;
}

QPixmap Resources::StatusIcon(int index)
{
    static const QColor kColours[] = {QColor(150, 150, 150), QColor(120, 120, 120),
                                      QColor(0, 170, 0),     QColor(240, 180, 0),
                                      QColor(220, 80, 0),    QColor(0, 140, 230)};
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(kColours[(index >= 0 && index < 6) ? index : 0]);
    p.setPen(Qt::NoPen);
    p.drawEllipse(2, 2, 12, 12);
    if (index <= 0 || index >= 6) {
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
    }
    return pixmap;
}

} // namespace ovento
