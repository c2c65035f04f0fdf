#include "platform/CRegistryText.h"

#include <gtest/gtest.h>
#include <random>

using namespace ovento;

namespace {

RegValue String(const QString& text)
{
    return RegValue{RegKind::String, ToRegString(text)};
}

RegValue Padded(const QString& text, int size)
{
    QByteArray data = ToRegString(text);
    data.append(size - data.size(), '\0');
    return RegValue{RegKind::String, data};
}

RegValue Dword(std::uint32_t number)
{
    return RegValue{RegKind::Dword, ToRegDword(number)};
}

RegValue Bytes(RegKind kind, const QByteArray& data)
{
    return RegValue{kind, data};
}

RegKeys Parsed(const QByteArray& text)
{
    RegKeys keys;
    QString error;
    EXPECT_TRUE(CRegistryText::Parse(text, keys, error)) << error.toStdString();
    return keys;
}

} // namespace

TEST(CRegistryText, EveryKindNameAndKeyRoundTrips)
{
    const QString lone = QString(QChar(0xD800)) + "x";
    const RegKeys keys = {
        {"software\\Ovento\\config",
         {
             {"autostart", Bytes(RegKind::Binary, QByteArray(1, '\0'))},
             {"notifycov", Bytes(RegKind::Binary, QByteArray(1, '\1'))},
             {"blob", Bytes(RegKind::Binary, QByteArray("\xde\xad\x00\xff", 4))},
             {"nothing", Bytes(RegKind::Binary, QByteArray())},
             {"recside", Dword(0)},
             {"minus", Dword(static_cast<std::uint32_t>(-1))},
             {"lowest", Dword(0x80000000u)},
             {"short", Bytes(RegKind::Dword, QByteArray("\x05\x00", 2))},
             {"empty", String("")},
             {"folder", String("/home/ann/Aufnahmen für Jörg/日本 😀")},
             {"lines", String("one\ntwo\r\nthree\tfour")},
             {"tricky", String("a=\"b\" \\c 'd' # ; [e]")},
             {"inner nul", String(QString("a") + QChar(0) + "b")},
             {"lone surrogate", String(lone)},
             {"padded", Padded("/home/ann", 520)},
             {"padded empty", Padded("", 520)},
             {"odd", Bytes(RegKind::String, QByteArray("ab\0", 3))},
             {"tail", Bytes(RegKind::String, QByteArray("a\0\0\0b\0", 6))},
         }},
        {"Other\\Key",
         {
             {"", String("unnamed")},
             {" spaced ", String("x")},
             {"a=b", String("x")},
             {"#hash", String("x")},
             {"[bracket", String("x")},
             {"quo\"te\\", String("x")},
             {"ünï\ncode", String("x")},
         }},
        {"empty\\key", {}},
    };
    const QByteArray text = CRegistryText::Format(keys);
    EXPECT_EQ(Parsed(text), keys) << text.toStdString();
}

TEST(CRegistryText, WritesValuesAsAPersonWouldReadThem)
{
    const RegKeys keys = {{"software\\Ovento\\config",
                           {
                               {"autostart", Bytes(RegKind::Binary, QByteArray(1, '\0'))},
                               {"position", String("10,20,410,118")},
                               {"recside", Dword(static_cast<std::uint32_t>(-2))},
                               {"sfolder", Padded("/home/ann/Documents/Ovento", 520)},
                               {"note", String("say \"hi\"\n")},
                           }}};
    const QString text = QString::fromUtf8(CRegistryText::Format(keys));
    EXPECT_TRUE(text.contains("\n[software\\Ovento\\config]\n"
                              "autostart = binary:00\n"
                              "position = string:\"10,20,410,118\"\n"
                              "recside = dword:-2\n"
                              "sfolder = string(520):\"/home/ann/Documents/Ovento\"\n"
                              "note = string:\"say \\\"hi\\\"\\n\"\n"))
        << text.toStdString();
}

TEST(CRegistryText, ReadsHandEditedText)
{
    const RegKeys keys = Parsed("\xEF\xBB\xBF; a comment\r\n"
                                "\n"
                                "  [ software\\Ovento\\config ]  \r\n"
                                "# another\n"
                                "\tamode=dword:2\n"
                                "sfolder   =   string : \"/music\"   \n"
                                "\"odd name\" = binary:01 02\tff\n"
                                "big = dword:4294967295\n"
                                "[SOFTWARE\\ovento\\CONFIG]\n"
                                "u = string:\"\\u00e9\\uD83D\\uDE00\"\n");
    const RegKeys expected = {{"software\\Ovento\\config",
                               {
                                   {"amode", Dword(2)},
                                   {"sfolder", String("/music")},
                                   {"odd name", Bytes(RegKind::Binary, QByteArray("\1\2\xff"))},
                                   {"big", Dword(0xFFFFFFFFu)},
                                   {"u", String(QString::fromUtf8("é😀"))},
                               }}};
    EXPECT_EQ(keys, expected);
}

