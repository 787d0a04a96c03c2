// The roll: pictures in roll order, each a BMP file in the roll directory.
#pragma once

#include "Config.h"
#include "Imgbut.h"

#include <vector>

constexpr int kFilmrollCapacity = 36;

// One picture of the roll; as a frame of the window it also shows one.
// A CObject too, so the roll (a CObList) can hold it.
class CPicture : public CBitButton, public CObject {
public:
    explicit CPicture(const CString& name) : m_name(name) {}
    void SetImageName(const CString& name) { m_name = name; }
    const CString& GetImageName() const { return m_name; }
    // Makes this picture the child control `id` of `parent`.
    BOOL AttachControl(int id, CWnd* parent, const CRect& rect);
    // A file that does not load leaves the frame empty; still TRUE.
    BOOL Display();

private:
    CString m_name;
};

// Owns its pictures.
class CFilmRoll : public CObList {
public:
    CFilmRoll() = default;
    ~CFilmRoll() { Free(); }

    BOOL Add(CPicture* picture);
    BOOL Remove(CPicture* picture);
    CPicture* GetAtIndex(int index) const;
    CPicture* GetAtPosition(POSITION pos) const { return static_cast<CPicture*>(GetAt(pos)); }
    void Free();
    void RemoveFilesAndFree();
    void RemoveAllElements() { RemoveFilesAndFree(); }
};

// The pictures that film.ini lists: for i from 1 to the number of parameters
// of section "images", the value of "location<i>" reduced to its file name and
// put in the roll directory. Never more than the roll holds, and never a name
// that leaves the directory.
std::vector<CString> RollPathsFromStore(const CConfiguration& store, const CString& directory);

// The file name of a stored path, or "" when it names no file of the directory.
CString RollFileName(const CString& stored);

// The next free name: directory/img<N>.bmp for the first N from 1 that no
// picture uses and `alsoTaken` does not hold (compared without regard to case).
CString NextPictureName(const CFilmRoll& roll, const CString& directory,
                        const std::vector<CString>& alsoTaken = {});

CString JoinPath(const CString& directory, const CString& name);
