#include "wizard/core/WizardOptions.h"
#include "wizard/qt/frmImport.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> utf8Arguments(const QStringList& arguments)
{
    std::vector<std::string> texts;
    for (const QString& argument : arguments) {
        texts.push_back(argument.toStdString());
    }
    return texts;
}

std::vector<std::string> rawArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return utf8Arguments(arguments);
}

} // namespace

int main(int argc, char** argv)
{
    using orrin::wizard::parseWizardArguments;
    using orrin::wizard::wizardUsage;

    // Help is answered before the window system is reached, so it works without a display.
    const std::vector<std::string> raw = rawArguments(argc, argv);
    const std::string program =
        raw.empty() ? std::string("orrin-import-wizard")
                    : QFileInfo(QString::fromStdString(raw.front())).fileName().toLocal8Bit().toStdString();
    if (parseWizardArguments(raw).help) {
        std::fputs(wizardUsage(program).c_str(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    // Read again once Qt has taken its own options (-platform and the like) out of the list.
    const orrin::wizard::WizardOptions options =
        parseWizardArguments(utf8Arguments(QCoreApplication::arguments()));
    if (!options.error.empty()) {
        std::fprintf(stderr, "%s\n\n%s", QString::fromStdString(options.error).toLocal8Bit().constData(),
                     wizardUsage(program).c_str());
        return 2;
    }

    orrin::wizard::frmImport form;
    form.controller().applyOptions(options);
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
