// The board-size window in its two uses and the rules window.
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <string_view>

#include "dialogs/board_size_dialog.h"
#include "dialogs/rules_window.h"

using orbel::BoardSizeDialog;
using orbel::RulesWindow;

namespace {

constexpr std::string_view kRules[18] = {
    " 1. The first player to arrange 5 (or more than 5) orbels of his color successively in a row ",
    "    either horizontally/vertically/diagonally wins the game.",
    "",
    " 2. At your turn, you should place a orbel of yours at any vacancy which is ",
    "    adjacent to the orbels already placed on the board, and then ",
    "    you should push one of the adjacent orbels by one step",
    "    with the orbel just placed. ",
    "",
    " 3. You can not push orbels out of the board.",
    "",
    " 4. The first move of the game is to place a orbel at any place on the board. ",
    "",
    " 5. If the lines of 5 orbels for both players are simultaneously made, ",
    "    the game draws. ",
    "",
    " 6. To compensate for the advantage of the player who makes the first move,  ",
    "    his condition for win is restricted to making the line of 5 (not more than 5) ",
    "    orbels only horizontally or vertically. ",
};

QPushButton* SizeButton(const QWidget& dialog, int index) {
    return dialog.findChild<QPushButton*>(QStringLiteral("btn_GameSize_%1").arg(index));
}

bool RowHasInk(const QImage& image, int top, int height, int right) {
    for (int y = top; y < top + height && y < image.height(); ++y)
        for (int x = 0; x < right && x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) return true;
    return false;
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void size_window_offers_seven_sizes_and_returns_the_one_clicked();
    void size_window_closed_without_a_choice_returns_none();
    void about_use_hides_the_size_buttons_and_leaves_the_game_usable();
    void about_shows_the_project_version();
    void size_window_texts_are_whole();
    void rules_page_keeps_the_rules_exactly();
    void rules_window_shows_every_line_and_ok_covers_none();
    void rules_ok_closes_the_window();
};

void DialogsTest::size_window_offers_seven_sizes_and_returns_the_one_clicked() {
    BoardSizeDialog dialog(BoardSizeDialog::Use::ChooseSize);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.isModal());
    const QStringList captions = {"5", "7", "9", "11", "13", "15", "17"};
    for (int index = 0; index < 7; ++index) {
        QPushButton* button = SizeButton(dialog, index);
        QVERIFY(button);
        QCOMPARE(button->text(), captions[index]);
        QVERIFY(button->isVisible());
    }
    QVERIFY(dialog.findChild<QLabel*>("lbl_GameSize")->isVisible());
    QCOMPARE(dialog.findChild<QLabel*>("lbl_GameSize")->text(),
             QStringLiteral("Select Board Size"));

    QSignalSpy chosen(&dialog, &BoardSizeDialog::sizeChosen);
    QTest::mouseClick(SizeButton(dialog, 4), Qt::LeftButton);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).toInt(), 13);
    QCOMPARE(dialog.ChosenSize(), std::optional<int>(13));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
}

void DialogsTest::size_window_closed_without_a_choice_returns_none() {
    BoardSizeDialog dialog(BoardSizeDialog::Use::ChooseSize);
    QSignalSpy chosen(&dialog, &BoardSizeDialog::sizeChosen);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.ChosenSize(), std::nullopt);
    QCOMPARE(chosen.count(), 0);
}

void DialogsTest::about_use_hides_the_size_buttons_and_leaves_the_game_usable() {
    BoardSizeDialog about(BoardSizeDialog::Use::About);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(!about.isModal());
    for (int index = 0; index < 7; ++index) QVERIFY(!SizeButton(about, index)->isVisible());
    QVERIFY(!about.findChild<QLabel*>("lbl_GameSize")->isVisible());
    QVERIFY(about.findChild<QLabel*>("lbl_Program")->isVisible());
    QVERIFY(about.windowTitle().contains(QStringLiteral("Orbel Five")));
}

