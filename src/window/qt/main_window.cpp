#include "main_window.h"

#include <QAccessible>
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

#include "code_page_text.h"
#include "picture_panel.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "qt_toolkit.h"
#include "text_box.h"
#include "window/controls.h"
#include "window/desktop.h"

namespace drill {

namespace {

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
    boundary_.run(std::forward<Command>(command));
    tellExperiment();
}

QFont fontOf(const FontSpec& wanted) {
    QFont font(QString::fromLatin1(wanted.family));
    font.setPointSizeF(wanted.points);
    return font;
}

MainWindow::MainWindow(const WindowServices& services, QWidget* parent)
    : QWidget(parent),
      files_(services.files),
      timer_(services.timer),
      boundary_([this](int number) { drill_->reportError(number); }, [this] { endProgram(); }) {
    setObjectName(QString::fromLatin1(kWindowName));
    setWindowTitle(QString::fromLatin1(kWindowCaption));
    setFont(fontOf(kDefaultFont));
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

    QFont boxFont = fontOf(kBoxFont);
    boxFont.setWeight(QFont::Normal);
    boxFont.setItalic(false);
    boxFont.setUnderline(false);
    boxFont.setStrikeOut(false);

    QWidget* previous = nullptr;
    for (const ControlSpec& control : controls()) {
        QWidget* widget = nullptr;
        const QString caption = QString::fromLatin1(control.caption);
        switch (control.kind) {
            case ControlKind::MultiLineText: {
                auto* edit = new CodePageTextEdit(this);
                edit->setFont(boxFont);
                edit->resetCodePageText(control.caption);
                widget = edit;
                break;
            }
            case ControlKind::Text: {
                auto* edit = new QLineEdit(caption, this);
                limitToCodePage(edit);
                widget = edit;
                break;
            }
            case ControlKind::Button:
                widget = new CaptionButton(caption, this);
                break;
            case ControlKind::Picture:
                widget = new PicturePanel(this);
                break;
            case ControlKind::Label: {
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
            case ControlKind::List:
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

    for (const ControlSpec& control : controls()) {
        auto* widget = findChild<QWidget*>(QString::fromLatin1(control.name));
        if (control.kind != ControlKind::Label)
            widget->setAccessibleName(QString::fromLatin1(accessibleNameOf(control).c_str()));
        if (control.description != nullptr) widget->setAccessibleDescription(QString::fromLatin1(control.description));
        if (control.labelledBy != nullptr)
            findChild<QLabel*>(QString::fromLatin1(control.labelledBy))->setBuddy(widget);
    }

    question_ = findChild<CodePageTextEdit*>("txt_question");
    answer_ = findChild<CodePageTextEdit*>("txt_answer");
    picture1_ = findChild<PicturePanel*>("Picture1");
    picture2_ = findChild<PicturePanel*>("Picture2");
    // Counted afresh whenever a screen reader asks: a tick only draws.
    picture1_->setLiveDescription(
        [this] { return toQt(experimentDescription(timer_.enabled(), picture1_->circles())); });

    timer_.setEnabled(false);
    timer_.setInterval(kTimerIntervalMs);

    question_->setFocus();
}

void MainWindow::wire() {
    for (const CommandWiring& wiring : commandWiring()) {
        auto* button = findChild<QPushButton*>(QString::fromLatin1(wiring.control));
        connect(button, &QPushButton::clicked, this,
                [this, run = wiring.run] { runEvent([this, run] { run(*drill_); }); });
    }
    timer_.setTickHandler([this] { onTick(); });
}

bool MainWindow::load() {
    runEvent([this] { drill_->load(); });
    return !boundary_.ended();
}

void MainWindow::reportFailure(int number) { boundary_.report(number); }

void MainWindow::requestQuit() {
    if (boundary_.ended()) return;
    if (!boundary_.busy()) {
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
    if (boundary_.ended() || boundary_.busy() || toolkit_->modalOpen()) return;
    runEvent([this] { drill_->tick(); });
}

void MainWindow::tellExperiment() {
    if (boundary_.ended()) return;
    if (!experimentNews_.due(timer_.enabled(), picture1_->circles())) return;
    if (!QAccessible::isActive()) return;
    QAccessibleEvent event(picture1_, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

void MainWindow::endProgram() {
    timer_.setEnabled(false);
    try {
        files_.closeAll();
    } catch (...) {
    }
    hide();
    emit ended();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    boundary_.endProgram();
    event->accept();
}

}  // namespace drill
