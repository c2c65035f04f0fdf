#pragma once

#include "platform/Window.h"

#include <mutex>
#include <vector>

namespace ovento::test {

struct RecordedMessage
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const RecordedMessage&) const = default;
};

// A window that keeps every message it receives, for tests of what a part posts.
class MessageRecorder : public Window
{
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    std::vector<RecordedMessage> All() const;
    std::vector<RecordedMessage> Only(UINT message) const;
    size_t Count(UINT message) const { return Only(message).size(); }
    void Clear();

private:
    mutable std::mutex m_lock;
    std::vector<RecordedMessage> m_messages;
};

} // namespace ovento::test
