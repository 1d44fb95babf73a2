#pragma once
// What the master, send and notes files must hold, built by the tests from
// the record formats alone. Dates, times and the cover line cannot be known in
// advance: they are fields, read back from the file, checked for their form
// and then taken as expected, so a whole file can be compared byte for byte.
// A field with an id seen before must repeat the value seen first.
#include <map>
#include <set>
#include <string>
#include <vector>

namespace drill::e2e {

class Record {
public:
    enum class Kind { Text, Time, Date, Cover };
    struct Piece {
        Kind kind;
        std::string value;  // the literal text, or the field's id
    };

    Record() = default;
    Record(std::string text) { this->text(std::move(text)); }  // NOLINT: literal text
    Record(const char* text) : Record(std::string(text)) {}    // NOLINT

    Record& text(const std::string& literal);
    Record& time(const std::string& id);   // hh:mm:ss on the 24-hour clock
    Record& date(const std::string& id);   // mm-dd-yyyy
    Record& cover(const std::string& id);  // a cover line, up to its line end
    Record& operator+=(const Record& other);
    friend Record operator+(Record a, const Record& b) { return a += b; }

    // The same record with every CR and LF taken out of its literal text:
    // how a file looks when its lines are read and joined without separators.
    Record joinedLines() const;

    const std::vector<Piece>& pieces() const { return pieces_; }

private:
    std::vector<Piece> pieces_;
};

// Field values read so far, and the dates a date field may hold (any valid
// date when empty).
struct Fields {
    std::map<std::string, std::string> values;
    std::set<std::string> allowedDates;
};

// The bytes the record stands for, with each field filled from `actual` at
// the same position when it has the field's form (and its earlier value when
// it has one); a field of the wrong form is filled with text that cannot
// match. Fields read are added to `fields`.
std::string expectedBytes(const Record& record, const std::string& actual, std::size_t pos, Fields& fields);

// True when `actual` holds the record at `pos`; `end` is then just after it
// and the fields read are added to `fields` (left alone otherwise).
bool matchAt(const Record& record, const std::string& actual, std::size_t pos, Fields& fields,
             std::size_t& end);

// The blocks of the record formats. Texts are in the code page.
namespace block {

inline const std::string kCrLf = "\r\n";
inline const std::string kBangRule = "......!!!!!!!!...................................";
inline const std::string kDotRule = ".................................................";
inline const std::string kClockIndent(36, ' ');
inline const std::string kTitle = "001.  Part A";
inline const std::string kAnswerSep = " YOUR ANSWER  ->->->->  ";
inline const std::string kQaSep = " <-<-<-<-  Q/A:   ";

// The texts of the built-in script the student is shown, in order.
inline const std::string kLine3 =
    "If you were to let the water from one bottle flow into another bottle, with tubes at the bottom of "
    "both bottles and the first bottle full and with water just to the level of the hole in the second "
    "bottle, then how will the water level in the second bottle change with clock time from the beginning "
    "until the water in both bottles is again at the level of the holes?";
inline const std::string kLine5 =
    "For the situation just described sketch graphs of the flow rate from the first bottle, flow rate vs. "
    "depth for the second bottle and depth vs. clock time for the second.";
inline const std::string kLine7 =
    "Go do the experiment  Measure depth vs. clock time for the second bottle; record the initial depth "
    "in the first bottle.";

struct Header {
    std::string name;
    std::string initials;
    std::string assignment;  // as it stands after start-up, such as 001
    std::string run;         // prefix of the field ids of this run
};

Record masterHeader(const Header& h);
Record sendHeader(const Header& h);

// `id` makes the field ids of this block unique.
Record masterResponse(const std::string& id, const std::string& scriptLine, const std::string& number,
                      const Record& response);
Record sendResponse(const std::string& id, const std::string& scriptLine, const Record& response);

enum class NotesFile { Master, Send, Notes };
Record notes(NotesFile file, const std::string& id, const std::string& scriptLine, const Record& note);

}  // namespace block

// Checks of a single field's form, for tests that read fields themselves.
bool isTime(const std::string& s);
bool isDate(const std::string& s);
bool isCoverLine(const std::string& s);

}  // namespace drill::e2e
