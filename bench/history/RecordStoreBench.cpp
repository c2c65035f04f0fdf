#include "history/CRecordStore.h"
#include "tests/history/RecordFileMaker.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <limits>
#include <malloc.h>
#include <memory>
#include <pugixml.hpp>
#include <vector>

using namespace ovento;

namespace {

// A record.xml of the benchmark's size in a temporary folder, for the life of the benchmark.
class RecordFile
{
public:
    explicit RecordFile(int count) : m_path(m_folder.path() + "/record.xml")
    {
        QFile file(m_path);
        if (file.open(QIODevice::WriteOnly))
            file.write(test::MakeRecordFile(count));
    }
    const QString& Path() const { return m_path; }

private:
    QTemporaryDir m_folder;
    QString m_path;
};

void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// What start-up does: open the store and read every record into the history. The store and
// the records live on after start-up, so their teardown is not timed.
void BM_OpenAndReadAll(benchmark::State& state)
{
    const RecordFile file(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto store = std::make_unique<CRecordStore>();
        store->Open(file.Path());
        const std::int32_t count = store->GetCount();
        std::vector<RecordInfo> records;
        records.reserve(static_cast<std::size_t>(std::max(count, 0)));
        for (std::int32_t i = 0; i < count; ++i) {
            RecordInfo info;
            if (!store->ReadRecord(i, info))
                state.SkipWithError("a record did not read");
            records.push_back(std::move(info));
        }
        state.PauseTiming();
        records.clear();
        store.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The floor for the read: pugixml parsing the same file and nothing else.
void BM_BareParse(benchmark::State& state)
{
    const RecordFile file(static_cast<int>(state.range(0)));
    const QByteArray path = QFile::encodeName(file.Path());
    for (auto _ : state) {
        auto document = std::make_unique<pugi::xml_document>();
        if (!document->load_file(path.constData()))
            state.SkipWithError("the file did not parse");
        state.PauseTiming();
        document.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// One finished recording: duplicate search, new element, whole file saved and flushed.
void BM_AddRecord(benchmark::State& state)
{
    const RecordFile file(static_cast<int>(state.range(0)));
    CRecordStore store;
    store.Open(file.Path());
    RecordInfo info;
    info.strName = QStringLiteral("new.partner");
    info.strFile = QStringLiteral("/home/user/Documents/Ovento/new.partner.mp3");
    std::int64_t time = 1900000000;
    for (auto _ : state) {
        info.strTime = QString::number(time++);
        if (!store.AddRecord(info))
            state.SkipWithError("the record was not added");
    }
}

// Fixed iteration counts keep the file within a few percent of its nominal size.
BENCHMARK(BM_OpenAndReadAll)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareParse)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddRecord)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(Quiet);
    // Freed memory stays with the process, so every benchmark reuses warm pages instead of
    // timing the kernel handing out fresh ones (which varies a lot between runs).
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
