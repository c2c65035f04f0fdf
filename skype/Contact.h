#pragma once

#include <QString>

namespace ovento {

// A Skype account the program has heard of: a friend or a call partner.
struct Contact
{
    QString strHandle;
    QString strFullName; // empty until Skype tells it
};

} // namespace ovento
