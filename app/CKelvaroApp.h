#pragma once

#include "platform/InstanceLock.h"

#include <QApplication>
#include <memory>

namespace ovento {

class CKelvaroDlg;

// The process: one per user, running the main window until the user ends it.
class CKelvaroApp
{
public:
    CKelvaroApp(int& argc, char** argv);
    ~CKelvaroApp();

    // Runs the program; the process exit status.
    int Run();

private:
    bool InitInstance();
    void ExitInstance();
    void CatchTerminationSignals();
    void EndOnTerminationSignals(CKelvaroDlg* dialog);

    QApplication m_app;
    std::unique_ptr<InstanceLock> m_hMutex;
};

} // namespace ovento
