#pragma once

#include <QByteArray>

namespace ovento::test {

// The text of a record.xml holding `count` records as the store writes them: realistic sizes,
// every tenth record with a two-line note, every third one played.
inline QByteArray MakeRecordFile(int count)
{
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<tabra>\n"
                     "\t<list>\n";
    out.reserve(count * 300 + 200);
    for (int i = 0; i < count; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray element = "rec" + QByteArray::number(20091112093015LL + i);
        out += "\t\t<" + element + ">\n\t\t\t<name>partner.number" + n + "</name>\n\t\t\t<time>" +
               QByteArray::number(1258018215LL + i * 60) +
               "</time>\n\t\t\t<file>/home/user/Documents/Ovento/partner.number" + n +
               "_2009-11-12_10-30-15.mp3</file>\n\t\t\t<type>" + QByteArray::number(1 + i % 2) +
               "</type>\n\t\t\t<duration>" + QByteArray::number(i % 3600) +
               "</duration>\n\t\t\t<new>" + (i % 3 == 0 ? "false" : "true") + "</new>\n";
        out +=
            i % 10 == 0 ? "\t\t\t<note>first linealineddsecond line</note>\n" : "\t\t\t<note />\n";
        out += "\t\t</" + element + ">\n";
    }
    out += "\t</list>\n</tabra>\n";
    return out;
}

} // namespace ovento::test
