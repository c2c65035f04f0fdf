#include "fuzz/history/RecordFileInput.h"
#include "tests/support/DebugLines.h"
#include "tests/support/TempHome.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace ovento;

// Every seed of the record.xml fuzz target goes through the same checks in every build; the
// entry aborts on a broken guarantee.
TEST(RecordFileCorpus, EverySeedKeepsTheStoreGuarantees)
{
    const QDir corpus(QStringLiteral(OVENTO_HISTORY_CORPUS));
    const QStringList seeds = corpus.entryList(QDir::Files);
    ASSERT_FALSE(seeds.isEmpty());
    test::TempHome home;
    test::DebugLines quiet;
    for (const QString& seed : seeds) {
        SCOPED_TRACE(seed.toStdString());
        QFile file(corpus.filePath(seed));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        fuzz::RunRecordFileInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 static_cast<std::size_t>(bytes.size()), home.root());
    }
}
