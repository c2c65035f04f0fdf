#include "DebugOutput.h"

namespace ovento {

Q_LOGGING_CATEGORY(lcOvento, "ovento")

void OutputDebugString(const QString& text)
{
    QString line = text;
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    qCDebug(lcOvento).noquote() << line;
}

} // namespace ovento
