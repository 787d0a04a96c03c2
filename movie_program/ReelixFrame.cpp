#include "ReelixFrame.h"

#include "ReelixApp.h"
#include "ReelixSettings.h"
#include "ReelixView.h"
#include "framework/Keys.h"
#include "framework/QtPlacement.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "framework/WinApp.h"
#include "resource.h"

#include "types/SafeFile.h"

#include <unistd.h>

#include <climits>
#include <iterator>

namespace {

// Ten slots: Open, Save As, Copy, Record, Playback, the two camera dialogs.
const UINT kToolBar[] = {ID_FILE_OPEN,         ID_FILE_SAVE_AS, ID_SEPARATOR,          ID_EDIT_COPY,
                         ID_SEPARATOR,         ID_FUNCTION_RECORD, ID_FUNCTION_PLAYBACK, ID_SEPARATOR,
                         ID_CAMERA_ADJUSTMENTS, ID_IMAGE_SIZE};

struct ControlKey {
    UINT key;
    UINT command;
};
// The keys the menu texts name after their tab.
const ControlKey kControlKeys[] = {
    {'A', ID_CAMERA_ADJUSTMENTS}, {'C', ID_EDIT_COPY},   {'E', ID_APP_EXIT_MOVIE}, {'I', ID_IMAGE_SIZE},
    {'K', ID_MOVIE_STOP},         {'O', ID_FILE_OPEN},   {'P', ID_MOVIE_PLAY},     {'R', ID_MOVIE_RECORD},
    {'S', ID_FILE_SAVE_AS},       {'W', ID_FILE_CLOSE},
};

constexpr UINT kToolBarStyle = 0x50002800;
constexpr UINT kStatusBarStyle = 0x50008200;
constexpr DWORD kFrameStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
// Room for pictures as large as the screen with the frame around them.
constexpr LONG kBeyondScreen = 400;

}  // namespace

CString CMainFrame::StorePath(const CString& workingDirectory, const CString& profileName)
{
    return workingDirectory + "\\" + profileName;
}

CRect CMainFrame::DefaultRect(CSize screen)
{
    const LONG left = (screen.cx - 350) / 2;
    const LONG top = (screen.cy - 450) / 2;
    return CRect(left, top, left + 350, (screen.cy - 550) / 2 + 450);
}

CRect CMainFrame::PlacementOnScreen(const CRect& stored, CSize screen)
{
    CRect visible;
    const CRect whole(0, 0, screen.cx, screen.cy);
    if (stored.IsRectEmpty() || !visible.IntersectRect(stored, whole))
        return DefaultRect(screen);
    return KeepTitleBarOnScreen(stored, screen);
}

CMainFrame::CMainFrame()
{
    CString profile = "reelix32.INI";
    if (CWinApp* app = AfxGetApp(); app && !app->m_pszProfileName.IsEmpty())
        profile = app->m_pszProfileName;
    reelix::SettingsTable().Load(StorePath(CString(velmora::CurrentFolder().c_str()), profile));
    reelix::WindowSection& window = reelix::WindowSettings();
    m_settingsLoaded = reelix::AttachSection(window.section);
    m_normalRect = PlacementOnScreen(m_settingsLoaded ? CRect(window.placement) : CRect(), Ui().ScreenSize());
}

CMainFrame::~CMainFrame() = default;

CReelixView* CMainFrame::ReelixView() const { return dynamic_cast<CReelixView*>(GetActiveView()); }

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    cs.style = kFrameStyle;
    cs.x = m_normalRect.left;
    cs.y = m_normalRect.top;
    cs.cx = m_normalRect.Width();
    cs.cy = m_normalRect.Height();
    return TRUE;
}

int CMainFrame::OnCreate()
{
    if (!m_toolBar.Create(this, kToolBarStyle, AFX_IDW_TOOLBAR) || !m_toolBar.LoadBitmap(IDR_MAINFRAME) ||
        !m_toolBar.SetButtons(kToolBar, int(std::size(kToolBar))))
        return -1;
    const UINT pane = ID_SEPARATOR;
    if (!m_statusBar.Create(this, kStatusBarStyle, AFX_IDW_STATUS_BAR) || !m_statusBar.SetIndicators(&pane, 1))
        return -1;
    m_toolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_toolBar);
    m_toolBar.SetBarStyle(m_toolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
    BuildMenus();
    BuildPopups();
    OnCommand(ID_APP_EXIT_MOVIE, [this] { Close(); });
    OnUpdateCommand(ID_APP_EXIT_MOVIE, [](CCmdUI* ui) { ui->Enable(TRUE); });
    OnMessage(WM_REELIX_PREVIEW, [this](WPARAM, LPARAM) -> LRESULT {
        if (CReelixView* view = ReelixView())
            view->RefreshPreview();
        return 0;
    });
    return 0;
}

