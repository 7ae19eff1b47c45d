#pragma once

// The numbers of QOVA's windows, controls, commands, timers, icons and strings,
// so that any widget can be traced to its number.
namespace qova::ids {

// Dialogs
inline constexpr int kAboutDialog = 100;
inline constexpr int kMainDialog = 102;
inline constexpr int kLogSettingsDialog = 139;
inline constexpr int kTellFriendDialog = 140;
inline constexpr int kLogViewDialog = 159;
inline constexpr int kEmailSetupDialog = 196;

// Main window controls
inline constexpr int kChart = 1000;
inline constexpr int kPollNow = 1001;
inline constexpr int kIntervalArrows = 1008;
inline constexpr int kIntervalField = 1009;
inline constexpr int kLastText = 1011;
inline constexpr int kBestText = 1012;
inline constexpr int kWorstText = 1013;
inline constexpr int kAddressBox = 1014;
inline constexpr int kAllTimeBestText = 1015;
inline constexpr int kAllTimeWorstText = 1016;
inline constexpr int kLastAlertText = 1017;
inline constexpr int kLastRecoveryText = 1018;
inline constexpr int kLogPathText = 1019;
inline constexpr int kClearLogButton = 1022;

// Email setup dialog controls
inline constexpr int kEmailServer = 1002;
inline constexpr int kEmailUserName = 1003;
inline constexpr int kEmailPassword = 1004;
inline constexpr int kEmailReturnAddress = 1005;
inline constexpr int kEmailAlertRecipient = 1006;
inline constexpr int kEmailRecoveryRecipient = 1007;
inline constexpr int kEmailSenderName = 1008; // hidden
inline constexpr int kEmailThreshold = 1009;
inline constexpr int kEmailAuthCheck = 1113;
inline constexpr int kEmailUserNameLabel = 1114;
inline constexpr int kEmailPasswordLabel = 1115;
inline constexpr int kEmailSendTestMail = 1117;
inline constexpr int kEmailTestMailStatus = 1118;

// Buttons every dialog shares
inline constexpr int kOkButton = 1; // "OK", or "Close" in the log viewer
inline constexpr int kCancelButton = 2;

// Log viewer (dialog 159); its path field is kLogPathText, its clear button kClearLogButton
inline constexpr int kLogViewText = 1068;
inline constexpr int kRefreshButton = 3;

// Log settings (dialog 139)
inline constexpr int kDoAccessLogCheck = 1015;
inline constexpr int kAccessLogPathEdit = 1016;
inline constexpr int kDoErrorLogCheck = 1017;
inline constexpr int kErrorLogPathEdit = 1018;
inline constexpr int kBrowseAccessLogButton = 1019;
inline constexpr int kBrowseErrorLogButton = 1002;

// Tell a friend (dialog 140)
inline constexpr int kFriendFromEdit = 1020;
inline constexpr int kFriendToEdit = 1021;
inline constexpr int kFriendSubjectEdit = 1022;
inline constexpr int kFriendBodyEdit = 1023;

// Help topics are addressed by this base plus the number of the asking dialog.
inline constexpr int kHelpContextBase = 0x20000;

// Menus and commands
inline constexpr int kTrayMenu = 110;
inline constexpr int kMainMenu = 129;
inline constexpr int kCmdAboutSystemMenu = 16;
inline constexpr int kCmdAlwaysOnTop = 1116;
inline constexpr int kCmdEmailSettings = 32771;
inline constexpr int kCmdOpen = 32772;
inline constexpr int kCmdExit = 32773;
inline constexpr int kCmdHide = 32774;
inline constexpr int kCmdShowDetails = 32775;
inline constexpr int kCmdLogSettings = 32776;
inline constexpr int kCmdAccessLog = 32777;
inline constexpr int kCmdErrorLog = 32778;
inline constexpr int kCmdOnTheWeb = 32779;
inline constexpr int kCmdResetStatistics = 32781;
inline constexpr int kCmdTellFriend = 32783;
inline constexpr int kCmdAbout = 57664;
inline constexpr int kCmdHelpContents = 57670;

// Timers
inline constexpr int kPollTimer = 312;
inline constexpr int kHideTimer = 245;

// Icons
inline constexpr int kIconNormal = 128;
inline constexpr int kIconProgressFirst = 131; // 131..137: one bar missing, walking left to right
inline constexpr int kIconProgressLast = 137;
inline constexpr int kIconAttention = 138;

// Tray
inline constexpr int kTrayIconId = 110;
inline constexpr int kTrayCallbackMessage = 1024;
inline constexpr int kTrayMouseMove = 0x0200;
inline constexpr int kTrayLeftButtonUp = 0x0202;
inline constexpr int kTrayLeftDoubleClick = 0x0203;
inline constexpr int kTrayRightButtonUp = 0x0205;

// Strings
inline constexpr int kStrAboutItem = 101;
inline constexpr int kStrTrayTip = 128;
inline constexpr int kStrAppName = 57344;

} // namespace qova::ids
