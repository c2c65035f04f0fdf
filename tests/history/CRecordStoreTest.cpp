#include "history/CRecordStore.h"

#include "tests/history/XmlFiles.h"
#include "tests/support/DebugLines.h"
#include "tests/support/TempHome.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <pugixml.hpp>

using namespace ovento;
using namespace ovento::test;

namespace {

// 2009-11-12 09:30:15 UTC
constexpr std::int64_t kAddedAt = 1258018215;

RecordInfo MakeRecord(const QString& name, const QString& time)
{
    RecordInfo info;
    info.nType = 2;
    info.bNew = true;
    info.nDuration = 75;
    info.strName = name;
    info.strTime = time;
    info.strFile = "/home/u/Documents/Ovento/" + name + "_2009-11-12_10-30-15.mp3";
    return info;
}

class RecordStoreTest : public ::testing::Test
{
protected:
    QString Path() const { return m_home.dataHome() + "/Ovento/record.xml"; }

    void SetUp() override { ASSERT_TRUE(QDir().mkpath(m_home.dataHome() + "/Ovento")); }

    // A store on record.xml whose clock stands still unless the test moves it.
    std::unique_ptr<CRecordStore> OpenStore()
    {
        auto store = std::make_unique<CRecordStore>([this] { return m_now; });
        store->Open(Path());
        return store;
    }

    std::vector<RecordInfo> ReadAll(CRecordStore& store)
    {
        std::vector<RecordInfo> records;
        const int count = store.GetCount();
        for (int i = 0; i < count; ++i) {
            RecordInfo info;
            EXPECT_TRUE(store.ReadRecord(i, info)) << i;
            records.push_back(info);
        }
        return records;
    }

    void WriteRecordFile(const QByteArray& records)
    {
        WriteFileBytes(Path(), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
                               "<tabra><list>" +
                                   records + "</list></tabra>\n");
    }

    TempHome m_home;
    std::int64_t m_now = kAddedAt;
};

TEST_F(RecordStoreTest, FileHasTheDocumentedShapeAndReadsBackIdentically)
{
    RecordInfo first = MakeRecord("alice", "1258018100");
    first.strNote = QString::fromUtf8("a\r\nb & <c> \"Zoë\"\n");
    RecordInfo second = MakeRecord("bob,carol", "1258018200");
    second.nType = 1;
    second.bNew = false;
    second.nDuration = 0;
    {
        auto store = OpenStore();
        EXPECT_EQ(store->GetCount(), 0);
        ASSERT_TRUE(store->AddRecord(first));
        m_now += 3600;
        ASSERT_TRUE(store->AddRecord(second));
    }
    EXPECT_TRUE(XmllintAccepts(Path()));

    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(QFile::encodeName(Path()).constData(),
                                   pugi::parse_default | pugi::parse_declaration));
    const pugi::xml_node declaration = document.first_child();
    EXPECT_EQ(declaration.type(), pugi::node_declaration);
    EXPECT_STREQ(declaration.attribute("standalone").value(), "no");
    const pugi::xml_node root = document.document_element();
    EXPECT_STREQ(root.name(), "tabra");
    EXPECT_EQ(std::distance(root.begin(), root.end()), 1);
    std::vector<std::string> names;
    for (const pugi::xml_node record : root.child("list").children())
        names.push_back(record.name());
    EXPECT_EQ(names, (std::vector<std::string>{"rec20091112093015", "rec20091112103015"}));
    std::vector<std::string> children;
    for (const pugi::xml_node child : root.child("list").first_child().children())
        children.push_back(child.name());
    EXPECT_EQ(children, (std::vector<std::string>{"name", "time", "file", "type", "duration", "new",
                                                  "note"}));
    const pugi::xml_node stored = root.child("list").first_child();
    EXPECT_STREQ(stored.child_value("note"), "aalineddb & <c> \"Zo\xc3\xab\"\n");
    EXPECT_STREQ(stored.child_value("type"), "2");
    EXPECT_STREQ(stored.child_value("new"), "true");
    EXPECT_STREQ(root.child("list").last_child().child_value("new"), "false");

    auto store = OpenStore();
    EXPECT_EQ(ReadAll(*store), (std::vector<RecordInfo>{first, second}));
}

