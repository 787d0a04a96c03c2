#include "Filmdll.h"

#include "framework/UiService.h"
#include "readfile.h"
#include "types/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

CFilmDLL* g_film = nullptr;

constexpr const char* kDiskFull =
    "The disk is full.  You will need to make some space in save an image or send one to the Film Roll.";
constexpr const char* kSection = "images";
// How many names already on disk a new picture steps over before giving up.
constexpr int kNameTries = 1000;

} // namespace

CFilmDLL* TheFilmDLL()
{
    return g_film;
}

CFilmDLL::CFilmDLL(const CString& directory)
    : m_directory(directory), m_store(JoinPath(directory, "film.ini"))
{
}

CFilmDLL::~CFilmDLL()
{
    // A window left open would report to a library object that is gone.
    CloseDialog();
    m_retired.clear();
}

void CFilmDLL::DeleteRetired()
{
    m_retired.clear();
}

BOOL CFilmDLL::LoadRoll()
{
    m_store.Close();
    m_store.Load();   // a missing file leaves the roll empty
    for (const CString& path : RollPathsFromStore(m_store, m_directory))
        if (!m_roll->Add(new CPicture(path))) {
            m_store.Close();
            return FALSE;
        }
    m_store.Close();
    return TRUE;
}

BOOL CFilmDLL::OpenDialog(CFilmrollUser* user)
{
    if (m_window) {
        if (m_window->IsOpen()) {
            m_window->ShowWindow(SW_RESTORE);
            m_window->SetActiveWindow();
        } else if (!m_window->Domodeless()) {
            return FALSE;
        }
    } else {
        if (!m_roll)
            m_roll = new CFilmRoll;
        if (!LoadRoll())
            return FALSE;
        m_window = new CFilmSnapDlg(user, m_roll, this, nullptr);
        if (!m_window->Domodeless())
            return FALSE;
    }
    m_window->SetFilmrollHwnd();
    return TRUE;
}

BOOL CFilmDLL::CloseDialog()
{
    if (!m_window)
        return TRUE;
    if (m_window->IsOpen()) {
        m_window->NotifyClosing();
        if (!m_window->CloseDown())
            return FALSE;
    }
    delete m_roll;
    m_roll = nullptr;
    // The window may be closing from one of its own handlers, which still runs.
    m_retired.emplace_back(m_window);
    m_window = nullptr;
    return TRUE;
}

