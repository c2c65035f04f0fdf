#pragma once

#include "platform/ProcessSingleton.h"

#include <QString>
#include <QtGlobal>
#include <deque>
#include <mutex>

namespace ovento {

// The commands waiting for the sender thread, oldest first. Disabled until Skype accepts the
// attach: while disabled, new commands are dropped and nothing can be taken, but what is
// already queued stays for the next attach. Every operation holds the queue's lock, which is
// never held across a delivery.
class CSkypeCommandQueue : public ProcessSingleton<CSkypeCommandQueue>
{
public:
    // Created on first use; deleted by the Skype client's destruction.

    // The sender's buffer: a command's UTF-8 form with its NUL must fit.
    static constexpr qsizetype kMaxCommandBytes = 1024;

    CSkypeCommandQueue() = default;
    CSkypeCommandQueue(const CSkypeCommandQueue&) = delete;
    CSkypeCommandQueue& operator=(const CSkypeCommandQueue&) = delete;

    // False when the text was dropped: queue disabled, text empty, or too long to send. A text
    // the sender can never deliver is refused here, before it could spend the sender's retries.
    bool Push(const QString& text);
    // Moves the oldest text to out; false when disabled or empty.
    bool PopFront(QString& out);
    void SetEnabled(bool enabled);
    void Clear();

private:
    std::mutex m_lock;
    std::deque<QString> m_commands;
    bool m_bEnabled = false;
};

} // namespace ovento
