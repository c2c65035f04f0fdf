#include "CRecordStore.h"

#include "history/CXmlException.h"
#include "platform/DebugOutput.h"

#include <QDateTime>
#include <array>

namespace ovento {

namespace {

constexpr char kList[] = "list";
constexpr char kName[] = "name";
constexpr char kTime[] = "time";
constexpr char kFile[] = "file";
constexpr char kType[] = "type";
constexpr char kDuration[] = "duration";
constexpr char kNew[] = "new";
constexpr char kNote[] = "note";
// Stands for a CR LF pair inside a stored note.
const QString kLineBreak = QStringLiteral("\r\n");
const QString kLineBreakWord = QStringLiteral("alinedd");

std::mutex s_instanceLock;

} // namespace

CRecordStore* CRecordStore::s_pInstance = nullptr;

CRecordStore::CRecordStore(Clock clock) : m_clock(std::move(clock)) {}

CRecordStore::~CRecordStore()
{
    const std::lock_guard guard(s_instanceLock);
    if (s_pInstance == this)
        s_pInstance = nullptr;
}

CRecordStore* CRecordStore::GetInstance()
{
    const std::lock_guard guard(s_instanceLock);
    if (!s_pInstance)
        s_pInstance = new CRecordStore();
    return s_pInstance;
}

void CRecordStore::DestroyInstance()
{
    CRecordStore* instance = nullptr;
    {
        const std::lock_guard guard(s_instanceLock);
        instance = s_pInstance;
    }
    delete instance;
}

std::int64_t CRecordStore::CurrentUtcSeconds()
{
    return QDateTime::currentSecsSinceEpoch();
}

void CRecordStore::Open(const QString& strPath)
{
    m_strPath = strPath;
    m_list = CXmlNode();
    if (!m_strPath.isEmpty() && !m_xml.Open(m_strPath))
        OutputDebugString(QStringLiteral("rec xml file open failed\n"));
}

CXmlNode CRecordStore::GetList()
{
    // Nothing removes the root or its list, so the element found once stays the one to use.
    if (m_list.IsNull())
        m_list = m_xml.GetRoot().GetChild(kList);
    return m_list;
}

std::int32_t CRecordStore::GetCount()
{
    try {
        return GetList().GetChildNodes().GetLength();
    } catch (const CXmlException&) {
        return -1;
    }
}

bool CRecordStore::ReadRecord(std::int32_t nIndex, RecordInfo& info)
{
    const std::lock_guard guard(m_lock);
    try {
        const CXmlNode record = GetList().GetChildNodes().GetItem(nIndex);
        static constexpr const char* kFields[] = {kName, kTime,     kFile, kType,
                                                  kNew,  kDuration, kNote};
        std::array<CXmlNode, std::size(kFields)> fields;
        record.GetChildren(kFields, fields);
        info.strName = fields[0].GetText();
        info.strTime = fields[1].GetText();
        info.strFile = fields[2].GetText();
        info.nType = fields[3].GetLong(0);
        info.bNew = fields[4].GetBool(false);
        info.nDuration = fields[5].GetLong(0);
        info.strNote = fields[6].GetText();
        info.strNote.replace(kLineBreakWord, kLineBreak);
        return true;
    } catch (const CXmlException&) {
        OutputDebugString(QStringLiteral("read record xml exception\n"));
        return false;
    }
}

bool CRecordStore::SearchNode(const QString& strName, const QString& strTime, CXmlNode& node)
{
    const std::lock_guard guard(m_lock);
    try {
        const CXmlNodeList records = GetList().GetChildNodes();
        const std::int32_t count = records.GetLength();
        for (std::int32_t i = 0; i < count; ++i) {
            CXmlNode record = records.GetItem(i);
            // Stray text between records is no record; its place still counts.
            if (!record.IsElement())
                continue;
            const bool nameMatches =
                record.GetChild(kName).TextEquals(strName, Qt::CaseInsensitive);
            const bool timeMatches =
                record.GetChild(kTime).TextEquals(strTime, Qt::CaseInsensitive);
            if (nameMatches && timeMatches) {
                node = record;
                return true;
            }
        }
        return false;
    } catch (const CXmlException&) {
        OutputDebugString(QStringLiteral("SearchNode REC Exception\n"));
        return false;
    }
}

// "rec" + the UTC time; when that name is taken, the stem + "_" + one more than the highest
// number already used with it, found in one pass over the list.
QString CRecordStore::NewRecordElementName(const CXmlNode& list) const
{
    const QString stem = QStringLiteral("rec") + QDateTime::fromSecsSinceEpoch(m_clock(), Qt::UTC)
                                                     .toString(QStringLiteral("yyyyMMddHHmmss"));
    const QString numbered = stem + QLatin1Char('_');
    bool stemTaken = false;
    int highest = 0;
    const CXmlNodeList records = list.GetChildNodes();
    const std::int32_t count = records.GetLength();
    for (std::int32_t i = 0; i < count; ++i) {
        const QString name = records.GetItem(i).GetName();
        if (name == stem)
            stemTaken = true;
        else if (name.startsWith(numbered))
            highest = std::max(highest, QStringView(name).mid(numbered.size()).toInt());
    }
    return stemTaken ? numbered + QString::number(highest + 1) : stem;
}

void CRecordStore::WriteRecord(CXmlNode& record, const RecordInfo& info)
{
    QString note = info.strNote;
    note.replace(kLineBreak, kLineBreakWord);
    record.GetChild(kName).SetText(info.strName);
    record.GetChild(kTime).SetText(info.strTime);
    record.GetChild(kFile).SetText(info.strFile);
    record.GetChild(kType).SetLong(info.nType);
    record.GetChild(kDuration).SetLong(info.nDuration);
    record.GetChild(kNew).SetBool(info.bNew);
    record.GetChild(kNote).SetText(note);
}

bool CRecordStore::AddRecord(const RecordInfo& info)
{
    CXmlNode existing;
    if (SearchNode(info.strName, info.strTime, existing))
        return false;
    const std::lock_guard guard(m_lock);
    CXmlNode record;
    try {
        CXmlNode list = GetList();
        record = list.GetChild(NewRecordElementName(list));
        WriteRecord(record, info);
        m_xml.Save();
        return true;
    } catch (const CXmlException&) {
        // A half-written record would be saved by the next change; drop it.
        if (!record.IsNull())
            record.Remove();
        OutputDebugString(QStringLiteral("add record exception\n"));
        return false;
    }
}

bool CRecordStore::DeleteRecord(const QString& strName, const QString& strTime)
{
    CXmlNode record;
    if (!SearchNode(strName, strTime, record))
        return false;
    record.Remove();
    m_xml.Save();
    return true;
}

bool CRecordStore::MarkRecordRead(const QString& strName, const QString& strTime)
{
    CXmlNode record;
    if (!SearchNode(strName, strTime, record))
        return false;
    try {
        record.GetChild(kNew).SetBool(false);
    } catch (const CXmlException&) {
        OutputDebugString(QStringLiteral("mark record exception\n"));
        return false;
    }
    m_xml.Save();
    return true;
}

} // namespace ovento