TEST(CRegistryText, RefusesTextThatIsNotASettingsText)
{
    struct Case
    {
        QByteArray text;
        const char* reason;
    };
    const Case cases[] = {
        {"a = dword:1\n", "line 1: value before the first [key] line"},
        {"[k]\njust words\n", "line 2: expected name = kind:data"},
        {"[k]\n= dword:1\n", "line 2: expected name = kind:data"},
        {"[k]\na = 1\n", "line 2: expected kind:data after \"=\""},
        {"[k]\na = word:1\n", "line 2: unknown kind \"word\""},
        {"[k]\na = hex(word):00\n", "line 2: unknown kind \"hex(word)\""},
        {"[k]\na = binary:0\n", "line 2: bytes must be pairs of hex digits"},
        {"[k]\na = binary:0g\n", "line 2: bytes must be pairs of hex digits"},
        {"[k]\na = dword:12a\n", "line 2: a dword is a decimal number"},
        {"[k]\na = dword:4294967296\n", "line 2: a dword is a decimal number"},
        {"[k]\na = dword:-2147483649\n", "line 2: a dword is a decimal number"},
        {"[k]\na = dword: \n", "line 2: a dword is a decimal number"},
        {"[k]\na = string:abc\n", "line 2: a string must be in double quotes"},
        {"[k]\na = string:\"abc\n", "line 2: missing closing quote"},
        {"[k]\na = string:\"a\"b\n", "line 2: text after the closing quote"},
        {"[k]\na = string:\"\\q\"\n", "line 2: unknown escape \\q"},
        {"[k]\na = string:\"\\u12\"\n", "line 2: \\u needs four hex digits"},
        {"[k]\na = string(3):\"\"\n", "line 2: string(BYTES) needs an even byte count"},
        {"[k]\na = string(4):\"ab\"\n", "line 2: the text and its NUL do not fit in 4 bytes"},
        {"[k]\na = string(99999999):\"\"\n", "line 2: string(BYTES) needs an even byte count"},
        {"[k]\na = dword:1\nA = dword:2\n", "line 3: value \"A\" given twice"},
        {"[]\n", "line 1: bad key line"},
        {"[a\\\\b]\n", "line 1: bad key line"},
        {"[a\n", "line 1: bad key line"},
        {"[k]\na = string:\"x\x01\"\n", "line 2: control character"},
        {QByteArray("[k]\na = dword:1\0\n", 17), "line 2: control character"},
        {"[k]\na = string:\"\xC3\x28\"\n", "not UTF-8 text"},
        {"\x89PNG\r\n\x1a\n", "not UTF-8 text"},
        {"[General]\ngeometry=@ByteArray(abc)\n", "line 2: expected kind:data after \"=\""},
    };
    for (const Case& c : cases) {
        RegKeys keys = {{"kept", {}}};
        QString error;
        EXPECT_FALSE(CRegistryText::Parse(c.text, keys, error)) << c.text.toStdString();
        EXPECT_TRUE(error.startsWith(c.reason))
            << error.toStdString() << " for " << c.text.toStdString();
        EXPECT_EQ(keys, (RegKeys{{"kept", {}}})) << "a refused text changes nothing";
    }
}

TEST(CRegistryText, DamagedTextNeverBreaksTheReader)
{
    const QByteArray valid = CRegistryText::Format(
        {{"software\\Ovento\\config",
          {{"autostart", Bytes(RegKind::Binary, QByteArray(1, '\1'))},
           {"amode", Dword(2)},
           {"sfolder", Padded(QString::fromUtf8("/home/ann/Grüße \"x\"\n"), 520)},
           {"position", String("1,2,3,4")}}}});
    std::mt19937 random(20240501);
    for (int round = 0; round < 3000; ++round) {
        QByteArray text = valid;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < changes; ++i) {
            const auto at = static_cast<qsizetype>(random() % text.size());
            switch (random() % 3) {
            case 0:
                text[at] = static_cast<char>(random());
                break;
            case 1:
                text.remove(at, 1 + static_cast<qsizetype>(random() % 8));
                break;
            default:
                text.insert(at, valid.mid(static_cast<qsizetype>(random() % valid.size()), 6));
            }
        }
        RegKeys keys;
        QString error;
        if (CRegistryText::Parse(text, keys, error)) {
            // Whatever was accepted is kept exactly when written again.
            EXPECT_EQ(Parsed(CRegistryText::Format(keys)), keys) << text.toStdString();
        } else {
            EXPECT_FALSE(error.isEmpty());
        }
    }
}
