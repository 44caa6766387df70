#include "wizard/CommandLine.h"

namespace orrin::wizard {

WizardOptions parseWizardArguments(const QStringList& arguments)
{
    WizardOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
            continue;
        }
        std::optional<QString>* target = nullptr;
        QString name = argument;
        std::optional<QString> inlineValue;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (argument.startsWith(QLatin1String("--")) && equals > 0) {
            name = argument.left(equals);
            inlineValue = argument.mid(equals + 1);
        }
        if (name == QLatin1String("--orrin-db")) {
            target = &options.orrinDb;
        } else if (name == QLatin1String("--agent-db")) {
            target = &options.agentDb;
        } else {
            if (options.error.isEmpty()) {
                options.error = QStringLiteral("unknown argument: ") + argument;
            }
            continue;
        }
        if (inlineValue) {
            *target = *inlineValue;
        } else if (i + 1 < arguments.size()) {
            *target = arguments[++i];
        } else if (options.error.isEmpty()) {
            options.error = name + QStringLiteral(" needs a path");
        }
    }
    return options;
}

QString wizardUsage(const QString& program)
{
    return QStringLiteral("Usage: %1 [--orrin-db PATH] [--agent-db PATH]\n"
                          "\n"
                          "Moves an agent's data from the Orrin database (zrv.accdb) into the Calvane\n"
                          "database (LIC.mdb), whose tables are cleared and refilled.\n"
                          "\n"
                          "  --orrin-db PATH   the Orrin database shown in step 1 (zrv.accdb is opened\n"
                          "                    in its folder)\n"
                          "  --agent-db PATH   the Calvane database shown in step 2 (LIC.mdb is opened\n"
                          "                    in its folder)\n"
                          "  -h, --help        show this text\n")
        .arg(program);
}

} // namespace orrin::wizard
