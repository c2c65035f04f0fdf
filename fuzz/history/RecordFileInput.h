#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

namespace ovento::fuzz {

// Feeds one record.xml through the store as the program uses it: open, read every record,
// add, mark, delete, reopen. Aborts when a guarantee breaks: an unreadable file is kept aside
// unchanged, and every saved file loads again with the same readable records.
// The folder is emptied first and used as the application-data folder.
void RunRecordFileInput(const std::uint8_t* data, std::size_t size, const QString& folder);

} // namespace ovento::fuzz
