// Korvane's stored settings (HKCU\Software\Korvane), as the tour and the
// end-to-end tests see them in the Wine prefix: each run starts from
// nothing stored.
#pragma once

#include <windows.h>

namespace drive {

// Removes the key and everything in it; true when nothing is stored now.
bool ForgetStoredSettings();

// The REG_DWORD value name; false when it is missing or of another type.
bool StoredSetting(const wchar_t* name, DWORD* value);

} // namespace drive
