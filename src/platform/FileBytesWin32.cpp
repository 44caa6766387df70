#include "platform/FileBytes.h"

#include "platform/FileError.h"
#include "platform/TextWin32.h"

#include <windows.h>

namespace orrin::platform {

namespace {

struct Handle {
    HANDLE h;
    ~Handle()
    {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
};

} // namespace

FileBytes::FileBytes(const std::filesystem::path& path)
{
    // Others may read, write and even replace the file meanwhile: the run holds it only while reading.
    Handle file{CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            throw FileError("open", "it is not a file");
        throw FileError("open", systemMessage(error));
    }
    if (GetFileType(file.h) != FILE_TYPE_DISK)
        throw FileError("open", "it is not a file");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.h, &size))
        throw FileError("read", lastErrorText());
    m_copy.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < m_copy.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(m_copy.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.h, m_copy.data() + done, chunk, &got, nullptr))
            throw FileError("read", lastErrorText());
        if (got == 0)
            break; // cut short while being read: the bytes that are there
        done += got;
    }
    m_copy.resize(done);
    m_data = m_copy.empty() ? nullptr : m_copy.data();
    m_size = m_copy.size();
}

void FileBytes::release(std::size_t, std::size_t) const {}

FileBytes::~FileBytes() = default;

} // namespace orrin::platform