void CMainFrame::BuildMenus()
{
    CMenu* file = m_menu.AppendPopup("&File");
    file->AppendMenu(MF_STRING, ID_FILE_OPEN, "&Open...\tCtrl+O");
    file->AppendMenu(MF_STRING, ID_FILE_CLOSE, "&Close\tCtrl+W");
    file->AppendMenu(MF_SEPARATOR);
    file->AppendMenu(MF_STRING, ID_FILE_SAVE_AS, "Save &As...\tCtrl+S");
    file->AppendMenu(MF_SEPARATOR);
    file->AppendMenu(MF_STRING, ID_APP_EXIT_MOVIE, "E&xit\tCtrl+E");
    CMenu* edit = m_menu.AppendPopup("&Edit");
    edit->AppendMenu(MF_STRING, ID_EDIT_COPY, "&Copy\tCtrl+C");
    // The Video menu is the recording settings: its pop-ups at positions 1-3
    // are greyed while a recording or a playback needs them left alone.
    CMenu* video = m_menu.AppendPopup("&Video");
    video->AppendMenu(MF_STRING, ID_IMAGE_SIZE, "Image &Size and Quality...\tCtrl+I");
    CMenu* rate = video->AppendPopup("Frame &Rate");
    rate->AppendMenu(MF_STRING, ID_RATE_NORMAL, "&Normal");
    rate->AppendMenu(MF_STRING, ID_OTHER_RATE, "&Other Frame Rate...");
    CMenu* mode = video->AppendPopup("Capture &Mode");
    mode->AppendMenu(MF_STRING, ID_SINGLE_FRAME, "One &Frame at a Time");
    mode->AppendMenu(MF_STRING, ID_TIME_LAPSE, "&Time Lapse...");
    CMenu* audio = video->AppendPopup("&Audio");
    audio->AppendMenu(MF_STRING, ID_CAPTURE_AUDIO, "&Capture Audio");
    audio->AppendMenu(MF_STRING, ID_AUDIO_FORMAT, "&Audio Format...");
    video->AppendMenu(MF_SEPARATOR);
    video->AppendMenu(MF_STRING, ID_CAMERA_ADJUSTMENTS, "&Camera Adjustments...\tCtrl+A");
    for (UINT id = ID_DRIVER_FIRST; id <= ID_DRIVER_LAST; ++id)
        video->AppendMenu(MF_STRING, id, "Capture Driver #" + CString(std::to_string(id - ID_DRIVER_FIRST).c_str()));
    CMenu* movie = m_menu.AppendPopup("&Movie");
    movie->AppendMenu(MF_STRING, ID_FUNCTION_RECORD, "&Record");
    movie->AppendMenu(MF_STRING, ID_FUNCTION_PLAYBACK, "&Playback");
    movie->AppendMenu(MF_SEPARATOR);
    movie->AppendMenu(MF_STRING, ID_MOVIE_PLAY, "&Play\tCtrl+P");
    movie->AppendMenu(MF_STRING, ID_MOVIE_RECORD, "&Record...\tCtrl+R");
    movie->AppendMenu(MF_STRING, ID_MOVIE_STOP, "&Stop\tCtrl+K");
    CMenu* help = m_menu.AppendPopup("&Help");
    help->AppendMenu(MF_STRING, ID_HELP_CONTENTS, "&Contents");
    help->AppendMenu(MF_STRING, ID_APP_ABOUT_MOVIE, "&About Velmora Reelix...");
    m_systemMenu.AppendMenu(MF_STRING, SC_MAXIMIZE, "&Maximize");

    m_accelerators.Add({FVIRTKEY, WORD(VK_SPACE), WORD(ID_SPACE_BAR)});
    for (const ControlKey& key : kControlKeys)
        m_accelerators.Add({FVIRTKEY | FCONTROL, WORD(key.key), WORD(key.command)});
}

