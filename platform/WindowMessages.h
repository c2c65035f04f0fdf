#pragma once

#include <cstdint>

namespace ovento {

using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_MOVING = 0x0216;
constexpr UINT WM_USER = 0x0400;

// Messages exchanged between the parts of the program.
constexpr UINT WM_TRAY_NOTIFY = WM_USER + 257;
constexpr UINT WM_AUDIO_LEVEL_MINE = WM_USER + 273;
constexpr UINT WM_AUDIO_LEVEL_REMOTE = WM_USER + 274;
constexpr UINT WM_RECORD_FINISHED = WM_USER + 275;
constexpr UINT WM_SKYPE_ATTACHED = WM_USER + 500;
constexpr UINT WM_SKYPE_CONTACTS = WM_USER + 502;
constexpr UINT WM_SKYPE_USERSTATUS = WM_USER + 507;
constexpr UINT WM_SKYPE_CURRENTUSER = WM_USER + 508;
constexpr UINT WM_SKYPE_CALL = WM_USER + 510;
constexpr UINT WM_SKYPE_DTMF = WM_USER + 511;
constexpr UINT WM_SKYPE_VERSION = WM_USER + 514;
constexpr UINT WM_SKYPE_REFUSED = WM_USER + 521;
constexpr UINT WM_SKYPE_INCOMING_P2P = WM_USER + 522;
constexpr UINT WM_SKYPE_INCOMING_PSTN = WM_USER + 523;
constexpr UINT WM_HISTORY_DELETE = WM_USER + 1092;
constexpr UINT WM_HISTORY_LOCATE = WM_USER + 1093;

} // namespace ovento
