#pragma once

// The command ids of the pop-up menus.
namespace MenuCommand {

// The tray's menu.
inline constexpr int kWebPage = 711;
inline constexpr int kSettings = 712;
inline constexpr int kShowMain = 713;
inline constexpr int kExit = 714;

// The information menu of the main window's "≡".
inline constexpr int kInfoSettings = 510;
inline constexpr int kInfoCheckUpdate = 512;
inline constexpr int kInfoSupportGroup = 513;
inline constexpr int kInfoContact = 514;

// The settings window's "≡".
inline constexpr int kSettingSupportGroup = 611;
inline constexpr int kSettingContact = 612;

} // namespace MenuCommand
