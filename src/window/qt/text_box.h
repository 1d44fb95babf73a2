#pragma once
// Text boxes that hold only characters of the code page: whatever is typed,
// pasted or dropped that the code page lacks shows as '?' at once, so the
// student sees exactly what will be recorded.
#include <QPlainTextEdit>
#include <optional>
#include <string>

class QLineEdit;

namespace drill {

// The multi-line boxes txt_question and txt_answer.
class CodePageTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CodePageTextEdit(QWidget* parent = nullptr);

    // The whole text in the code page, lines broken by CR LF.
    std::string codePageText() const;
    void setCodePageText(const std::string& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void limitedKeyPress(QKeyEvent* event);
    void limitedInputMethod(QInputMethodEvent* event);
    void limitedInsert(const QMimeData* source);

    // The code-page text the box was last set to, for as long as nothing else
    // has changed the box: reading a long box back through Qt costs more than
    // the command that reads it.
    std::optional<std::string> known_;
    bool setting_ = false;
};

// Keeps a one-line box to one line of the code page as the student edits it.
void limitToCodePage(QLineEdit* edit);

}  // namespace drill
