#pragma once

#include <QStringList>
#include <QtGlobal>
#include <cstring>
#include <mutex>

namespace ovento::test {

// Catches the program's diagnostic lines (OutputDebugString) for the life of the object, so a
// test can check what was said; other Qt messages pass on to the previous handler.
class DebugLines
{
public:
    DebugLines() { s_previous = qInstallMessageHandler(&DebugLines::Catch); }
    ~DebugLines()
    {
        qInstallMessageHandler(s_previous);
        const std::lock_guard guard(s_lock);
        s_lines.clear();
    }
    DebugLines(const DebugLines&) = delete;
    DebugLines& operator=(const DebugLines&) = delete;

    QStringList Lines() const
    {
        const std::lock_guard guard(s_lock);
        return s_lines;
    }
    void Clear()
    {
        const std::lock_guard guard(s_lock);
        s_lines.clear();
    }

private:
    static void Catch(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (context.category && std::strcmp(context.category, "ovento") == 0) {
            const std::lock_guard guard(s_lock);
            s_lines.append(text);
        } else if (s_previous) {
            s_previous(type, context, text);
        }
    }

    static inline std::mutex s_lock;
    static inline QStringList s_lines;
    static inline QtMessageHandler s_previous = nullptr;
};

} // namespace ovento::test
