#include "Lifecycle.h"

namespace ovento {

Q_LOGGING_CATEGORY(lcLifecycle, "ovento.lifecycle", QtInfoMsg)

} // namespace ovento
