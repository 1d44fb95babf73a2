#include "code_page_text.h"

#include <cstring>

#include "platform/codepage.h"

namespace drill {

namespace {

constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char16_t kLineSeparator = 0x2028;

bool isLineBreak(char16_t c) {
    return c == u'\n' || c == kParagraphSeparator || c == kLineSeparator;
}

}  // namespace

QString toQt(std::string_view text) {
    // Every byte is one UTF-16 unit (the code page lies in the BMP), so the
    // result is never longer than the input.
    QString out(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    char16_t* const start = reinterpret_cast<char16_t*>(out.data());
    char16_t* dst = start;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + text.size();
    // Boxes may hold megabytes: the text goes line by line (memchr finds the
    // CRs), each line widened as Latin-1 in loops the compiler vectorises,
    // and only a line with a byte from 80 to 9F, where the code page differs
    // from Latin-1, is looked at byte by byte.
    while (p < end) {
        const auto* cr = static_cast<const unsigned char*>(
            std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
        const std::size_t len = static_cast<std::size_t>((cr != nullptr ? cr : end) - p);
        unsigned char high = 0;
        for (std::size_t k = 0; k < len; ++k) {
            dst[k] = p[k];
            high |= static_cast<unsigned char>((p[k] & 0xE0) == 0x80);
        }
        if (high != 0)
            for (std::size_t k = 0; k < len; ++k)
                if ((p[k] & 0xE0) == 0x80) dst[k] = static_cast<char16_t>(cp1252::toUnicode(p[k]));
        dst += len;
        p += len;
        if (cr == nullptr) break;
        // CR LF or a lone CR: one line break.
        *dst++ = u'\n';
        p = cr + 1;
        if (p < end && *p == '\n') ++p;
    }
    out.truncate(dst - start);
    return out;
}

std::string fromQt(QStringView text) {
    const qsizetype n = text.size();
    const char16_t* src = text.utf16();
    // A line break gives two bytes, every other unit at most one.
    qsizetype breaks = 0;
    for (qsizetype i = 0; i < n; ++i) breaks += isLineBreak(src[i]);
    std::string out(static_cast<std::size_t>(n + breaks), '\0');
    char* dst = out.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        // Boxes may hold megabytes, nearly all ASCII: that maps to itself.
        if (c < 0x80 && c != u'\n') {
            *dst++ = static_cast<char>(c);
        } else if (isLineBreak(c)) {
            *dst++ = '\r';
            *dst++ = '\n';
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(src[i + 1])) {
            *dst++ = '?';
            ++i;
        } else {
            // fromUnicode gives '?' for what the code page lacks; a stray
            // surrogate lands there too. Never the substitute byte 0x1A.
            *dst++ = static_cast<char>(cp1252::fromUnicode(c));
        }
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return out;
}

QString firstLine(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' || isLineBreak(c)) return text.left(i).toString();
    }
    return text.toString();
}

bool inCodePage(char32_t codePoint) {
    return codePoint == U'?' || cp1252::fromUnicode(codePoint) != '?';
}

QString limitToCodePage(QStringView text) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (isLineBreak(c) || inCodePage(c)) {
            out.append(QChar(c));
        } else {
            if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) ++i;
            out.append(u'?');
        }
    }
    return out;
}

}  // namespace drill
