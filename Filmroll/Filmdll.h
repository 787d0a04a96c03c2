// The library object behind the exports: the roll directory, film.ini, and
// the window and roll while the window is open.
#pragma once

#include "Config.h"
#include "Filmwnd.h"

#include <memory>
#include <vector>

class CFilmDLL : public CSnapUser {
public:
    explicit CFilmDLL(const CString& directory);
    virtual ~CFilmDLL();

    BOOL OpenDialog(CFilmrollUser* user);
    BOOL CloseDialog();
    BOOL AddImage(void* bmpFile);
    BOOL AddImageFromFile(const CString& path);
    BOOL LoadRoll();

    CFilmSnapDlg* Window() const { return m_window; }
    CFilmRoll* Roll() const { return m_roll; }
    const CString& Directory() const { return m_directory; }
    // Deletes windows closed from inside their own handlers, once those have returned.
    void DeleteRetired();

    void VSnapUserPressedOk() override { CloseDialog(); }
    void VSnapUserPressedCancel() override { CloseDialog(); }
    void VSnapUserPressedDelete() override;
    int VSnapUserPressedSave() override;
    void VSnapUserClose() override { CloseDialog(); }

private:
    BOOL AddLoaded(CImg& image);
    // Creates the next picture file of the roll as a new file; -1 when none could be.
    int CreatePictureFile(CString& name) const;
    BOOL EnsureDirectory() const;

    CFilmSnapDlg* m_window = nullptr;
    CFilmRoll* m_roll = nullptr;
    CString m_directory;
    CIniConfiguration m_store;
    std::vector<std::unique_ptr<CFilmSnapDlg>> m_retired;
};

// The one library object, or null.
CFilmDLL* TheFilmDLL();
