// The maturity amount of the policy being added: NewMat2 for the policy's payment mode, stored
// unrounded in MatAmt.

#include "calc/DataImport.h"
#include "calc/PaymentMode.h"
#include "calc/PlanBook.h"
#include "calc/PolicyFields.h"
#include "calc/PolicyPlan.h"

#include "value/Conversions.h"
#include "value/DateValue.h"

#include <array>
#include <cstdint>
#include <string>

namespace orrin::calc {

namespace {

struct PaymentCode {
    const char* code; // the policy's Payment, compared exactly
    PaymentMode mode;
};

constexpr std::array<PaymentCode, 6> kPaymentCodes{{
    {"M", PaymentMode::Monthly},
    {"Q", PaymentMode::Quarterly},
    {"H", PaymentMode::HalfYearly},
    {"Y", PaymentMode::Yearly},
    {"S", PaymentMode::Single},
    {"P", PaymentMode::SSS},
}};

} // namespace

// A plan that matures on its premium-paying term (PlanBook) takes PPT, every other plan its term;
// either is read as a number and rounded half to even. Each payment mode is tested on its own (a failing test
// runs its block, as every failing condition does); a policy without a commencement date, or with a payment
// code outside the table (lower case included), keeps its MatAmt. Failures go to the caller's trap.
void DataImport::updateMaturityAmount(PolicyFields& policy, PolicyPlan& plan, Trap& trap)
{
    std::int32_t MatTerm = 0;

    if (trap.test([&] {
            const PlanEntry* entry = plan.asWritten();
            return entry != nullptr && entry->maturesOnPremiumTerm;
        }))
        trap.step([&] { MatTerm = toLong(Variant(Val(policy.ppt()))); });
    else
        trap.step([&] { MatTerm = toLong(Variant(Val(policy.term()))); });

    for (const PaymentCode& payment : kPaymentCodes) {
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
            const std::string& Plan = plan.text();
            const double Amount = toDouble(policy.sum());
            const double Prem = Val(policy.premium());
            const double amount =
                maturityValue(ComDt, Plan, plan.byValue(), MatTerm, Amount, Prem, payment.mode, gAge);
            policy.setMaturityAmount(Variant(amount));
        });
    }
}

} // namespace orrin::calc
