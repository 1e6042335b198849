#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <string>

namespace ch {

// Value name to stored text.
using IniValues = std::map<QString, std::string>;
// Key path ("/"-separated, "" for values outside any key) to its values.
using IniKeys = std::map<QString, IniValues>;

// The INI text that QSettings reads back as exactly these keys and values: its sections, its
// escapes, text that is not UTF-8 kept as a byte array. Written by us so that the bytes can go
// to disk through a writer that checks every step.
QByteArray IniText(const IniKeys& keys);

}  // namespace ch
