#pragma once

#include <string>
#include <string_view>

namespace orrin::migration {

// The error question of the run: the failing statement's description, then "Do you want to
// continue ?". The window asks with a message box, the headless runner from a flag or the terminal,
// tests answer in advance. true is Yes (go on with the next statement), false is No (stop).
class ErrorQuestion {
  public:
    virtual ~ErrorQuestion() = default;
    virtual bool askContinue(const std::string& description) = 0;
};

// What a front end hears while the run goes on. All calls come on the run's (the window's) thread.
class RunObserver {
  public:
    virtual ~RunObserver() = default;
    // A table step begins: "Agmast", "LocMast", "BrnMast", "company", "Family", "Client", "Policies".
    virtual void stepStarted(std::string_view step) { (void)step; }
    // The run's one yield: at the start of every policy's calculations. The window lets its events
    // run here (the progress caption, a close request).
    virtual void pumpEvents() {}
    // The run waits for another program's lock on file (the target, the source or the bonus
    // database); it gives up when the run's patience is spent.
    virtual void lockWait(const std::string& file) { (void)file; }
    // Before the first step: a default value or validation rule of the target's tables that the
    // run cannot apply (outside the expressions it evaluates), named in a sentence. The run goes on
    // without it.
    virtual void warning(const std::string& text) { (void)text; }
};

} // namespace orrin::migration
