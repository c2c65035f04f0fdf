#pragma once

#include "history/CXmlNode.h"
#include "history/CXmlNodeList.h"

#include <QString>

namespace ovento {

// One XML document bound to one file: open-or-create, save, and the root element. Every
// value lives in element text. Engine failures surface as CXmlException.
class CXml
{
public:
    CXml() = default;

    // Loads the file when it exists, else prepares a new document holding only the
    // declaration (nothing is written until Save). Remembers the path either way. A file that
    // exists but cannot be loaded is never overwritten: it is renamed aside with a
    // ".unreadable-<date>-<time>" suffix, the document starts new, and the result is false.
    bool Open(const QString& strPath);
    // Writes the whole document to the path, or to the remembered path when the path is null
    // (true without writing when none is remembered). The file is replaced in one step, so a
    // crash leaves the old or the new document. False on failure, with a diagnostic line.
    bool Save(const QString& strPath = QString());
    // The document element, created as "tabra" when there is none.
    CXmlNode GetRoot();

private:
    bool Load(const QString& strPath);
    void PrepareNew();
    void KeepUnreadableFile();
    void WriteFile(const QString& strPath);

    XmlDocumentRef m_document;
    QString m_strPath;
    // A file that could be neither loaded nor renamed aside; it is never written over.
    QString m_strUnreadableFile;
    // Size of the last document written, so the next one is built without regrowing.
    qsizetype m_nSavedSize = 0;
};

} // namespace ovento
