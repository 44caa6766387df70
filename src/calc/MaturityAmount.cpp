// The maturity amount of the policy being added: NewMat2 for the policy's payment mode, stored
// unrounded in MatAmt.

#include "calc/DataImport.h"

#include "value/Conversions.h"
#include "value/DateValue.h"

#include <array>
#include <cstdint>
#include <string>

namespace orrin::calc {

namespace {

struct PaymentMode {
    const char* code; // the policy's Payment, compared exactly
    const char* mode; // the mode name NewMat2 knows
};

constexpr std::array<PaymentMode, 6> kPaymentModes{{
    {"M", "Monthly"},
    {"Q", "Quarterly"},
    {"H", "HalfYearly"},
    {"Y", "Yearly"},
    {"S", "Single"},
    {"P", "SSS"},
}};

} // namespace

// Plan 152 matures on its premium-paying term, every other plan on its term; either is read as a
// number and rounded half to even. Each payment mode is tested on its own (a failing test runs its
// block, as every failing condition does); a policy without a commencement date, or with a payment
// code outside the table (lower case included), keeps its MatAmt. Failures go to the caller's trap.
void DataImport::updateMaturityAmount(store::Recordset& PolicyRow, Trap& trap)
{
    std::int32_t MatTerm = 0;

    if (trap.test([&] { return equals(PolicyRow.field("Plan"), Variant("152")); }))
        trap.step([&] { MatTerm = toLong(Variant(Val(PolicyRow.field("PPT")))); });
    else
        trap.step([&] { MatTerm = toLong(Variant(Val(PolicyRow.field("Term")))); });

    for (const PaymentMode& payment : kPaymentModes) {
        const bool matches = trap.test([&] {
            // Both sides are evaluated, as the classic And does.
            const bool sameCode = equals(PolicyRow.field("Payment"), Variant(payment.code));
            const bool hasDate = !PolicyRow.field("Issue_Dt").isNull();
            return sameCode && hasDate;
        });
        if (!matches)
            continue;
        trap.step([&] {
            const Date ComDt = toDate(PolicyRow.field("Issue_Dt"));
            const std::string Plan = toText(PolicyRow.field("Plan"));
            const double Amount = toDouble(PolicyRow.field("Sum"));
            const double Prem = Val(PolicyRow.field("Premium"));
            const std::string Mode = payment.mode;
            const double amount = NewMat2(ComDt, Plan, MatTerm, Amount, Prem, Mode, gAge);
            PolicyRow.setField("MatAmt", Variant(amount));
        });
    }
}

} // namespace orrin::calc
