#include "jet/table/Properties.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/base/Text.h"
#include "jet/table/Format.h"

#include <cstring>

namespace orrin::jet {

namespace {

constexpr std::uint16_t kNameList = 0x80; // block type of the property names

class Reader {
  public:
    Reader(std::span<const std::uint8_t> bytes, const std::string& file) : m_bytes(bytes), m_file(file) {}

    void need(std::size_t at, std::size_t size) const
    {
        if (at > m_bytes.size() || size > m_bytes.size() - at)
            throw damaged(m_file, kCatalogPage, "an object's properties are cut short");
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
        need(at + 2, length);
        const auto text = m_bytes.subspan(at + 2, length);
        if (jet3) {
            decodeCodePageText(text, codePage, out);
        } else {
            out.clear();
            appendUtf16(text, out);
        }
        return at + 2 + length;
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
    in.need(0, 4);
    if (std::memcmp(bytes.data(), "MR2", 4) != 0 && std::memcmp(bytes.data(), "KKD", 4) != 0)
        throw damaged(fileName, kCatalogPage, "an object's properties have an unknown header");
    const bool jet3 = version == Version::Jet3;

    std::vector<std::string> names;
    std::size_t at = 4;
    while (at < bytes.size()) {
        const std::size_t length = in.u32(at);
        const std::uint16_t type = in.u16(at + 4);
        if (length < 6)
            throw damaged(fileName, kCatalogPage, "an object's properties hold an empty block");
        in.need(at, length);
        const std::size_t end = at + length;
        std::size_t p = at + 6;
        if (type == kNameList) {
            while (p < end) {
                names.emplace_back();
                p = in.name(p, jet3, codePage, names.back());
            }
        } else {
            // The block's own name: a 32-bit length (counting itself), then the owner's name.
            std::string owner;
            if (p < end) {
                const std::size_t ownerLength = in.u32(p);
                if (ownerLength < 4 || p + ownerLength > end)
                    throw damaged(fileName, kCatalogPage, "an object's property block has a bad name");
                if (ownerLength > 6)
                    in.name(p + 4, jet3, codePage, owner);
                p += ownerLength;
            }
            while (p < end) {
                const std::size_t valueLength = in.u16(p);
                if (valueLength < 8 || p + valueLength > end)
                    throw damaged(fileName, kCatalogPage, "an object's property value has a bad length");
                Property property;
                property.owner = owner;
                property.ddl = bytes[p + 2] != 0;
                property.type = bytes[p + 3];
                const std::size_t nameIndex = in.u16(p + 4);
                const std::size_t dataSize = in.u16(p + 6);
                if (nameIndex >= names.size() || 8 + dataSize > valueLength)
                    throw damaged(fileName, kCatalogPage, "an object's property value does not fit");
                property.name = names[nameIndex];
                property.value.assign(bytes.begin() + static_cast<std::ptrdiff_t>(p + 8),
                                      bytes.begin() + static_cast<std::ptrdiff_t>(p + 8 + dataSize));
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
