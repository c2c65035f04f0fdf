#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace ovento {

// The windows' resources by their ids: the string table and the pictures. The pictures are
// drawn rather than shipped, at the sizes the windows lay out for.
class Resources
{
public:
    enum StringId
    {
        IDS_ABOUTBOX = 101,
        IDS_SOCKETS_INIT_FAILED = 103,
    };
    enum BitmapId
    {
        IDB_BACKGROUND = 129,
        IDB_HIDE_NORMAL = 130,
        IDB_HIDE_HOVER = 131,
        IDB_HIDE_PRESSED = 132,
        IDB_START_NORMAL = 133,
        IDB_START_HOVER = 134,
        IDB_START_PRESSED = 135,
        IDB_STOP_NORMAL = 136,
        IDB_STOP_HOVER = 137,
        IDB_STOP_PRESSED = 138,
        IDB_PAUSE_NORMAL = 139,
        IDB_PAUSE_HOVER = 140,
        IDB_PAUSE_PRESSED = 141,
        IDB_MICROPHONE = 1007,
        IDB_REMOTE = 1008,
        IDB_STATUS_STRIP = 1010,
        IDB_BUTTON1010_NORMAL = 1011,
        IDB_HISTORY_NORMAL = 1012,
        IDB_OPTIONS_NORMAL = 1013,
        IDB_HELP_NORMAL = 1014,
        IDB_HISTORY_HOVER = 1060,
        IDB_HELP_HOVER = 1061,
        IDB_OPTIONS_HOVER = 1062,
        IDB_BUTTON1010_HOVER = 1063,
    };
    enum IconId
    {
        IDR_MAINFRAME = 128
    };

    static QString String(int id);
    static QPixmap Bitmap(int id);
    static QIcon Icon(int id);
    // One 16x16 icon of the Skype status strip (0 question mark .. 5 Skype Me).
    static QPixmap StatusIcon(int index);
};

} // namespace ovento