TEST_F(RecordStoreTest, AStoreThatAddsNothingLeavesNoFile)
{
    auto store = OpenStore();
    EXPECT_EQ(store->GetCount(), 0);
    RecordInfo info;
    EXPECT_FALSE(store->ReadRecord(0, info));
    EXPECT_FALSE(store->DeleteRecord("a", "1"));
    EXPECT_FALSE(store->MarkRecordRead("a", "1"));
    EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(RecordStoreTest, DuplicateInAnyCaseIsRefusedAndTheFileUntouched)
{
    auto store = OpenStore();
    ASSERT_TRUE(store->AddRecord(MakeRecord("Alice", "12ab")));
    const QByteArray before = ReadFileBytes(Path());
    const QDateTime modified = QFileInfo(Path()).lastModified();
    RecordInfo again = MakeRecord("aLICE", "12AB");
    again.strFile = "/elsewhere.mp3";
    EXPECT_FALSE(store->AddRecord(again));
    EXPECT_EQ(ReadFileBytes(Path()), before);
    EXPECT_EQ(QFileInfo(Path()).lastModified(), modified);
    EXPECT_EQ(store->GetCount(), 1);
}

struct NoteCase
{
    const char* note;
    const char* stored;
    const char* readBack;
};

class NoteTest : public RecordStoreTest, public ::testing::WithParamInterface<NoteCase>
{};

TEST_P(NoteTest, LineBreaksTravelAsAlinedd)
{
    const NoteCase& c = GetParam();
    RecordInfo info = MakeRecord("alice", "1");
    info.strNote = QString::fromUtf8(c.note);
    OpenStore()->AddRecord(info);
    EXPECT_TRUE(ReadFileBytes(Path()).contains(QByteArray("<note>") + c.stored + "</note>") ||
                (*c.stored == 0 && ReadFileBytes(Path()).contains("<note />")))
        << ReadFileBytes(Path()).constData();
    RecordInfo read;
    ASSERT_TRUE(OpenStore()->ReadRecord(0, read));
    EXPECT_EQ(read.strNote, QString::fromUtf8(c.readBack));
}

INSTANTIATE_TEST_SUITE_P(Notes, NoteTest,
                         ::testing::Values(NoteCase{"a\r\nb", "aalineddb", "a\r\nb"},
                                           NoteCase{"say alinedd", "say alinedd", "say \r\n"},
                                           NoteCase{"\r\n\r\n", "alineddalinedd", "\r\n\r\n"},
                                           NoteCase{"one\ntwo", "one\ntwo", "one\ntwo"},
                                           NoteCase{"", "", ""}));

TEST_F(RecordStoreTest, MissingChildrenReadAsDefaultsAndAreRepairedOnTheNextSave)
{
    WriteRecordFile("<rec20091112093015><name>alice</name><time>1</time>"
                    "<file>/a.mp3</file><type>1</type><new>TRUE</new></rec20091112093015>"
                    "<rec20091112093016><name>bob</name><time>2</time><new>1</new>"
                    "</rec20091112093016>");
    auto store = OpenStore();
    ASSERT_EQ(store->GetCount(), 2);
    const std::vector<RecordInfo> records = ReadAll(*store);
    EXPECT_EQ(records[0].strNote, "");
    EXPECT_EQ(records[0].nDuration, 0);
    EXPECT_TRUE(records[0].bNew) << "TRUE in any case reads as true";
    EXPECT_FALSE(records[1].bNew) << "1 is not a boolean";
    EXPECT_EQ(records[1].nType, 0);
    EXPECT_EQ(records[1].strFile, "");

    ASSERT_TRUE(store->MarkRecordRead("ALICE", "1"));
    const QByteArray bytes = ReadFileBytes(Path());
    EXPECT_TRUE(bytes.contains("<duration>0</duration>")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("<note />"));
    EXPECT_TRUE(bytes.contains("<new>false</new>"));
    EXPECT_FALSE(bytes.contains("<new>1</new>"));
    EXPECT_FALSE(bytes.contains("TRUE"));
}

TEST_F(RecordStoreTest, ReadingPastTheEndFailsWithItsDiagnostic)
{
    auto store = OpenStore();
    ASSERT_TRUE(store->AddRecord(MakeRecord("alice", "1")));
    DebugLines lines;
    RecordInfo info;
    EXPECT_FALSE(store->ReadRecord(store->GetCount(), info));
    EXPECT_FALSE(store->ReadRecord(-1, info));
    EXPECT_EQ(lines.Lines(),
              (QStringList{"read record xml exception", "read record xml exception"}));
    EXPECT_EQ(info, RecordInfo()) << "nothing was read into it";
}

TEST_F(RecordStoreTest, DeleteAndMarkFindRecordsByNameAndTime)
{
    auto store = OpenStore();
    for (const char* name : {"a", "b", "c", "d"}) {
        ASSERT_TRUE(store->AddRecord(MakeRecord(name, "100")));
        ++m_now;
    }
    const QByteArray before = ReadFileBytes(Path());
    EXPECT_FALSE(store->DeleteRecord("b", "101"));
    EXPECT_FALSE(store->MarkRecordRead("x", "100"));
    EXPECT_EQ(ReadFileBytes(Path()), before);

    ASSERT_EQ(ReadAll(*store).size(), 4u);
    EXPECT_TRUE(store->DeleteRecord("B", "100"));
    EXPECT_TRUE(store->MarkRecordRead("c", "100"));
    std::vector<RecordInfo> records = ReadAll(*store);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].strName, "a");
    EXPECT_EQ(records[1].strName, "c");
    EXPECT_FALSE(records[1].bNew) << "marked as played, in its place";
    EXPECT_EQ(records[2].strName, "d");
    EXPECT_TRUE(records[2].bNew);

    // What the file holds is what the store holds.
    auto reopened = OpenStore();
    EXPECT_EQ(ReadAll(*reopened), records);
}

