// The movie program's string table.
#include "framework/StringTable.h"
#include "resource.h"

void RegisterReelixStrings()
{
    StringTable& t = ProgramStrings();
    t.Add(IDS_DOCUMENT, "Velmora Reelix \nReelix\nReelix Document\n\n\nReelix.Document\nReelix Document");
    t.Add(IDS_CANNOT_CONNECT, "Unable to connect to capture driver");
    t.Add(IDS_NO_CAMERA, "Lumivex not plugged in, driver in use by another application, or parallel port in use "
                         "by another device.");
    t.Add(IDS_READY, "Ready");
    t.Add(IDS_NO_DRIVER, "Lumivex not plugged in, driver in use by another application, or parallel port in use "
                         "by another device.");
    t.Add(IDS_PRESS_TO_RECORD, "Press SPACE bar to start recording");
    t.Add(IDS_PRESS_TO_PLAY, "Press SPACE bar to play");
    t.Add(IDS_PRESS_TO_STOP, "Press SPACE bar to stop");
    t.Add(IDS_COMPRESS_FAILED, "Error compressing file!");
    t.Add(IDS_VERSION_NUMBER, "2.0");
    t.Add(IDS_OVERWRITE_QUESTION, "This will overwrite or delete  the previously captured movie (workspace.avi).\n "
                                  "Do you wish to save the previous movie to a file?");
    t.Add(IDS_SAVE_FAILED, "Error saving file!");
    t.Add(IDS_PROGRAM_NAME, "Reelix");
    t.Add(IDS_VERSION_WORD, "Version");
    t.Add(IDS_WORKSPACE_REFUSED, "Unable to overwrite workspace file.");
    t.Add(IDS_RECORDING, "RECORDING --- Press SPACE bar to stop recording");
    t.Add(IDS_RECORDING_BLANK, "                       --- Press SPACE bar to stop recording");
    t.Add(IDS_AUDIO_FORMAT_TITLE, "Audio Format");
    t.Add(IDS_UNSAVED_AT_EXIT, "Your current movie is unsaved.  Do you wish to save it before continuing?");
    t.Add(IDS_RECORD_NOT_STARTED,
          "The recording could not be started.\nThe camera may be busy, or the workspace movie cannot be written.");
    t.Add(IDS_ENTER_NUMBER_RANGE, "Please enter a number between %1 and %2.");
    t.Add(IDS_AUTO_BRIGHTNESS_ON, "You are in auto brightness mode. \nTo use the slider go into the Image Size and "
                                  "Quality dialog\nand turn off auto brightness.");

    // What the status line says while a menu item or tool button is under
    // the pointer, by command.
    t.Add(ID_FILE_OPEN, "Open a movie to play back");
    t.Add(ID_FILE_CLOSE, "Close the movie being played back");
    t.Add(ID_FILE_SAVE, "Save the current movie");
    t.Add(ID_FILE_SAVE_AS, "Save the current movie under a new name");
    t.Add(ID_APP_EXIT_MOVIE, "Quit the program");
    t.Add(ID_EDIT_COPY, "Copy the current picture to the clipboard");
    t.Add(ID_IMAGE_SIZE, "Change the picture size and quality");
    t.Add(ID_FUNCTION_RECORD, "Show the live camera picture for recording");
    t.Add(ID_FUNCTION_PLAYBACK, "Play back the recorded movie");
    t.Add(ID_CAPTURE_AUDIO, "Record sound with the movie");
    t.Add(ID_AUDIO_FORMAT, "Choose the sound format");
    t.Add(ID_RATE_NORMAL, "Capture frames at the normal rate");
    t.Add(ID_RATE_BEST, "Capture frames at the best rate");
    t.Add(ID_RATE_GOOD, "Capture frames at a good rate");
    t.Add(ID_SINGLE_FRAME, "Capture one frame with each press of RECORD");
    t.Add(ID_TIME_LAPSE, "Capture one frame after each chosen pause");
    t.Add(ID_OTHER_RATE, "Capture frames at a rate of your choice");
    t.Add(ID_CAMERA_ADJUSTMENTS, "Adjust the camera's picture");
    t.Add(ID_MOVIE_PLAY, "Play the movie");
    t.Add(ID_MOVIE_RECORD, "Start or stop recording");
    t.Add(ID_MOVIE_STOP, "Stop recording or playing");
    t.Add(ID_HELP_CONTENTS, "Show the help contents");
    t.Add(ID_APP_ABOUT_MOVIE, "Show the program's version");
}
