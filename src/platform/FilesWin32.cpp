#include "platform/Files.h"

#include <windows.h>

namespace orrin::platform {

EntryKind entryKind(const std::filesystem::path& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return EntryKind::Missing;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return EntryKind::Link;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || (attributes & FILE_ATTRIBUTE_DEVICE) != 0)
        return EntryKind::Other;
    return EntryKind::Regular;
}

bool folderWritable(const std::filesystem::path& folder)
{
    // Windows has no access() for folders that tells the truth about ACLs: the folder must exist, and
    // a file that cannot be made there later fails with its own message.
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace orrin::platform
