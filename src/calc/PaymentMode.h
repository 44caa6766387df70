#pragma once

#include <string_view>

namespace orrin::calc {

// How a policy's premium is paid, as the maturity value knows it. Other stands for every mode name
// outside the six (a payment code outside the table never reaches the maturity value at all).
enum class PaymentMode { Other, Monthly, Quarterly, HalfYearly, Yearly, Single, SSS };

// The mode a mode name stands for: "Monthly", "Quarterly", "HalfYearly", "Yearly", "Single" or
// "SSS", compared exactly (case included); Other for any other text.
PaymentMode paymentModeNamed(std::string_view name);

} // namespace orrin::calc
