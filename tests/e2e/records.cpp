#include "records.h"

#include <algorithm>

namespace drill::e2e {

namespace {

bool digits(const std::string& s, std::size_t from, std::size_t count) {
    return std::all_of(s.begin() + static_cast<long>(from), s.begin() + static_cast<long>(from + count),
                       [](char c) { return c >= '0' && c <= '9'; });
}

int number(const std::string& s, std::size_t from, std::size_t count) {
    return std::stoi(s.substr(from, count));
}

// Stands in for a field of the wrong form; never a valid field, so the
// comparison of the whole file fails right there.
std::string unreadable(Record::Kind kind) {
    switch (kind) {
    case Record::Kind::Time: return "<not a time>";
    case Record::Kind::Date: return "<not a date>";
    default: return "<not a cover line>";
    }
}

}  // namespace

bool isTime(const std::string& s) {
    return s.size() == 8 && digits(s, 0, 2) && s[2] == ':' && digits(s, 3, 2) && s[5] == ':' &&
           digits(s, 6, 2) && number(s, 0, 2) < 24 && number(s, 3, 2) < 60 && number(s, 6, 2) < 60;
}

bool isDate(const std::string& s) {
    if (s.size() != 10 || !digits(s, 0, 2) || s[2] != '-' || !digits(s, 3, 2) || s[5] != '-' ||
        !digits(s, 6, 4))
        return false;
    const int month = number(s, 0, 2);
    const int day = number(s, 3, 2);
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

bool isCoverLine(const std::string& s) {
    if (s.size() < 19 || s.size() > 56) return false;
    return std::none_of(s.begin(), s.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code < 66 || code == 117;
    });
}

Record& Record::text(const std::string& literal) {
    if (literal.empty()) return *this;
    if (!pieces_.empty() && pieces_.back().kind == Kind::Text)
        pieces_.back().value += literal;
    else
        pieces_.push_back({Kind::Text, literal});
    return *this;
}

Record& Record::time(const std::string& id) {
    pieces_.push_back({Kind::Time, id});
    return *this;
}

Record& Record::date(const std::string& id) {
    pieces_.push_back({Kind::Date, id});
    return *this;
}

Record& Record::cover(const std::string& id) {
    pieces_.push_back({Kind::Cover, id});
    return *this;
}

Record& Record::operator+=(const Record& other) {
    for (const Piece& p : other.pieces_) {
        if (p.kind == Kind::Text)
            text(p.value);
        else
            pieces_.push_back(p);
    }
    return *this;
}

Record Record::joinedLines() const {
    Record out;
    for (const Piece& p : pieces_) {
        if (p.kind != Kind::Text) {
            out.pieces_.push_back(p);
            continue;
        }
        std::string t;
        std::copy_if(p.value.begin(), p.value.end(), std::back_inserter(t),
                     [](char c) { return c != '\r' && c != '\n'; });
        out.text(t);
    }
    return out;
}

std::string expectedBytes(const Record& record, const std::string& actual, std::size_t pos, Fields& fields) {
    std::string out;
    std::size_t p = pos;
    for (const Record::Piece& piece : record.pieces()) {
        if (piece.kind == Record::Kind::Text) {
            out += piece.value;
            p += piece.value.size();
            continue;
        }
        if (auto known = fields.values.find(piece.value); known != fields.values.end()) {
            out += known->second;
            p += known->second.size();
            continue;
        }
        std::string seen;
        bool ok = false;
        if (piece.kind == Record::Kind::Cover) {
            const std::size_t end = p < actual.size() ? actual.find("\r\n", p) : std::string::npos;
            seen = p < actual.size() ? actual.substr(p, end == std::string::npos ? end : end - p) : "";
            ok = isCoverLine(seen);
        } else {
            const std::size_t width = piece.kind == Record::Kind::Time ? 8 : 10;
            seen = p < actual.size() ? actual.substr(p, width) : "";
            ok = piece.kind == Record::Kind::Time
                     ? isTime(seen)
                     : isDate(seen) && (fields.allowedDates.empty() || fields.allowedDates.count(seen) > 0);
        }
        if (!ok) {
            out += unreadable(piece.kind);
            p += seen.size();
            continue;
        }
        fields.values[piece.value] = seen;
        out += seen;
        p += seen.size();
    }
    return out;
}

bool matchAt(const Record& record, const std::string& actual, std::size_t pos, Fields& fields,
             std::size_t& end) {
    Fields trial = fields;
    const std::string expected = expectedBytes(record, actual, pos, trial);
    if (pos > actual.size() || actual.compare(pos, expected.size(), expected) != 0) return false;
    fields = std::move(trial);
    end = pos + expected.size();
    return true;
}

namespace block {

namespace {

Record header(const Header& h, bool send) {
    Record r;
    r.cover(h.run + "cover").text(kCrLf);
    r.text("Student Name:  " + h.name + kCrLf);
    r.text("assignment #" + h.assignment + kCrLf);
    r.text(kTitle + kCrLf);
    r.text("Initials:  " + h.initials + kCrLf);
    const std::string file = send ? "send" : "master";
    r.text("Date and Time ").date(h.run + file + ".date").text(send ? " " : "");
    r.time(h.run + file + ".time").text(kCrLf);
    return r;
}

}  // namespace

Record masterHeader(const Header& h) { return header(h, false); }
Record sendHeader(const Header& h) { return header(h, true); }

Record masterResponse(const std::string& id, const std::string& scriptLine, const std::string& number,
                      const Record& response) {
    Record r(kBangRule + kCrLf + kClockIndent);
    r.time(id + ".master.time").text(kCrLf);
    r.text(kCrLf + kCrLf + "`questionNumber " + number + " " + kCrLf);
    r.text(scriptLine + kCrLf + kBangRule + kCrLf + "RESPONSE -->  " + kCrLf);
    r += response;
    r.text(kCrLf + kDotRule + kCrLf);
    return r;
}

Record sendResponse(const std::string& id, const std::string& scriptLine, const Record& response) {
    Record r(kBangRule + kCrLf + kClockIndent);
    r.time(id + ".send.time").text(kCrLf);
    r.text(scriptLine + kCrLf + kBangRule + kCrLf + "RESPONSE -->  " + kCrLf);
    r += response;
    r.text(kCrLf + kDotRule + kCrLf);
    return r;
}

Record notes(NotesFile file, const std::string& id, const std::string& scriptLine, const Record& note) {
    const std::string f = file == NotesFile::Master ? ".master" : file == NotesFile::Send ? ".send" : ".notes";
    Record r(kBangRule + kCrLf + kClockIndent);
    r.time(id + f + ".time1").text(kCrLf + kClockIndent);
    r.date(id + f + ".date").time(id + f + ".time2").text(kCrLf);
    r.text(scriptLine + kCrLf + kBangRule + kCrLf + "NOTES -------> ");
    r += note;
    // The send and notes files leave the last line open, padded to the next
    // print zone.
    r.text(kCrLf + kDotRule + (file == NotesFile::Master ? kCrLf : std::string(7, ' ')));
    return r;
}

}  // namespace block

}  // namespace drill::e2e
