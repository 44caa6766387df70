#include "calc/PaymentMode.h"

#include <array>
#include <utility>

namespace orrin::calc {

PaymentMode paymentModeNamed(std::string_view name)
{
    static constexpr std::array<std::pair<std::string_view, PaymentMode>, 6> kNames{{
        {"Monthly", PaymentMode::Monthly},
        {"Quarterly", PaymentMode::Quarterly},
        {"HalfYearly", PaymentMode::HalfYearly},
        {"Yearly", PaymentMode::Yearly},
        {"Single", PaymentMode::Single},
        {"SSS", PaymentMode::SSS},
    }};
    for (const auto& [text, mode] : kNames) {
        if (name == text)
            return mode;
    }
    return PaymentMode::Other;
}

} // namespace orrin::calc
