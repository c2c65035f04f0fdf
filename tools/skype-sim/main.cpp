#include "SimAnswers.h"
#include "SimApiWindow.h"
#include "SimLog.h"
#include "SimOptions.h"

#include <QCoreApplication>
#include <cstdio>

using namespace ovento::sim;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skype-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    QString error;
    const auto options = ParseSimOptions(QCoreApplication::arguments(), error);
    if (!options) {
        std::fprintf(stderr, "skype-sim: %s\n", qPrintable(error));
        return 2;
    }
    SimLog log;
    if (!log.Open(options->logPath)) {
        std::fprintf(stderr, "skype-sim: cannot write %s\n", qPrintable(options->logPath));
        return 1;
    }
    SimAnswers answers(options->pongLimit);
    SimApiWindow window(answers, log, options->attachStatus);
    if (!window.IsValid()) {
        std::fprintf(stderr, "skype-sim: cannot publish the API window on the session bus\n");
        return 1;
    }
    window.Announce();
    return app.exec();
}