TEST_F(RecordStoreTest, RecordsAddedInOneSecondGetTheirOwnElements)
{
    auto store = OpenStore();
    const std::vector<RecordInfo> added = {MakeRecord("a", "1"), MakeRecord("b", "1"),
                                           MakeRecord("a", "2")};
    for (const RecordInfo& info : added)
        ASSERT_TRUE(store->AddRecord(info));
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(QFile::encodeName(Path()).constData()));
    std::vector<std::string> names;
    for (const pugi::xml_node record : document.document_element().child("list").children())
        names.push_back(record.name());
    EXPECT_EQ(names, (std::vector<std::string>{"rec20091112093015", "rec20091112093015_1",
                                               "rec20091112093015_2"}));

    auto reopened = OpenStore();
    EXPECT_EQ(ReadAll(*reopened), added);
    CXmlNode node;
    EXPECT_TRUE(reopened->SearchNode("b", "1", node));
    EXPECT_EQ(node.GetChild("time").GetText(), "1");
    EXPECT_TRUE(reopened->DeleteRecord("a", "2"));
    EXPECT_TRUE(reopened->DeleteRecord("a", "1"));
    ASSERT_TRUE(reopened->AddRecord(MakeRecord("c", "3")));
    EXPECT_TRUE(reopened->SearchNode("b", "1", node));
    EXPECT_TRUE(reopened->SearchNode("c", "3", node));
    EXPECT_EQ(reopened->GetCount(), 2);
}

TEST_F(RecordStoreTest, OlderFilesWithRepeatedElementNamesStillWork)
{
    WriteRecordFile("<rec20091112093015><name>a</name><time>1</time></rec20091112093015>"
                    "<rec20091112093015><name>b</name><time>2</time></rec20091112093015>");
    auto store = OpenStore();
    ASSERT_EQ(ReadAll(*store).size(), 2u);
    EXPECT_EQ(ReadAll(*store)[1].strName, "b");
    EXPECT_TRUE(store->MarkRecordRead("b", "2"));
    ASSERT_TRUE(store->AddRecord(MakeRecord("c", "3")));
    EXPECT_EQ(ReadAll(*store)[2].strName, "c");
    EXPECT_TRUE(ReadFileBytes(Path()).contains("rec20091112093015_1"));
}

