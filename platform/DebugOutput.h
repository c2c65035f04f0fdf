#pragma once

#include <QLoggingCategory>
#include <QString>

namespace ovento {

Q_DECLARE_LOGGING_CATEGORY(lcOvento)

// One diagnostic line on standard error; trailing line breaks of the text are dropped.
void OutputDebugString(const QString& text);

} // namespace ovento
