// The window's controls: names, kinds, captions, positions in twips turned
// into pixels, tab order and the settings of the two large boxes.
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QStyleOptionButton>
#include <QTimer>
#include <map>

#include "window/qt/picture_panel.h"
#include "window/qt/text_box.h"
#include "window_rig.h"

using drill::testing::WindowRig;

namespace {

int px(int twips, int dpi) { return qRound(twips * dpi / 1440.0); }

// What each kind of control shows as its caption or initial text.
QString captionOf(QWidget* w) {
    if (auto* b = qobject_cast<QPushButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* t = qobject_cast<drill::CodePageTextEdit*>(w)) return t->toPlainText();
    return {};
}

QString kindOf(QWidget* w) {
    if (qobject_cast<drill::CodePageTextEdit*>(w)) return "multi-line text box";
    if (qobject_cast<QLineEdit*>(w)) return "text box";
    if (qobject_cast<QPushButton*>(w)) return "command button";
    if (qobject_cast<drill::PicturePanel*>(w)) return "picture box";
    if (qobject_cast<QLabel*>(w)) return "label";
    if (qobject_cast<QListWidget*>(w)) return "list box";
    return "unknown";
}

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void control_data();
    void control();
    void windowItself();
    void fifteenTwipsAPixelAt96Dpi();
    void tabOrder();
    void tabKeyWalksFromAnswerBox();
    void questionBoxHasFocusWhenShown();
    void largeBoxes();
    void timerStartsDisabled();
    void panelsStartWhiteAndEmpty();
    void noOtherControls();
    void accessibilityTreeNamesEveryControl();
    void captionsFitTheirControls();
    void focusIsShown_data();
    void focusIsShown();
};

void LayoutTest::control_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("accessibleName");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("description");

    const char* tb = "text box";
    const char* mtb = "multi-line text box";
    const char* cb = "command button";
    const char* lb = "label";
    struct Row {
        const char* name;
        const char* kind;
        const char* caption;
        int left, top, width, height;
        const char* accessible = nullptr;  // what a screen reader says; the caption when not given
        const char* description = "";      // what it says besides, where the name does not tell
    } rows[] = {
        {"txt_question", mtb, "", 240, 720, 5175, 5255, "Question"},
        {"txt_answer", mtb, " ", 5640, 720, 5055, 5255, "Answer"},
        {"cmdNextQuestion", cb, "Next Question / Answer", 240, 0, 975, 735},
        {"cmd_enter_response", cb, "Enter Response", 5640, 240, 855, 495},
        {"Picture1", "picture box", "", 240, 6080, 5175, 1375, "Picture 1", "Experiment display, not started"},
        {"Picture2", "picture box", "", 5640, 6080, 5055, 1375, "Picture 2", "Shows the picture copied from Picture 1"},
        {"cmd_save_as_notes", cb, "Save as Notes", 6480, 240, 855, 495},
        {"cmd_Make_paragraph", cb, "Make Paragraph", 7320, 240, 975, 495, nullptr, "Make Paragraph of the answer box"},
        {"cmd_Make_Paragraph_question", cb, "Make Paragraph", 1200, 240, 855, 495, nullptr,
         "Make Paragraph of the question box"},
        {"txt_paragraph_goback", tb, "1", 3120, 240, 495, 495, "# sentences previous"},
        {"lbl_paragraph_goback", lb, "# sentences previous", 2160, 240, 1095, 495},
        {"cmd_timerTrigger", cb, "Trigger Timer", 2400, 7560, 735, 495},
        {"List1", "list box", "", 3120, 7680, 1695, 840, "List"},
        {"lbl_parameter(0)", lb, "Parameter 1", 5640, 7680, 900, 195},
        {"txt_parameter(0)", tb, "1", 6720, 7680, 300, 285, "Parameter 1"},
        {"lbl_parameter(1)", lb, "Parameter 2", 5640, 8160, 855, 195},
        {"txt_parameter(1)", tb, "1", 6720, 8160, 300, 285, "Parameter 2"},
        {"lbl_parameter(2)", lb, "Parameter 3", 7200, 7680, 1005, 195},
        {"txt_parameter(2)", tb, "1", 8205, 7680, 300, 285, "Parameter 3"},
        {"lbl_parameter(3)", lb, "Parameter 4", 7200, 8160, 900, 195},
        {"txt_parameter(3)", tb, "1", 8205, 8160, 300, 285, "Parameter 4"},
        {"cmd_displayCumulativeText", cb, "display everything", 3600, 240, 855, 495},
        {"cmd_display_note_file", cb, "display notes", 4440, 240, 975, 495},
        {"cmd_quit", cb, "quit program", 10200, 0, 735, 495},
        {"cmd_pend_exp", cb, "pend exp", 8640, 7560, 495, 375},
        {"cmd_next_picture", cb, "next picture", 1200, 7560, 855, 495},
        {"lbl_only_if_prompted", lb, "click only if prompted", 240, 7560, 855, 495},
        {"cmd_copy_picture", cb, "copy picture", 1200, 8160, 855, 495},
        {"cmd_clear_answer_box", cb, "clear box", 8280, 240, 855, 495},
    };
    const std::map<QString, QAccessible::Role> roles = {
        {tb, QAccessible::EditableText}, {mtb, QAccessible::EditableText}, {cb, QAccessible::Button},
        {lb, QAccessible::StaticText},   {"picture box", QAccessible::Graphic}, {"list box", QAccessible::List},
    };
    for (const Row& r : rows)
        QTest::newRow(r.name) << QString(r.kind) << QString(r.caption) << r.left << r.top << r.width << r.height
                              << QString(r.accessible ? r.accessible : r.caption)
                              << static_cast<int>(roles.at(r.kind)) << QString(r.description);
}

