#include "wizard/CommandLine.h"
#include "wizard/frmImport.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>

namespace {

QStringList rawArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

} // namespace

int main(int argc, char** argv)
{
    using orrin::wizard::parseWizardArguments;
    using orrin::wizard::wizardUsage;

    // Help is answered before the window system is reached, so it works without a display.
    const QStringList raw = rawArguments(argc, argv);
    const QString program =
        raw.isEmpty() ? QStringLiteral("orrin-import-wizard") : QFileInfo(raw.first()).fileName();
    if (parseWizardArguments(raw).help) {
        std::fputs(wizardUsage(program).toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    // Read again once Qt has taken its own options (-platform and the like) out of the list.
    const orrin::wizard::WizardOptions options = parseWizardArguments(QCoreApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "%s\n\n%s", options.error.toLocal8Bit().constData(),
                     wizardUsage(program).toLocal8Bit().constData());
        return 2;
    }

    orrin::wizard::frmImport form;
    if (options.orrinDb) {
        form.setOrrinDbText(*options.orrinDb);
    }
    if (options.agentDb) {
        form.setAgentDbText(*options.agentDb);
    }
    // A session that ends, or an application told to quit, while the import runs: it rolls back at
    // its next statement, the way closing the window and answering Yes does.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     &orrin::wizard::frmImport::stopForSessionEnd);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &form,
                     &orrin::wizard::frmImport::stopForSessionEnd);
    form.show();
    app.exec();
    return form.exitCode();
}
