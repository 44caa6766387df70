#include "calc/PolicyPlan.h"

#include "value/Conversions.h"

#include <string_view>

namespace orrin::calc {

const PlanEntry* PolicyPlan::asWritten()
{
    return m_asWritten.get([&] { return PlanBook::standard().matching(m_value); });
}

const std::string& PolicyPlan::text()
{
    return m_text.get([&] { return toText(m_value); });
}

const PlanEntry* PolicyPlan::byValue()
{
    return m_byValue.get([&] { return PlanBook::standard().byNumber(Val(std::string_view(text()))); });
}

} // namespace orrin::calc
