#pragma once

namespace ovento {

class CKelvaroDlg;

// The once-per-run check for a newer version. It has no site to ask yet, so starting it does
// nothing; the main window owns it from construction to destruction all the same.
class CAutoUpdater
{
public:
    void StartUpdateThread(CKelvaroDlg* dialog);
};

} // namespace ovento
