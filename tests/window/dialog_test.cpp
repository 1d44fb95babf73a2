// The modal boxes on Qt: the input box answers with the code-page text the
// student typed or the empty text on Cancel, the message box shows its text
// plainly with one OK.
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "drill/texts.h"
#include "window/qt/qt_desktop.h"

namespace {

// Runs `act` on the modal box once it is open.
void whenModalOpens(const std::function<void(QWidget*)>& act) {
    QTimer::singleShot(0, [act] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr) qFatal("no modal box open");
        act(box);
    });
}

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void inputBoxAnswer_data();
    void inputBoxAnswer();
    void inputBoxStartsEmptyAndShowsThePrompt();
    void inputBoxIsWideEnoughForTheFirstPrompt();
    void inputBoxShowsTypedTextAsRecorded();
    void messageBoxShowsPlainTextWithOneOk();
};

void DialogTest::inputBoxAnswer_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("plain") << "Ann Lee" << true << QByteArray("Ann Lee");
    QTest::newRow("code-page letters") << QString::fromUtf8("Ren\xC3\xA9\xE2\x82\xAC") << true
                                       << QByteArray("Ren\xE9\x80");
    QTest::newRow("outside the code page")
        << QString::fromUtf8("\xCE\xA9 2") << true << QByteArray("? 2");
    QTest::newRow("blanks kept") << "  2  " << true << QByteArray("  2  ");
    QTest::newRow("cancel") << "typed then cancelled" << false << QByteArray();
}

void DialogTest::inputBoxAnswer() {
    QFETCH(QString, typed);
    QFETCH(bool, ok);
    QFETCH(QByteArray, answer);
    drill::QtDialogs dialogs;
    whenModalOpens([&](QWidget* box) {
        auto* edit = box->findChild<QLineEdit*>();
        edit->setText(typed);
        auto* dialog = qobject_cast<QDialog*>(box);
        ok ? dialog->accept() : dialog->reject();
    });
    const std::string got = dialogs.inputBox(drill::texts::kPrompt2, drill::texts::kCaption);
    QCOMPARE(QByteArray::fromStdString(got), answer);
}

void DialogTest::inputBoxStartsEmptyAndShowsThePrompt() {
    drill::QtDialogs dialogs;
    QString shownPrompt, shownText, caption;
    int buttons = 0;
    whenModalOpens([&](QWidget* box) {
        caption = box->windowTitle();
        shownText = box->findChild<QLineEdit*>()->text();
        for (auto* label : box->findChildren<QLabel*>())
            if (!label->text().isEmpty()) shownPrompt = label->text();
        buttons = box->findChild<QDialogButtonBox*>()->buttons().size();
        qobject_cast<QDialog*>(box)->reject();
    });
    // A prompt that looks like markup is still shown as it is.
    dialogs.inputBox("<b>Your full name:</b>  ", drill::texts::kCaption);
    QCOMPARE(caption, QString(drill::texts::kCaption));
    QCOMPARE(shownText, QString());
    QCOMPARE(shownPrompt, QString("<b>Your full name:</b>  "));
    QCOMPARE(buttons, 2);  // OK and Cancel
}

// As wide as intended: the first prompt stands on one line.
void DialogTest::inputBoxIsWideEnoughForTheFirstPrompt() {
    drill::QtDialogs dialogs;
    int width = 0, labelWidth = 0, promptWidth = 0;
    whenModalOpens([&](QWidget* box) {
        width = box->width();
        for (auto* label : box->findChildren<QLabel*>()) {
            if (label->text() != drill::texts::kPrompt1) continue;
            labelWidth = label->contentsRect().width();
            promptWidth = label->fontMetrics().horizontalAdvance(label->text());
        }
        qobject_cast<QDialog*>(box)->reject();
    });
    dialogs.inputBox(drill::texts::kPrompt1, drill::texts::kCaption);
    QVERIFY2(width >= 420, qPrintable(QString::number(width)));
    QVERIFY(promptWidth > 0);
    QVERIFY2(promptWidth <= labelWidth, qPrintable(QString("%1 > %2").arg(promptWidth).arg(labelWidth)));
}

void DialogTest::inputBoxShowsTypedTextAsRecorded() {
    drill::QtDialogs dialogs;
    QString shown;
    whenModalOpens([&](QWidget* box) {
        auto* edit = box->findChild<QLineEdit*>();
        for (const QString& key : {QString("A"), QString(QChar(0x3A9)), QString(QChar(0xE9))}) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key);
            QApplication::sendEvent(edit, &press);
        }
        shown = edit->text();
        qobject_cast<QDialog*>(box)->accept();
    });
    QCOMPARE(dialogs.inputBox("p", "c"), std::string("A?\xE9"));
    QCOMPARE(shown, QString("A?") + QChar(0xE9));
}

void DialogTest::messageBoxShowsPlainTextWithOneOk() {
    drill::QtDialogs dialogs;
    const std::string text = std::string(drill::texts::kMessageB) + "53";
    QString shown, caption;
    Qt::TextFormat format = Qt::AutoText;
    int buttons = 0;
    whenModalOpens([&](QWidget* box) {
        auto* mb = qobject_cast<QMessageBox*>(box);
        shown = mb->text();
        format = mb->textFormat();
        caption = mb->windowTitle();
        buttons = mb->buttons().size();
        mb->button(QMessageBox::Ok)->click();
    });
    dialogs.messageBox(text, drill::texts::kCaption);
    QCOMPARE(shown, QString::fromStdString(text));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(caption, QString(drill::texts::kCaption));
    QCOMPARE(buttons, 1);
}

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"