void LayoutTest::control() {
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, accessibleName);
    QFETCH(int, role);
    QFETCH(QString, description);

    WindowRig rig;
    auto* w = rig.find<QWidget>(QTest::currentDataTag());
    QVERIFY2(w != nullptr, QTest::currentDataTag());
    QCOMPARE(w->parentWidget(), &rig.window);
    QCOMPARE(kindOf(w), kind);
    QCOMPARE(captionOf(w), caption);

    const int dx = rig.window.logicalDpiX();
    const int dy = rig.window.logicalDpiY();
    QCOMPARE(w->geometry(), QRect(px(left, dx), px(top, dy), px(width, dx), px(height, dy)));

    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    QVERIFY(a != nullptr);
    QCOMPARE(a->text(QAccessible::Name), accessibleName);
    QCOMPARE(static_cast<int>(a->role()), role);
    QCOMPARE(a->text(QAccessible::Description), description);
}

// The window as a screen reader walks it: every control is there, each with
// a name to say.
void LayoutTest::accessibilityTreeNamesEveryControl() {
    WindowRig rig;
    QVERIFY(rig.open());
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&rig.window);
    QVERIFY(window != nullptr);
    QStringList named;
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface* child = window->child(i);
        if (child == nullptr || child->object() == nullptr) continue;
        const QString name = child->object()->objectName();
        QVERIFY2(!child->text(QAccessible::Name).trimmed().isEmpty(), qPrintable(name));
        named << name;
    }
    QCOMPARE(named.size(), 29);
}

// At 96 DPI, in the window's own font: no caption is cut, and no word of a
// wrapped one is broken.
void LayoutTest::captionsFitTheirControls() {
    WindowRig rig;
    if (rig.window.logicalDpiX() != 96) QSKIP("the screen's logical DPI is not 96");
    int checked = 0;
    for (QWidget* w : rig.window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QString caption;
        QRect area;
        bool wraps = true;
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            caption = b->text();
            QStyleOptionButton option;
            option.initFrom(b);
            area = b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b);
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            caption = l->text();
            area = l->contentsRect();
            wraps = l->wordWrap();
        } else {
            continue;
        }
        const QFontMetrics fm(w->font());
        const QRect text = wraps ? fm.boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, caption)
                                 : fm.boundingRect(caption);
        int widestWord = 0;
        for (const QString& word : caption.split(' ')) widestWord = std::max(widestWord, fm.horizontalAdvance(word));
        const QString what = w->objectName() + ": \"" + caption + "\"";
        QVERIFY2(text.width() <= area.width() && widestWord <= area.width(), qPrintable(what + " too wide"));
        QVERIFY2(text.height() <= area.height(), qPrintable(what + " too high"));
        ++checked;
    }
    QCOMPARE(checked, 19);  // 13 buttons and 6 labels
}

void LayoutTest::focusIsShown_data() {
    QTest::addColumn<QString>("name");
    for (const char* name : {"Picture1", "Picture2", "List1"}) QTest::newRow(name) << QString(name);
}

// The three controls of the tab order that show no caret or caption show the
// keyboard focus in the highlight colour.
void LayoutTest::focusIsShown() {
    QFETCH(QString, name);
    WindowRig rig;
    QVERIFY(rig.open());
    rig.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.window));
    auto* w = rig.find<QWidget>(name);
    const QColor highlight = w->palette().color(QPalette::Highlight);
    const auto highlighted = [&] {
        const QImage shot = w->grab().toImage();
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) n += QColor(shot.pixel(x, y)) == highlight;
        return n;
    };
    const int before = highlighted();
    w->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w);
    QVERIFY2(highlighted() > before + 100, qPrintable(name));
}

void LayoutTest::windowItself() {
    WindowRig rig;
    QCOMPARE(rig.window.objectName(), QString("cmd_pend_exp"));
    QCOMPARE(rig.window.windowTitle(), QString("Form1"));
    const QSize client(px(10875, rig.window.logicalDpiX()), px(8595, rig.window.logicalDpiY()));
    QCOMPARE(rig.window.size(), client);
    // A fixed size: the controls never follow the window.
    QCOMPARE(rig.window.minimumSize(), client);
    QCOMPARE(rig.window.maximumSize(), client);
}

