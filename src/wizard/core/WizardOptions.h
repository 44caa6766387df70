#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orrin::wizard {

// What the wizard's command line asks for. The two paths replace the path boxes' design-time texts
// (for a desktop entry or a demo); the window still starts idle.
struct WizardOptions {
    std::optional<std::string> orrinDb;
    std::optional<std::string> agentDb;
    bool help = false;
    std::string error; // not empty when the command line cannot be used
};

// Reads "--orrin-db PATH", "--agent-db PATH" (also "--orrin-db=PATH"), "--help" and "-h", in UTF-8.
// arguments[0] is the program. A later repetition of an option wins.
WizardOptions parseWizardArguments(const std::vector<std::string>& arguments);

std::string wizardUsage(const std::string& program);

} // namespace orrin::wizard