BOOL CFilmDLL::EnsureDirectory() const
{
    // On a new machine the folder does not exist yet; the first picture makes it.
    if (m_directory.IsEmpty())
        return TRUE;
    std::string path = m_directory.str();
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/')
            continue;
        std::string part = path.substr(0, i);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return FALSE;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int CFilmDLL::CreatePictureFile(CString& name) const
{
    // Someone else's file under a picture's name is left alone: the name is
    // skipped, whether film.ini lists it or not.
    std::vector<CString> onDisk;
    for (int tries = 0; tries < kNameTries; ++tries) {
        name = NextPictureName(*m_roll, m_directory, onDisk);
        int fd = velmora::CreateNewFile(name.str());
        if (fd >= 0 || errno != EEXIST)
            return fd;
        onDisk.push_back(name);
    }
    return -1;
}

BOOL CFilmDLL::AddLoaded(CImg& image)
{
    CString name;
    int fd = EnsureDirectory() ? CreatePictureFile(name) : -1;
    if (fd < 0) {
        AfxMessageBox(kDiskFull);
        return FALSE;
    }
    bool saved = IMG_save_bitmap_fd(image.GetHandle(), fd, IMG_TYPE_BMP) >= 0;
    saved = ::close(fd) == 0 && saved;
    if (!saved) {
        std::remove(name);   // the file this call made, and only that
        AfxMessageBox(kDiskFull);
        return FALSE;
    }
    CPicture* picture = new CPicture(name);
    if (!m_window->AddImageToFilm(picture)) {
        std::remove(name);
        delete picture;
        return FALSE;
    }
    return TRUE;
}

BOOL CFilmDLL::AddImage(void* bmpFile)
{
    if (!m_window || !m_roll || !m_window->IsOpen() || !bmpFile)
        return FALSE;
    CImg image;
    if (image.Load(bmpFile, 0) != IMG_ERR_NONE)
        return FALSE;
    return AddLoaded(image);
}

BOOL CFilmDLL::AddImageFromFile(const CString& path)
{
    if (!m_window || !m_roll || !m_window->IsOpen())
        return FALSE;
    CImg image;
    if (LoadPictureFile(image, path) != IMG_ERR_NONE)
        return FALSE;
    return AddLoaded(image);
}

void CFilmDLL::VSnapUserPressedDelete()
{
    CPicture* p = m_window ? m_window->GetSelectedPicture() : nullptr;
    if (!p)
        return;
    std::remove(p->GetImageName());
    m_roll->Remove(p);
    delete p;
}

int CFilmDLL::VSnapUserPressedSave()
{
    m_store.Close();
    m_store.AddSection(kSection);
    int i = 1;
    if (m_roll)
        for (POSITION pos = m_roll->GetHeadPosition(); pos; ++i) {
            CPicture* p = static_cast<CPicture*>(m_roll->GetNext(pos));
            m_store.AddParameter(kSection, "location" + std::to_string(i), p->GetImageName());
        }
    BOOL saved = EnsureDirectory() && m_store.Save();
    m_store.Close();
    return saved;
}

// ---- exports ----

namespace {

CFilmSnapDlg* OpenWindow()
{
    if (!g_film)
        return nullptr;
    g_film->DeleteRetired();
    return g_film->Roll() ? g_film->Window() : nullptr;
}

} // namespace

extern "C" {

int FILM_Initialize(const char* rollDirectory)
{
    if (!g_film)
        g_film = new CFilmDLL(rollDirectory ? rollDirectory : "");
    return 1;
}

int FILM_Uninitialize()
{
    delete g_film;
    g_film = nullptr;
    return 1;
}

int FILM_OpenDialog(CFilmrollUser* user)
{
    if (!g_film)
        return 0;
    g_film->DeleteRetired();
    return g_film->OpenDialog(user);
}

int FILM_CloseDialog()
{
    if (!g_film)
        return 0;
    g_film->DeleteRetired();
    return g_film->CloseDialog();
}

int FILM_AddImage(void* bmpFile)
{
    return g_film ? g_film->AddImage(bmpFile) : 0;
}

int FILM_AddImageFromFile(const CString& path)
{
    return g_film ? g_film->AddImageFromFile(path) : 0;
}

int FILM_SaveConfigFile()
{
    CFilmSnapDlg* w = OpenWindow();
    return w ? w->SaveConfigFile() : 0;
}

int FILM_DeleteSelected()
{
    CFilmSnapDlg* w = OpenWindow();
    if (!w)
        return 0;
    w->DeleteSelected();
    return 1;
}

int FilmrollEditCopy()
{
    CFilmSnapDlg* w = OpenWindow();
    if (!w)
        return 0;
    w->FilmrollEditCopy();
    return 1;
}

int FilmrollEditCut()
{
    CFilmSnapDlg* w = OpenWindow();
    if (!w)
        return 0;
    w->FilmrollEditCut();
    return 1;
}

int FilmrollDeleteAll()
{
    CFilmSnapDlg* w = OpenWindow();
    if (!w)
        return 0;
    w->FilmrollDeleteAll();
    return 1;
}

int FilmrollMenuClose()
{
    CFilmSnapDlg* w = OpenWindow();
    if (!w)
        return 0;
    w->FilmrollMenuClose();
    return 1;
}

int FILM_DrawImagesANDSetHighlights()
{
    CFilmSnapDlg* w = OpenWindow();
    if (!w)
        return 0;
    w->DrawImages();
    w->SetHighlights();
    return 1;
}

} // extern "C"
