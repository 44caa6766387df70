#include "platform/CodePage.h"

#include <iconv.h>

namespace orrin::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr const char* kReplacementUtf8 = "\xEF\xBF\xBD";

// Closes the converter on every path out.
struct Converter {
    iconv_t cd;
    ~Converter()
    {
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
    bool valid() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

} // namespace

std::optional<std::array<char32_t, 128>> singleByteUpperHalf(std::uint16_t codePage)
{
    const std::string name = "CP" + std::to_string(codePage);
    Converter converter{iconv_open("UTF-32LE", name.c_str())};
    if (!converter.valid())
        return std::nullopt;
    std::array<char32_t, 128> table{};
    for (std::size_t b = 0x80; b < 256; ++b) {
        char in = static_cast<char>(b);
        std::uint8_t out[8] = {};
        char* inPtr = &in;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        iconv(converter.cd, nullptr, nullptr, nullptr, nullptr);
        const bool converted =
            iconv(converter.cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
            outLeft == 4;
        table[b - 0x80] =
            converted ? static_cast<char32_t>(out[0] | (out[1] << 8) | (out[2] << 16) | (out[3] << 24))
                      : kReplacement;
    }
    return table;
}

std::optional<std::string> doubleByteToUtf8(std::span<const std::uint8_t> bytes, std::uint16_t codePage)
{
    const std::string name = "CP" + std::to_string(codePage);
    Converter converter{iconv_open("UTF-8", name.c_str())};
    if (!converter.valid())
        return std::nullopt;
    std::string input(bytes.begin(), bytes.end());
    std::string buffer(bytes.size() * 4 + 4, '\0');
    char* inPtr = input.data();
    std::size_t inLeft = input.size();
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    while (inLeft > 0) {
        if (iconv(converter.cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            // Skip the byte that does not convert and mark it.
            ++inPtr;
            --inLeft;
            if (outLeft >= 3) {
                for (int i = 0; i < 3; ++i)
                    *outPtr++ = kReplacementUtf8[i];
                outLeft -= 3;
            }
        }
    }
    buffer.resize(static_cast<std::size_t>(outPtr - buffer.data()));
    return buffer;
}

} // namespace orrin::platform
