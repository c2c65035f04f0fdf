#include "RegisteredMessages.h"

#include <QHash>
#include <mutex>

namespace ovento {
namespace {

constexpr UINT kFirstRegisteredId = 0xC000;

struct Registry
{
    std::mutex lock;
    QHash<QString, UINT> ids;
    QHash<UINT, QString> names;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

UINT RegisteredMessages::Register(const QString& name)
{
    if (name.isEmpty())
        return 0;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto found = r.ids.constFind(name);
    if (found != r.ids.constEnd())
        return found.value();
    const UINT id = kFirstRegisteredId + UINT(r.ids.size());
    r.ids.insert(name, id);
    r.names.insert(id, name);
    return id;
}

UINT RegisteredMessages::Find(const QString& name)
{
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    return r.ids.value(name, 0);
}

QString RegisteredMessages::NameOf(UINT id)
{
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    return r.names.value(id);
}

} // namespace ovento
