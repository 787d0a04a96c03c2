#include "Mcfgtype.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mcfg {

namespace {
// strtoll with atol's leniency: leading blanks, an optional sign, digits, and
// whatever follows ignored; no digits reads as 0.
long long ParseWide(const char* text)
{
    if (!text)
        return 0;
    errno = 0;
    return std::strtoll(text, nullptr, 10);   // saturates at the 64-bit limits
}

int32_t Saturate32(long long v)
{
    if (v < INT32_MIN)
        return INT32_MIN;
    if (v > INT32_MAX)
        return INT32_MAX;
    return int32_t(v);
}
}  // namespace

int16_t ParseShort(const char* text) { return int16_t(uint16_t(uint32_t(Saturate32(ParseWide(text))))); }

uint16_t ParseUShort(const char* text) { return uint16_t(uint32_t(Saturate32(ParseWide(text)))); }

int32_t ParseLong(const char* text) { return Saturate32(ParseWide(text)); }

uint32_t ParseULong(const char* text)
{
    // Values written as unsigned decimal read back whole, above 2^31 too; a
    // negative number wraps into the unsigned range as a 32-bit atol result would.
    long long v = ParseWide(text);
    if (v < 0)
        return uint32_t(Saturate32(v));
    return v > UINT32_MAX ? UINT32_MAX : uint32_t(v);
}

float ParseFloat(const char* text)
{
    float v = text ? float(std::atof(text)) : 0.0f;
    return std::isnan(v) ? 0.0f : v;
}

CString Format(int32_t value)
{
    CString s;
    s.Format("%d", value);
    return s;
}

CString Format(uint32_t value)
{
    CString s;
    s.Format("%u", value);
    return s;
}

CString Format(float value)
{
    CString s;
    s.Format("%f", double(value));
    return s;
}

}  // namespace mcfg

// --- strings

MCfgString::MCfgString(MCfgSection& s, const char* name, const char* defaultText, int max, int defer, Case c)
    : MCfgParameter(s, name, 1), m_value(defaultText), m_max(max < 0 ? 0 : max), m_case(c)
{
    if (!defer)
        UpdateParameter();
}

CString& MCfgString::Bound(CString& text) const
{
    if (text.GetLength() > m_max)
        text = text.Left(m_max);
    if (m_case == Case::Upper)
        text.MakeUpper();
    else if (m_case == Case::Lower)
        text.MakeLower();
    return text;
}

const CString& MCfgString::operator=(const CString& text)
{
    if (!IsChanged() && text.Compare(m_value.Value()) != 0)
        SetChanged(TRUE);
    CString bounded(text);
    m_value = Bound(bounded);
    return text;
}

CString& MCfgString::GetString(CString& text) const
{
    text = m_value.Value();
    return text;
}

void MCfgString::SetString(const CString& text)
{
    CString bounded(text);
    bool tooLong = bounded.GetLength() > m_max;
    m_value = Bound(bounded);
    SetChanged(tooLong);
}

// --- rectangles and sizes

namespace {
// Up to `count` comma-separated decimal fields; a missing one reads as 0.
void ParseFields(const CString& text, LONG* fields, int count)
{
    const char* p = text;
    for (int i = 0; i < count; ++i) {
        fields[i] = mcfg::ParseLong(p);
        p = std::strchr(p, ',');
        if (!p) {
            for (++i; i < count; ++i)
                fields[i] = 0;
            return;
        }
        ++p;
    }
}
}  // namespace

MCfgRect::MCfgRect(MCfgSection& s, const char* name, const CRect& value, int defer)
    : MCfgParameter(s, name, 1), m_value(value)
{
    if (!defer)
        UpdateParameter();
}

const CRect& MCfgRect::operator=(const CRect& value)
{
    if (!IsChanged() && !m_value.EqualRect(value))
        SetChanged(TRUE);
    m_value = value;
    return value;
}

CString& MCfgRect::GetString(CString& text) const
{
    text.Format("%d,%d,%d,%d", m_value.left, m_value.top, m_value.right, m_value.bottom);
    return text;
}

