// Typed settings items. Each owns its value, its limits and its text form; the
// table only ever sees the text.
#pragma once

#include "Mcfgparm.h"
#include "types/geometry.h"

#include <cmath>
#include <cstdint>
#include <limits>

// A string that yields its default text whenever it is empty. `defaultText` is
// not copied: it must outlive the string (a static string). It holds its text
// rather than being one, so that every conversion goes through the default.
class CXString {
public:
    explicit CXString(const char* defaultText) : m_default(defaultText ? defaultText : "") {}
    CXString& operator=(const CString& text) { m_text = text; return *this; }
    CXString& operator=(const char* text) { m_text = text; return *this; }

    // The reading conversions put the default in place of an empty text.
    operator const CString&() { FillDefault(); return m_text; }
    operator const char*() { FillDefault(); return m_text.GetString(); }
    // The text as read, without touching the stored one.
    CString Value() const { return m_text.IsEmpty() ? CString(m_default) : m_text; }
    // The stored text itself, empty or not.
    const CString& Raw() const { return m_text; }
    const char* GetDefault() const { return m_default; }

private:
    void FillDefault()
    {
        if (m_text.IsEmpty())
            m_text = m_default;
    }
    CString m_text;
    const char* m_default;
};

// Text conversions of the numeric items, shared so each type says only what differs.
namespace mcfg {
int16_t ParseShort(const char* text);      // atoi, cut to 16 bits
uint16_t ParseUShort(const char* text);    // atoi, cut to 16 bits unsigned
int32_t ParseLong(const char* text);       // atol, saturating at the 32-bit limits
uint32_t ParseULong(const char* text);     // unsigned decimal; negative numbers wrap as atol's would
float ParseFloat(const char* text);        // atof; NaN reads as 0
CString Format(int32_t value);
CString Format(uint32_t value);
CString Format(float value);
}  // namespace mcfg

// Reading happens in the constructor, so the parser is part of this class
// rather than of the derived one.
template <typename T, T (*Parse)(const char*)>
class MCfgNumeric : public MCfgParameter {
public:
    MCfgNumeric(MCfgSection& section, const char* name, T value, T min, T max, int defer)
        : MCfgParameter(section, name, 1), m_min(min), m_max(max), m_value(Clamp(value))
    {
        if (!defer)
            UpdateParameter();
    }
    ~MCfgNumeric() override { UpdateSection(); }

    operator T() const { return m_value; }
    T Get() const { return m_value; }
    T GetMin() const { return m_min; }
    T GetMax() const { return m_max; }
    int IsValid() const { return m_value == Clamp(m_value); }

    CString& GetString(CString& text) const override
    {
        text = mcfg::Format(Widen(m_value));
        return text;
    }

protected:
    void SetString(const CString& text) override { Read(Parse(text)); }
    // Returns its argument unclamped, as the assignment operators do.
    T Assign(T value)
    {
        if (!IsChanged() && value != m_value)
            SetChanged(TRUE);
        m_value = Clamp(value);
        return value;
    }
    void Read(T raw)
    {
        T clamped = Clamp(raw);
        m_value = clamped;
        SetChanged(!(raw == clamped));
    }
    T Clamp(T value) const
    {
        if constexpr (std::is_floating_point_v<T>)
            if (std::isnan(value))
                return m_min;
        return value < m_min ? m_min : (value > m_max ? m_max : value);
    }

private:
    static auto Widen(T v)
    {
        if constexpr (std::is_floating_point_v<T>)
            return float(v);
        else if constexpr (std::is_signed_v<T>)
            return int32_t(v);
        else
            return uint32_t(v);
    }
    T m_min, m_max, m_value;
};

class MCfgShort : public MCfgNumeric<short, mcfg::ParseShort> {
public:
    MCfgShort(MCfgSection& s, const char* name, short value, short min = std::numeric_limits<short>::min(),
              short max = std::numeric_limits<short>::max(), int defer = 0)
        : MCfgNumeric(s, name, value, min, max, defer) {}
    short operator=(short value) { return Assign(value); }
};

class MCfgUShort : public MCfgNumeric<unsigned short, mcfg::ParseUShort> {
public:
    MCfgUShort(MCfgSection& s, const char* name, unsigned short value, unsigned short min = 0,
               unsigned short max = std::numeric_limits<unsigned short>::max(), int defer = 0)
        : MCfgNumeric(s, name, value, min, max, defer) {}
    unsigned short operator=(unsigned short value) { return Assign(value); }
};

