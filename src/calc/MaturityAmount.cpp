// The maturity amount of the policy being added: NewMat2 for the policy's payment mode, stored
// unrounded in MatAmt.

#include "calc/DataImport.h"
#include "calc/PlanBook.h"
#include "calc/PolicyFields.h"

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

// A plan that matures on its premium-paying term (PlanBook) takes PPT, every other plan its term;
// either is read as a number and rounded half to even. Each payment mode is tested on its own (a failing test
// runs its block, as every failing condition does); a policy without a commencement date, or with a payment
// code outside the table (lower case included), keeps its MatAmt. Failures go to the caller's trap.
void DataImport::updateMaturityAmount(PolicyFields& policy, Trap& trap)
{
    std::int32_t MatTerm = 0;

    if (trap.test([&] {
            const PlanEntry* plan = PlanBook::standard().matching(policy.plan());
            return plan != nullptr && plan->maturesOnPremiumTerm;
        }))
        trap.step([&] { MatTerm = toLong(Variant(Val(policy.ppt()))); });
    else
        trap.step([&] { MatTerm = toLong(Variant(Val(policy.term()))); });

    for (const PaymentMode& payment : kPaymentModes) {
        const bool matches = trap.test([&] {
            // Both sides are evaluated, as the classic And does.
            const bool sameCode = equals(policy.payment(), Variant(payment.code));
            const bool hasDate = !policy.issueDate().isNull();
            return sameCode && hasDate;
        });
        if (!matches)
            continue;
        trap.step([&] {
            const Date ComDt = toDate(policy.issueDate());
            const std::string Plan = toText(policy.plan());
            const double Amount = toDouble(policy.sum());
            const double Prem = Val(policy.premium());
            const std::string Mode = payment.mode;
            const double amount = NewMat2(ComDt, Plan, MatTerm, Amount, Prem, Mode, gAge);
            policy.setMaturityAmount(Variant(amount));
        });
    }
}

} // namespace orrin::calc
