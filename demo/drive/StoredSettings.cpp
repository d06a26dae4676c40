#include "StoredSettings.h"

namespace drive {

namespace {
constexpr wchar_t kKey[] = L"Software\\Korvane";
} // namespace

bool ForgetStoredSettings()
{
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool StoredSetting(const wchar_t* name, DWORD* value)
{
    DWORD size = sizeof *value;
    return RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, nullptr, value, &size) ==
           ERROR_SUCCESS;
}

} // namespace drive
