// Playback, Save As and Copy in the movie program: the playback window inside
// the view, opening and closing movies, play and stop (also with SPACE),
// saving the workspace or the movie on show under a new name, copied or
// compressed behind a progress dialog that can be aborted, and the current
// picture to the clipboard. A plain class: the view, the frame and the
// recorder are reached through CPlayerHost, which the view implements.
#pragma once

#include "CaptureWnd.h"
#include "framework/ProgressDialog.h"
#include "framework/Wnd.h"
#include "movie/playback_window.h"
#include "types/CString.h"
#include "types/geometry.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>

class CSaveAsDialog;

class CPlayerHost {
public:
    virtual ~CPlayerHost() = default;
    // The view: the playback window's parent and the owner of dialogs.
    virtual CWnd* ViewWnd() = 0;
    // The recorder's stop step and the preview turned off.
    virtual void StopAnyCapture() = 0;
    // The capture window, the record button and the slider hidden.
    virtual void HideCaptureControls() = 0;
    // The frame's client area fitted to a picture of `size` (minimums as for the camera).
    virtual void FitFrameToPicture(CSize size) = 0;
    virtual void SetFrameCaption(const char* caption) = 0;
    virtual void SetIdleText(UINT stringId) = 0;
    virtual void EnableSettingsItems(int first, int last, BOOL enable) = 0;
    virtual BOOL InPlaybackFunction() const = 0;
    // The view's function becomes Playback.
    virtual void EnterPlaybackFunction() = 0;
    // The pop-up menu of the function at a screen point (right click).
    virtual void ShowPopupMenu(CPoint screen) = 0;
    // The workspace movie's full path and whether something was recorded into it.
    virtual CString WorkspacePath() const = 0;
    virtual BOOL WorkspaceHasMovie() const = 0;
    // A save of the workspace succeeded: the movie counts as saved.
    virtual void WorkspaceSaved() = 0;
    // The camera's capture window while a driver is connected; null otherwise.
    virtual CCaptureWnd* ConnectedCapture() = 0;
};

class CPlayer {
public:
    explicit CPlayer(CPlayerHost& host);
    ~CPlayer();
    CPlayer(const CPlayer&) = delete;
    CPlayer& operator=(const CPlayer&) = delete;

    // Opens `path` for playback (an empty path: an empty window), as the
    // Playback switch, Open, Close and a save from Playback do.
    void OpenForPlayback(const CString& path);
    // The playback window closed and gone (Record switch, exit).
    void CloseWindow();

    // Commands.
    void OnOpen();
    void OnClose();
    void OnPlay();
    void OnStop();
    // SPACE in Playback function: play when stopped, paused or open, stop when playing.
    void OnSpace();
    // Save As / Save: the workspace in Record function, the movie on show in
    // Playback. TRUE when a file was written.
    BOOL SaveAs();
    // Save As of the workspace movie in either function (the questions about
    // an unsaved workspace ask about it, not about the movie on show).
    BOOL SaveWorkspaceAs();
    void OnCopy();

    // Enable rules.
    BOOL HasWindow() const { return m_window != nullptr; }
    // A playback window with a movie (length above 0).
    BOOL HasMovie() const;
    movie::PlaybackWindow* Window() const { return m_window.get(); }
    // The view's client area changed: the window centred in it.
    void LayOut(const CRect& client);
    // A compressing save runs; closing waits for it or aborts it.
    BOOL IsCompressing() const { return m_compressing; }
    // Closing the window or SIGTERM while compressing: the save stops at its
    // next step (or does not start) and its dialog ends; IsCompressing()
    // turns FALSE once the save has let go of its files, and only then may
    // the program go.
    void AbortCompression();
    // The view's message 1967: the compressing save starts once its dialog runs.
    void OnStartCompression();
    const CString& LastSavedFile() const { return m_lastSaved; }
    int PlayBarHeight() const { return m_playBarHeight; }

    // The sound output new playback windows play to (tests give one that is not there).
    void SetSoundDevice(std::string device) { m_soundDevice = std::move(device); }
    // The progress dialog of the compressing save while it runs; null otherwise.
    CProgressDialog* Progress() const { return m_progress; }
    // Times the start of a compressing save may wait for its dialog before it gives up.
    static constexpr int kMaxStartPosts = 100;

private:
    void MakeWindow();
    void OnMode(movie::PlaybackMode mode);
    void OnRightButton(POINT point);
    void ShowIdleText();
    CString SaveSource() const;
    BOOL SaveMovieAs(const CString& source);
    BOOL Copy(const CString& source, const CString& target);
    BOOL Compress(const CSaveAsDialog& dialog, const CString& target);
    bool SaveStep(int percent);

    CPlayerHost& m_host;
    std::unique_ptr<movie::PlaybackWindow> m_window;
    QPointer<QWidget> m_widget;   // shows the window when the view is on screen
    std::string m_soundDevice = "default";
    BOOL m_compressing = FALSE;
    CString m_lastSaved;
    int m_playBarHeight = 0;
    bool m_inPopup = false;
    // The compressing save under way: its dialog, what it saves, how it went.
    CProgressDialog* m_progress = nullptr;
    const CSaveAsDialog* m_saving = nullptr;
    CString m_target;
    bool m_saveStarted = false;
    int m_saveResult = 0;
    int m_startPosts = 0;
};
