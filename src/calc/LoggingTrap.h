#pragma once

#include "calc/DataImport.h"
#include "store/StoreError.h"
#include "value/Trap.h"

namespace orrin::calc {

// The trap of a calculation procedure: a failing statement is written to the error log under the
// procedure's label and the procedure goes on with its next statement. Two failures still leave the
// procedure: the engine abandoning the run's transaction (nothing written after it could be kept, so
// the run must stop) and a failure of the log itself (LogError throws; the caller's step fails).
inline Trap loggingTrap(DataImport& module, const char* label)
{
    return Trap([&module, label](const Error& error) {
        if (error.number() == store::code::Abandoned)
            throw;
        module.LogError(error, label);
    });
}

} // namespace orrin::calc
