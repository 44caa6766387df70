#include "jet/table/Properties.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/base/Text.h"
#include "jet/table/Format.h"

#include <cstring>

namespace orrin::jet {

namespace {

class Reader {
  public:
    Reader(std::span<const std::uint8_t> bytes, const std::string& file) : m_bytes(bytes), m_file(file) {}

    void need(std::size_t at, std::size_t size) const
    {
        if (at > m_bytes.size() || size > m_bytes.size() - at)
            throw damaged(m_file, catalog::DefinitionPage, "an object's properties are cut short");
    }
    std::uint16_t u16(std::size_t at) const
    {
        need(at, 2);
        return decodeFixed16(m_bytes.data() + at);
    }
    std::uint32_t u32(std::size_t at) const
    {
        need(at, 4);
        return decodeFixed32(m_bytes.data() + at);
    }
    // A name: 16-bit byte count, then UTF-16LE (Jet 3: the code page). Returns the offset after it.
    std::size_t name(std::size_t at, bool jet3, std::uint16_t codePage, std::string& out) const
    {
        const std::size_t length = u16(at);
        need(at + properties::NameLengthSize, length);
        const auto text = m_bytes.subspan(at + properties::NameLengthSize, length);
        if (jet3) {
            decodeCodePageText(text, codePage, out);
        } else {
            out.clear();
            appendUtf16(text, out);
        }
        return at + properties::NameLengthSize + length;
    }
    std::span<const std::uint8_t> bytes() const { return m_bytes; }

  private:
    std::span<const std::uint8_t> m_bytes;
    const std::string& m_file;
};

} // namespace

Properties Properties::read(std::span<const std::uint8_t> bytes, Version version, std::uint16_t codePage,
                            const std::string& fileName)
{
    Properties result;
    result.m_jet3 = version == Version::Jet3;
    result.m_codePage = codePage;
    if (bytes.empty())
        return result;
    const Reader in(bytes, fileName);
    in.need(0, properties::MarkSize);
    if (std::memcmp(bytes.data(), "MR2", properties::MarkSize) != 0 &&
        std::memcmp(bytes.data(), "KKD", properties::MarkSize) != 0)
        throw damaged(fileName, catalog::DefinitionPage, "an object's properties have an unknown header");
    const bool jet3 = version == Version::Jet3;

    std::vector<std::string> names;
    std::size_t at = properties::MarkSize;
    while (at < bytes.size()) {
        const std::size_t length = in.u32(at + properties::BlockLength);
        const std::uint16_t type = in.u16(at + properties::BlockType);
        if (length < properties::BlockHead)
            throw damaged(fileName, catalog::DefinitionPage, "an object's properties hold an empty block");
        in.need(at, length);
        const std::size_t end = at + length;
        std::size_t p = at + properties::BlockHead;
        if (type == properties::NameListType) {
            while (p < end) {
                names.emplace_back();
                p = in.name(p, jet3, codePage, names.back());
            }
        } else {
            // The block's own name: a 32-bit length (counting itself), then the owner's name.
            std::string owner;
            if (p < end) {
                const std::size_t ownerLength = in.u32(p);
                if (ownerLength < properties::OwnerLengthSize || p + ownerLength > end)
                    throw damaged(fileName, catalog::DefinitionPage,
                                  "an object's property block has a bad name");
                if (ownerLength > properties::OwnerLengthSize + properties::NameLengthSize)
                    in.name(p + properties::OwnerLengthSize, jet3, codePage, owner);
                p += ownerLength;
            }
            while (p < end) {
                const std::size_t valueLength = in.u16(p + properties::ValueLength);
                if (valueLength < properties::ValueHead || p + valueLength > end)
                    throw damaged(fileName, catalog::DefinitionPage,
                                  "an object's property value has a bad length");
                Property property;
                property.owner = owner;
                property.ddl = bytes[p + properties::ValueDdl] != 0;
                property.type = bytes[p + properties::ValueType];
                const std::size_t nameIndex = in.u16(p + properties::ValueName);
                const std::size_t dataSize = in.u16(p + properties::ValueSize);
                if (nameIndex >= names.size() || properties::ValueHead + dataSize > valueLength)
                    throw damaged(fileName, catalog::DefinitionPage,
                                  "an object's property value does not fit");
                property.name = names[nameIndex];
                const std::size_t data = p + properties::ValueHead;
                property.value.assign(bytes.begin() + static_cast<std::ptrdiff_t>(data),
                                      bytes.begin() + static_cast<std::ptrdiff_t>(data + dataSize));
                result.m_properties.push_back(std::move(property));
                p += valueLength;
            }
        }
        at = end;
    }
    return result;
}

const Property* Properties::find(std::string_view owner, std::string_view name) const
{
    for (const auto& property : m_properties) {
        if (sameName(property.owner, owner) && sameName(property.name, name))
            return &property;
    }
    return nullptr;
}

bool Properties::required(std::string_view column) const
{
    const Property* property = find(column, "Required");
    if (property == nullptr || property->value.empty())
        return false;
    for (const std::uint8_t b : property->value) {
        if (b != 0)
            return true;
    }
    return false;
}

std::optional<std::string> Properties::text(std::string_view owner, std::string_view name) const
{
    const Property* property = find(owner, name);
    if (property == nullptr)
        return std::nullopt;
    std::string out;
    if (m_jet3)
        decodeCodePageText(property->value, m_codePage, out);
    else
        appendUtf16(property->value, out);
    return out;
}

bool Properties::flag(std::string_view owner, std::string_view name, bool fallback) const
{
    const Property* property = find(owner, name);
    if (property == nullptr || property->value.empty())
        return fallback;
    for (const std::uint8_t b : property->value) {
        if (b != 0)
            return true;
    }
    return false;
}

} // namespace orrin::jet
