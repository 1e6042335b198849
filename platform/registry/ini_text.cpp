#include "platform/registry/ini_text.h"

#include <cctype>

namespace ch {
namespace {

void AppendHex(QByteArray& out, uint code) {
    out += "\\x";
    out += QByteArray::number(code, 16);
}

bool IsHexDigit(uint code) {
    return (code >= '0' && code <= '9') || (code >= 'a' && code <= 'f') ||
           (code >= 'A' && code <= 'F');
}

// Names keep letters, digits, "_", "-" and "."; "/" becomes "\"; anything else is %XX or %UXXXX.
void AppendName(QByteArray& out, const QString& name) {
    for (const QChar qch : name) {
        const uint code = qch.unicode();
        if (code == '/') {
            out += '\\';
        } else if ((code < 0x80 && std::isalnum(static_cast<int>(code))) || code == '_' ||
                   code == '-' || code == '.') {
            out += static_cast<char>(code);
        } else if (code <= 0xFF) {
            out += '%' + QByteArray::number(code, 16).toUpper().rightJustified(2, '0');
        } else {
            out += "%U" + QByteArray::number(code, 16).toUpper().rightJustified(4, '0');
        }
    }
}

// Quoted when a separator or an edge space would otherwise change what is read. A hex escape is
// read as long as hex digits follow, so a digit after one is escaped too. Plain characters are
// encoded in runs, so that a surrogate pair stays one character.
void AppendEscaped(QByteArray& out, const QString& text, bool bytes) {
    QByteArray body;
    QString plain;
    bool quote = false, escapeHexDigit = false;
    for (const QChar qch : text) {
        const uint code = qch.unicode();
        quote = quote || code == ';' || code == ',' || code == '=';
        const bool hexDigitAfterEscape = escapeHexDigit && IsHexDigit(code);
        escapeHexDigit = false;
        if (!hexDigitAfterEscape && code >= 0x20 && code != '"' && code != '\\' &&
            !(bytes && code >= 0x7F)) {
            plain += qch;
            continue;
        }
        body += plain.toUtf8();
        plain.clear();
        if (code == '"' || code == '\\') {
            body += '\\';
            body += static_cast<char>(code);
        } else {
            AppendHex(body, code);
            escapeHexDigit = true;
        }
    }
    body += plain.toUtf8();
    quote = quote || body.startsWith(' ') || body.endsWith(' ');
    out += quote ? '"' + body + '"' : body;
}

void AppendValue(QByteArray& out, const std::string& text) {
    const QByteArray bytes = QByteArray::fromStdString(text);
    const QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() != bytes) {
        AppendEscaped(out, "@ByteArray(" + QString::fromLatin1(bytes) + ')', true);
    } else {
        AppendEscaped(out, decoded.startsWith('@') ? '@' + decoded : decoded, false);
    }
}

}  // namespace

QByteArray IniText(const IniKeys& keys) {
    // One section per first name of a key path, as QSettings lays it out; the rest of the path
    // goes before each value name.
    std::map<QString, std::map<QString, const std::string*>> sections;
    for (const auto& [path, values] : keys) {
        const qsizetype cut = path.indexOf('/');
        const QString section = path.left(cut);
        const QString prefix = cut < 0 ? QString() : path.mid(cut + 1) + '/';
        for (const auto& [name, text] : values) sections[section][prefix + name] = &text;
    }
    QByteArray out;
    for (const auto& [section, values] : sections) {
        if (!out.isEmpty()) out += '\n';
        out += '[';
        if (section.isEmpty()) {
            out += "General";
        } else {
            // A key of that name would be read as the values outside any key.
            if (section.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0) out += '%';
            AppendName(out, section);
        }
        out += "]\n";
        for (const auto& [name, text] : values) {
            AppendName(out, name);
            out += '=';
            AppendValue(out, *text);
            out += '\n';
        }
    }
    return out;
}

}  // namespace ch
