#include "main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "picture_panel.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "desktop.h"
#include "qt_toolkit.h"
#include "text_box.h"

namespace drill {

namespace {

constexpr int kClientWidthTwips = 10875;
constexpr int kClientHeightTwips = 8595;
constexpr int kTimerIntervalMs = 15;
constexpr double kDefaultFontPoints = 7;

// What a screen reader says for the controls that show no caption of their
// own; the small boxes take the caption of the label beside them.
constexpr std::pair<const char*, const char*> kAccessibleNames[] = {
    {"txt_question", "Question"},
    {"txt_answer", "Answer"},
    {"Picture1", "Picture 1"},
    {"Picture2", "Picture 2"},
    {"List1", "List"},
};
constexpr std::pair<const char*, const char*> kLabelledBy[] = {
    {"txt_paragraph_goback", "lbl_paragraph_goback"},
    {"txt_parameter(0)", "lbl_parameter(0)"},
    {"txt_parameter(1)", "lbl_parameter(1)"},
    {"txt_parameter(2)", "lbl_parameter(2)"},
    {"txt_parameter(3)", "lbl_parameter(3)"},
};

enum class Kind { MultiLineText, Text, Button, Picture, Label, List };

struct ControlLayout {
    const char* name;
    Kind kind;
    const char* caption;  // caption or initial text
    int left, top, width, height;  // twips
};

// In tab order; labels take no focus and are skipped by Tab.
constexpr ControlLayout kControls[] = {
    {"txt_question", Kind::MultiLineText, "", 240, 720, 5175, 5255},
    {"txt_answer", Kind::MultiLineText, " ", 5640, 720, 5055, 5255},
    {"cmdNextQuestion", Kind::Button, "Next Question / Answer", 240, 0, 975, 735},
    {"cmd_enter_response", Kind::Button, "Enter Response", 5640, 240, 855, 495},
    {"Picture1", Kind::Picture, "", 240, 6080, 5175, 1375},
    {"Picture2", Kind::Picture, "", 5640, 6080, 5055, 1375},
    {"cmd_save_as_notes", Kind::Button, "Save as Notes", 6480, 240, 855, 495},
    {"cmd_Make_paragraph", Kind::Button, "Make Paragraph", 7320, 240, 975, 495},
    {"cmd_Make_Paragraph_question", Kind::Button, "Make Paragraph", 1200, 240, 855, 495},
    {"txt_paragraph_goback", Kind::Text, "1", 3120, 240, 495, 495},
    {"lbl_paragraph_goback", Kind::Label, "# sentences previous", 2160, 240, 1095, 495},
    {"cmd_timerTrigger", Kind::Button, "Trigger Timer", 2400, 7560, 735, 495},
    {"List1", Kind::List, "", 3120, 7680, 1695, 840},
    {"lbl_parameter(0)", Kind::Label, "Parameter 1", 5640, 7680, 900, 195},
    {"txt_parameter(0)", Kind::Text, "1", 6720, 7680, 300, 285},
    {"lbl_parameter(1)", Kind::Label, "Parameter 2", 5640, 8160, 855, 195},
    {"txt_parameter(1)", Kind::Text, "1", 6720, 8160, 300, 285},
    {"lbl_parameter(2)", Kind::Label, "Parameter 3", 7200, 7680, 1005, 195},
    {"txt_parameter(2)", Kind::Text, "1", 8205, 7680, 300, 285},
    {"lbl_parameter(3)", Kind::Label, "Parameter 4", 7200, 8160, 900, 195},
    {"txt_parameter(3)", Kind::Text, "1", 8205, 8160, 300, 285},
    {"cmd_displayCumulativeText", Kind::Button, "display everything", 3600, 240, 855, 495},
    {"cmd_display_note_file", Kind::Button, "display notes", 4440, 240, 975, 495},
    {"cmd_quit", Kind::Button, "quit program", 10200, 0, 735, 495},
    {"cmd_pend_exp", Kind::Button, "pend exp", 8640, 7560, 495, 375},
    {"cmd_next_picture", Kind::Button, "next picture", 1200, 7560, 855, 495},
    {"lbl_only_if_prompted", Kind::Label, "click only if prompted", 240, 7560, 855, 495},
    {"cmd_copy_picture", Kind::Button, "copy picture", 1200, 8160, 855, 495},
    {"cmd_clear_answer_box", Kind::Button, "clear box", 8280, 240, 855, 495},
};

int twipsToPixels(int twips, int dpi) { return qRound(twips * dpi / 1440.0); }

// A command button whose caption wraps within the button, as the narrow
// buttons of this window need ("Next Question / Answer" on two lines).
class CaptionButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QString caption = option.text;
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
        const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::ButtonText));
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, caption);
    }
};

