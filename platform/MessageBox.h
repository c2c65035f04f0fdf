#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace ovento {

// A plain OK message box. Without a widget application (the tools, some tests) the text goes
// to standard error instead.
void MessageBox(QWidget* owner, const QString& text, const QString& caption);

// Lets a test see every message box instead of showing it; an empty function restores the
// real boxes.
using MessageBoxHandler = std::function<void(const QString& text, const QString& caption)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

} // namespace ovento
