#include "RecordFileInput.h"

#include "history/CRecordStore.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace ovento::fuzz {

namespace {

void Require(bool condition, const char* broken)
{
    if (!condition) {
        std::fprintf(stderr, "record file input: %s\n", broken);
        std::abort();
    }
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void EmptyFolder(const QString& folder)
{
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(name);
}

QStringList KeptFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("record.xml.unreadable-*")}, QDir::Files);
}

std::vector<RecordInfo> ReadableRecords(CRecordStore& store)
{
    std::vector<RecordInfo> records;
    const std::int32_t count = store.GetCount();
    for (std::int32_t i = 0; i < count; ++i) {
        RecordInfo info;
        if (store.ReadRecord(i, info))
            records.push_back(info);
    }
    return records;
}

RecordInfo AddedRecord()
{
    RecordInfo info;
    info.nType = 1;
    info.nDuration = 61;
    info.strName = QStringLiteral("fuzz.partner,second");
    info.strTime = QStringLiteral("1258018215");
    info.strFile = QStringLiteral("/calls/fuzz & <partner>.mp3");
    info.strNote = QStringLiteral("one\r\ntwo\rthree\n  ");
    return info;
}

} // namespace

void RunRecordFileInput(const std::uint8_t* data, std::size_t size, const QString& folder)
{
    EmptyFolder(folder);
    const QString path = folder + QStringLiteral("/record.xml");
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile file(path);
        Require(file.open(QIODevice::WriteOnly) && file.write(input) == input.size(),
                "cannot write the input");
    }

    std::int64_t clock = 1258018215;
    CRecordStore store([&clock] { return clock; });
    store.Open(path);
    const QStringList kept = KeptFiles(folder);
    if (kept.isEmpty()) {
        Require(ReadBytes(path) == input, "opening changed the file");
    } else {
        Require(kept.size() == 1, "more than one file kept aside");
        Require(ReadBytes(folder + QLatin1Char('/') + kept[0]) == input,
                "the unreadable file was not kept whole");
        Require(!QFile::exists(path), "the unreadable file is still in place");
    }

    const std::vector<RecordInfo> loaded = ReadableRecords(store);
    const RecordInfo added = AddedRecord();
    const bool addedNew = store.AddRecord(added);
    Require(!store.AddRecord(added), "a duplicate was added");
    if (!loaded.empty()) {
        Require(store.MarkRecordRead(loaded.front().strName, loaded.front().strTime),
                "a loaded record was not found to mark");
        Require(store.DeleteRecord(loaded.back().strName, loaded.back().strTime),
                "a loaded record was not found to delete");
    }
    ++clock;
    RecordInfo later = added;
    later.strTime = QStringLiteral("1258018216");
    Require(store.AddRecord(later), "a new record was refused");

    const std::vector<RecordInfo> inMemory = ReadableRecords(store);
    if (addedNew)
        Require(std::find(inMemory.begin(), inMemory.end(), added) != inMemory.end(),
                "the added record reads back different");
    CRecordStore reopened;
    reopened.Open(path);
    Require(KeptFiles(folder) == kept, "the saved file does not load again");
    Require(ReadableRecords(reopened) == inMemory, "the saved records differ from memory");
}

} // namespace ovento::fuzz
