#pragma once

// The properties Access keeps for an object and its columns (the catalog's LvProp value): a
// header ("MR2\0", Jet 3 "KKD\0"), a block listing property names, then value blocks, one for the
// object itself and one per column, each value naming its property by its place in the name list.

#include "jet/pager/PageFile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::jet {

struct Property {
    std::string owner;     // the column it belongs to; "" for the object itself
    std::string name;      // "Required", "DefaultValue", "Format" ...
    std::uint8_t type = 0; // a column type (coltype::...)
    bool ddl = false;
    std::vector<std::uint8_t> value; // as stored
};

class Properties {
  public:
    // Reads the properties of one object; empty bytes give none. Fails with Failure::Damaged
    // naming the catalog page when a block or value does not fit the bytes.
    static Properties read(std::span<const std::uint8_t> bytes, Version version, std::uint16_t codePage,
                           const std::string& fileName);

    const std::vector<Property>& all() const { return m_properties; }
    // The property of a column ("" for the object), or nullptr.
    const Property* find(std::string_view owner, std::string_view name) const;
    // True when the column's Required property is set.
    bool required(std::string_view column) const;
    // The text of a text or memo property (DefaultValue, ValidationRule ...) of a column ("" for the
    // object), or nothing when it is not set.
    std::optional<std::string> text(std::string_view owner, std::string_view name) const;
    // A Yes/No property of a column ("" for the object), or fallback when it is not set.
    bool flag(std::string_view owner, std::string_view name, bool fallback) const;

  private:
    std::vector<Property> m_properties;
    bool m_jet3 = false;
    std::uint16_t m_codePage = 0;
};

} // namespace orrin::jet
