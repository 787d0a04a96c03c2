// The still program's string table.
#include "framework/StringTable.h"
#include "resource.h"

void RegisterSnapvoStrings()
{
    StringTable& t = ProgramStrings();
    t.Add(IDS_NO_CAMERA, "Lumivex not plugged in, driver in use by another application, or parallel port in use "
                         "by another device.");
    t.Add(IDS_READY, "Ready");
    t.Add(IDS_VERSION_WORD, "Version");
    t.Add(IDS_VERSION_NUMBER, "2.0");
    t.Add(IDS_TAKE_PICTURE, "&Take Picture");
    t.Add(IDS_START_SELF_TIMER, "&Take Picture");
    t.Add(IDS_STOP_SELF_TIMER, "&Take Picture");
    t.Add(IDS_OPEN_SHUTTER, "&Open Shutter");
    t.Add(IDS_CLOSE_SHUTTER, "&Close Shutter");
    t.Add(IDS_START_CAPTURE, "&Start Capture");
    t.Add(IDS_STOP_CAPTURE, "&Stop Capture");
    t.Add(IDS_EXPOSURE_TOO_LONG, "The exposure time exceeds the auto-capture interval. \nTo fix the problem, "
                                 "increase the auto-capture interval or decrease the exposure time.");
    t.Add(IDS_DISK_FULL, "Error writing to disk.  Disk may be full.");
    t.Add(IDS_16GRAY_JPEG, "      A 16 gray picture can not be saved as a JPEG file.\nPlease select another file "
                           "format (BMP, TIFF or ART).");
    t.Add(IDS_FILMROLL_FULL, "The Film Roll is full.  You must delete some images from the Film Roll before "
                             "adding new images.");
    t.Add(IDS_SENT_FILMROLL, "Last Picture sent to Film Roll");
    t.Add(IDS_SENT_CLIPBOARD, "Last Picture sent to Clipboard");
    t.Add(IDS_SENT_DISK, "Last Picture sent to Disk");
    t.Add(IDS_SENT_MAIL, "Last Picture sent to AOL Mail");
    t.Add(IDS_SPACE_ACCEL, "\tSPACE");
    t.Add(IDS_TAKE_PICTURES, "&Take Pictures");
    t.Add(IDS_ENTER_INTEGER, "Please enter an integer.");
    t.Add(IDS_ENTER_INTEGER_RANGE, "Please enter an integer between %1 and %2. ");
    t.Add(ID_SELF_TIMER_DELAY, "Set delay for Self Timer");
    t.Add(IDS_EVERY_MINUTE, "1 Minute");
    t.Add(IDS_EVERY_10_SECONDS, "10 Seconds");
    t.Add(IDS_EVERY_30_MINUTES, "30 Minutes");
    t.Add(IDS_EVERY_HOUR, "1 Hour");
    t.Add(IDS_EVERY_OTHER, "Other...");
    t.Add(IDS_UNIT_SECONDS, "Seconds");
    t.Add(IDS_UNIT_MINUTES, "Minutes");
    t.Add(IDS_UNIT_HOURS, "Hours");
    t.Add(IDS_AM, "AM");
    t.Add(IDS_PM, "PM");
    t.Add(IDS_BAD_LATEST_IMAGE, "Invalid file name specified for latest image.");
    t.Add(IDS_AUTO_BRIGHTNESS_ON, "Auto Brightness is turned on.\nTo adjust this slider go into the Image Size and "
                                  "Quality dialog box\nand turn off Auto Brightness.");
}
