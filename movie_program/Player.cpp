#include "Player.h"

#include "SaveAs.h"
#include "framework/QtWnd.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "movie/movie_clipboard.h"
#include "movie/movie_reader.h"
#include "movie/playback_widget.h"
#include "resource.h"

#include <algorithm>
#include <filesystem>

using movie::PlaybackMode;

namespace {

// Raised above the view's centre, so the picture sits where the eye expects.
constexpr int kRaiseAboveCentre = 10;
// The Settings items that only mean something while recording.
constexpr int kFirstRecordingItem = 2;
constexpr int kLastRecordingItem = 3;

void ShowError(const CString& text) { AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION); }

}  // namespace

CPlayer::CPlayer(CPlayerHost& host) : m_host(host) {}

CPlayer::~CPlayer()
{
    AbortCompression();
    CloseWindow();
}

// --- the playback window --------------------------------------------------------

void CPlayer::OpenForPlayback(const CString& path)
{
    m_host.StopAnyCapture();
    if (m_host.InPlaybackFunction() && m_window) {
        ShowIdleText();
        return;
    }
    m_host.HideCaptureControls();
    MakeWindow();
    if (m_window->Open(path.GetString()) != movie::kMovieOk)
        ShowError(m_window->OpenError().c_str());
    const CString name = m_window->FileName().c_str();
    const CRect source = m_window->SourceRect();
    if (!source.IsRectEmpty() && !name.IsEmpty()) {
        m_host.FitFrameToPicture(source.Size());
        m_host.HideCaptureControls();
    }
    CRect window;
    m_window->GetWindowRect(&window);
    m_playBarHeight = int(window.Height()) - (HasMovie() ? int(source.Height()) : 0);
    ShowIdleText();
    m_host.EnterPlaybackFunction();
    const CString program = LoadStringText(IDS_PROGRAM_NAME);
    CString caption = program;
    if (!name.IsEmpty())
        caption.Format("%s <%s>", program.GetString(), name.GetString());
    m_host.SetFrameCaption(caption);
    m_host.EnableSettingsItems(kFirstRecordingItem, kLastRecordingItem, FALSE);
    CRect client;
    m_host.ViewWnd()->GetClientRect(&client);
    LayOut(client);
}

void CPlayer::MakeWindow()
{
    m_window = std::make_unique<movie::PlaybackWindow>(m_soundDevice);
    m_window->Create(m_host.ViewWnd(), POINT{0, 0});
    m_window->onMode = [this](PlaybackMode mode) { OnMode(mode); };
    m_window->onRightButton = [this](POINT point) { OnRightButton(point); };
    // On screen the window needs a widget inside the view's own.
    if (auto* view = dynamic_cast<CQtWnd*>(m_host.ViewWnd()); view && view->Widget())
        m_widget = new movie::PlaybackWidget(*m_window, view->Widget());
    m_window->ShowWindow(SW_SHOW);
    m_window->SetFocus();
}

void CPlayer::CloseWindow()
{
    // The widget reads the window: it goes first.
    delete m_widget.data();
    if (!m_window)
        return;
    m_window->onMode = nullptr;
    m_window->Close();
    m_window->DestroyWindow();
    m_window.reset();
}

BOOL CPlayer::HasMovie() const { return m_window && m_window->Length() > 0; }

void CPlayer::LayOut(const CRect& client)
{
    if (!m_window)
        return;
    CRect window;
    m_window->GetWindowRect(&window);
    const int width = int(window.Width()), height = int(window.Height());
    const int left = std::max(0, (int(client.Width()) - width) / 2);
    const int top = std::max(0, (int(client.Height()) - height) / 2 - kRaiseAboveCentre);
    m_window->MoveWindow(left, top, width, height);
}

void CPlayer::ShowIdleText() { m_host.SetIdleText(HasMovie() ? IDS_PRESS_TO_PLAY : IDS_READY); }

void CPlayer::OnMode(PlaybackMode mode)
{
    switch (mode) {
    case PlaybackMode::kPlaying: m_host.SetIdleText(IDS_PRESS_TO_STOP); break;
    case PlaybackMode::kStopped:
    case PlaybackMode::kPaused:
    case PlaybackMode::kOpen: ShowIdleText(); break;
    case PlaybackMode::kNotReady: break;
    }
}

void CPlayer::OnRightButton(POINT point)
{
    // The menu's own loop may bring another press: one menu at a time.
    if (m_inPopup || !m_window)
        return;
    m_inPopup = true;
    CPoint screen(point);
    m_window->ClientToScreen(&screen);
    m_host.ShowPopupMenu(screen);
    m_inPopup = false;
}

// --- commands -------------------------------------------------------------------

void CPlayer::OnOpen()
{
    FileDialogRequest request;
    request.save = false;
    request.flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    request.owner = m_host.ViewWnd()->GetSafeHwnd();
    request.filter = kMovieFilter;
    request.defaultExt = kMovieExt;
    if (!Ui().GetFileName(request) || request.fileName.IsEmpty())
        return;
    m_host.StopAnyCapture();
    CloseWindow();
    OpenForPlayback(request.fileName);
}

