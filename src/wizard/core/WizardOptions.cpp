#include "wizard/core/WizardOptions.h"

namespace orrin::wizard {

WizardOptions parseWizardArguments(const std::vector<std::string>& arguments)
{
    WizardOptions options;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        std::optional<std::string>* target = nullptr;
        std::string name = argument;
        std::optional<std::string> inlineValue;
        const std::size_t equals = argument.find('=');
        if (argument.starts_with("--") && equals != std::string::npos && equals > 0) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        if (name == "--orrin-db") {
            target = &options.orrinDb;
        } else if (name == "--agent-db") {
            target = &options.agentDb;
        } else {
            if (options.error.empty()) {
                options.error = "unknown argument: " + argument;
            }
            continue;
        }
        if (inlineValue) {
            *target = *inlineValue;
        } else if (i + 1 < arguments.size()) {
            *target = arguments[++i];
        } else if (options.error.empty()) {
            options.error = name + " needs a path";
        }
    }
    return options;
}

std::string wizardUsage(const std::string& program)
{
    return "Usage: " + program +
           " [--orrin-db PATH] [--agent-db PATH]\n"
           "\n"
           "Moves an agent's data from the Orrin database (zrv.accdb) into the Calvane\n"
           "database (LIC.mdb), whose tables are cleared and refilled.\n"
           "\n"
           "  --orrin-db PATH   the Orrin database shown in step 1 (zrv.accdb is opened\n"
           "                    in its folder)\n"
           "  --agent-db PATH   the Calvane database shown in step 2 (LIC.mdb is opened\n"
           "                    in its folder)\n"
           "  -h, --help        show this text\n";
}

} // namespace orrin::wizard