// A list box that shows when it has the keyboard focus even while it holds
// no item, which the style alone does not.
class FocusShowingList : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void paintEvent(QPaintEvent* event) override {
        QListWidget::paintEvent(event);
        if (!hasFocus() || count() > 0) return;
        QPainter painter(viewport());
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(viewport()->rect().adjusted(1, 1, -1, -1));
    }
};

}  // namespace

template <class Command>
void MainWindow::runEvent(Command&& command) {
    if (ended_ || busy_) return;
    busy_ = true;
    std::optional<int> failure;
    bool end = false;
    try {
        command();
    } catch (const EndProgram&) {
        end = true;
    } catch (...) {
        failure = numberOfCurrentFailure();
    }
    if (end) {
        endProgram();
    } else if (failure && !ended_) {
        report(*failure);
    }
    busy_ = false;
}

MainWindow::MainWindow(const WindowServices& services, QWidget* parent)
    : QWidget(parent), files_(services.files), timer_(services.timer) {
    setObjectName("cmd_pend_exp");
    setWindowTitle("Form1");
    // Small enough that every caption fits its control at 96 DPI: "pend exp"
    // needs two lines in 25 pixels, "Parameter 2" one line in 57.
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(kDefaultFontPoints);
    setFont(font);
    buildControls();

    QtToolkit::Controls controls;
    controls.question = question_;
    controls.answer = answer_;
    controls.picture1 = picture1_;
    controls.picture2 = picture2_;
    toolkit_ = std::make_unique<QtToolkit>(controls, services.dialogs, services.beeper, services.timer);
    drill_ = std::make_unique<Drill>(
        Session{*toolkit_, services.files, services.clock, services.random, services.state});
    wire();
}

MainWindow::~MainWindow() {
    // The timer may outlive the window; no tick may reach it afterwards.
    timer_.setEnabled(false);
    timer_.setTickHandler({});
}