// The version comes from the build's project() line, as the programs' --version does.
void DialogsTest::about_shows_the_project_version() {
    BoardSizeDialog about(BoardSizeDialog::Use::About);
    QCOMPARE(about.findChild<QLabel*>("lbl_Author")->text(),
             QStringLiteral("Version " ORBEL_PROJECT_VERSION));
}

// The fixed texts stand as they are, and no label cuts its text or leaves the window.
void DialogsTest::size_window_texts_are_whole() {
    BoardSizeDialog dialog(BoardSizeDialog::Use::ChooseSize);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.findChild<QLabel*>("lbl_Program")->text(), QStringLiteral("Orbel Five  "));
    QVERIFY(dialog.findChild<QLabel*>("lbl_Program")->font().bold());
    QCOMPARE(dialog.findChild<QLabel*>("lbl_Program")->font().pointSize(), 24);
    QCOMPARE(dialog.findChild<QLabel*>("Label2")->text(),
             QStringLiteral("This program is based on the frame programs "));
    QCOMPARE(dialog.findChild<QLabel*>("Label3")->text(),
             QStringLiteral("1024 x 768 pixels and 120 dpi recommended. "));
    QVERIFY(!dialog.findChild<QLabel*>("Label1")->text().trimmed().isEmpty());
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
        QVERIFY2(dialog.rect().contains(label->geometry()), qPrintable(label->objectName()));
    }
}

void DialogsTest::rules_page_keeps_the_rules_exactly() {
    const auto page = orbel::RulesPage();
    QVERIFY(page.size() >= 34);
    for (int line = 1; line <= 18; ++line)
        QCOMPARE(std::string_view(page[line - 1]), kRules[line - 1]);
    for (const int blank : {19, 20, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33})
        QCOMPARE(std::string_view(page[blank - 1]), std::string_view());
    for (const int ours : {21, 22, 23, 34}) QVERIFY(!std::string_view(page[ours - 1]).empty());
}

// Every line lies inside the window, is drawn where it belongs, and the OK button sits on
// blank lines only.
void DialogsTest::rules_window_shows_every_line_and_ok_covers_none() {
    RulesWindow rules;
    rules.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rules));
    QVERIFY(rules.isModal());
    QVERIFY(rules.windowTitle().endsWith(QStringLiteral("Game Rules")));
    const auto page = orbel::RulesPage();
    const int height = rules.LineHeight();
    const QFontMetrics metrics(rules.font());
    QVERIFY(rules.font().bold());
    QPushButton* ok = rules.findChild<QPushButton*>("btn_OK");
    QVERIFY(ok && ok->isVisible());
    QCOMPARE(ok->text(), QStringLiteral("OK"));

    ok->hide();  // so the page underneath can be read off the picture
    const QImage picture = rules.grab().toImage();
    ok->show();
    for (int index = 0; index < static_cast<int>(page.size()); ++index) {
        const QString text = QString::fromUtf8(page[index]);
        const QRect band(0, index * height, metrics.horizontalAdvance(text), height);
        QVERIFY2(rules.rect().contains(band), qPrintable(QStringLiteral("line %1").arg(index + 1)));
        const bool blank = text.trimmed().isEmpty();
        if (!blank) QVERIFY2(!ok->geometry().intersects(band), qPrintable(text));
        QCOMPARE(RowHasInk(picture, index * height, height, rules.width()), !blank);
    }
    QVERIFY(rules.rect().contains(ok->geometry()));
}

void DialogsTest::rules_ok_closes_the_window() {
    RulesWindow rules;
    rules.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rules));
    QTest::mouseClick(rules.findChild<QPushButton*>("btn_OK"), Qt::LeftButton);
    QVERIFY(!rules.isVisible());
    QCOMPARE(rules.result(), int(QDialog::Accepted));
}

QTEST_MAIN(DialogsTest)
#include "dialogs-test.moc"
