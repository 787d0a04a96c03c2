// The source dialog's model for a V4L2 camera: every control the device
// reports, its current value, and setting or resetting values. Plain logic over
// a V4l2Device, so a widget can sit on it and tests can drive it with a fake.
#pragma once

#include "capture/v4l2_driver.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace capture {

enum class ControlKind { Integer, Boolean, Menu, IntegerMenu, Button };

struct ControlMenuItem {
    int32_t index = 0;    // the value that chooses this item
    std::string name;     // a menu's text, or an integer menu's number as text
};

struct CameraControl {
    uint32_t id = 0;
    std::string name;
    ControlKind kind = ControlKind::Integer;
    int32_t minimum = 0, maximum = 0, step = 1, defaultValue = 0;
    int32_t value = 0;
    uint32_t flags = 0;                 // V4L2_CTRL_FLAG_*
    std::vector<ControlMenuItem> items; // menus only; indices the driver skips are absent

    // Set by the device while an automatic mode (or streaming) owns the control.
    bool Inactive() const;
    bool Grabbed() const;
    bool ReadOnly() const;
    // Changing it may change other controls' flags or values (automatic modes).
    bool ChangesOthers() const;
    // The value the device would accept that is nearest `wanted`: inside the
    // range, on the step, a menu item that exists.
    int32_t Nearest(int32_t wanted) const;
};

// The automatic control that, while on, takes `id` over (white balance
// temperature under automatic white balance, ...); 0 when none is known.
uint32_t AutomaticControlFor(uint32_t id);

class CameraControls {
public:
    // `path` names the device in log lines.
    CameraControls(V4l2Device& device, std::string path) : m_device(device), m_path(std::move(path)) {}

    // Asks the device again for every control, its flags and value. A control
    // whose questions fail is left out (and logged); the others stay.
    void Refresh();
    const std::vector<CameraControl>& Controls() const { return m_controls; }
    const CameraControl* Find(uint32_t id) const;

    // Sets the nearest acceptable value, then reads every control back, since
    // an automatic mode may have made others inactive. False (and `error`)
    // when the control is unknown, read-only, or the device refuses it.
    bool Set(uint32_t id, int32_t value, std::string& error);
    // Every writable control back to its default; automatic modes first, so the
    // controls they own are not written while owned. False when any failed;
    // `error` names them, the rest are still reset.
    bool ResetToDefaults(std::string& error);
    // Every writable control back to its value in `saved` (an earlier
    // Controls()). Controls an automatic mode owns now are written after the
    // modes are back, so what they held before is restored as well. False
    // when any failed; `error` names them.
    bool Restore(const std::vector<CameraControl>& saved, std::string& error);

private:
    // The value a control is to take, or none to leave it.
    using Target = std::function<std::optional<int32_t>(const CameraControl&)>;
    // One pass a flag: automatic modes (true) or the others (false). Controls
    // already at their target are not written.
    bool WriteAll(std::initializer_list<bool> passes, const Target& target, std::string& error);
    bool Query(uint32_t& id, CameraControl& control, bool& more);
    void ReadMenu(CameraControl& control);
    bool ReadValue(CameraControl& control);
    bool Write(const CameraControl& control, int32_t value, std::string& error);
    void Log(const char* call, uint32_t id, int error) const;

    V4l2Device& m_device;
    std::string m_path;
    std::vector<CameraControl> m_controls;
};

}  // namespace capture
