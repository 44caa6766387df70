#include "platform/ReplacementFile.h"

#include "platform/FileError.h"
#include "platform/TextWin32.h"

#include <random>
#include <windows.h>

namespace orrin::platform {

namespace {

[[noreturn]] void fail(const std::string& what, DWORD error)
{
    throw FileError(what, systemMessage(error));
}

HANDLE handleOf(std::intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

} // namespace

unsigned replaceableMode(const std::filesystem::path& target)
{
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        fail("cannot read its permissions", GetLastError());
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        fail("the file is read-only", ERROR_ACCESS_DENIED);
    return 0;
}

ReplacementFile::ReplacementFile(std::filesystem::path target, const std::string& temporaryStem)
    : m_target(std::move(target))
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
        std::string name = temporaryStem;
        for (int i = 0; i < 6; ++i)
            name += kLetters[pick(random)];
        const std::filesystem::path path(wideFromUtf8(name));
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            m_handle = reinterpret_cast<std::intptr_t>(file);
            m_path = path;
            return;
        }
        error = GetLastError();
    }
    fail("cannot create a file in its folder", error);
}

ReplacementFile::~ReplacementFile()
{
    if (m_handle != -1)
        CloseHandle(handleOf(m_handle));
    if (!m_renamed && !m_path.empty())
        DeleteFileW(m_path.c_str());
}

void ReplacementFile::write(std::span<const std::uint8_t> bytes)
{
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handleOf(m_handle), p, chunk, &written, nullptr))
            fail("writing the new copy failed", GetLastError());
        p += written;
        left -= written;
    }
}

void ReplacementFile::commit(unsigned, const std::function<void()>& lastCheck)
{
    HANDLE file = handleOf(m_handle);
    if (!FlushFileBuffers(file))
        fail("flushing the new copy failed", GetLastError());
    m_handle = -1;
    if (!CloseHandle(file))
        fail("closing the new copy failed", GetLastError());
    if (lastCheck)
        lastCheck();
    // Write-through: the call returns once the new name is on disk, which stands in for flushing the
    // folder.
    if (!MoveFileExW(m_path.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail("cannot put the new copy in its place", GetLastError());
    m_renamed = true;
}

} // namespace orrin::platform
