#include "aolmail.h"

#include "mail/loader.h"

// The film roll reaches the mail library through the suite's one loader, so
// it always agrees with the program about whether mail is there.
BOOL CAOLMail::GAOLMail()
{
    mail::Available();
    return TRUE;
}

BOOL CAOLMail::GUseAOLMail()
{
    return mail::Available();
}

BOOL CAOLMail::GMovePicture(const char* path)
{
    return mail::MovePicture(path);
}

void CAOLMail::GSetLibraryName(const char* fileName)
{
    mail::UseLibrary(fileName);
}
