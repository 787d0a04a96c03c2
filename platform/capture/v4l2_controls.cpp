#include "capture/v4l2_controls.h"

#include "framework/Trace.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace capture {

namespace {

// Bounds on what a driver's answers may make us loop over; a faulty driver
// that never says "no more" must not hang the dialog.
constexpr size_t kMaxControls = 1024;
constexpr int64_t kMaxMenuItems = 256;

std::string Name(const __u8* bytes, size_t n)
{
    return std::string(reinterpret_cast<const char*>(bytes), strnlen(reinterpret_cast<const char*>(bytes), n));
}

bool KindOf(__u32 type, ControlKind& kind)
{
    switch (type) {
    case V4L2_CTRL_TYPE_INTEGER: kind = ControlKind::Integer; return true;
    case V4L2_CTRL_TYPE_BOOLEAN: kind = ControlKind::Boolean; return true;
    case V4L2_CTRL_TYPE_MENU: kind = ControlKind::Menu; return true;
    case V4L2_CTRL_TYPE_INTEGER_MENU: kind = ControlKind::IntegerMenu; return true;
    case V4L2_CTRL_TYPE_BUTTON: kind = ControlKind::Button; return true;
    default: return false;   // class headings, strings, 64-bit and compound controls
    }
}

bool IsMenu(ControlKind kind) { return kind == ControlKind::Menu || kind == ControlKind::IntegerMenu; }

struct AutomaticPair {
    uint32_t automatic;
    uint32_t owned;
};

constexpr AutomaticPair kAutomaticPairs[] = {
    {V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CID_WHITE_BALANCE_TEMPERATURE},
    {V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CID_RED_BALANCE},
    {V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CID_BLUE_BALANCE},
    {V4L2_CID_EXPOSURE_AUTO, V4L2_CID_EXPOSURE_ABSOLUTE},
    {V4L2_CID_EXPOSURE_AUTO, V4L2_CID_EXPOSURE},
    {V4L2_CID_AUTOGAIN, V4L2_CID_GAIN},
    {V4L2_CID_FOCUS_AUTO, V4L2_CID_FOCUS_ABSOLUTE},
    {V4L2_CID_FOCUS_AUTO, V4L2_CID_FOCUS_RELATIVE},
    {V4L2_CID_HUE_AUTO, V4L2_CID_HUE},
    {V4L2_CID_AUTOBRIGHTNESS, V4L2_CID_BRIGHTNESS},
};

bool IsAutomatic(const CameraControl& c)
{
    return c.ChangesOthers()
        || std::any_of(std::begin(kAutomaticPairs), std::end(kAutomaticPairs),
                       [&](const AutomaticPair& p) { return p.automatic == c.id; });
}

}  // namespace

bool CameraControl::Inactive() const { return flags & V4L2_CTRL_FLAG_INACTIVE; }
bool CameraControl::Grabbed() const { return flags & V4L2_CTRL_FLAG_GRABBED; }
bool CameraControl::ReadOnly() const { return flags & V4L2_CTRL_FLAG_READ_ONLY; }
bool CameraControl::ChangesOthers() const { return flags & V4L2_CTRL_FLAG_UPDATE; }

int32_t CameraControl::Nearest(int32_t wanted) const
{
    if (IsMenu(kind)) {
        if (items.empty())
            return value;
        auto distance = [&](const ControlMenuItem& i) { return std::abs(int64_t(i.index) - wanted); };
        return std::min_element(items.begin(), items.end(),
                                [&](const auto& a, const auto& b) { return distance(a) < distance(b); })->index;
    }
    if (kind == ControlKind::Boolean)
        wanted = wanted != 0 ? 1 : 0;
    const int64_t v = std::clamp<int64_t>(wanted, minimum, maximum);
    const int64_t s = std::max<int64_t>(step, 1);
    int64_t snapped = minimum + (v - minimum + s / 2) / s * s;
    if (snapped > maximum)
        snapped -= s;
    return int32_t(std::max<int64_t>(snapped, minimum));
}

uint32_t AutomaticControlFor(uint32_t id)
{
    for (const AutomaticPair& p : kAutomaticPairs)
        if (p.owned == id)
            return p.automatic;
    return 0;
}

void CameraControls::Log(const char* call, uint32_t id, int error) const
{
    AfxTrace("%s: %s for control 0x%08x failed: %s\n", m_path.c_str(), call, id, std::strerror(error));
}

const CameraControl* CameraControls::Find(uint32_t id) const
{
    auto c = std::find_if(m_controls.begin(), m_controls.end(), [id](const CameraControl& c) { return c.id == id; });
    return c == m_controls.end() ? nullptr : &*c;
}

