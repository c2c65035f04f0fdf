#pragma once

namespace ovento {

// The one instance of T in the process: made on first use, deleted by its owner at shutdown,
// after which a further use makes a fresh one.
template <typename T>
class ProcessSingleton
{
public:
    static T* GetInstance()
    {
        if (!s_pInstance)
            s_pInstance = new T;
        return s_pInstance;
    }

    static void DeleteInstance()
    {
        delete s_pInstance;
        s_pInstance = nullptr;
    }

protected:
    ProcessSingleton() = default;

private:
    static inline T* s_pInstance = nullptr;
};

} // namespace ovento