TEST_F(RecordStoreTest, StrayTextInTheListIsSkippedBySearch)
{
    WriteRecordFile("<rec0><name>z</name><time>0</time></rec0>stray"
                    "<rec1><name>a</name><time>1</time></rec1>");
    auto store = OpenStore();
    EXPECT_EQ(store->GetCount(), 3) << "every child of the list counts";
    RecordInfo info;
    EXPECT_FALSE(store->ReadRecord(1, info));
    EXPECT_TRUE(store->ReadRecord(2, info));
    EXPECT_FALSE(store->AddRecord(MakeRecord("a", "1")));
    EXPECT_TRUE(store->DeleteRecord("a", "1"));
}

TEST_F(RecordStoreTest, UnreadableFileIsKeptAndTheStoreStartsEmpty)
{
    const QByteArray broken = "<tabra><list><rec1><name>a</name>";
    WriteFileBytes(Path(), broken);
    DebugLines lines;
    auto store = OpenStore();
    const QStringList kept =
        QFileInfo(Path()).dir().entryList({"record.xml.unreadable-*"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    const QString keptPath = QFileInfo(Path()).dir().filePath(kept[0]);
    ASSERT_EQ(lines.Lines().size(), 2) << lines.Lines().join("|").toStdString();
    EXPECT_TRUE(lines.Lines()[0].contains(keptPath));
    EXPECT_EQ(lines.Lines()[1], "rec xml file open failed");
    EXPECT_EQ(store->GetCount(), 0);

    ASSERT_TRUE(store->AddRecord(MakeRecord("b", "2")));
    EXPECT_EQ(ReadFileBytes(keptPath), broken);
    EXPECT_TRUE(XmllintAccepts(Path()));
    auto reopened = OpenStore();
    EXPECT_EQ(ReadAll(*reopened), std::vector<RecordInfo>{MakeRecord("b", "2")});
}

TEST_F(RecordStoreTest, FailedSaveKeepsTheChangeInMemoryForTheNextSave)
{
    auto store = std::make_unique<CRecordStore>([this] { return m_now; });
    const QString missingFolder = m_home.root() + "/gone/record.xml";
    store->Open(missingFolder);
    DebugLines lines;
    EXPECT_TRUE(store->AddRecord(MakeRecord("a", "1"))) << "a failed write is only logged";
    ASSERT_EQ(lines.Lines().size(), 1);
    EXPECT_TRUE(lines.Lines()[0].startsWith("CXml::Save( " + missingFolder + " ) failed:"));
    ASSERT_TRUE(QDir().mkpath(m_home.root() + "/gone"));
    ++m_now;
    EXPECT_TRUE(store->AddRecord(MakeRecord("b", "2")));
    auto reopened = std::make_unique<CRecordStore>();
    reopened->Open(missingFolder);
    EXPECT_EQ(reopened->GetCount(), 2);
}

TEST_F(RecordStoreTest, StoreWithoutAPathFailsEveryOperationQuietly)
{
    CRecordStore store;
    store.Open(QString());
    DebugLines lines;
    EXPECT_EQ(store.GetCount(), -1);
    EXPECT_FALSE(store.AddRecord(MakeRecord("a", "1")));
    EXPECT_FALSE(store.MarkRecordRead("a", "1"));
    EXPECT_EQ(lines.Lines(), (QStringList{"SearchNode REC Exception", "add record exception",
                                          "SearchNode REC Exception"}));
    EXPECT_EQ(QDir(m_home.root()).entryList(QDir::Files), QStringList());
}

TEST_F(RecordStoreTest, OneProcessWideInstanceUntilDestroyed)
{
    CRecordStore* store = CRecordStore::GetInstance();
    EXPECT_EQ(CRecordStore::GetInstance(), store);
    store->Open(Path());
    ASSERT_TRUE(store->AddRecord(MakeRecord("a", "1")));
    CRecordStore::DestroyInstance();
    CRecordStore::DestroyInstance();
    CRecordStore* fresh = CRecordStore::GetInstance();
    EXPECT_EQ(fresh->GetCount(), -1) << "a new instance has no document until Open";
    fresh->Open(Path());
    EXPECT_EQ(fresh->GetCount(), 1);
    CRecordStore::DestroyInstance();
}

} // namespace
