#pragma once
// What the system needs of the windowing toolkit. The window implements it on
// Qt; tests implement it with a fake that answers dialogs from a queue.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drill {

enum class TextBox { Question, Answer };
enum class Panel { Picture1, Picture2 };

// A picture shown as a panel's background: ARGB32 pixels, row by row.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    bool operator==(const Picture&) const = default;
};

class Toolkit {
public:
    virtual ~Toolkit() = default;

    // Modal boxes; the input box gives the empty text on Cancel.
    virtual std::string inputBox(const std::string& prompt, const std::string& caption) = 0;
    virtual void messageBox(const std::string& text, const std::string& caption) = 0;
    virtual void beep() = 0;

    // Texts in the code page, lines broken by CR LF.
    virtual std::string text(TextBox box) = 0;
    virtual void setText(TextBox box, const std::string& text) = 0;

    virtual std::optional<Picture> picture(Panel panel) = 0;
    virtual void setPicture(Panel panel, const std::optional<Picture>& picture) = 0;
    virtual void setScale(Panel panel, double height, double width) = 0;
    // Outline of a true circle, centre and radius in user units, radius horizontal.
    virtual void circle(Panel panel, double x, double y, double radius) = 0;

    virtual void enableTimer() = 0;

    virtual void clipboardPut(const Picture& picture) = 0;
    virtual std::optional<Picture> clipboardTake() = 0;
};

}  // namespace drill
