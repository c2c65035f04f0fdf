#include "skype/QList.h"

#include "tests/support/DebugLines.h"

#include <gtest/gtest.h>
#include <new>
#include <vector>

using ovento::test::DebugLines;

namespace {

// An element whose copy can be made to fail, as an allocation would.
struct Fragile
{
    static inline bool s_failCopies = false;
    QString text;

    Fragile() = default;
    explicit Fragile(QString t) : text(std::move(t)) {}
    Fragile(const Fragile& other) : text(other.text)
    {
        if (s_failCopies)
            throw std::bad_alloc();
    }
    Fragile& operator=(const Fragile&) = default;
};

std::vector<QString> Texts(const ovento::QList<Fragile>& list)
{
    std::vector<QString> texts;
    for (int i = 0; i < list.GetCount(); ++i)
        texts.push_back(list.At(i).text);
    return texts;
}

class QListTest : public ::testing::Test
{
protected:
    QListTest()
    {
        for (const char* text : {"a", "b", "c"})
            list.Append(Fragile(QString::fromLatin1(text)));
    }
    ~QListTest() override { Fragile::s_failCopies = false; }

    const std::vector<QString> abc{"a", "b", "c"};
    ovento::QList<Fragile> list;
    DebugLines debug;
};

} // namespace

TEST_F(QListTest, KeepsInsertionOrderThroughReplaceAndRemove)
{
    EXPECT_EQ(Texts(list), abc);
    EXPECT_TRUE(list.Replace(1, Fragile("B")));
    EXPECT_EQ(Texts(list), (std::vector<QString>{"a", "B", "c"}));
    list.Remove2(0);
    EXPECT_EQ(Texts(list), (std::vector<QString>{"B", "c"}));
    list.Remove2(1);
    EXPECT_EQ(Texts(list), (std::vector<QString>{"B"}));
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_TRUE(debug.Lines().isEmpty());
}

TEST_F(QListTest, ReplaceOutsideTheListReturnsFalseAndChangesNothing)
{
    for (int index : {5, 3, -1}) {
        EXPECT_FALSE(list.Replace(index, Fragile("x"))) << index;
        EXPECT_EQ(Texts(list), abc) << index;
    }
}

TEST_F(QListTest, AtOutsideTheListGivesADefaultElementAndSaysSo)
{
    for (int index : {3, 7, -1}) {
        debug.Clear();
        EXPECT_TRUE(list.At(index).text.isEmpty()) << index;
        EXPECT_EQ(debug.Lines(), QStringList{"QList<T>::At("}) << index;
    }
    ovento::QList<Fragile> empty;
    debug.Clear();
    EXPECT_TRUE(empty.At(0).text.isEmpty());
    EXPECT_TRUE(debug.Lines().isEmpty()) << "an empty list has nothing to complain about";
}

TEST_F(QListTest, RemoveOutsideTheListSaysSoAndChangesNothing)
{
    list.Remove2(3);
    list.Remove2(-1);
    EXPECT_EQ(Texts(list), abc);
    EXPECT_EQ(debug.Lines(), (QStringList{"QList<T>::Remove2", "QList<T>::Remove2"}));
}

TEST_F(QListTest, AFailedCopyLeavesTheListAsItWasAndSaysSo)
{
    struct Case
    {
        const char* line;
        std::function<void()> operation;
    };
    const Case cases[] = {
        {"QList<T>::Append",
         [&] {
             list.Append(Fragile("d"));
         }},
        {"QList<T>::Replace",
         [&] {
             EXPECT_FALSE(list.Replace(1, Fragile("x")));
         }},
    };
    for (const Case& c : cases) {
        debug.Clear();
        Fragile::s_failCopies = true;
        c.operation();
        Fragile::s_failCopies = false;
        EXPECT_EQ(debug.Lines(), QStringList{c.line});
        EXPECT_EQ(Texts(list), abc) << c.line;
    }
}

TEST_F(QListTest, FindIndexReturnsTheFirstMatch)
{
    list.Append(Fragile("b"));
    EXPECT_EQ(list.FindIndex([](const Fragile& f) { return f.text == "b"; }), 1);
    EXPECT_EQ(list.FindIndex([](const Fragile& f) { return f.text == "z"; }), -1);
}

TEST_F(QListTest, AppendFollowsTheLastNodeThroughEveryChange)
{
    struct Case
    {
        const char* change;
        std::function<void()> operation;
        std::vector<QString> after; // then "d" and "e" are appended
    };
    const Case cases[] = {
        {"remove the last", [&] { list.Remove2(2); }, {"a", "b"}},
        {"replace the last", [&] { EXPECT_TRUE(list.Replace(2, Fragile("C"))); }, {"a", "b", "C"}},
        {"remove the middle", [&] { list.Remove2(1); }, {"a", "c"}},
        {"remove the last twice", [&] { list.Remove2(2), list.Remove2(1); }, {"a"}},
        {"remove every element", [&] { list.Remove2(0), list.Remove2(0), list.Remove2(0); }, {}},
        {"remove backwards", [&] { list.Remove2(2), list.Remove2(1), list.Remove2(0); }, {}},
        {"clear", [&] { list.Clear(); }, {}},
        {"fail a copy",
         [&] {
             Fragile::s_failCopies = true;
             list.Append(Fragile("x"));
             EXPECT_FALSE(list.Replace(2, Fragile("x")));
             Fragile::s_failCopies = false;
         },
         {"a", "b", "c"}},
    };
    for (const Case& c : cases) {
        list.Clear();
        for (const QString& text : abc)
            list.Append(Fragile(text));
        c.operation();
        EXPECT_EQ(Texts(list), c.after) << c.change;
        EXPECT_TRUE(list.Append(Fragile("d")));
        EXPECT_TRUE(list.Append(Fragile("e")));
        std::vector<QString> expected = c.after;
        expected.insert(expected.end(), {"d", "e"});
        EXPECT_EQ(Texts(list), expected) << c.change;
        EXPECT_TRUE(list.Replace(int(expected.size()) - 1, Fragile("E"))) << c.change;
        list.Append(Fragile("f"));
        expected.back() = "E";
        expected.push_back("f");
        EXPECT_EQ(Texts(list), expected) << c.change;
    }
}
