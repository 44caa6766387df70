#include "platform/FileSnapshot.h"

#include "platform/FileError.h"
#include "platform/TextWin32.h"

#include <algorithm>
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

// Memory of the system's own, given back when the owner goes unless released.
struct Memory {
    void* data = nullptr;
    ~Memory()
    {
        if (data != nullptr)
            VirtualFree(data, 0, MEM_RELEASE);
    }
};

} // namespace

FileSnapshot::FileSnapshot(const std::filesystem::path& path)
{
    // Others may read, write and even replace the file meanwhile: the handle lives only while the
    // file is read, and the identity taken before and after tells whether it changed.
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
    const auto identity = identityOfOpenFile(reinterpret_cast<std::intptr_t>(file.h));
    if (!identity)
        throw FileError("read", lastErrorText());
    m_identity = *identity;
    const auto size = static_cast<std::size_t>(m_identity.size);
    if (size == 0)
        return;
    Memory memory{VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)};
    if (memory.data == nullptr)
        throw FileError("read", lastErrorText());
    auto* bytes = static_cast<std::uint8_t*>(memory.data);
    std::size_t done = 0;
    while (done < size) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.h, bytes + done, chunk, &got, nullptr))
            throw FileError("read", lastErrorText());
        if (got == 0)
            throw FileError("read", "it was cut short while it was read");
        done += got;
    }
    const auto after = identityOfOpenFile(reinterpret_cast<std::intptr_t>(file.h));
    if (!after || !(*after == m_identity))
        throw FileError("read", "another program wrote it while it was read");
    m_data = bytes;
    m_size = size;
    memory.data = nullptr;
}

std::size_t FileSnapshot::systemPageSize()
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwPageSize;
}

void FileSnapshot::discard(std::size_t start, std::size_t length) const
{
    // Decommitted and committed again: the pages stay readable, as zeros, and take no memory until
    // they are touched.
    if (VirtualFree(m_data + start, length, MEM_DECOMMIT))
        VirtualAlloc(m_data + start, length, MEM_COMMIT, PAGE_READWRITE);
}

FileSnapshot::~FileSnapshot()
{
    if (m_data)
        VirtualFree(m_data, 0, MEM_RELEASE);
}

} // namespace orrin::platform
