// The attribute lists of the rows that the upload-list and history pages
// build in code, word for word, so that the pages and their tests share them.
#pragma once

#include <string>

namespace itemattr {

// Both pages.
inline constexpr const char* kRowFixed = R"(float="false" height="54")";
inline constexpr const char* kNameLabel = R"(textcolor="#FFAAAAAA" showhtml="true")";
inline constexpr const char* kSeparatorRow = R"(float="false" height="1")";
// The icon label; the icon file goes between the two parts.
inline constexpr const char* kIconBefore =
    R"(name="file_img" align="left" bordersize="0" width="50" maxheight="50" bkimage=")";
inline constexpr const char* kIconAfter = R"(" showhtml="true" )";

// Upload list.
inline constexpr const char* kTaskElement = R"(height="71" )";
inline constexpr const char* kWaitingStatus =
    R"(align="left" text="等待中" textcolor="#FFAAAAAA" showhtml="true")";
inline constexpr const char* kFailedStatusBefore = R"(align="left" text=")";
inline constexpr const char* kFailedStatusAfter = R"(" textcolor="#FFAAAAAA" showhtml="true")";
inline constexpr const char* kTaskControlButton =
    R"(name="ctrl_btn" width="25" enabled="false" normalimage="file='btn_start.png' dest='0,18,16,34'")";
inline constexpr const char* kFailedControlButton =
    R"(name="ctrl_btn" width="20" enabled="false" normalimage="file='btn_start.png' dest='0,18,16,34'")";
inline constexpr const char* kDeleteButton =
    R"(name="del_btn" width="40" normalimage="file='btn_del.png' dest='0,18,16,34'")";
inline constexpr const char* kTaskSeparator =
    R"( height="1" padding="2,0,419,0" bkcolor="#FFE1E1E3")";
inline constexpr const char* kPlayImage = "file='btn_play.png' dest='0,18,16,34'";
inline constexpr const char* kPauseImage = "file='btn_pause.png' dest='0,18,16,34'";

// History.
inline constexpr const char* kHistoryElement = R"(height="60" mouse="false")";
inline constexpr const char* kHistoryText = R"(align="left" textcolor="#FFAAAAAA" showhtml="true")";
inline constexpr const char* kHistorySeparator = R"( height="1" bkcolor="#FFE1E1E3")";

// Upload tool-tip.
inline constexpr const char* kTipElement = R"(height="35" mouse="false")";
inline constexpr const char* kTipRow = R"(float="false" childpadding="10" inset="6,3,3,5")";
inline constexpr const char* kTipIconBox = R"(width="17")";
inline constexpr const char* kTipIconBefore =
    R"(name="file_img" align="left" bordersize="0" width="16" maxheight="16" bkimage=")";
inline constexpr const char* kTipIconAfter = R"(" showhtml="true")";
inline constexpr const char* kTipName = R"(align="left" textcolor="#FFAAAAAA" showhtml="true")";
inline constexpr const char* kTipStatusBox = R"(width="35")";
inline constexpr const char* kTipStatus =
    R"(align="right" text="等待中" textcolor="#FFAAAAAA" showhtml="true")";

inline std::string IconLabel(const std::string& iconFile) {
  return kIconBefore + iconFile + kIconAfter;
}

}  // namespace itemattr
