#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace orrin::wizard {

// What the wizard's command line asks for. The two paths replace the path boxes' design-time texts
// (for a desktop entry or a demo); the window still starts idle.
struct WizardOptions {
    std::optional<QString> orrinDb;
    std::optional<QString> agentDb;
    bool help = false;
    QString error; // not empty when the command line cannot be used
};

// Reads "--orrin-db PATH", "--agent-db PATH" (also "--orrin-db=PATH"), "--help" and "-h".
// arguments[0] is the program. A later repetition of an option wins.
WizardOptions parseWizardArguments(const QStringList& arguments);

QString wizardUsage(const QString& program);

} // namespace orrin::wizard