// The control after `id`; `more` false once the device has no further one.
// False when this one is to be left out.
bool CameraControls::Query(uint32_t& id, CameraControl& control, bool& more)
{
    v4l2_queryctrl q = {};
    q.id = id | V4L2_CTRL_FLAG_NEXT_CTRL;
    more = false;
    if (m_device.Ioctl(VIDIOC_QUERYCTRL, &q) < 0) {
        if (errno != EINVAL)   // EINVAL is the normal end of the list
            Log("VIDIOC_QUERYCTRL", id, errno);
        return false;
    }
    const uint32_t next = q.id & ~uint32_t(V4L2_CTRL_FLAG_NEXT_CTRL);
    if (next <= id) {
        AfxTrace("%s: VIDIOC_QUERYCTRL went back from 0x%08x to 0x%08x; list ends there\n", m_path.c_str(), id, next);
        return false;
    }
    id = next;
    more = true;
    if ((q.flags & V4L2_CTRL_FLAG_DISABLED) || !KindOf(q.type, control.kind))
        return false;
    if (q.minimum > q.maximum) {
        AfxTrace("%s: control 0x%08x has minimum %d above maximum %d\n", m_path.c_str(), id, q.minimum, q.maximum);
        return false;
    }
    control.id = id;
    control.name = Name(q.name, sizeof q.name);
    control.minimum = q.minimum;
    control.maximum = q.maximum;
    control.step = q.step > 0 ? q.step : 1;
    control.defaultValue = q.default_value;
    control.flags = q.flags;
    return true;
}

void CameraControls::ReadMenu(CameraControl& control)
{
    const int64_t last = std::min<int64_t>(control.maximum, int64_t(control.minimum) + kMaxMenuItems - 1);
    for (int64_t i = std::max<int64_t>(control.minimum, 0); i <= last; ++i) {
        v4l2_querymenu m = {};
        m.id = control.id;
        m.index = __u32(i);
        if (m_device.Ioctl(VIDIOC_QUERYMENU, &m) < 0) {
            if (errno != EINVAL)   // EINVAL: an index the driver does not offer
                Log("VIDIOC_QUERYMENU", control.id, errno);
            continue;
        }
        const std::string text = control.kind == ControlKind::Menu ? Name(m.name, sizeof m.name) : std::to_string(m.value);
        control.items.push_back({int32_t(i), text});
    }
}

bool CameraControls::ReadValue(CameraControl& control)
{
    if (control.kind == ControlKind::Button || (control.flags & V4L2_CTRL_FLAG_WRITE_ONLY)) {
        control.value = control.defaultValue;
        return true;
    }
    v4l2_control v = {};
    v.id = control.id;
    if (m_device.Ioctl(VIDIOC_G_CTRL, &v) < 0) {
        Log("VIDIOC_G_CTRL", control.id, errno);
        return false;
    }
    control.value = v.value;
    return true;
}

void CameraControls::Refresh()
{
    m_controls.clear();
    uint32_t id = 0;
    bool more = true;
    for (size_t asked = 0; more && asked < kMaxControls; ++asked) {
        CameraControl control;
        if (!Query(id, control, more))
            continue;
        if (IsMenu(control.kind)) {
            ReadMenu(control);
            if (control.items.empty()) {
                AfxTrace("%s: menu control 0x%08x offers no items\n", m_path.c_str(), control.id);
                continue;
            }
        }
        if (ReadValue(control))
            m_controls.push_back(std::move(control));
    }
}

bool CameraControls::Write(const CameraControl& control, int32_t value, std::string& error)
{
    v4l2_control v = {};
    v.id = control.id;
    v.value = control.Nearest(value);
    if (m_device.Ioctl(VIDIOC_S_CTRL, &v) == 0)
        return true;
    const int e = errno;
    Log("VIDIOC_S_CTRL", control.id, e);
    error = "The camera " + m_path + " refused " + control.name + ": " + std::strerror(e);
    return false;
}

bool CameraControls::Set(uint32_t id, int32_t value, std::string& error)
{
    const CameraControl* control = Find(id);
    if (!control) {
        error = "The camera " + m_path + " has no such control.";
        return false;
    }
    if (control->ReadOnly() || control->Grabbed() || control->Inactive()) {
        error = control->name + (control->ReadOnly() ? " can only be read." : " is controlled automatically now.");
        return false;
    }
    const bool ok = Write(*control, value, error);
    Refresh();
    return ok;
}

bool CameraControls::WriteAll(std::initializer_list<bool> passes, const Target& target, std::string& error)
{
    std::vector<std::string> failed;
    for (const bool automatic : passes) {
        for (const CameraControl& c : m_controls) {
            if (IsAutomatic(c) != automatic || c.ReadOnly() || c.Grabbed() || c.Inactive()
                || c.kind == ControlKind::Button)
                continue;
            const std::optional<int32_t> value = target(c);
            std::string ignored;
            if (value && *value != c.value && !Write(c, *value, ignored)
                && std::find(failed.begin(), failed.end(), c.name) == failed.end())
                failed.push_back(c.name);
        }
        Refresh();   // the automatic modes decide which of the rest are ours to write
    }
    if (failed.empty())
        return true;
    error = "The camera " + m_path + " kept its settings of:";
    for (const std::string& name : failed)
        error += " " + name + (&name == &failed.back() ? "." : ",");
    return false;
}

bool CameraControls::ResetToDefaults(std::string& error)
{
    return WriteAll({true, false}, [](const CameraControl& c) { return c.defaultValue; }, error);
}

bool CameraControls::Restore(const std::vector<CameraControl>& saved, std::string& error)
{
    const Target target = [&saved](const CameraControl& c) -> std::optional<int32_t> {
        auto s = std::find_if(saved.begin(), saved.end(), [&c](const CameraControl& s) { return s.id == c.id; });
        return s == saved.end() ? std::nullopt : std::optional<int32_t>(s->value);
    };
    // Manual controls while still ours, then the modes, then what the modes gave back.
    return WriteAll({false, true, false}, target, error);
}

}  // namespace capture
