#include "SkypeTextInput.h"

#include <QCoreApplication>
#include <QtGlobal>

namespace {

void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Diagnostics would drown the fuzzer's output; the oracle aborts on what matters.
    qInstallMessageHandler(Quiet);
    // The client's timers and posted messages need an application on this thread.
    new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ovento::fuzz::RunSkypeTextInput(data, size);
    return 0;
}
