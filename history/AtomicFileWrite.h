#pragma once

#include <QByteArray>
#include <QString>

namespace ovento {

// Replaces the file's content as one step: the bytes go to a new file in the same folder,
// which is flushed to disk and then renamed over the old one. A crash at any moment leaves
// either the old content or the new, never a mix. 0 on success, else the errno value.
int WriteFileAtomically(const QString& path, const QByteArray& bytes);

// Deletes the new files that writes to this path left behind when the process died before
// the rename; the file itself still holds its last complete content.
void RemoveLeftoverTemporaries(const QString& path);

} // namespace ovento
