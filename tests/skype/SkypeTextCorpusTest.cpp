#include "fuzz/skype/SkypeTextInput.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace ovento;

// Every seed of the Skype text fuzz target goes through the same checks in every build; the
// entry aborts on a broken guarantee.
TEST(SkypeTextCorpus, EverySeedKeepsTheParserGuarantees)
{
    const QDir corpus(QStringLiteral(OVENTO_SKYPE_CORPUS));
    const QStringList seeds = corpus.entryList(QDir::Files);
    ASSERT_FALSE(seeds.isEmpty());
    for (const QString& seed : seeds) {
        SCOPED_TRACE(seed.toStdString());
        QFile file(corpus.filePath(seed));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        fuzz::RunSkypeTextInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                static_cast<std::size_t>(bytes.size()));
    }
}
