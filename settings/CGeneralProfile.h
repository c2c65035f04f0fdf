#pragma once

#include "platform/ProcessSingleton.h"
#include "settings/CProfileBase.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace ovento {

// All user settings of the recorder, one object for the whole process. The controller, the
// main window and the options pages share it, so a field changed by an options page is in
// effect at once; Save writes every field back.
class CGeneralProfile final : public CProfileBase, public ProcessSingleton<CGeneralProfile>
{
public:
    // Built with the defaults; nothing is read until Load.
    CGeneralProfile();

    // Reads all ten values; a missing one is stored with the field's current value. True.
    bool Load() override;
    // Writes all ten values, but only once m_bDirty is set. True.
    bool Save() override;
    void SetDefaults() override;

    // The autostart entry that starts this executable when the user logs on. An existing
    // entry is kept whatever it holds (true); false when no entry can be written.
    bool SetAutoStart();
    // True when an entry was there and has been deleted.
    bool RemoveAutoStart();

    // The numbers of a "position" text, at most four: "10,,20,410,118" gives 10, 20, 410,
    // 118; a piece without digits gives 0.
    static std::vector<int> ParsePosition(const QString& text);
    // left, top, right, bottom as "%d,%d,%d,%d".
    static QString FormatPosition(int left, int top, int right, int bottom);

    bool m_bAutoStart;        // "autostart"
    QString m_strPosition;    // "position": the main window's rectangle
    bool m_bNotifyCov;        // "notifycov": to the front when a conversation starts
    bool m_bNotifyFinish;     // "notifyfinish": to the front when a recording finishes
    bool m_bRecType;          // "rectype": true records calls automatically
    std::int32_t m_nRecSide;  // "recside": 0 both, 1 my side, 2 (or other) the remote side
    QString m_strSFolder;     // "sfolder": where the MP3 files go
    std::int32_t m_nAMode;    // "amode": 0 mono, 1 stereo, 2 joint stereo
    std::int32_t m_nABitrate; // "abitrate": 0..5 for 32, 64, 96, 128, 192, 256 kbit/s
    std::int32_t m_nASample;  // "asample": 0..3 for 16000, 32000, 44100, 48000 Hz

private:
    QString ConfigKey() const { return m_strKey + QStringLiteral("config"); }
};

} // namespace ovento
