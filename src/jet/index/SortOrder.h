#pragma once

// Access's text sort orders as they appear in index keys. A text value becomes a key in three parts:
// the "inline" codes of its characters (which decide the order), then, where some character needs
// them, "extra" codes (accents and the like), "unprintable" codes with their positions, and the
// two-bit flags of some characters outside Latin; then the end bytes. Which character gives which
// codes is a table per sort order (jet/sort-orders/, embedded in the library).

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace orrin::jet {

// The sort orders this library writes keys for. Jet 4 files and Access 2007 files use General
// Legacy; Access 2010 and later use General. Both are sort order 1033, told apart by their version.
enum class TextSortOrder {
    GeneralLegacy,
    General,
};

// The sort order a text column declares (its sort order number and version, as the table
// definition holds them); nullopt-like failure is reported by the bool: false for an order this
// library cannot write keys for (anything but 1033 with version 0 or 1). A number of 0, left by
// some writers, means the file version's default.
bool textSortOrderOf(std::uint16_t value, std::uint8_t version, bool aceDefault, TextSortOrder& out);

// The code table of one sort order. Built once, on first use, from the embedded tables; the
// instances are immutable and shared by all threads.
class SortOrder {
  public:
    static const SortOrder& of(TextSortOrder order);

    // Appends the key of a text value (without the column's leading flag byte): at most the first
    // 255 code units count, trailing spaces do not; a descending column has every byte of it
    // inverted. The text is UTF-16 code units, as Access holds it; unpaired surrogates are taken as
    // they come, as Access does.
    void appendTextKey(std::u16string_view text, bool ascending, std::vector<std::uint8_t>& out) const;

    // How one UTF-16 code unit contributes to a key.
    struct Code {
        enum class Kind : std::uint8_t {
            Simple,           // inline bytes only
            International,    // inline bytes and extra bytes
            Unprintable,      // no inline bytes; unprintable bytes with the character's position
            ExtraModifier,    // no inline bytes; adds to the last extra byte
            InternationalExt, // inline bytes, optional extra bytes, and a two-bit flag
            Significant,      // inline bytes only (differs from Simple in the Access 97 order)
            Ignored,          // contributes nothing
            HighSurrogate,    // computed from the code unit
            LowSurrogate,     // computed from the code unit
        };
        Kind kind = Kind::Ignored;
        std::uint8_t inlineLength = 0;
        std::uint8_t extraLength = 0;         // extra bytes, or unprintable bytes for Kind::Unprintable
        std::uint8_t modifierOrFlag = 0;      // ExtraModifier: the modifier; InternationalExt: the flag
        std::array<std::uint8_t, 12> bytes{}; // inline bytes, then extra/unprintable bytes
    };

    const Code& code(char16_t c) const { return m_codes[c]; }

  private:
    explicit SortOrder(TextSortOrder order);
    std::vector<Code> m_codes; // by code unit, 0 to 0xFFFF
};

} // namespace orrin::jet