void MainWindow::buildControls() {
    const int dpiX = logicalDpiX();
    const int dpiY = logicalDpiY();
    setFixedSize(twipsToPixels(kClientWidthTwips, dpiX), twipsToPixels(kClientHeightTwips, dpiY));

    QFont boxFont(QStringLiteral("Arial"));
    boxFont.setPointSizeF(9.75);
    boxFont.setWeight(QFont::Normal);
    boxFont.setItalic(false);
    boxFont.setUnderline(false);
    boxFont.setStrikeOut(false);

    QWidget* previous = nullptr;
    for (const ControlLayout& control : kControls) {
        QWidget* widget = nullptr;
        const QString caption = QString::fromLatin1(control.caption);
        switch (control.kind) {
            case Kind::MultiLineText: {
                auto* edit = new CodePageTextEdit(this);
                edit->setFont(boxFont);
                edit->setPlainText(caption);
                widget = edit;
                break;
            }
            case Kind::Text: {
                auto* edit = new QLineEdit(caption, this);
                limitToCodePage(edit);
                widget = edit;
                break;
            }
            case Kind::Button:
                widget = new CaptionButton(caption, this);
                break;
            case Kind::Picture:
                widget = new PicturePanel(this);
                break;
            case Kind::Label: {
                auto* label = new QLabel(this);
                label->setTextFormat(Qt::PlainText);
                label->setText(caption);
                // Captions wrap where the label has room for more than one
                // line; a one-line label keeps its caption on its line.
                label->setWordWrap(twipsToPixels(control.height, dpiY) >=
                                   2 * label->fontMetrics().lineSpacing());
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                widget = label;
                break;
            }
            case Kind::List:
                widget = new FocusShowingList(this);
                break;
        }
        widget->setObjectName(QString::fromLatin1(control.name));
        widget->setGeometry(twipsToPixels(control.left, dpiX), twipsToPixels(control.top, dpiY),
                            twipsToPixels(control.width, dpiX), twipsToPixels(control.height, dpiY));
        if (widget->focusPolicy() & Qt::TabFocus) {
            if (previous != nullptr) QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    }

    for (const auto& [name, accessible] : kAccessibleNames)
        findChild<QWidget*>(QString::fromLatin1(name))->setAccessibleName(QString::fromLatin1(accessible));
    for (const auto& [name, labelName] : kLabelledBy) {
        auto* box = findChild<QWidget*>(QString::fromLatin1(name));
        auto* label = findChild<QLabel*>(QString::fromLatin1(labelName));
        label->setBuddy(box);
        box->setAccessibleName(label->text());
    }

    question_ = findChild<CodePageTextEdit*>("txt_question");
    answer_ = findChild<CodePageTextEdit*>("txt_answer");
    picture1_ = findChild<PicturePanel*>("Picture1");
    picture2_ = findChild<PicturePanel*>("Picture2");

    timer_.setEnabled(false);
    timer_.setInterval(kTimerIntervalMs);

    question_->setFocus();
}

void MainWindow::wire() {
    const std::pair<const char*, void (Drill::*)()> commands[] = {
        {"cmdNextQuestion", &Drill::nextQuestion},
        {"cmd_enter_response", &Drill::enterResponse},
        {"cmd_save_as_notes", &Drill::saveAsNotes},
        {"cmd_display_note_file", &Drill::displayNotes},
        {"cmd_displayCumulativeText", &Drill::displayEverything},
        {"cmd_clear_answer_box", &Drill::clearBox},
        {"cmd_copy_picture", &Drill::copyPicture},
        {"cmd_next_picture", &Drill::nextPicture},
        {"cmd_pend_exp", &Drill::pendExp},
    };
    for (const auto& [name, command] : commands) {
        auto* button = findChild<QPushButton*>(QString::fromLatin1(name));
        connect(button, &QPushButton::clicked, this,
                [this, command = command] { runEvent([this, command] { ((*drill_).*command)(); }); });
    }
    connect(findChild<QPushButton*>("cmd_quit"), &QPushButton::clicked, this,
            [this] { runEvent([] { throw EndProgram{}; }); });
    timer_.setTickHandler([this] { onTick(); });
}

bool MainWindow::load() {
    runEvent([this] { drill_->load(); });
    return !ended_;
}


void MainWindow::report(int number) {
    // The same rule as the drill's own reports: message A for 9, which ends
    // the program, message B with the number for any other.
    try {
        drill_->reportError(number);
    } catch (const EndProgram&) {
        endProgram();
    } catch (...) {
        // A box that cannot even be shown has nobody to tell.
    }
}

void MainWindow::reportFailure(int number) {
    if (!ended_) report(number);
}

void MainWindow::requestQuit() {
    if (ended_) return;
    if (!busy_) {
        runEvent([] { throw EndProgram{}; });
        return;
    }
    // A command is waiting on a modal box (nothing else lets the event loop
    // run inside one): no box may open or stay open any more, and the
    // command ends there.
    toolkit_->stopDialogs();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog != nullptr && dialog->isVisible())
            dialog->reject();
    }
}

void MainWindow::onTick() {
    // One event at a time: no tick while a command runs or a modal box is
    // open (the dialog's own loop still delivers timer events).
    if (ended_ || busy_ || toolkit_->modalOpen()) return;
    runEvent([this] { drill_->tick(); });
}

void MainWindow::endProgram() {
    if (ended_) return;
    ended_ = true;
    timer_.setEnabled(false);
    try {
        files_.closeAll();
    } catch (...) {
    }
    hide();
    emit ended();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    endProgram();
    event->accept();
}

}  // namespace drill
