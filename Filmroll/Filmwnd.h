// The "Film Roll" window: the strip plus its menu, its commands, the calls to
// the caller's CFilmrollUser and the library's CSnapUser, and its placement.
#pragma once

#include "Flmbsdlg.h"
#include "film32.h"
#include "framework/Menu.h"

#include <memory>

// How the window reports to the library object.
class CSnapUser {
public:
    virtual void VSnapUserPressedOk() = 0;
    virtual void VSnapUserPressedCancel() = 0;
    virtual void VSnapUserPressedDelete() = 0;
    virtual int VSnapUserPressedSave() = 0;
    virtual void VSnapUserClose() = 0;

protected:
    ~CSnapUser() = default;
};

// Control, menu and resource ids of the window.
enum : UINT {
    IDD_FILMROLL = 823,
    IDC_IMAGE1 = 179, IDC_IMAGE2 = 180, IDC_IMAGE3 = 181,
    IDC_FILMSCROLL = 183, IDC_FILMBAND = 184, IDC_CANISTER = 207,
    IDC_NUMBER1 = 1000, IDC_NUMBER2 = 1001, IDC_NUMBER3 = 1002, IDC_TRASH = 1003,
    ID_FILE_SAVEIMAGE = 40002, ID_FILE_AOLMAIL = 40014, ID_FILE_CLOSEFILMROLL = 40010,
    ID_EDIT_COPY = 40006, ID_EDIT_CUT = 40012, ID_EDIT_DELETESELECTED = 40008,
    ID_EDIT_DELETEALL = 40013, ID_FILMROLL_SAVE = 40007,
    IDD_DELETEALL = 107,
    IDI_FILMROLL = 117,
};

// Window messages the minimised window answers.
enum : UINT {
    WM_QUERYDRAGICON = 0x0037,
    WM_CTLCOLORBTN = 0x0135, WM_CTLCOLORDLG = 0x0136, WM_CTLCOLORSTATIC = 0x0138,
};

class CFilmSnapDlg;

// What shows the window on screen; none in tests.
class CFilmView {
public:
    // Runs when the window object is deleted, never inside the view's own handlers.
    virtual ~CFilmView() = default;
    virtual void Update() = 0;
    // The window is destroyed, maybe from inside one of the view's handlers:
    // stop showing it and stop sending input.
    virtual void Close() = 0;
};
// Set by the Qt view unit; returns null when there is no screen to show on.
using FilmViewFactory = std::unique_ptr<CFilmView> (*)(CFilmSnapDlg& dialog);
void SetFilmViewFactory(FilmViewFactory factory);

// The Delete All question.
class CDeleteAllDlg : public CDialog {
public:
    explicit CDeleteAllDlg(CWnd* owner) : CDialog(IDD_DELETEALL, owner) {}
    // The question on screen (beside the window's Qt view).
    int ShowModalWidget() override;
    static constexpr const char* kCaption = "Delete All?";
    static constexpr const char* kText =
        "This will delete all the pictures in the Film Roll.  A single picture can be deleted "
        "by clicking on it and pressing the Delete key.";
    static constexpr const char* kQuestion = "Are you sure you want to delete the entire roll?";
};

class CFilmSnapDlg : public CFilmBaseDlg {
public:
    CFilmSnapDlg(CFilmrollUser* user, CFilmRoll* roll, CSnapUser* snapUser, CWnd* owner);
    ~CFilmSnapDlg() override;

    BOOL Domodeless();
    BOOL CloseDown();
    BOOL IsOpen() const { return m_open; }
    void SetFilmrollHwnd();
    // Tells the user the window handle is going away.
    void NotifyClosing();
    BOOL GetSelectedImageFilename(CString* name) const;
    // Writes film.ini; FALSE when it could not be written (the old list stays).
    BOOL SaveConfigFile();
    BOOL AddImageToFilm(CPicture* picture) override;

    void DeleteSelected() { OnCommandId(ID_EDIT_DELETESELECTED); }
    void FilmrollMenuClose() { OnCommandId(ID_FILE_CLOSEFILMROLL); }
    void FilmrollEditCopy() { OnCommandId(ID_EDIT_COPY); }
    void FilmrollEditCut() { OnCommandId(ID_EDIT_CUT); }
    void FilmrollDeleteAll() { OnCommandId(ID_EDIT_DELETEALL); }

    // Input from the view.
    void OnCommandId(UINT id);
    void OnFrameClicked(int k);
    void OnFrameDoubleClicked(int k);
    void OnHScroll(UINT code, int pos);
    void OnCloseBox();
    void OnCancel() override;
    void OnPaint();

    // The window the film roll stays above and is minimised with: the owner
    // given, else the caller's window, else the program's main window.
    CWnd* WindowOwner() const;

    CMenu& Menu() { return m_menu; }
    CFilmView* View() const { return m_view.get(); }
    CImageButton& Trash() { return m_trash; }
    // Greys the picture commands when the roll is empty.
    void UpdateMenu();
    // The window was minimised or restored on screen.
    void OnMinimize(bool minimized);
    // The background brush of the window and its controls: hollow while
    // minimised, so only the icon shows; null (the default) otherwise.
    HBRUSH OnCtlColor() const;
    // The icon dragged for the minimised window.
    UINT OnQueryDragIcon() const { return IDI_FILMROLL; }

protected:
    void Repaint() override;
    // The view follows the window's rectangle.
    void OnGeometryChanged() override;
    CWnd* TrashButton() override { return &m_trash; }

private:
    BOOL OnInitDialog() override;
    void BuildMenu();
    BOOL Save();
    void ReportWindowRect();
    void OnCopy();
    void OnSaveImage();
    void OnSendToMail();
    void OnDeleteSelected();
    void OnDeleteAll();

    CImageButton m_trash;
    CFilmrollUser* m_user;
    BOOL m_open = FALSE;
    CSnapUser* m_snapUser;
    HBRUSH m_hollowBrush = nullptr;
    CMenu m_menu;
    bool m_mailAvailable;
    // The last name chosen in Save Image and its lower-cased extension: this
    // window's own, empty again at every open.
    CString m_saveImageName;
    CString m_saveImageExtension;
    std::unique_ptr<CFilmView> m_view;
};
