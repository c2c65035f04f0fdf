#include "RecordFileInput.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtGlobal>

namespace {

QTemporaryDir* s_folder = nullptr;

void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Diagnostics would drown the fuzzer's output; the oracle aborts on what matters.
    qInstallMessageHandler(Quiet);
    // Every input is saved with flushes to disk; memory-backed storage keeps that cheap.
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    s_folder = new QTemporaryDir(base + QStringLiteral("/ovento-history-fuzz-XXXXXX"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ovento::fuzz::RunRecordFileInput(data, size, s_folder->path());
    return 0;
}
