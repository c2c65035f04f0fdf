#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <cstdio>
#include <mutex>

namespace ovento {
namespace {

std::mutex g_handlerLock;
MessageBoxHandler g_handler;
bool g_ending = false; // GUI thread only

QMessageBox::Icon ToQtIcon(MessageBoxIcon icon)
{
    switch (icon) {
    case MessageBoxIcon::Information:
        return QMessageBox::Information;
    case MessageBoxIcon::Error:
        return QMessageBox::Critical;
    case MessageBoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

void ShowOnGuiThread(QWidget* owner, const QString& text, const QString& caption,
                     MessageBoxIcon icon)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        return;
    }
    if (g_ending)
        return;
    QMessageBox box(ToQtIcon(icon), caption, text, QMessageBox::Ok, owner);
    box.exec();
}

} // namespace

void EndMessageBoxes()
{
    g_ending = true;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            box->done(QMessageBox::Ok);
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard guard(g_handlerLock);
    g_handler = std::move(handler);
}

void MessageBox(QWidget* owner, const QString& text, const QString& caption, MessageBoxIcon icon)
{
    {
        std::lock_guard guard(g_handlerLock);
        if (g_handler) {
            g_handler(text, caption);
            return;
        }
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        // Widgets live on the GUI thread only; a worker never waits for the box, so it cannot
        // block a GUI thread that is waiting for it.
        QMetaObject::invokeMethod(
            app, [owner, text, caption, icon] { ShowOnGuiThread(owner, text, caption, icon); },
            Qt::QueuedConnection);
        return;
    }
    ShowOnGuiThread(owner, text, caption, icon);
}

} // namespace ovento
