// The movie program's string, command and control ids.
#pragma once

#include "types/wintypes.h"

// Strings.
constexpr UINT IDS_DOCUMENT = 108;
constexpr UINT IDS_CANNOT_CONNECT = 109;
constexpr UINT IDS_NO_CAMERA = 7605;
constexpr UINT IDS_READY = 57345;
constexpr UINT IDS_NO_DRIVER = 57346;
constexpr UINT IDS_PRESS_TO_RECORD = 57347;
constexpr UINT IDS_PRESS_TO_PLAY = 57348;
constexpr UINT IDS_PRESS_TO_STOP = 57349;
constexpr UINT IDS_COMPRESS_FAILED = 59142;
constexpr UINT IDS_VERSION_NUMBER = 61205;
constexpr UINT IDS_OVERWRITE_QUESTION = 61206;
constexpr UINT IDS_SAVE_FAILED = 61207;
constexpr UINT IDS_PROGRAM_NAME = 61208;
constexpr UINT IDS_VERSION_WORD = 61221;
constexpr UINT IDS_WORKSPACE_REFUSED = 61223;
constexpr UINT IDS_RECORDING = 61226;
constexpr UINT IDS_RECORDING_BLANK = 61232;
constexpr UINT IDS_AUDIO_FORMAT_TITLE = 61233;
constexpr UINT IDS_UNSAVED_AT_EXIT = 61235;
constexpr UINT IDS_AUTO_BRIGHTNESS_ON = 61715;
constexpr UINT IDS_RECORD_NOT_STARTED = 61290;
constexpr UINT IDS_ENTER_NUMBER_RANGE = 61714;

// Puts every text above, and each command's status-line text, in the
// program's string table.
void RegisterReelixStrings();

// Commands.
constexpr UINT ID_FILE_OPEN = 57601;
constexpr UINT ID_FILE_CLOSE = 57602;
constexpr UINT ID_FILE_SAVE = 57603;
constexpr UINT ID_FILE_SAVE_AS = 32778;
constexpr UINT ID_APP_EXIT_MOVIE = 32805;
constexpr UINT ID_EDIT_COPY = 57634;
constexpr UINT ID_IMAGE_SIZE = 32815;
constexpr UINT ID_FUNCTION_RECORD = 32807;
constexpr UINT ID_FUNCTION_PLAYBACK = 32809;
constexpr UINT ID_CAPTURE_AUDIO = 32819;
constexpr UINT ID_AUDIO_FORMAT = 32818;
constexpr UINT ID_RATE_NORMAL = 32843;
constexpr UINT ID_RATE_BEST = 32796;
constexpr UINT ID_RATE_GOOD = 32798;
constexpr UINT ID_SINGLE_FRAME = 32799;
constexpr UINT ID_TIME_LAPSE = 32792;
constexpr UINT ID_OTHER_RATE = 32779;
constexpr UINT ID_DRIVER_FIRST = 32822;   // "Capture Driver #0" .. #9: 32822..32831
constexpr UINT ID_DRIVER_LAST = 32831;
constexpr UINT ID_CAMERA_ADJUSTMENTS = 32816;
constexpr UINT ID_MOVIE_PLAY = 32773;
constexpr UINT ID_MOVIE_RECORD = 32774;
constexpr UINT ID_MOVIE_STOP = 32776;
constexpr UINT ID_HELP_CONTENTS = 32806;
constexpr UINT ID_APP_ABOUT_MOVIE = 57664;

// Menus and controls.
constexpr UINT IDR_MAINFRAME = 2;
constexpr UINT IDR_RECORD_POPUP = 204;
constexpr UINT IDR_PLAYBACK_POPUP = 108;
constexpr UINT IDC_RECORD_BUTTON = 1936;
constexpr UINT IDC_CAPTURE_WINDOW = 1937;
constexpr UINT IDC_BRIGHTNESS_SLIDER = 32849;

// The view's private message that starts a compressing save once its
// progress dialog runs.
constexpr UINT WM_START_COMPRESSION = 1967;

// The help file and the Other Frame Rate dialog's help context.
constexpr const char* kHelpFile = "reelix.hlp";
constexpr UINT kOtherRateHelpContext = 24;
