#include "history/CXml.h"

#include "history/CXmlException.h"
#include "tests/history/XmlFiles.h"
#include "tests/support/DebugLines.h"
#include "tests/support/TempHome.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace ovento;
using namespace ovento::test;

namespace {

class XmlTest : public ::testing::Test
{
protected:
    QString PathOf(const QString& name) const { return m_home.root() + "/" + name; }

    // An opened document on a fresh path with one "list" under the root holding "item".
    CXmlNode OpenWithItem(CXml& xml, const QString& text)
    {
        EXPECT_TRUE(xml.Open(PathOf("doc.xml")));
        CXmlNode item = xml.GetRoot().GetChild("list").GetChild("item");
        EXPECT_TRUE(item.SetText(text));
        return item;
    }

    TempHome m_home;
};

TEST_F(XmlTest, NewDocumentSavesDeclarationAndEmptyRoot)
{
    CXml xml;
    const QString path = PathOf("new.xml");
    ASSERT_TRUE(xml.Open(path));
    xml.GetRoot();
    ASSERT_TRUE(xml.Save());
    const QByteArray bytes = ReadFileBytes(path);
    EXPECT_TRUE(bytes.startsWith(R"(<?xml version="1.0" encoding="UTF-8" standalone="no"?>)"))
        << bytes.constData();
    EXPECT_TRUE(bytes.contains("<tabra />")) << bytes.constData();
    EXPECT_TRUE(XmllintAccepts(path));
}

TEST_F(XmlTest, OpeningAMissingFileWritesNothing)
{
    CXml xml;
    ASSERT_TRUE(xml.Open(PathOf("missing.xml")));
    xml.GetRoot().GetChild("list");
    EXPECT_FALSE(QFile::exists(PathOf("missing.xml")));
    EXPECT_EQ(QDir(m_home.root()).entryList(QDir::Files), QStringList());
}

TEST_F(XmlTest, SaveWithoutPathOnUnopenedDocumentDoesNothing)
{
    CXml xml;
    EXPECT_TRUE(xml.Save());
    EXPECT_THROW(xml.GetRoot(), CXmlException);
}

TEST_F(XmlTest, SaveToAPathRemembersIt)
{
    CXml xml;
    ASSERT_TRUE(xml.Open(QString()));
    xml.GetRoot().GetChild("list").SetText("one");
    ASSERT_TRUE(xml.Save(PathOf("first.xml")));
    xml.GetRoot().GetChild("list").SetText("two");
    ASSERT_TRUE(xml.Save());
    EXPECT_TRUE(ReadFileBytes(PathOf("first.xml")).contains("<list>two</list>"));
}

TEST_F(XmlTest, GetChildFindsTheSameElementTwice)
{
    CXml xml;
    ASSERT_TRUE(xml.Open(PathOf("doc.xml")));
    CXmlNode root = xml.GetRoot();
    root.GetChild("list").SetText("x");
    EXPECT_EQ(root.GetChild("list").GetText(), "x");
    EXPECT_EQ(root.GetChildNodes().GetLength(), 1);
}

TEST_F(XmlTest, ItemPastTheEndIsNullAndRaisesEPointer)
{
    CXml xml;
    ASSERT_TRUE(xml.Open(PathOf("doc.xml")));
    CXmlNode list = xml.GetRoot().GetChild("list");
    list.GetChild("a");
    list.GetChild("b");
    const CXmlNodeList items = list.GetChildNodes();
    ASSERT_EQ(items.GetLength(), 2);
    EXPECT_FALSE(items.GetItem(1).IsNull());
    const CXmlNode past = items.GetItem(items.GetLength());
    EXPECT_TRUE(past.IsNull());
    EXPECT_TRUE(items.GetItem(-1).IsNull());
    try {
        past.GetChild("x");
        FAIL() << "no exception";
    } catch (const CXmlException& error) {
        EXPECT_EQ(error.Code(), E_POINTER);
    }
    CXmlNode null;
    EXPECT_EQ(null.GetText(), QString());
    EXPECT_FALSE(null.SetText("x"));
    EXPECT_THROW(null.GetChildNodes(), CXmlException);
    EXPECT_THROW(null.Remove(), CXmlException);
    EXPECT_THROW(null.GetLong(0), CXmlException);
}

TEST_F(XmlTest, ItemsReadInAnyOrderAfterChanges)
{
    CXml xml;
    ASSERT_TRUE(xml.Open(PathOf("doc.xml")));
    CXmlNode list = xml.GetRoot().GetChild("list");
    for (int i = 0; i < 6; ++i)
        list.GetChild(QString("n%1").arg(i)).SetLong(i);
    const CXmlNodeList items = list.GetChildNodes();
    for (const int i : {0, 1, 2, 5, 3, 0, 4})
        EXPECT_EQ(items.GetItem(i).GetLong(-1), i);
    CXmlNode third = items.GetItem(2);
    third.Remove();
    EXPECT_TRUE(third.IsNull());
    EXPECT_EQ(items.GetLength(), 5);
    EXPECT_EQ(items.GetItem(2).GetLong(-1), 3);
    list.GetChild("n6").SetLong(6);
    EXPECT_EQ(items.GetLength(), 6);
    EXPECT_EQ(items.GetItem(5).GetLong(-1), 6);
}

struct TypedCase
{
    const char* stored;
    const char* call; // "bool" or "long" or "text"
    const char* fallback;
    const char* value; // what the call returns, as text
    const char* after; // the element's text afterwards
};

class TypedAccessor : public XmlTest, public ::testing::WithParamInterface<TypedCase>
{};

TEST_P(TypedAccessor, ReadsAndRepairsAsTheTextRulesSay)
{
    const TypedCase& c = GetParam();
    CXml xml;
    CXmlNode item = OpenWithItem(xml, QString::fromUtf8(c.stored));
    const QString call = QString::fromLatin1(c.call);
    QString value;
    if (call == "bool")
        value = item.GetBool(QByteArray(c.fallback) == "true") ? "true" : "false";
    else if (call == "long")
        value = QString::number(item.GetLong(QByteArray(c.fallback).toInt()));
    else
        value = item.GetText(QString::fromUtf8(c.fallback));
    EXPECT_EQ(value, QString::fromUtf8(c.value));
    EXPECT_EQ(item.GetText(), QString::fromUtf8(c.after));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TypedAccessor,
    ::testing::Values(
        TypedCase{"TRUE", "bool", "false", "true", "TRUE"},
        TypedCase{"False", "bool", "true", "false", "False"},
        TypedCase{"yes", "bool", "false", "false", "false"},
        TypedCase{"1", "bool", "true", "true", "true"},
        TypedCase{"", "bool", "true", "true", "true"}, TypedCase{"", "long", "0", "0", "0"},
        TypedCase{"", "long", "-12", "-12", "-12"}, TypedCase{"42abc", "long", "0", "42", "42abc"},
        TypedCase{"  -7", "long", "5", "-7", "  -7"}, TypedCase{"+8", "long", "5", "8", "+8"},
        TypedCase{"abc", "long", "5", "0", "abc"},
        TypedCase{"99999999999", "long", "0", "2147483647", "99999999999"},
        TypedCase{"-99999999999", "long", "0", "-2147483648", "-99999999999"},
        TypedCase{"", "text", "dflt", "dflt", "dflt"},
        TypedCase{"kept", "text", "dflt", "kept", "kept"}, TypedCase{"", "text", "", "", ""}));

TEST_F(XmlTest, TextRoundTripsThroughTheFile)
{
    const QString awkward = QString::fromUtf8("a&b <c> \"d\" 'e' \t\nÄ😀 ") + QChar(0x4E2D);
    const QString blanks = "   ";
    {
        CXml xml;
        ASSERT_TRUE(xml.Open(PathOf("doc.xml")));
        CXmlNode list = xml.GetRoot().GetChild("list");
        ASSERT_TRUE(list.GetChild("awkward").SetText(awkward));
        ASSERT_TRUE(list.GetChild("blanks").SetText(blanks));
        ASSERT_TRUE(list.GetChild("controls")
                        .SetText(QString("a") + QChar(1) + QChar(0xFFFF) + QChar(0xD800) + "b"));
        ASSERT_TRUE(list.GetChild("number").SetLong(-2147483647 - 1));
        ASSERT_TRUE(xml.Save());
    }
    EXPECT_TRUE(XmllintAccepts(PathOf("doc.xml")));
    CXml xml;
    ASSERT_TRUE(xml.Open(PathOf("doc.xml")));
    CXmlNode list = xml.GetRoot().GetChild("list");
    EXPECT_EQ(list.GetChild("awkward").GetText(), awkward);
    EXPECT_EQ(list.GetChild("blanks").GetText(), blanks);
    EXPECT_EQ(list.GetChild("controls").GetText(), "ab");
    EXPECT_EQ(list.GetChild("number").GetLong(0), -2147483647 - 1);
    EXPECT_EQ(list.GetChildNodes().GetLength(), 4) << "indentation is not read as text";
}

TEST_F(XmlTest, SetTextReplacesMixedContent)
{
    CXml xml;
    CXmlNode item = OpenWithItem(xml, "x");
    item.GetChild("inner").SetText("y");
    EXPECT_EQ(item.GetText(), "xy");
    ASSERT_TRUE(item.SetText("z"));
    EXPECT_EQ(item.GetText(), "z");
    EXPECT_EQ(item.GetChildNodes().GetLength(), 1);
    ASSERT_TRUE(item.SetText(QString()));
    EXPECT_EQ(item.GetChildNodes().GetLength(), 0);
}

TEST_F(XmlTest, NamesThatXmlCannotHoldAreRefused)
{
    CXml xml;
    ASSERT_TRUE(xml.Open(PathOf("doc.xml")));
    CXmlNode root = xml.GetRoot();
    for (const char* name : {"", "1abc", "a b", "a<b", "a&b"}) {
        try {
            root.GetChild(name);
            ADD_FAILURE() << name;
        } catch (const CXmlException& error) {
            EXPECT_EQ(error.Code(), E_INVALIDARG) << name;
        }
    }
}

TEST_F(XmlTest, AnotherRootNameIsKept)
{
    const QString path = PathOf("other.xml");
    WriteFileBytes(path, "<?xml version=\"1.0\"?>\n<history><list/></history>\n");
    CXml xml;
    ASSERT_TRUE(xml.Open(path));
    xml.GetRoot().GetChild("list").GetChild("entry").SetText("v");
    ASSERT_TRUE(xml.Save());
    const QByteArray bytes = ReadFileBytes(path);
    EXPECT_TRUE(bytes.contains("<history>")) << bytes.constData();
    EXPECT_FALSE(bytes.contains("tabra"));
    EXPECT_TRUE(bytes.contains("<entry>v</entry>"));
}

TEST_F(XmlTest, LoadedDeclarationIsWrittenAsUtf8)
{
    const QString path = PathOf("latin.xml");
    WriteFileBytes(path, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><tabra/>");
    CXml xml;
    ASSERT_TRUE(xml.Open(path));
    xml.GetRoot().GetChild("list").SetText(QString::fromUtf8("é"));
    ASSERT_TRUE(xml.Save());
    EXPECT_TRUE(ReadFileBytes(path).startsWith(R"(<?xml version="1.0" encoding="UTF-8"?>)"));
    EXPECT_TRUE(XmllintAccepts(path));
}

TEST_F(XmlTest, UnreadableFilesAreKeptAsideNeverOverwritten)
{
    const QList<QByteArray> unreadable = {
        "",
        "not xml at all",
        "<tabra><list>",
        "<tabra></list></tabra>",
        "<tabra/><tabra/>",
        "text<tabra/>",
        "<tabra>\xff\xfe</tabra>",
        "<tabra>\xed\xa0\x80</tabra>",
        QByteArray("\xff\xfe<\0t\0/\0>\0", 10),
    };
    for (const QByteArray& content : unreadable) {
        TempHome home;
        const QString path = home.root() + "/record.xml";
        WriteFileBytes(path, content);
        DebugLines lines;
        CXml xml;
        EXPECT_FALSE(xml.Open(path)) << content.toHex().constData();
        const QStringList kept = QDir(home.root()).entryList({"record.xml.unreadable-*"});
        ASSERT_EQ(kept.size(), 1) << content.toHex().constData();
        EXPECT_TRUE(QRegularExpression(R"(^record\.xml\.unreadable-\d{8}-\d{6}$)")
                        .match(kept[0])
                        .hasMatch())
            << kept[0].toStdString();
        EXPECT_EQ(ReadFileBytes(home.root() + "/" + kept[0]), content);
        ASSERT_EQ(lines.Lines().size(), 1);
        EXPECT_TRUE(lines.Lines()[0].contains(home.root() + "/" + kept[0]));

        xml.GetRoot().GetChild("list").SetText("after");
        ASSERT_TRUE(xml.Save());
        EXPECT_TRUE(ReadFileBytes(path).startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\""));
        EXPECT_TRUE(XmllintAccepts(path));
    }
}

TEST_F(XmlTest, SecondUnreadableFileInTheSameSecondGetsItsOwnName)
{
    const QString path = PathOf("record.xml");
    for (int i = 0; i < 2; ++i) {
        WriteFileBytes(path, QByteArray("broken ") + QByteArray::number(i));
        CXml xml;
        EXPECT_FALSE(xml.Open(path));
    }
    // Both are kept even when the two opens fall in the same second.
    EXPECT_EQ(QDir(m_home.root()).entryList({"record.xml.unreadable-*"}).size(), 2);
}

TEST_F(XmlTest, FailedSaveReportsThePathAndTheReason)
{
    CXml xml;
    const QString path = PathOf("no/such/folder/doc.xml");
    ASSERT_TRUE(xml.Open(path));
    xml.GetRoot();
    DebugLines lines;
    EXPECT_FALSE(xml.Save());
    EXPECT_EQ(lines.Lines(),
              QStringList{QString("CXml::Save( %1 ) failed:The path does not exist").arg(path)});
}

TEST(XmlErrorText, FollowsTheCodeRanges)
{
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0x80004003u, "Invalid pointer"},
        {0x8007000Eu, "Not enough memory to complete this operation"},
        {0x80040201u, "IDispatch error #1"},
        {0x80041234u, "IDispatch error #4148"},
        {0x8004FFFFu, "IDispatch error #65023"},
        {0x80040200u, "Unknown error 0x80040200"},
        {0x80001234u, "Unknown error 0x80001234"},
        {0xABCu, "Unknown error 0xABC"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(CXmlException::ErrorText(static_cast<HRESULT>(code)), QString(text)) << code;
}

} // namespace
