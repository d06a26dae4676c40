// The notification area seen from another process.
#pragma once

#include <windows.h>

namespace drive {

// True when the shell holds an icon (owner, id): modifying it with no change
// succeeds only for an icon that exists.
bool TrayIconExists(HWND owner, UINT id);

// Removes the icon (owner, id) from the tray, as a restarting shell loses it.
bool DeleteTrayIcon(HWND owner, UINT id);

// How many icons the tray shows. Wine's tray keeps one tooltip tool per icon
// in the tooltip window of the shell's process and destroys that window with
// the last icon (a notice's balloon, a tooltip of its own, is not counted);
// -1 when the shell's tray window cannot be found.
int TrayIconCount();

// The notification balloon the shell shows for an icon, while it is shown:
// a visible balloon tooltip of the shell's process; null when none is.
HWND FindNoticeBalloon();

// An icon of this process, for checking the two observers above: added on
// construction to a hidden window of its own, deleted on destruction.
class OwnTrayIcon
{
public:
    OwnTrayIcon();
    ~OwnTrayIcon();
    OwnTrayIcon(const OwnTrayIcon&) = delete;
    OwnTrayIcon& operator=(const OwnTrayIcon&) = delete;

    bool Added() const { return m_added; }
    HWND Window() const { return m_window; }

private:
    HWND m_window = nullptr;
    bool m_added = false;
};

} // namespace drive
