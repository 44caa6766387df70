#include "platform/Folders.h"

#include <windows.h>

namespace orrin::platform {

std::filesystem::path programFile()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::filesystem::path(buffer.substr(0, length));
        buffer.resize(buffer.size() * 2);
    }
}

std::filesystem::path userStateFolder(const std::filesystem::path& folderName)
{
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (local == nullptr || *local == L'\0')
        return {};
    std::filesystem::path folder(local);
    if (!folder.is_absolute())
        return {};
    return folder / folderName;
}

} // namespace orrin::platform
