#include "jet/base/MappedFile.h"

#include "jet/base/JetError.h"
#include "platform/FileBytes.h"
#include "platform/FileError.h"

namespace orrin::jet {

MappedFile::MappedFile(const std::filesystem::path& path)
{
    try {
        m_file = std::make_unique<platform::FileBytes>(path);
    } catch (const platform::FileError& error) {
        throw Error(Failure::Io,
                    "Cannot " + error.action() + " " + path.string() + ": " + error.reason() + ".");
    }
    m_data = m_file->bytes().data();
    m_size = m_file->bytes().size();
}

void MappedFile::release(std::size_t offset, std::size_t length) const
{
    m_file->release(offset, length);
}

MappedFile::~MappedFile() = default;

} // namespace orrin::jet