void CPlayer::OnClose()
{
    CloseWindow();
    OpenForPlayback(CString());
}

void CPlayer::OnPlay()
{
    if (HasMovie())
        m_window->Play();
}

void CPlayer::OnStop()
{
    if (HasMovie())
        m_window->Stop();
}

void CPlayer::OnSpace()
{
    if (!m_host.InPlaybackFunction() || !m_window)
        return;
    switch (m_window->Mode()) {
    case PlaybackMode::kStopped:
    case PlaybackMode::kPaused:
    case PlaybackMode::kOpen: m_window->Play(); break;
    case PlaybackMode::kPlaying: m_window->Stop(); break;
    case PlaybackMode::kNotReady: break;
    }
}

void CPlayer::OnCopy()
{
    if (!m_host.InPlaybackFunction()) {
        if (CCaptureWnd* capture = m_host.ConnectedCapture())
            capture->EditCopy();
        return;
    }
    // The movie's own clipboard copy takes the last frame at the end.
    if (HasMovie())
        movie::CopyMovieFrameToClipboard(m_window->FileName(), m_window->Position());
}

// --- Save As --------------------------------------------------------------------

CString CPlayer::SaveSource() const
{
    if (!m_host.InPlaybackFunction())
        return m_host.WorkspaceHasMovie() ? m_host.WorkspacePath() : CString();
    return m_window ? CString(m_window->FileName().c_str()) : CString();
}

BOOL CPlayer::SaveAs() { return SaveMovieAs(SaveSource()); }

BOOL CPlayer::SaveWorkspaceAs()
{
    return SaveMovieAs(m_host.WorkspaceHasMovie() ? m_host.WorkspacePath() : CString());
}

BOOL CPlayer::SaveMovieAs(const CString& source)
{
    if (m_compressing)
        return FALSE;
    m_host.StopAnyCapture();
    if (source.IsEmpty())
        return FALSE;
    const bool onShow = m_host.InPlaybackFunction() && m_window && source == CString(m_window->FileName().c_str());
    const CString workspace = m_host.WorkspacePath();
    CSaveAsDialog dialog(m_host.ViewWnd(), source, workspace);
    CString target;
    if (!dialog.Ask(target))
        return FALSE;
    const BOOL saved = dialog.Prepared() ? Compress(dialog, target) : Copy(source, target);
    if (!saved)
        return FALSE;
    m_lastSaved = target;
    // Only a save of the workspace itself makes its movie count as saved.
    if (SamePlace(workspace.GetString(), source.GetString()))
        m_host.WorkspaceSaved();
    // The saved movie takes the place of the one it was copied from.
    if (onShow) {
        CloseWindow();
        OpenForPlayback(target);
    }
    return TRUE;
}

BOOL CPlayer::Copy(const CString& source, const CString& target)
{
    // The copy reads the file itself, not a link in the way to it.
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(source.GetString(), error);
    if (error || movie::CopyMovie(real.string(), target.GetString()) != movie::kMovieOk) {
        ShowError(LoadStringText(IDS_SAVE_FAILED));
        return FALSE;
    }
    return TRUE;
}

BOOL CPlayer::Compress(const CSaveAsDialog& dialog, const CString& target)
{
    CProgressDialog progress(m_host.ViewWnd());
    m_progress = &progress;
    m_saving = &dialog;
    m_target = target;
    m_saveStarted = false;
    m_saveResult = movie::kMovieNotOpen;   // until the save ran
    m_startPosts = 0;
    m_compressing = TRUE;
    m_host.ViewWnd()->PostMessage(WM_START_COMPRESSION);
    progress.DoModal();
    m_compressing = FALSE;
    m_progress = nullptr;
    m_saving = nullptr;
    return m_saveResult == movie::kMovieOk;
}

void CPlayer::OnStartCompression()
{
    // A late message after the save, or a second one during it, does nothing.
    if (!m_progress || !m_saving || m_saveStarted)
        return;
    if (!m_progress->IsReady()) {
        if (++m_startPosts <= kMaxStartPosts)
            m_host.ViewWnd()->PostMessage(WM_START_COMPRESSION);
        else
            m_progress->Finish(false);
        return;
    }
    m_saveStarted = true;
    m_saveResult = movie::SaveMovie(m_target.GetString(), m_saving->Streams(), m_saving->Options(),
                                    [this](int percent) { return SaveStep(percent); });
    const bool aborted = m_saveResult == movie::kMovieAborted || !m_progress->IsActive();
    if (m_saveResult != movie::kMovieOk && !aborted)
        ShowError(LoadStringText(IDS_COMPRESS_FAILED));
    m_progress->Finish(m_saveResult == movie::kMovieOk);
}

bool CPlayer::SaveStep(int percent)
{
    return m_compressing && m_progress && m_progress->Continue(percent);
}

void CPlayer::AbortCompression()
{
    if (!m_progress)
        return;
    if (m_saveStarted)
        m_progress->OnCancel();   // the save stops at its next step
    else
        m_progress->Finish(false);
}