class MCfgLong : public MCfgNumeric<int32_t, mcfg::ParseLong> {
public:
    MCfgLong(MCfgSection& s, const char* name, int32_t value, int32_t min = std::numeric_limits<int32_t>::min(),
             int32_t max = std::numeric_limits<int32_t>::max(), int defer = 0)
        : MCfgNumeric(s, name, value, min, max, defer) {}
    int32_t operator=(int32_t value) { return Assign(value); }
};

class MCfgULong : public MCfgNumeric<uint32_t, mcfg::ParseULong> {
public:
    MCfgULong(MCfgSection& s, const char* name, uint32_t value, uint32_t min = 0,
              uint32_t max = std::numeric_limits<uint32_t>::max(), int defer = 0)
        : MCfgNumeric(s, name, value, min, max, defer) {}
    uint32_t operator=(uint32_t value) { return Assign(value); }
};

class MCfgFloat : public MCfgNumeric<float, mcfg::ParseFloat> {
public:
    MCfgFloat(MCfgSection& s, const char* name, float value, float min = -std::numeric_limits<float>::max(),
              float max = std::numeric_limits<float>::max(), int defer = 0)
        : MCfgNumeric(s, name, value, min, max, defer) {}
    float operator=(float value) { return Assign(value); }
};

// Text of at most `max` characters; an empty text reads as the default text.
class MCfgString : public MCfgParameter {
public:
    enum class Case { Keep, Upper, Lower };
    MCfgString(MCfgSection& s, const char* name, const char* defaultText, int max, int defer = 0)
        : MCfgString(s, name, defaultText, max, defer, Case::Keep) {}
    ~MCfgString() override { UpdateSection(); }

    operator CString() const { return m_value.Value(); }
    operator const char*() { return m_value; }
    const CString& operator=(const CString& text);
    int GetMax() const { return m_max; }
    int IsValid() const { return m_value.Raw().GetLength() <= m_max; }
    // Cuts `text` to the item's length (and case) as an assignment would.
    CString& Bound(CString& text) const;
    CString& GetString(CString& text) const override;

protected:
    MCfgString(MCfgSection& s, const char* name, const char* defaultText, int max, int defer, Case c);
    void SetString(const CString& text) override;

private:
    CXString m_value;
    int m_max;
    Case m_case;
};

class MCfgUpperString : public MCfgString {
public:
    MCfgUpperString(MCfgSection& s, const char* name, const char* defaultText, int max, int defer = 0)
        : MCfgString(s, name, defaultText, max, defer, Case::Upper) {}
    using MCfgString::operator=;
};

class MCfgLowerString : public MCfgString {
public:
    MCfgLowerString(MCfgSection& s, const char* name, const char* defaultText, int max, int defer = 0)
        : MCfgString(s, name, defaultText, max, defer, Case::Lower) {}
    using MCfgString::operator=;
};

class MCfgRect : public MCfgParameter {
public:
    MCfgRect(MCfgSection& s, const char* name, const CRect& value, int defer = 0);
    ~MCfgRect() override { UpdateSection(); }
    operator CRect() const { return m_value; }
    const CRect& operator=(const CRect& value);
    CString& GetString(CString& text) const override;

protected:
    void SetString(const CString& text) override;

private:
    CRect m_value;
};

class MCfgSize : public MCfgParameter {
public:
    MCfgSize(MCfgSection& s, const char* name, const CSize& value, int defer = 0);
    ~MCfgSize() override { UpdateSection(); }
    operator CSize() const { return m_value; }
    const CSize& operator=(const CSize& value);
    CString& GetString(CString& text) const override;

protected:
    void SetString(const CString& text) override;

private:
    CSize m_value;
};

class MCfgBool : public MCfgParameter {
public:
    MCfgBool(MCfgSection& s, const char* name, int value, int defer = 0);
    ~MCfgBool() override { UpdateSection(); }
    operator int() const { return m_value; }
    operator const char*() const { return m_value ? "TRUE" : "FALSE"; }
    int operator=(int value);
    // Parses as a stored text would be, and always counts as a change.
    const CString& operator=(const CString& text);
    CString& GetString(CString& text) const override;
    static int GParse(const char* text);

protected:
    void SetString(const CString& text) override;

private:
    int m_value;
};

// Bytes kept as text: each byte in decimal followed by one space.
class MCfgBinary : public MCfgParameter {
public:
    MCfgBinary(MCfgSection& s, const char* name, const char* defaultText, int defer = 0);
    ~MCfgBinary() override { UpdateSection(); }
    int SetBinary(const void* data, unsigned long length);
    unsigned long GetBinaryLength() const;
    // Up to `length` bytes into `buffer` (when not null); `length` becomes the
    // number of groups taken.
    int GetBinary(void* buffer, unsigned long& length) const;
    CString& GetString(CString& text) const override;
    void SetString(const CString& text) override;

private:
    CXString m_value;
};
