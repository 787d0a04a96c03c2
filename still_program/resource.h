// The still program's string, command and control ids.
#pragma once

#include "types/wintypes.h"

// Strings.
constexpr UINT IDS_NO_CAMERA = 7605;
constexpr UINT IDS_READY = 57345;
constexpr UINT IDS_VERSION_WORD = 61221;
constexpr UINT IDS_VERSION_NUMBER = 61205;
constexpr UINT IDS_TAKE_PICTURE = 61234;
constexpr UINT IDS_START_SELF_TIMER = 61235;
constexpr UINT IDS_STOP_SELF_TIMER = 61236;
constexpr UINT IDS_OPEN_SHUTTER = 61237;
constexpr UINT IDS_CLOSE_SHUTTER = 61238;
constexpr UINT IDS_START_CAPTURE = 61239;
constexpr UINT IDS_STOP_CAPTURE = 61240;
constexpr UINT IDS_EXPOSURE_TOO_LONG = 61241;
constexpr UINT IDS_DISK_FULL = 61244;
constexpr UINT IDS_16GRAY_JPEG = 61246;
constexpr UINT IDS_FILMROLL_FULL = 61247;
constexpr UINT IDS_SENT_FILMROLL = 61248;
constexpr UINT IDS_SENT_CLIPBOARD = 61249;
constexpr UINT IDS_SENT_DISK = 61250;
constexpr UINT IDS_SENT_MAIL = 61251;
constexpr UINT IDS_SPACE_ACCEL = 61252;
constexpr UINT IDS_ENTER_INTEGER = 61712;
constexpr UINT IDS_ENTER_INTEGER_RANGE = 61714;
constexpr UINT IDS_TAKE_PICTURES = 61715;
constexpr UINT IDS_AUTO_BRIGHTNESS_ON = 61716;

// The auto-capture dialogs: the interval list, the units, the time button's
// halves of the day and the refused latest-image name.
constexpr UINT IDS_EVERY_MINUTE = 61222;
constexpr UINT IDS_EVERY_10_SECONDS = 61223;
constexpr UINT IDS_EVERY_30_MINUTES = 61224;
constexpr UINT IDS_EVERY_HOUR = 61225;
constexpr UINT IDS_EVERY_OTHER = 61226;
constexpr UINT IDS_UNIT_SECONDS = 61227;
constexpr UINT IDS_UNIT_MINUTES = 61228;
constexpr UINT IDS_UNIT_HOURS = 61229;
constexpr UINT IDS_AM = 61232;
constexpr UINT IDS_PM = 61233;
constexpr UINT IDS_BAD_LATEST_IMAGE = 61242;
// The integer checks of dialog fields.

// Picture commands: the File menu's first item and the button.
constexpr UINT ID_TAKE_PICTURE = 32811;
constexpr UINT ID_START_SELF_TIMER = 32848;
constexpr UINT ID_OPEN_SHUTTER = 32849;
constexpr UINT ID_START_CAPTURE = 32850;
constexpr UINT ID_STOP_SELF_TIMER = 32851;
constexpr UINT ID_CLOSE_SHUTTER = 32852;
constexpr UINT ID_STOP_CAPTURE = 32853;

// Send To and the tool bar.
constexpr UINT ID_SEND_CLIPBOARD = 32812;
constexpr UINT ID_SEND_FILE = 32813;
constexpr UINT ID_CAMERA_ADJUSTMENTS = 32841;
constexpr UINT ID_IMAGE_SIZE = 32854;
constexpr UINT ID_SEND_MAIL = 32855;
constexpr UINT ID_SEND_FILMROLL = 32858;

// Settings menu: self timer, capture, shutter and multiple exposure modes.
constexpr UINT ID_SELF_TIMER_OFF = 32842;
constexpr UINT ID_SELF_TIMER_5 = 32843;
constexpr UINT ID_SELF_TIMER_7 = 32844;
constexpr UINT ID_SELF_TIMER_OTHER = 32845;
constexpr UINT ID_SELF_TIMER_DELAY = 32884;   // no menu item; its prompt is a string
constexpr UINT ID_SINGLE_CAPTURE = 32835;
constexpr UINT ID_AUTO_CAPTURE = 32836;
constexpr UINT ID_SHUTTER_NORMAL = 32839;
constexpr UINT ID_SHUTTER_BULB = 32840;
constexpr UINT ID_TIMED_EXPOSURE = 32847;
constexpr UINT ID_MULTI_ONE = 32877;
constexpr UINT ID_MULTI_THREE = 32878;
constexpr UINT ID_MULTI_FIVE = 32879;
constexpr UINT ID_MULTI_OTHER = 32880;

// View menu.
constexpr UINT ID_VIEW_TOOLBAR = 59392;
constexpr UINT ID_VIEW_STATUS_BAR = 59393;
constexpr UINT ID_GOTO_FILMROLL = 32873;
constexpr UINT ID_GOTO_VIEWER = 32874;
constexpr UINT ID_SHOW_VIEWER = 32875;
constexpr UINT ID_SHOW_FILMROLL = 32876;

// Viewer menu.
constexpr UINT ID_VIEWER_CLOSE = 32865;
constexpr UINT ID_VIEWER_SAVE = 32866;
constexpr UINT ID_VIEWER_MAIL = 32867;
constexpr UINT ID_VIEWER_CUT = 32868;
constexpr UINT ID_VIEWER_COPY = 32870;

// Help.
constexpr UINT ID_HELP_CONTENTS = 32806;
constexpr UINT ID_APP_ABOUT = 57664;

// Bitmaps: the tool bar strips with and without the mail button's picture,
// and the picture the view shows without a camera.
constexpr UINT IDB_TOOLBAR = 2;
constexpr UINT IDB_TOOLBAR_MAIL = 220;
constexpr UINT IDB_NO_CAMERA = 230;
// The indicators: the auto-capture animation's frames, the countdown's
// background and its digits (0 and 1 are 214 and 215, 2 to 9 are 206 to 213).
constexpr UINT IDB_AUTO_FRAME_1 = 200;
constexpr UINT IDB_AUTO_FRAME_2 = 201;
constexpr UINT IDB_AUTO_FRAME_3 = 202;
constexpr UINT IDB_COUNTDOWN = 205;
constexpr UINT IDB_DIGIT_2 = 206;
constexpr UINT IDB_DIGIT_9 = 213;
constexpr UINT IDB_DIGIT_0 = 214;
constexpr UINT IDB_DIGIT_1 = 215;

// Controls.
constexpr UINT IDC_BRIGHTNESS = 1417;
constexpr UINT IDC_TAKE_PICTURE = 1418;
constexpr UINT IDC_CAPTURE_WINDOW = 1420;

// The private message of the idle live refresh.
constexpr UINT WM_PREVIEW_REFRESH = 0x681;

// Fills the program's string table with the texts above.
void RegisterSnapvoStrings();