void LayoutTest::fifteenTwipsAPixelAt96Dpi() {
    WindowRig rig;
    if (rig.window.logicalDpiX() != 96 || rig.window.logicalDpiY() != 96)
        QSKIP("the screen's logical DPI is not 96");
    QCOMPARE(rig.window.size(), QSize(725, 573));
    QCOMPARE(rig.find<QWidget>("txt_question")->geometry(), QRect(16, 48, 345, 350));
    // 1375 twips is 91.67 pixels: rounded, not cut.
    QCOMPARE(rig.find<QWidget>("Picture1")->geometry(), QRect(16, 405, 345, 92));
    QCOMPARE(rig.find<QWidget>("txt_parameter(2)")->geometry(), QRect(547, 512, 20, 19));
}

void LayoutTest::tabOrder() {
    WindowRig rig;
    const QStringList expected = {
        "txt_question",     "txt_answer",       "cmdNextQuestion",
        "cmd_enter_response", "Picture1",       "Picture2",
        "cmd_save_as_notes", "cmd_Make_paragraph", "cmd_Make_Paragraph_question",
        "txt_paragraph_goback", "cmd_timerTrigger", "List1",
        "txt_parameter(0)", "txt_parameter(1)", "txt_parameter(2)",
        "txt_parameter(3)", "cmd_displayCumulativeText", "cmd_display_note_file",
        "cmd_quit",         "cmd_pend_exp",     "cmd_next_picture",
        "cmd_copy_picture", "cmd_clear_answer_box",
    };
    // Walk the focus chain from the first control, keeping those Tab stops at.
    QStringList chain;
    QWidget* start = rig.find<QWidget>("txt_question");
    QWidget* w = start;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->parentWidget() == &rig.window)
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != start && chain.size() <= expected.size());
    QCOMPARE(chain, expected);

    // Labels are skipped by Tab.
    for (auto* label : rig.window.findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        QVERIFY(!(label->focusPolicy() & Qt::TabFocus));
}

void LayoutTest::tabKeyWalksFromAnswerBox() {
    WindowRig rig;
    QVERIFY(rig.open());
    rig.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.window));
    auto* answer = rig.find<QWidget>("txt_answer");
    answer->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), answer);
    for (const char* next : {"cmdNextQuestion", "cmd_enter_response", "Picture1", "Picture2"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString(next));
    }
    // The answer box takes no tab character: Tab moved on instead.
    QCOMPARE(rig.answer(), std::string(" "));
}

void LayoutTest::questionBoxHasFocusWhenShown() {
    WindowRig rig;
    QVERIFY(rig.open());
    rig.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.window));
    QTRY_COMPARE(QApplication::focusWidget(), rig.find<QWidget>("txt_question"));
}

void LayoutTest::largeBoxes() {
    WindowRig rig;
    QVERIFY(rig.open());
    for (const char* name : {"txt_question", "txt_answer"}) {
        auto* box = rig.find<drill::CodePageTextEdit>(name);
        QVERIFY(box != nullptr);
        QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        // Lines wrap at the box's width.
        std::string words;
        for (int k = 0; k < 200; ++k) words += "wrapping ";
        box->setCodePageText(words);
        QVERIFY(box->lineCount() > 10);
        for (int line = 0; line + 1 < box->lineCount(); ++line) {
            box->setPosition(box->lineStart(line + 1) - 1);
            QVERIFY(box->caretRect().right() <= box->viewport()->width());
        }
        const QFont f = box->font();
        QCOMPARE(f.family(), QString("Arial"));
        QCOMPARE(f.pointSizeF(), 9.75);
        QCOMPARE(f.weight(), QFont::Normal);
        QVERIFY(!f.italic() && !f.underline() && !f.strikeOut());
    }
    // Every other control keeps the window's font.
    QVERIFY(rig.find<QWidget>("cmd_quit")->font() == rig.window.font());
    QVERIFY(rig.find<QWidget>("txt_parameter(0)")->font() == rig.window.font());
}

void LayoutTest::timerStartsDisabled() {
    WindowRig rig;
    QCOMPARE(rig.timer.interval(), 15);
    QVERIFY(!rig.timer.enabled());
    QVERIFY(rig.load());
    QVERIFY(!rig.timer.enabled());
}

void LayoutTest::panelsStartWhiteAndEmpty() {
    WindowRig rig;
    QVERIFY(rig.open());
    for (const char* name : {"Picture1", "Picture2"}) {
        auto* panel = rig.find<drill::PicturePanel>(name);
        QVERIFY(!panel->picture().has_value());
        // Start-up gave both the 1000 by 1000 scale.
        QCOMPARE(panel->scaleWidth(), 1000.0);
        QCOMPARE(panel->scaleHeight(), 1000.0);
        const QImage shot = panel->grab().toImage();
        const QPoint mid = panel->contentsRect().center();
        QCOMPARE(QColor(shot.pixel(mid)), QColor(Qt::white));
    }
}

void LayoutTest::noOtherControls() {
    WindowRig rig;
    // 29 controls of the table, and nothing else the student could reach.
    int controls = 0;
    for (QWidget* w : rig.window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isWindow()) ++controls;
    QCOMPARE(controls, 29);
    // Its one timer is the one it was given; it keeps none of its own.
    QCOMPARE(rig.window.findChildren<QTimer*>(Qt::FindDirectChildrenOnly).size(), 0);
}

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
