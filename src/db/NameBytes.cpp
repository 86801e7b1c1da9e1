#include "db/NameBytes.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at `s`, or 0; `left` bytes remain.
int validSequence(const unsigned char* s, qsizetype left, char32_t& code)
{
    const unsigned char b = s[0];
    int length = 0;
    char32_t least = 0;
    if (b < 0x80) {
        code = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        length = 2, code = b & 0x1F, least = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        length = 3, code = b & 0x0F, least = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        length = 4, code = b & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (s[i] & 0x3F);
    }
    // Overlong forms, surrogates and numbers past Unicode are no valid text.
    if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

namespace nameBytes {

QString decode(const char* bytes, qsizetype size)
{
    QString text;
    text.reserve(size);
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    for (qsizetype i = 0; i < size;) {
        char32_t code = 0;
        if (const int length = validSequence(s + i, size - i, code); length > 0) {
            if (code >= 0x10000) {
                text.append(QChar(QChar::highSurrogate(code)));
                text.append(QChar(QChar::lowSurrogate(code)));
            } else {
                text.append(QChar(char16_t(code)));
            }
            i += length;
        } else {
            text.append(QChar(char16_t(kEscapeBase + s[i])));
            ++i;
        }
    }
    return text;
}

QByteArray encode(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 3);
    QString run;   // valid text between escaped bytes
    const auto flush = [&] {
        bytes.append(run.toUtf8());
        run.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool paired = QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const bool escaped = c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
        if (paired) {
            run.append(text.at(i));
            run.append(text.at(++i));
        } else if (escaped) {
            flush();
            bytes.append(char(c - kEscapeBase));
        } else {
            run.append(text.at(i));
        }
    }
    flush();
    return bytes;
}

} // namespace nameBytes
