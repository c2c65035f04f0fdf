#pragma once

#include "history/CXml.h"
#include "history/RecordInfo.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <mutex>

namespace ovento {

// The list of finished recordings in record.xml, and the only code that reads or writes it.
// Records are identified by (name, time), compared without regard to case. Every change
// rewrites the whole file from the in-memory document, in one atomic step.
//
// File shape: declaration, root "tabra", one "list", one element per record (oldest first)
// named "rec" + the UTC time it was added as yyyyMMddHHmmss; a second record added within the
// same second gets "_1", a third "_2", and so on. Each record holds "name", "time", "file",
// "type", "duration", "new" ("true"/"false") and "note" (CR LF stored as "alinedd").
class CRecordStore
{
public:
    // Seconds since 1970-01-01 UTC; the element names of new records come from it.
    using Clock = std::function<std::int64_t()>;

    explicit CRecordStore(Clock clock = CurrentUtcSeconds);
    ~CRecordStore();
    CRecordStore(const CRecordStore&) = delete;
    CRecordStore& operator=(const CRecordStore&) = delete;

    // The process-wide store, created on first use.
    static CRecordStore* GetInstance();
    // Deletes the process-wide store (at shutdown); a later GetInstance makes a new one.
    static void DestroyInstance();

    // Binds the store to its file and loads it. With an empty path no document is made, and
    // every other operation fails.
    void Open(const QString& strPath);
    // Number of entries in the list; -1 when the document cannot be read.
    std::int32_t GetCount();
    // Fills info from the record at that index; false (fields read so far kept) on failure.
    bool ReadRecord(std::int32_t nIndex, RecordInfo& info);
    // The first record with that name and time, in file order.
    bool SearchNode(const QString& strName, const QString& strTime, CXmlNode& node);
    // Appends the record and saves; false when a record with its name and time exists.
    bool AddRecord(const RecordInfo& info);
    // Removes the record and saves; false when there is none (the file is not touched).
    bool DeleteRecord(const QString& strName, const QString& strTime);
    // Marks the record as played ("new" = false) and saves; false when there is none.
    bool MarkRecordRead(const QString& strName, const QString& strTime);

    static std::int64_t CurrentUtcSeconds();

private:
    CXmlNode GetList();
    QString NewRecordElementName(const CXmlNode& list) const;
    static void WriteRecord(CXmlNode& record, const RecordInfo& info);

    std::mutex m_lock;
    CXml m_xml;
    QString m_strPath;
    Clock m_clock;
    // The "list" element once found; it stays for the life of the document.
    CXmlNode m_list;

    static CRecordStore* s_pInstance;
};

} // namespace ovento
