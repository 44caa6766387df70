#pragma once

#include "value/Error.h"

#include <functional>
#include <utility>

namespace orrin {

// "On failure, go on with the next statement." A Trap runs one statement at a time and hands a
// failing statement's Error to its handler; when the handler returns, the caller simply goes on with
// the next statement. A handler that cannot go on (the user answered No, the log cannot be written)
// throws, and that exception leaves the procedure that owns the trap.
//
// step() runs a statement; test() runs the condition of an If or a loop and counts a failure as
// true, so the guarded block runs, the way the classic "resume next" does.
class Trap {
  public:
    using Handler = std::function<void(const Error&)>;

    explicit Trap(Handler handler) : m_handler(std::move(handler)) {}

    template <class Statement> void step(Statement&& statement)
    {
        try {
            std::forward<Statement>(statement)();
        } catch (const Error& error) {
            m_handler(error);
        }
    }

    template <class Condition> bool test(Condition&& condition)
    {
        try {
            return static_cast<bool>(std::forward<Condition>(condition)());
        } catch (const Error& error) {
            m_handler(error);
            return true;
        }
    }

    // Like step(), but reports whether the statement succeeded (for callers that must know, such as
    // a loop that ends when its EOF test fails).
    template <class Statement> bool tryStep(Statement&& statement)
    {
        try {
            std::forward<Statement>(statement)();
            return true;
        } catch (const Error& error) {
            m_handler(error);
            return false;
        }
    }

  private:
    Handler m_handler;
};

} // namespace orrin
