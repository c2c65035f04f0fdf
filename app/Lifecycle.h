#pragma once

#include <QLoggingCategory>

namespace ovento {

// Start-up and shutdown steps, one line each; off unless QT_LOGGING_RULES asks for
// "ovento.lifecycle.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcLifecycle)

} // namespace ovento
