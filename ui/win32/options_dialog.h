// The options dialog ("Options"), built in code over the rules of
// app::OptionsDialog, and the "Set Password" dialog it opens.
#pragma once

#include <windows.h>

#include <string>

#include "app/options_dialog.h"
#include "platform/platform.h"

namespace nc::ui {

// Opens the dialog modally over `owner`; true after OK.
bool ShowOptionsDialog(HWND owner, platform::Platform ports, const std::string& programFolder,
                       app::Options& options, app::OptionsHost host);

// Window classes and control identifiers, for tests that drive the dialog.
inline constexpr const wchar_t* kOptionsClass = L"NorvikCleanerOptions";
inline constexpr const wchar_t* kPasswordSetClass = L"NorvikCleanerPasswordSet";

namespace options_ids {
inline constexpr int kTabs = 5000;
// "Common"
inline constexpr int kAutoRun = 5001;
inline constexpr int kAskBeforeClear = 5002;
inline constexpr int kVerifyPassword = 5003;
inline constexpr int kSetPassword = 5004;
inline constexpr int kWipeFile = 5005;
inline constexpr int kWipeNumber = 5006;
inline constexpr int kDeleteBackupFile = 5007;
inline constexpr int kIncludeRemoveMedia = 5008;
inline constexpr int kIncludeCdDrive = 5009;
inline constexpr int kRestorePoint = 5010;
inline constexpr int kFastScan = 5011;
inline constexpr int kShowLogTemp = 5012;
inline constexpr int kShowLogRecycleBin = 5013;
inline constexpr int kOutputGroup = 5014;
inline constexpr int kOutputDirectory = 5015;
inline constexpr int kBrowseOutput = 5016;
inline constexpr int kCommunityGroup = 5017;
inline constexpr int kCommunityRules = 5018;
inline constexpr int kCommunityInfo = 5019;  // version and entry count, or why none
// "Cookies"
inline constexpr int kCookiesToDeleteLabel = 5101;
inline constexpr int kCookiesToDelete = 5102;
inline constexpr int kCookiesToKeepLabel = 5103;
inline constexpr int kCookiesToKeep = 5104;
inline constexpr int kAddCookie = 5105;
inline constexpr int kRemoveCookie = 5106;
inline constexpr int kAddAllCookies = 5107;
inline constexpr int kRemoveAllCookies = 5108;
inline constexpr int kViewCookie = 5109;
inline constexpr int kKeepListNotice = 5110;  // empty unless the keep list cannot be read
// "Schedule"
inline constexpr int kAutoClean = 5201;
inline constexpr int kIntervalsGroup = 5202;
inline constexpr int kInterval0 = 5203;  // five radios, 5203..5207
inline constexpr int kStartClean = 5208;
inline constexpr int kShutdownClean = 5209;
// "Boss Key"
inline constexpr int kNoBossKey = 5301;
inline constexpr int kUseBossKey = 5302;
inline constexpr int kHotkey = 5303;
inline constexpr int kBrowsersGroup = 5304;
inline constexpr int kEnableIE = 5305;
inline constexpr int kEnableNetscape = 5306;
inline constexpr int kEnableOpera = 5307;
inline constexpr int kEnableFirefox = 5308;
// "Ignore Lists"
inline constexpr int kIgnoreLabel = 5401;
inline constexpr int kIgnoreTabs = 5402;
inline constexpr int kIgnoreValues = 5403;
inline constexpr int kIgnoreKeys = 5404;
inline constexpr int kIgnoreAdd = 5405;
inline constexpr int kIgnoreEdit = 5406;
inline constexpr int kIgnoreRemove = 5407;
// "Set Password"
inline constexpr int kNewPassword = 5501;
inline constexpr int kConfirmPassword = 5502;
}  // namespace options_ids

}  // namespace nc::ui
