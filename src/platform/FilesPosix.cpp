#include "platform/Files.h"

#include <sys/stat.h>
#include <unistd.h>

namespace orrin::platform {

EntryKind entryKind(const std::filesystem::path& path)
{
    struct stat found {};
    if (::lstat(path.c_str(), &found) != 0)
        return EntryKind::Missing;
    if (S_ISLNK(found.st_mode))
        return EntryKind::Link;
    return S_ISREG(found.st_mode) ? EntryKind::Regular : EntryKind::Other;
}

bool folderWritable(const std::filesystem::path& folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace orrin::platform
