#include "code_page_text.h"

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
    QChar* dst = out.data();
    qsizetype n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b == '\r') {
            dst[n++] = u'\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            continue;
        }
        dst[n++] = QChar(static_cast<char16_t>(cp1252::toUnicode(b)));
    }
    out.truncate(n);
    return out;
}

std::string fromQt(QStringView text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()) + 16);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (isLineBreak(c)) {
            out += "\r\n";
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            out.push_back('?');
            ++i;
        } else {
            // fromUnicode gives '?' for what the code page lacks; a stray
            // surrogate lands there too. Never the substitute byte 0x1A.
            out.push_back(static_cast<char>(cp1252::fromUnicode(c)));
        }
    }
    return out;
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
