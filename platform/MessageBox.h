#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace ovento {

enum class MessageBoxIcon
{
    None,
    Information,
    Error
};

// An OK message box. Without a widget application (the tools, some tests) the text goes to
// standard error instead.
void MessageBox(QWidget* owner, const QString& text, const QString& caption,
                MessageBoxIcon icon = MessageBoxIcon::None);

// The program is ending: the open message boxes close as if OK was clicked and later ones return
// at once, as a quit ends every modal loop. Without this a box nobody answers (a start-up
// message on a desktop nobody watches) would keep a logout or a kill from ending the program.
// GUI thread only.
void EndMessageBoxes();

// Lets a test see every message box instead of showing it; an empty function restores the
// real boxes.
using MessageBoxHandler = std::function<void(const QString& text, const QString& caption)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

} // namespace ovento
