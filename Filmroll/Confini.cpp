// The text back end of the store: bracketed section headers and "name = value" lines.
#include "Config.h"

#include "readfile.h"
#include "types/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// A line longer than this arrives as several pieces, each read as a line of its own.
constexpr size_t kPieceChars = 511;

CString LowerCased(CString text)
{
    text.MakeLower();
    return text;
}

// Splits a section line at its first '=' after any leading ones.
void SplitField(const std::string& raw, CString& name, CString& value)
{
    size_t start = raw.find_first_not_of('=');
    if (start == std::string::npos)
        return;
    size_t eq = raw.find('=', start);
    if (eq == std::string::npos) {
        name = StripWhiteSpace(CString(raw.substr(start)));
        return;
    }
    name = StripWhiteSpace(CString(raw.substr(start, eq - start)));
    std::string rest = raw.substr(eq + 1);
    size_t lf = rest.find('\n');
    if (lf != std::string::npos)
        rest.resize(lf);
    value = StripWhiteSpace(CString(rest));
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

} // namespace

CIniConfiguration::CIniConfiguration(CString path) : m_path(path), m_records(new std::vector<CRecord*>) {}

CIniConfiguration::~CIniConfiguration()
{
    VFreeRecords();
    delete m_records;
    m_records = nullptr;
}

void CIniConfiguration::ParseLine(const CString& line, CString& section)
{
    CString stripped = StripWhiteSpace(line);
    if (!stripped.IsEmpty() && stripped[0] == '[') {
        std::string name = stripped.str();
        name[0] = ' ';
        size_t close = name.find(']');
        // A header without ']' takes the rest of the line as its name.
        if (close != std::string::npos)
            name[close] = ' ';
        section = LowerCased(StripWhiteSpace(CString(name)));
        m_records->push_back(new CRecord(section));
        return;
    }
    if (section.IsEmpty())
        return;
    CString name, value;
    SplitField(line.str(), name, value);
    m_records->back()->AddField(name, value);
}

void CIniConfiguration::ParseRecords(std::string_view text)
{
    CString section;
    size_t at = 0;
    while (at < text.size()) {
        size_t lf = text.find('\n', at);
        size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
        if (end - at > kPieceChars)
            end = at + kPieceChars;
        std::string piece(text.substr(at, end - at));
        at = end;
        // A piece is C text: a NUL ends it.
        piece.resize(strnlen(piece.c_str(), piece.size()));
        // Lists written on other systems end lines with CR LF.
        if (piece.size() >= 2 && piece[piece.size() - 1] == '\n' && piece[piece.size() - 2] == '\r')
            piece.erase(piece.size() - 2, 1);
        ParseLine(CString(piece), section);
    }
}

BOOL CIniConfiguration::VLoadRecords()
{
    VFreeRecords();
    if (!m_records)
        return FALSE;
    // A FIFO or device under the list's name would make a plain open wait.
    FILE* file = velmora::OpenRegularStream(m_path.str());
    if (!file) {
        ReportUnreadable(m_path, errno);
        return FALSE;
    }
    std::string text(kMaxFileBytes, '\0');
    size_t got = std::fread(text.data(), 1, text.size(), file);
    std::fclose(file);
    text.resize(got);
    ParseRecords(text);
    return TRUE;
}

BOOL CIniConfiguration::VSaveRecords() const
{
    if (!m_records)
        return FALSE;
    std::string text;
    bool first = true;
    for (const CRecord* record : *m_records) {
        if (!first)
            text += "\n";
        first = false;
        text += "[" + record->GetName().str() + "]\n";
        int count = 0;
        record->GetFieldCount(&count);
        for (int i = count - 1; i >= 0; --i) {
            CString name, value;
            record->GetFieldName(i, &name);
            record->GetFieldValue(i, &value);
            text += name.str() + " = " + value.str() + "\n";
        }
    }

    // A crash or a full disk leaves the previous list.
    return velmora::WriteFileAtomically(m_path.str(), [&text](int fd) { return WriteAll(fd, text); });
}

BOOL CIniConfiguration::VFreeRecords()
{
    if (!m_records)
        return FALSE;
    for (CRecord* r : *m_records)
        delete r;
    m_records->clear();
    return TRUE;
}

BOOL CIniConfiguration::VGetRecordCount(int* count) const
{
    if (!m_records || !count)
        return FALSE;
    *count = int(m_records->size());
    return TRUE;
}

CRecord* CIniConfiguration::VGetRecordAtIndex(int index) const
{
    if (!m_records || index < 0 || size_t(index) >= m_records->size())
        return nullptr;
    return (*m_records)[size_t(index)];
}

BOOL CIniConfiguration::VAddRecord(CRecord* record)
{
    if (!m_records || !record)
        return FALSE;
    m_records->push_back(record);
    return TRUE;
}
