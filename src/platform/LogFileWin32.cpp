#include "platform/LogFile.h"

#include "platform/FileError.h"
#include "platform/TextWin32.h"

#include <windows.h>

namespace orrin::platform {

void appendToLogFile(const std::filesystem::path& path, std::string_view text)
{
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, so that it is seen and refused below instead
    // of followed. A file made here inherits the folder's rights: the user's own profile folder.
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            throw FileError("", "it is not a regular file");
        throw FileError("", systemMessage(error));
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool regular = GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
                         (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
    const bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!regular || link) {
        CloseHandle(file);
        throw FileError("", link ? "it is a symbolic link" : "it is not a regular file");
    }
    std::size_t written = 0;
    while (written < text.size()) {
        DWORD n = 0;
        if (!WriteFile(file, text.data() + written, static_cast<DWORD>(text.size() - written), &n, nullptr) ||
            n == 0) {
            const DWORD error = GetLastError();
            CloseHandle(file);
            throw FileError("", error != 0 ? systemMessage(error) : "write failed");
        }
        written += n;
    }
    if (!CloseHandle(file))
        throw FileError("", lastErrorText());
}

} // namespace orrin::platform