void CMainFrame::BuildPopups()
{
    m_recordPopup.AppendMenu(MF_STRING, ID_FUNCTION_RECORD, "&Preview Window");
    m_recordPopup.AppendMenu(MF_STRING, ID_FUNCTION_PLAYBACK, "Play&back Window");
    m_recordPopup.AppendMenu(MF_SEPARATOR);
    m_recordPopup.AppendMenu(MF_STRING, ID_MOVIE_RECORD, "&Record...");
    m_recordPopup.AppendMenu(MF_STRING, ID_MOVIE_STOP, "&Stop");
    m_recordPopup.AppendMenu(MF_SEPARATOR);
    m_recordPopup.AppendMenu(MF_STRING, ID_EDIT_COPY, "&Copy");
    m_recordPopup.AppendMenu(MF_STRING, ID_FILE_SAVE_AS, "Save &As...");
    m_recordPopup.AppendMenu(MF_SEPARATOR);
    m_recordPopup.AppendMenu(MF_STRING, ID_IMAGE_SIZE, "Image &Size and Quality...");
    m_recordPopup.AppendMenu(MF_STRING, ID_CAMERA_ADJUSTMENTS, "&Camera Adjustments...");

    m_playbackPopup.AppendMenu(MF_STRING, ID_FUNCTION_RECORD, "&Preview Window");
    m_playbackPopup.AppendMenu(MF_STRING, ID_FUNCTION_PLAYBACK, "Play&back Window");
    m_playbackPopup.AppendMenu(MF_SEPARATOR);
    m_playbackPopup.AppendMenu(MF_STRING, ID_FILE_OPEN, "&Open...");
    m_playbackPopup.AppendMenu(MF_STRING, ID_FILE_CLOSE, "&Close");
    m_playbackPopup.AppendMenu(MF_STRING, ID_FILE_SAVE_AS, "Save &As...");
    m_playbackPopup.AppendMenu(MF_SEPARATOR);
    m_playbackPopup.AppendMenu(MF_STRING, ID_MOVIE_PLAY, "&Play");
    m_playbackPopup.AppendMenu(MF_STRING, ID_MOVIE_STOP, "&Stop");
    m_playbackPopup.AppendMenu(MF_SEPARATOR);
    m_playbackPopup.AppendMenu(MF_STRING, ID_EDIT_COPY, "&Copy");
}

void CMainFrame::OnGetMinMaxInfo(MINMAXINFO* info)
{
    const CSize screen = Ui().ScreenSize();
    info->ptMaxSize = {screen.cx + kBeyondScreen, screen.cy + kBeyondScreen};
    info->ptMaxTrackSize = info->ptMaxSize;
    CFrameWnd::OnGetMinMaxInfo(info);
}

void CMainFrame::OnSetMessageString(UINT id)
{
    // The framework's "Ready" gives way to the program's own idle text.
    if (id == AFX_IDS_IDLEMESSAGE) {
        ShowIdleText();
        return;
    }
    CFrameWnd::OnSetMessageString(id);
}

void CMainFrame::ShowIdleText()
{
    const CReelixView* view = ReelixView();
    const UINT id = view && view->IdleText() ? view->IdleText() : IDS_READY;
    SetMessageText(LoadStringText(id).GetString());
}

void CMainFrame::SaveSettings()
{
    WINDOWPLACEMENT placement;
    if (GetWindowPlacement(&placement))
        reelix::WindowSettings().placement = CRect(placement.rcNormalPosition);
    MCfgTable& table = reelix::SettingsTable();
    table.UpdateTable();
    table.Save();
}

void CMainFrame::ShutDownOnce()
{
    // Close and destroy both arrive when the window manager or a signal ends
    // the program: everything is stopped and written once.
    if (m_shutDown)
        return;
    m_shutDown = TRUE;
    if (CReelixView* view = ReelixView())
        view->ShutDown();
    if (m_settingsLoaded)
        SaveSettings();
}

void CMainFrame::OnClose()
{
    CReelixView* view = ReelixView();
    if (view && view->Player().IsCompressing()) {
        // The save's own loop is running under this close: end the save
        // cleanly, and close once it has unwound.
        m_closePutOff = TRUE;
        view->Player().AbortCompression();
        return;
    }
    // Asked before anything is stopped or written: Cancel, or a save that did
    // not happen, leaves the program exactly as it was.
    if (!m_shutDown && view && !view->ConfirmExit())
        return;
    ShutDownOnce();
    CFrameWnd::OnClose();
}

void CMainFrame::CloseIfPutOff()
{
    if (!m_closePutOff)
        return;
    m_closePutOff = FALSE;
    PostMessage(WM_CLOSE);
}

void CMainFrame::OnDestroy()
{
    ShutDownOnce();
    CFrameWnd::OnDestroy();
}
