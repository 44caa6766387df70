#include "platform/ComputerName.h"

#include "platform/TextWin32.h"

#include <windows.h>

namespace orrin::platform {

std::string computerName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &length))
        return "";
    return utf8FromWide(std::wstring_view(name, length));
}

} // namespace orrin::platform