void MCfgRect::SetString(const CString& text)
{
    LONG f[4];
    ParseFields(text, f, 4);
    m_value.SetRect(f[0], f[1], f[2], f[3]);
    SetChanged(FALSE);
}

MCfgSize::MCfgSize(MCfgSection& s, const char* name, const CSize& value, int defer)
    : MCfgParameter(s, name, 1), m_value(value)
{
    if (!defer)
        UpdateParameter();
}

const CSize& MCfgSize::operator=(const CSize& value)
{
    if (!IsChanged() && m_value != value)
        SetChanged(TRUE);
    m_value = value;
    return value;
}

CString& MCfgSize::GetString(CString& text) const
{
    text.Format("%d,%d", m_value.cx, m_value.cy);
    return text;
}

void MCfgSize::SetString(const CString& text)
{
    LONG f[2];
    ParseFields(text, f, 2);
    m_value = CSize(f[0], f[1]);
    SetChanged(FALSE);
}

// --- booleans

MCfgBool::MCfgBool(MCfgSection& s, const char* name, int value, int defer)
    : MCfgParameter(s, name, 1), m_value(value ? TRUE : FALSE)
{
    if (!defer)
        UpdateParameter();
}

int MCfgBool::GParse(const char* text)
{
    CString lower(text);
    lower.MakeLower();
    return (lower == "on" || lower == "true" || lower == "yes") ? TRUE : FALSE;
}

int MCfgBool::operator=(int value)
{
    int normalised = value ? TRUE : FALSE;
    if (!IsChanged() && normalised != m_value)
        SetChanged(TRUE);
    m_value = normalised;
    return value;
}

const CString& MCfgBool::operator=(const CString& text)
{
    m_value = GParse(text);
    SetChanged(TRUE);
    return text;
}

CString& MCfgBool::GetString(CString& text) const
{
    text = m_value ? "TRUE" : "FALSE";
    return text;
}

void MCfgBool::SetString(const CString& text)
{
    m_value = GParse(text);
    SetChanged(FALSE);
}

// --- binary

MCfgBinary::MCfgBinary(MCfgSection& s, const char* name, const char* defaultText, int defer)
    : MCfgParameter(s, name, 1), m_value(defaultText)
{
    if (!defer)
        UpdateParameter();
}

int MCfgBinary::SetBinary(const void* data, unsigned long length)
{
    if (!data)
        return FALSE;
    const auto* bytes = static_cast<const unsigned char*>(data);
    CString text;
    char group[8];
    for (unsigned long i = 0; i < length; ++i) {
        std::snprintf(group, sizeof group, "%u ", unsigned(bytes[i]));
        text += group;
    }
    if (!IsChanged() && text.Compare(m_value.Value()) != 0)
        SetChanged(TRUE);
    m_value = text;
    return TRUE;
}

unsigned long MCfgBinary::GetBinaryLength() const
{
    CString text = m_value.Value();
    unsigned long groups = 0;
    bool inGroup = false;
    for (int i = 0; i < text.GetLength(); ++i) {
        bool space = text[i] == ' ';
        if (!space && !inGroup)
            ++groups;
        inGroup = !space;
    }
    return groups;
}

int MCfgBinary::GetBinary(void* buffer, unsigned long& length) const
{
    CString text = m_value.Value();
    auto* out = static_cast<unsigned char*>(buffer);
    unsigned long taken = 0;
    const char* p = text;
    while (taken < length) {
        p += std::strspn(p, " \t\n");
        if (!*p)
            break;
        size_t n = std::strcspn(p, " \t\n");
        if (out)
            out[taken] = static_cast<unsigned char>(mcfg::ParseLong(CString(p, int(n))));
        ++taken;
        p += n;
    }
    length = taken;
    return TRUE;
}

CString& MCfgBinary::GetString(CString& text) const
{
    text = m_value.Value();
    return text;
}

void MCfgBinary::SetString(const CString& text)
{
    m_value = text;
    SetChanged(FALSE);
}
