#include "CAutoUpdater.h"

namespace ovento {

void CAutoUpdater::StartUpdateThread(CKelvaroDlg*) {}

} // namespace ovento
