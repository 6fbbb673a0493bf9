#pragma once

#include <cstdint>
#include <string>

// Messages the worker threads post to the main window. The ids keep their historic values.
inline constexpr std::uint32_t WM_USER = 0x400;
inline constexpr std::uint32_t WM_TASK_NET_ERROR = 0x401;
inline constexpr std::uint32_t WM_CONVERT_LIST_CHANGED = 0x402;
inline constexpr std::uint32_t WM_CONVERT_ITEM_CHANGED = 0x403;
inline constexpr std::uint32_t WM_CONVERT_FINISH = 0x404;
inline constexpr std::uint32_t WM_CONVERT_FILE_DONE = 0x405;
inline constexpr std::uint32_t WM_COMPLETED_LIST_CHANGED = 0x408;
inline constexpr std::uint32_t WM_UPDATE_CHECK = 0x409;
inline constexpr std::uint32_t WM_UPDATE_RESULT = 0x40A;
inline constexpr std::uint32_t WM_UPDATE_FORCED = 0x40B;
inline constexpr std::uint32_t WM_SHOW_SETTINGS = 0x40C;
inline constexpr std::uint32_t WM_CONVERT_LIST_BACK = 0x40D;
inline constexpr std::uint32_t WM_FIRST_START_CHECK = 0x40E;
inline constexpr std::uint32_t WM_ACCOUNT_LOGIN = 1224;
inline constexpr std::uint32_t WM_ACCOUNT_LOGOUT = 1225;
inline constexpr std::uint32_t WM_ACCOUNT_SHOW_LOGIN = 1226;
inline constexpr std::uint32_t WM_ACCOUNT_HEAD_ICON = 1227;
inline constexpr std::uint32_t WM_ACCOUNT_USER_NAME = 1228;
inline constexpr std::uint32_t WM_TILE_CLICKED = 0x52C;
inline constexpr std::uint32_t WM_VIEWER_FUNCTION = 0x52D;
inline constexpr std::uint32_t WM_VIEWER_RECORD = 0x52E;
// A web page was handed to the desktop; the payload is the key of the tile that asked for it.
inline constexpr std::uint32_t WM_WEB_PAGE_OPENED = 0x52F;
inline constexpr std::uint32_t WM_OPEN_IN_VIEWER = 0x1400;

// One posted message. The payload (a resource key, a path...) is owned by the message and so
// by the receiver once posted.
struct WindowMessage
{
    std::uint32_t id = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::string payload;
};

// Receiver of posted messages: the main window in the program, a recorder in tests.
// PostWindowMessage may be called from any thread and must not block on the receiver.
class MessageTarget
{
public:
    virtual ~MessageTarget() = default;
    virtual void PostWindowMessage(WindowMessage message) = 0;
};
