#include "skype/CContactList.h"

#include <QStringList>
#include <benchmark/benchmark.h>

using namespace ovento;

namespace {

QStringList Handles(int count)
{
    QStringList handles;
    handles.reserve(count);
    for (int i = 0; i < count; ++i)
        handles.append(QStringLiteral("friend.%1").arg(i));
    return handles;
}

// A users answer with N friends: each handle is added once, to a list that starts empty.
void BM_AddContacts(benchmark::State& state)
{
    const QStringList handles = Handles(int(state.range(0)));
    for (auto _ : state) {
        CContactList contacts;
        for (const QString& handle : handles)
            contacts.AddContact(handle);
        benchmark::DoNotOptimize(contacts.GetFullName(handles.back()));
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The same answer again after a re-attach: every handle is already known.
void BM_AddKnownContacts(benchmark::State& state)
{
    const QStringList handles = Handles(int(state.range(0)));
    CContactList contacts;
    for (const QString& handle : handles)
        contacts.AddContact(handle);
    for (auto _ : state) {
        for (const QString& handle : handles)
            contacts.AddContact(handle);
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// 1k to 100k friends; the fitted line shows whether the cost per handle stays flat.
void ForListSizes(benchmark::internal::Benchmark* sizes)
{
    sizes->Arg(1000)->Arg(10000)->Arg(100000);
    sizes->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

} // namespace

BENCHMARK(BM_AddContacts)->Apply(ForListSizes);
BENCHMARK(BM_AddKnownContacts)->Apply(ForListSizes);

BENCHMARK_MAIN();
