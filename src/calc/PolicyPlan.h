#pragma once

#include "calc/PlanBook.h"
#include "calc/PlanRow.h"
#include "value/Error.h"
#include "value/Variant.h"

#include <optional>
#include <string>
#include <utility>

namespace orrin::calc {

// The plan of the policy being completed, worked out once for the whole calculation and handed to
// the maturity date, the maturity amount and the survival-benefit schedule: the Plan field as it was
// read, its entry in the plan book as written (the program's Plan = "152"), its text with the entry
// of its leading number (NewMat2's plan value), and its live plans row. A reading that failed throws
// the same Error again at every later use, as working it out afresh there would, so each use still
// fails, and is logged, where it always did.
class PolicyPlan {
  public:
    explicit PolicyPlan(Variant plan) : m_value(std::move(plan)) {}

    const Variant& value() const { return m_value; }
    // PlanBook::matching of the plan: nullptr for a plan the book does not know as written.
    const PlanEntry* asWritten();
    // The plan converted to text (a Null plan fails).
    const std::string& text();
    // The book's entry for the leading number of text(), or nullptr; fails as text() does.
    const PlanEntry* byValue();
    // The plans row: opened for the dates, closed and released, then reopened for the schedule.
    PlanRow& row() { return m_row; }

  private:
    // One reading: its value once worked out, or the Error it failed with.
    template <class T> class Reading {
      public:
        template <class Work> const T& get(Work&& work)
        {
            if (!m_done) {
                try {
                    m_value = work();
                } catch (const Error& failure) {
                    m_failure = failure;
                }
                m_done = true;
            }
            if (m_failure)
                throw *m_failure;
            return m_value;
        }

      private:
        bool m_done = false;
        T m_value{};
        std::optional<Error> m_failure;
    };

    Variant m_value;
    Reading<const PlanEntry*> m_asWritten;
    Reading<std::string> m_text;
    Reading<const PlanEntry*> m_byValue;
    PlanRow m_row;
};

} // namespace orrin::calc
