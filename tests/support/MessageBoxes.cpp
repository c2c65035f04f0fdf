#include "MessageBoxes.h"

#include "platform/MessageBox.h"

#include <cstdio>

namespace ovento::test {

void PassOverMessageBoxes()
{
    SetMessageBoxHandler([](const QString& text, const QString& caption) {
        std::fprintf(stderr, "message box passed over: %s: %s\n", qPrintable(caption),
                     qPrintable(text));
    });
}

} // namespace ovento::test
