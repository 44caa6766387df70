#include "calc/RunCaches.h"

namespace orrin::calc {

void RunCaches::keepReferenceRows(bool keep)
{
    m_keep = keep;
    m_planRows.clear();
    m_bonusRows.clear();
    m_bonusRowsTried = nullptr;
    m_sbRows.clear();
}

const NewBonusRows* RunCaches::keptBonusRows(store::Connection* target)
{
    if (!m_keep || target == nullptr || !target->isOpen() || target->transactionLost())
        return nullptr;
    if (!m_bonusRows.holds(target)) {
        if (m_bonusRowsTried == target)
            return nullptr;
        m_bonusRowsTried = target;
        if (!m_bonusRows.load(*target))
            return nullptr;
    }
    return &m_bonusRows;
}

} // namespace orrin::calc
